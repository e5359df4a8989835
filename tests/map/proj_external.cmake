# Checks of the coordinate conversions and fitted transformations against
# PROJ's cs2cs and GDAL's ogr2ogr -gcp, through the command reader prj_probe.
add_executable(prj_probe ${CMAKE_CURRENT_SOURCE_DIR}/map/prj_probe.cpp)
target_link_libraries(prj_probe PRIVATE pvmap)

pv_e2e_test(proj_cs2cs_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/proj_cs2cs_check.py
  ARGS $<TARGET_FILE:prj_probe> ${PV_CS2CS}
  NEEDS cs2cs TIMEOUT 300)
pv_e2e_test(xfrm_gcp_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/xfrm_gcp_check.py
  ARGS $<TARGET_FILE:prj_probe> ${PV_OGR2OGR}
  NEEDS ogr2ogr TIMEOUT 300)
