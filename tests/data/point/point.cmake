# The point dialogs run on a copy of the sample project GEO through the
# module in the stand-in editor and the DB3 driver program pvdb3.
pv_tests_use_db3(test_data_point_pnt_setup_test test_data_point_point_edit_test)
