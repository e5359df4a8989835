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
  target_compile_definitions(odbc_server_suite PRIVATE PV_ODBC_DRIVER="$<TARGET_FILE:pvodbc>"
                             PV_PVHOST="$<TARGET_FILE:pvhost>" PV_MODULE="$<TARGET_FILE:pvx14>"
                             PV_RESOURCE_DIR="${PV_RESOURCE_DIR}" PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/drivers")
  add_dependencies(odbc_server_suite pvodbc pvhost pvx14 pvdb3)
  add_test(NAME odbc_server_suite COMMAND odbc_server_suite)
  set_tests_properties(odbc_server_suite PROPERTIES TIMEOUT 300)
endif()

# The setup store's round trips on a server project: the same tests as on
# DB3 (those that do not look at dBASE files), built for the ODBC fixture.
if(TARGET pvodbc AND TARGET test_core_setup_store_test)
  add_executable(odbc_setup_suite ${CMAKE_CURRENT_SOURCE_DIR}/core/setup_store_test.cpp)
  target_link_libraries(odbc_setup_suite PRIVATE pvdata pvmodule pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(odbc_setup_suite PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}
                             ${CMAKE_CURRENT_SOURCE_DIR}/core ${CMAKE_CURRENT_SOURCE_DIR}/drivers
                             ${PROJECT_SOURCE_DIR}/platform/include)
  target_compile_definitions(odbc_setup_suite PRIVATE PV_SQL_FIXTURE_ODBC PV_ODBC_DRIVER="$<TARGET_FILE:pvodbc>"
                             PV_RESOURCE_DIR="${PV_RESOURCE_DIR}" PV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             PV_BINARY_DIR="${PROJECT_BINARY_DIR}" PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/core")
  add_dependencies(odbc_setup_suite pvodbc)
  add_test(NAME odbc_setup_suite COMMAND odbc_setup_suite
           "--gtest_filter=SetupNameEq.*:SetupStore.CoordinateTables*:SetupStore.RegistryInputRules*:SetupStore.ServerHolds*")
  set_tests_properties(odbc_setup_suite PROPERTIES TIMEOUT 300)
endif()

# The dictionary and profile tables of a server project.
if(TARGET pvodbc AND TARGET test_data_item_item_table_test)
  add_executable(odbc_item_suite ${CMAKE_CURRENT_SOURCE_DIR}/data/item/item_table_test.cpp)
  target_link_libraries(odbc_item_suite PRIVATE pvdata pvmodule pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(odbc_item_suite PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}
                             ${CMAKE_CURRENT_SOURCE_DIR}/drivers ${PROJECT_SOURCE_DIR}/platform/include)
  target_compile_definitions(odbc_item_suite PRIVATE PV_SQL_FIXTURE_ODBC PV_ODBC_DRIVER="$<TARGET_FILE:pvodbc>"
                             PV_RESOURCE_DIR="${PV_RESOURCE_DIR}" PV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             PV_BINARY_DIR="${PROJECT_BINARY_DIR}" PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/item")
  add_dependencies(odbc_item_suite pvodbc)
  add_test(NAME odbc_item_suite COMMAND odbc_item_suite "--gtest_filter=ItemTable.ServerCatalog*")
  set_tests_properties(odbc_item_suite PROPERTIES TIMEOUT 300)
endif()
