# pv-update and pv-scale end to end through pvhost on a copy of the sample
# project GEO; ezdxf reads the drawing back and PROJ's cs2cs gives the
# expected position.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
if(PV_PYTHON3 AND PV_CS2CS AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME map_edit_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/map_edit_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_edit_e2e)
  set_tests_properties(map_edit_e2e PROPERTIES TIMEOUT 120)
endif()
