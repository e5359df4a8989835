# The coordinate dialogs and the map commands through pvhost on a copy of
# the sample projects; dbfread, ezdxf and PROJ's cs2cs check the results.
pv_e2e_test(crs_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/crs_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf cs2cs)
