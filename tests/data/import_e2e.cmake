# pv-import driven end to end through pvhost on the sample project GEO and
# on a project the script makes; dbfread reads the tables back and cs2cs
# gives the reference coordinates.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME import_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/import_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/import_e2e)
  set_tests_properties(import_e2e PROPERTIES TIMEOUT 120)
endif()
