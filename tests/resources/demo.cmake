# The demo run whole through run-demo, its steps and what they leave
# checked; and the shipped sample tables checked against the program that
# writes them (resources/projects/mkprojects.cpp).
pv_e2e_test(demo_runs_every_step SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/resources/demo_check.py
  ARGS ${CMAKE_BINARY_DIR} ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbfread python3-ezdxf python3-shapely cs2cs ogrinfo avcimport)

add_executable(mkprojects ${PV_RESOURCE_DIR}/projects/mkprojects.cpp)
target_include_directories(mkprojects PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(mkprojects PRIVATE pvdbf)
pv_e2e_test(shipped_sample_tables_are_what_mkprojects_writes
  SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/resources/scripts/check_mkprojects.py
  ARGS $<TARGET_FILE:mkprojects> ${PV_RESOURCE_DIR}/projects @WORK@ TIMEOUT 60)
