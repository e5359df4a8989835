# A query restricted to a drawn area, end to end through pvhost on a DB3
# project the script makes; shapely decides which stations lie inside,
# dbfread reads the stored ring back and cs2cs gives the reference
# conversion.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
if(PV_PYTHON3 AND PV_CS2CS AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME qry_area_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_area_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS}
                   ${CMAKE_CURRENT_BINARY_DIR}/qry_area_e2e)
  set_tests_properties(qry_area_e2e PROPERTIES TIMEOUT 120)
endif()
