# pv-arcpoly driven end to end through pvhost on a DB3 project with a unit
# table, a drawing linked to its rows and the test writer's coverage.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME arcpoly_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/arcpoly_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/arcpoly_e2e $<TARGET_FILE:cover_samples>)
  set_tests_properties(arcpoly_e2e PROPERTIES TIMEOUT 120)
endif()
