# pv-import driven end to end through pvhost on the sample project GEO and
# on a project the script makes; dbfread reads the tables back and cs2cs
# gives the reference coordinates; an update is cut by the kill library.
pv_e2e_test(import_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/import_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:pv_kill_at>
  NEEDS python3-dbf python3-dbfread cs2cs LABELS e2e slow)
