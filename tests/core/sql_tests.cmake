# The SQL access layer's and the setup store's tests run a DB3 project
# through the engine and the DB3 driver program pvdb3.
pv_tests_use_db3(test_core_sql_access_test test_core_setup_store_test test_core_map_setup_test)
