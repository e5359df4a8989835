# The demo run whole through run-demo, its steps and what they leave
# checked; and the shipped sample tables checked against the program that
# writes them (resources/projects/mkprojects.cpp).
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_AVCIMPORT avcimport)
if(PV_PYTHON3 AND PV_AVCIMPORT AND TARGET pvhost AND TARGET pvdb3 AND TARGET pvx14)
  add_test(NAME demo_runs_every_step
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/resources/demo_check.py
                   ${CMAKE_BINARY_DIR} ${PV_RESOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/demo_runs)
  set_tests_properties(demo_runs_every_step PROPERTIES TIMEOUT 120)
endif()

if(TARGET pvdbf AND PV_PYTHON3)
  add_executable(mkprojects ${PV_RESOURCE_DIR}/projects/mkprojects.cpp)
  target_include_directories(mkprojects PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(mkprojects PRIVATE pvdbf)
  add_test(NAME shipped_sample_tables_are_what_mkprojects_writes
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/resources/scripts/check_mkprojects.py
                   $<TARGET_FILE:mkprojects> ${PV_RESOURCE_DIR}/projects
                   ${CMAKE_CURRENT_BINARY_DIR}/mkprojects_check)
  set_tests_properties(shipped_sample_tables_are_what_mkprojects_writes PROPERTIES TIMEOUT 60)
endif()
