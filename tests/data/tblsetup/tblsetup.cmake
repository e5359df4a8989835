# The table setup tests run DB3 projects through the engine and the DB3
# driver program pvdb3.
pv_tests_use_db3(test_data_tblsetup_dialog_test test_data_tblsetup_index_test
                 test_data_tblsetup_restructure_test
                 test_data_tblsetup_cinsetup_test)

# End to end: pvhost runs the table setup on a copy of the sample project
# GEO; /usr/bin/python3 (dbfread) reads the table and PVTABLE it wrote.
pv_e2e_test(tblsetup_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/tblsetup_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbfread)
pv_e2e_test(restructure_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/restructure_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread)

# End to end: input rules of STATN edited through table setup on a copy of
# GEO; dbfread reads PVCOLUMN.
pv_e2e_test(cinsetup_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/cinsetup_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbfread)
