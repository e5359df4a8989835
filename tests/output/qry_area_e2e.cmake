# A query restricted to a drawn area, end to end through pvhost on a DB3
# project the script makes; shapely decides which stations lie inside,
# dbfread reads the stored ring back and cs2cs gives the reference
# conversion.
pv_e2e_test(qry_area_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_area_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS} @WORK@
  NEEDS python3-dbf python3-dbfread python3-shapely cs2cs)
