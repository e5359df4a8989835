# pv-stereo driven end to end through pvhost on a DB3 project and a drawing
# of linked INSERTs that the script makes; ezdxf reads the placed net back.
pv_e2e_test(stereo_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/stereo_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
