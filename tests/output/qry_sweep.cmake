# The query AREA sweep compared with shapely's is_simple on random rings,
# through the ring reader qry_sweep_probe.
add_executable(qry_sweep_probe ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_sweep_probe.cpp)
target_link_libraries(qry_sweep_probe PRIVATE pvoutput pvdata pvmap pvmodule pvplatform)

find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3)
  add_test(NAME qry_sweep_shapely_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/qry_sweep_check.py
                   $<TARGET_FILE:qry_sweep_probe>)
  set_tests_properties(qry_sweep_shapely_check PROPERTIES TIMEOUT 120)
endif()
