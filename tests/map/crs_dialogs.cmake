# The coordinate dialogs' tests log on to the sample project through the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_map_crs_dialogs_test)
