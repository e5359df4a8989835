# The query tests that log on to a DB3 project start the DB3 driver.
pv_tests_use_db3(test_output_query_qry_db3_test)
pv_tests_use_db3(test_output_query_qry_dialog_test)
