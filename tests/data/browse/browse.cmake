# The browser's dialog tests run DB3 projects through the engine and the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_data_browse_browse_test test_data_browse_browse_hooks_test)
