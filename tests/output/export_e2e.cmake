# pv-export driven end to end through pvhost on a DB3 project and a drawing
# made by the script; text and SPANS compared byte for byte, E00 and MapInfo
# read by ogrinfo and avcimport, converted points checked with cs2cs.
pv_e2e_test(export_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/export_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf python3-shapely avcimport ogrinfo cs2cs)
