# pv-arcmake and pv-arclegend driven end to end through pvhost on DB3
# projects with the test writer's coverages.
pv_e2e_test(arcmake_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/arcmake_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:cover_samples> ${PV_CS2CS}
  NEEDS python3-dbf python3-dbfread python3-ezdxf cs2cs)
pv_e2e_test(arclegend_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/arclegend_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@ $<TARGET_FILE:cover_samples>
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
