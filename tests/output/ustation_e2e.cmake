# pv-ustation driven end to end through pvhost on a DB3 project that the
# script makes with the python dbf module; dbfread checks what it wrote;
# the export is cut by the kill library.
pv_e2e_test(ustation_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/ustation_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:pv_kill_at>
  NEEDS python3-dbf python3-dbfread)
