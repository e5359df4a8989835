# Commands that read rows, each met by a damaged table, a killed driver and
# a table that cannot be written, end to end through pvhost on copies of
# GEO: each says what failed once and leaves the drawing and the tables as
# they were.
pv_e2e_test(map_read_failure_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/read_failure_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf chattr TIMEOUT 600)
