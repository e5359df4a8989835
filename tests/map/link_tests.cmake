# The host link tests and the end-to-end test run a DB3 project through
# the engine and the DB3 driver program pvdb3; they find it by its path.
if(TARGET test_draw_link_ase_test AND TARGET pvdb3)
  add_dependencies(test_draw_link_ase_test pvdb3)
  target_compile_definitions(test_draw_link_ase_test PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
endif()

# pv_map_e2e(NAME SOURCE): a test program that runs the module in the
# stand-in editor with the engine, the DB3 driver and the link store and
# saves its drawing into the run's folder, where a python check reads it
# with ezdxf; registered as the end-to-end test NAME.
function(pv_map_e2e name source)
  if(NOT TARGET pvdb3)
    return()
  endif()
  add_executable(test_${name} ${CMAKE_CURRENT_SOURCE_DIR}/map/${source})
  target_link_libraries(test_${name} PRIVATE pvmodule pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(test_${name} PRIVATE
    PV_RESOURCE_DIR="${PV_RESOURCE_DIR}"
    PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>"
    PV_E2E_OUT="${PROJECT_BINARY_DIR}/tests/${name}")
  add_dependencies(test_${name} pvdb3)
  pv_e2e_test(${name} COMMAND $<TARGET_FILE:test_${name}> NEEDS python3-ezdxf)
endfunction()

# map_link_e2e: linked symbols drawn and saved as linked.dxf, checked by
# link_e2e_check.py.
pv_map_e2e(map_link_e2e link_e2e.cpp)
# map_placement_e2e: rows dragged into place and saved as placed.dxf,
# checked by placement_e2e_check.py.
pv_map_e2e(map_placement_e2e placement_e2e.cpp)
