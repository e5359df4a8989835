# pv-link and pv-clean driven end to end through pvhost on a copy of the
# sample project GEO; ezdxf makes and reads the drawings, dbf and dbfread
# the table.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME map_link_cmd_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/link_cmd_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_link_cmd_e2e)
  set_tests_properties(map_link_cmd_e2e PROPERTIES TIMEOUT 120)
endif()

# The link and clean command tests run a DB3 project through the driver.
pv_tests_use_db3(test_map_link_cmd_test)
