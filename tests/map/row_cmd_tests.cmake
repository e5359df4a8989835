# Deleting rows with their symbols runs a DB3 project through the driver.
pv_tests_use_db3(test_map_row_delete_test)
pv_tests_use_db3(test_map_row_carry_test)

# pv-add and pv-delete driven end to end through pvhost on copies of the
# sample project GEO; dbfread and ezdxf read the table and drawings back.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME map_row_cmd_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/row_cmd_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_row_cmd_e2e)
  set_tests_properties(map_row_cmd_e2e PROPERTIES TIMEOUT 120)
endif()
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
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME map_row_edit_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_row_edit_e2e)
  set_tests_properties(map_row_edit_e2e PROPERTIES TIMEOUT 120)
endif()
# The killed pv-move on a PostgreSQL schema, the server started by the
# new-project runner.
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvodbc AND TARGET pvdb3)
  add_test(NAME map_row_move_server_e2e
           COMMAND newproj_server_e2e ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/row_edit_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_row_move_server_e2e)
  set_tests_properties(map_row_move_server_e2e PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
