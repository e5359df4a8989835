# pv-link and pv-clean driven end to end through pvhost on a copy of the
# sample project GEO; ezdxf makes and reads the drawings, dbf and dbfread
# the table.
pv_e2e_test(map_link_cmd_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/link_cmd_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)

# The link and clean command tests run a DB3 project through the driver.
pv_tests_use_db3(test_map_link_cmd_test)
