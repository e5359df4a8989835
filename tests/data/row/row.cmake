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

# End to end: pv-profile through pvhost on a copy of GEO with a dictionary
# written by python3-dbf; dbfread reads the saved profile.
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME profile_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/row/profile_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/profile_e2e)
  set_tests_properties(profile_e2e PROPERTIES TIMEOUT 120)
endif()
