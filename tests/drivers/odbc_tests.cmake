# The ODBC driver: its statement rewriting is tested directly; the suite
# against a real PostgreSQL server is one program run as one test, so the
# server it starts for itself starts once.
if(TARGET test_drivers_odbc_dialect_test)
  target_link_libraries(test_drivers_odbc_dialect_test PRIVATE pvodbccore)
endif()
if(TARGET pvodbc)
  add_executable(odbc_server_suite ${CMAKE_CURRENT_SOURCE_DIR}/drivers/odbc_server_suite.cpp)
  target_link_libraries(odbc_server_suite PRIVATE pvsqlclient pvvalues GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(odbc_server_suite PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/drivers)
  target_compile_definitions(odbc_server_suite PRIVATE PV_ODBC_DRIVER="$<TARGET_FILE:pvodbc>")
  add_dependencies(odbc_server_suite pvodbc)
  add_test(NAME odbc_server_suite COMMAND odbc_server_suite)
  set_tests_properties(odbc_server_suite PROPERTIES TIMEOUT 300)
endif()
