# The memo tests run DB3 projects through the engine and the DB3 driver
# program pvdb3.
pv_tests_use_db3(test_data_memo_memo_store_test test_data_memo_memo_editor_test)

# End to end: the CTest test e2e_memo runs the module in the stand-in
# editor on a copy of the sample project in the run's folder and reads the
# side table back with /usr/bin/python3 (dbfread).
pv_data_e2e(memo_e2e e2e_memo ${CMAKE_CURRENT_LIST_DIR}/memo_e2e.cpp NEEDS python3-dbfread)
