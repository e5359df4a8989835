# pv-update and pv-scale end to end through pvhost on a copy of the sample
# project GEO; ezdxf reads the drawing back and PROJ's cs2cs gives the
# expected position.
pv_e2e_test(map_edit_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/map_edit_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf cs2cs)
