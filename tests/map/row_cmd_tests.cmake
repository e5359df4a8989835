# Deleting rows with their symbols runs a DB3 project through the driver.
pv_tests_use_db3(test_map_row_delete_test)
pv_tests_use_db3(test_map_row_carry_test)

# pv-add and pv-delete driven end to end through pvhost on copies of the
# sample project GEO; dbfread and ezdxf read the table and drawings back.
pv_e2e_test(map_row_cmd_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/row_cmd_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf chattr LABELS e2e slow)
pv_tests_use_db3(test_map_row_add_test)
# The add dialog opens the row entry's pickers and setups, which the core
# brings in.
if(TARGET test_map_row_add_test)
  target_link_libraries(test_map_row_add_test PRIVATE pvmodule pvdata pvmap)
endif()
# Editing and moving rows use the row editor and the placements of the
# data library, which in turn call back into the map.
if(TARGET test_map_row_move_test)
  target_link_libraries(test_map_row_move_test PRIVATE pvmodule pvdata pvmap)
endif()
# pv-edit and pv-move driven end to end through pvhost on copies of GEO.
pv_e2e_test(map_row_edit_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf LABELS e2e slow)
# Two users on one row at once, on dBASE files.
pv_e2e_test(map_row_two_users_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ two-users
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
# The killed pv-move on a PostgreSQL schema, the server started by the
# new-project runner.
pv_e2e_test(map_row_move_server_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
  RUNNER $<TARGET_FILE:newproj_server_e2e>
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS unixodbc-dev python3-dbf python3-dbfread python3-ezdxf LABELS e2e server slow TIMEOUT 300)
# Two users on one row at once, on the server.
pv_e2e_test(map_row_two_users_server_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
  RUNNER $<TARGET_FILE:newproj_server_e2e>
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ two-users
  NEEDS unixodbc-dev python3-dbf python3-dbfread python3-ezdxf LABELS e2e server TIMEOUT 300)
