# pv-query driven end to end through pvhost on a DB3 project that the
# script makes; python3-dbfread reads the stored query back.
pv_e2e_test(query_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/query_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread)
