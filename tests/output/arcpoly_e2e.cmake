# pv-arcpoly driven end to end through pvhost on a DB3 project with a unit
# table, a drawing linked to its rows and the test writer's coverage.
pv_e2e_test(arcpoly_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/arcpoly_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:cover_samples>
  NEEDS python3-dbf python3-dbfread python3-ezdxf ogrinfo)
