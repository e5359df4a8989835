# The memo tests run DB3 projects through the engine and the DB3 driver
# program pvdb3.
pv_tests_use_db3(test_data_memo_memo_store_test test_data_memo_memo_editor_test)

# End to end: the CTest test e2e_memo runs the module in the stand-in
# editor on a copy of the sample project in <build>/e2e/memo/ and reads the
# side table back with /usr/bin/python3 (dbfread). The folder is left for
# inspection.
add_executable(memo_e2e ${CMAKE_CURRENT_LIST_DIR}/memo_e2e.cpp)
target_link_libraries(memo_e2e PRIVATE pvdata pvcore pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
target_include_directories(memo_e2e PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(memo_e2e PRIVATE
  PV_RESOURCE_DIR="${PV_RESOURCE_DIR}"
  PV_BINARY_DIR="${PROJECT_BINARY_DIR}"
  PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
pv_tests_use_db3(memo_e2e)
add_test(NAME e2e_memo COMMAND memo_e2e)
set_tests_properties(e2e_memo PROPERTIES TIMEOUT 300 RUN_SERIAL FALSE)
