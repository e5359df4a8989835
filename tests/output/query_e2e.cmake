# pv-query driven end to end through pvhost on a DB3 project that the
# script makes; python3-dbfread reads the stored query back.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME query_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/query_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/query_e2e)
  set_tests_properties(query_e2e PROPERTIES TIMEOUT 120)
endif()
