# pv-merge and pv-rename driven end to end through pvhost on two DB3
# projects and drawings the script makes; dbfread and ezdxf read them back.
pv_e2e_test(merge_rename_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
# The same merge with pvhost or its driver killed at ten points.
pv_e2e_test(merge_cut_short_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ cut-short
  NEEDS python3-dbf python3-dbfread python3-ezdxf TIMEOUT 300)

# pv-merge between dBASE and server projects both ways, and a merge into a
# server project cut at several points, on the PostgreSQL server the
# new-project runner starts; pv-ustation is cut by the kill library.
pv_e2e_test(merge_server_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_server_e2e.py
  RUNNER $<TARGET_FILE:newproj_server_e2e>
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:pv_kill_at>
  NEEDS unixodbc-dev python3-dbf python3-dbfread LABELS e2e server slow TIMEOUT 300)
