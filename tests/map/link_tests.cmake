# The host link tests and the end-to-end test run a DB3 project through
# the engine and the DB3 driver program pvdb3; they find it by its path.
if(TARGET test_map_link_ase_test AND TARGET pvdb3)
  add_dependencies(test_map_link_ase_test pvdb3)
  target_compile_definitions(test_map_link_ase_test PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
endif()

# map_link_e2e: the module in the stand-in editor with the engine, the DB3
# driver and the link store draws linked symbols and saves the drawing into
# <build>/tests/map_link_e2e, where link_e2e_check.py reads it with ezdxf.
if(TARGET pvdb3)
  add_executable(test_map_link_e2e ${CMAKE_CURRENT_SOURCE_DIR}/map/link_e2e.cpp)
  target_link_libraries(test_map_link_e2e PRIVATE pvcore pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(test_map_link_e2e PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(test_map_link_e2e PRIVATE
    PV_RESOURCE_DIR="${PV_RESOURCE_DIR}"
    PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>"
    PV_E2E_OUT="${PROJECT_BINARY_DIR}/tests/map_link_e2e")
  add_dependencies(test_map_link_e2e pvdb3)
  add_test(NAME map_link_e2e COMMAND test_map_link_e2e)
  set_tests_properties(map_link_e2e PROPERTIES TIMEOUT 120)
endif()
