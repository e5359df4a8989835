# The query AREA sweep compared with shapely's is_simple on random rings,
# through the ring reader qry_sweep_probe.
add_executable(qry_sweep_probe ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_sweep_probe.cpp)
target_link_libraries(qry_sweep_probe PRIVATE pvoutput pvdata pvmap pvmodule pvplatform)

pv_e2e_test(qry_sweep_shapely_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_sweep_check.py
  ARGS $<TARGET_FILE:qry_sweep_probe>
  NEEDS python3-shapely)
