# The row editor's dialog tests run DB3 projects through the engine and the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_data_row_row_editor_test)

# End to end: the CTest test e2e_row_editor runs the module in the stand-in
# editor on a copy of the sample project in <build>/e2e/row_editor/ and
# reads STATN back with /usr/bin/python3 (dbfread). The folder is left for
# inspection.
pv_data_e2e(row_e2e e2e_row_editor ${CMAKE_CURRENT_LIST_DIR}/row_e2e.cpp)
pv_tests_use_db3(test_data_row_item_pick_test)
pv_tests_use_db3(test_data_row_prf_edit_test)
