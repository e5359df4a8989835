# Checks of the coordinate conversions and fitted transformations against
# PROJ's cs2cs and GDAL's ogr2ogr -gcp, through the command reader prj_probe.
add_executable(prj_probe ${CMAKE_CURRENT_SOURCE_DIR}/map/prj_probe.cpp)
target_link_libraries(prj_probe PRIVATE pvmap)

find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
find_program(PV_OGR2OGR ogr2ogr)
if(PV_PYTHON3 AND PV_CS2CS)
  add_test(NAME proj_cs2cs_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/proj_cs2cs_check.py
                   $<TARGET_FILE:prj_probe> ${PV_CS2CS})
  set_tests_properties(proj_cs2cs_check PROPERTIES TIMEOUT 300)
endif()
if(PV_PYTHON3 AND PV_OGR2OGR)
  add_test(NAME xfrm_gcp_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/xfrm_gcp_check.py
                   $<TARGET_FILE:prj_probe> ${PV_OGR2OGR})
  set_tests_properties(xfrm_gcp_check PROPERTIES TIMEOUT 300)
endif()
