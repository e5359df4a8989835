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
  set_tests_properties(odbc_server_suite PROPERTIES TIMEOUT 300 LABELS server)
else()
  pv_note_missing(unixodbc-dev odbc_server_suite)
  pv_skipped_test(odbc_server_suite "needs unixodbc-dev, not found when the build was configured" server)
endif()

# A DB3 test program built again for the ODBC fixture (PV_SQL_FIXTURE_ODBC):
# the same cases, those the filter names, on a server project.
function(pv_odbc_fixture_suite name dbt source data filter)
  if(NOT TARGET ${dbt})
    return()
  endif()
  if(NOT TARGET pvodbc)
    pv_note_missing(unixodbc-dev ${name})
    pv_skipped_test(${name} "needs unixodbc-dev, not found when the build was configured" server)
    return()
  endif()
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${source})
  target_link_libraries(${name} PRIVATE pvdata pvmodule pvplatform GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}
                             ${CMAKE_CURRENT_SOURCE_DIR}/core ${CMAKE_CURRENT_SOURCE_DIR}/drivers
                             ${PROJECT_SOURCE_DIR}/platform/include)
  target_compile_definitions(${name} PRIVATE PV_SQL_FIXTURE_ODBC PV_ODBC_DRIVER="$<TARGET_FILE:pvodbc>"
                             PV_RESOURCE_DIR="${PV_RESOURCE_DIR}" PV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             PV_BINARY_DIR="${PROJECT_BINARY_DIR}" PV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/${data}")
  add_dependencies(${name} pvodbc)
  add_test(NAME ${name} COMMAND ${name} "--gtest_filter=${filter}")
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS server)
endfunction()

# The setup store's round trips (those that do not look at dBASE files).
pv_odbc_fixture_suite(odbc_setup_suite test_core_setup_store_test core/setup_store_test.cpp core
  "SetupNameEq.*:SetupStore.CoordinateTables*:SetupStore.RegistryInputRules*:SetupStore.ServerHolds*:SetupStore.ASaveKilled*")
# The SQL access layer's row writes.
pv_odbc_fixture_suite(odbc_sql_access_suite test_core_sql_access_test core/sql_access_test.cpp core
  "SqlAccess.UpdateRow*")
# The dictionary and profile tables.
pv_odbc_fixture_suite(odbc_item_suite test_data_item_item_table_test data/item/item_table_test.cpp data/item
  "ItemTable.ServerCatalog*")
# The rows of a batch of links against each link's own look-up.
pv_odbc_fixture_suite(odbc_link_rows_suite test_draw_link_rows_test draw/link_rows_test.cpp draw "LinkRows.*")
# A table refilled and killed at each step, put back by the next logon.
pv_odbc_fixture_suite(odbc_refill_suite test_data_tblsetup_restructure_test data/tblsetup/restructure_test.cpp
  data/tblsetup "Restructure.ARefill*")
