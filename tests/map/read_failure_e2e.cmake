# Commands that read rows, each met by a damaged table, a killed driver and
# a table that cannot be written, end to end through pvhost on copies of
# GEO: each says what failed once and leaves the drawing and the tables as
# they were.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CHATTR chattr)
if(PV_PYTHON3 AND PV_CHATTR AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME map_read_failure_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/read_failure_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/map_read_failure_e2e)
  set_tests_properties(map_read_failure_e2e PROPERTIES TIMEOUT 600)
endif()
