# The memo tests run DB3 projects through the engine and the DB3 driver
# program pvdb3.
pv_tests_use_db3(test_data_memo_memo_store_test test_data_memo_memo_editor_test)
