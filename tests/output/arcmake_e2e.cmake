# pv-arcmake and pv-arclegend driven end to end through pvhost on DB3
# projects with the test writer's coverages.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
if(PV_PYTHON3 AND PV_CS2CS AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME arcmake_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/arcmake_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/arcmake_e2e $<TARGET_FILE:cover_samples> ${PV_CS2CS})
  set_tests_properties(arcmake_e2e PROPERTIES TIMEOUT 120)
endif()
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME arclegend_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/arclegend_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/arclegend_e2e $<TARGET_FILE:cover_samples>)
  set_tests_properties(arclegend_e2e PROPERTIES TIMEOUT 120)
endif()
