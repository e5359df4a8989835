# The row editor's dialog tests run DB3 projects through the engine and the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_data_row_row_editor_test)

# End to end: the CTest test e2e_row_editor runs the module in the stand-in
# editor on a copy of the sample project in the run's folder and reads
# STATN back with /usr/bin/python3 (dbfread).
pv_data_e2e(row_e2e e2e_row_editor ${CMAKE_CURRENT_LIST_DIR}/row_e2e.cpp NEEDS python3-dbfread)
pv_tests_use_db3(test_data_row_item_pick_test)
pv_tests_use_db3(test_data_row_prf_edit_test)

# End to end: pv-profile through pvhost on a copy of GEO with a dictionary
# written by python3-dbf; dbfread reads the saved profile.
pv_e2e_test(profile_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/row/profile_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread)
