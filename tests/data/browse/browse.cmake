# The browser's dialog tests run DB3 projects through the engine and the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_data_browse_browse_test test_data_browse_browse_hooks_test)

# End to end: the CTest test e2e_browser runs the module in the stand-in
# editor on a copy of the sample project in the run's folder and reads SMP
# and its memo lines back with /usr/bin/python3 (dbfread).
pv_data_e2e(browse_e2e e2e_browser ${CMAKE_CURRENT_LIST_DIR}/browse_e2e.cpp NEEDS python3-dbfread)
