# The table setup tests run DB3 projects through the engine and the DB3
# driver program pvdb3.
pv_tests_use_db3(test_data_tblsetup_dialog_test test_data_tblsetup_index_test
                 test_data_tblsetup_restructure_test
                 test_data_tblsetup_cinsetup_test)

# End to end: pvhost runs the table setup on a copy of the sample project
# GEO; /usr/bin/python3 (dbfread) reads the table and PVTABLE it wrote.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME tblsetup_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/tblsetup_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/tblsetup_e2e)
  set_tests_properties(tblsetup_e2e PROPERTIES TIMEOUT 120)
  add_test(NAME restructure_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/restructure_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/restructure_e2e)
  set_tests_properties(restructure_e2e PROPERTIES TIMEOUT 120)
endif()

# End to end: input rules of STATN edited through table setup on a copy of
# GEO; dbfread reads PVCOLUMN.
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME cinsetup_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/tblsetup/cinsetup_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/cinsetup_e2e)
  set_tests_properties(cinsetup_e2e PROPERTIES TIMEOUT 120)
endif()
