# Commands that read rows, each met by a damaged table, a killed driver and
# a table that cannot be written, end to end through pvhost on copies of
# GEO: each says what failed once and leaves the drawing and the tables as
# they were. The coverage commands' coverage is written by the test writer
# of tests/output.
pv_e2e_test(map_read_failure_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/read_failure_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  ENVIRONMENT PV_COVER_SAMPLES=$<TARGET_FILE:cover_samples>
  NEEDS python3-dbf python3-dbfread python3-ezdxf chattr TIMEOUT 600)
# The same commands on GEO put into a schema of the PostgreSQL server the
# new-project runner starts, the server ending pvhost's connection before
# each command.
pv_e2e_test(map_read_failure_server_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/read_failure_e2e.py
  RUNNER $<TARGET_FILE:newproj_server_e2e>
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS unixodbc-dev python3-dbf python3-dbfread python3-ezdxf LABELS e2e server TIMEOUT 300)
