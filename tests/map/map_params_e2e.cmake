# The drawing's map setup block through pvhost: drawings saved new and
# after opening, read back with ezdxf.
pv_e2e_test(map_params_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/map_params_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
