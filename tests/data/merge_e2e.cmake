# pv-merge and pv-rename driven end to end through pvhost on two DB3
# projects and drawings the script makes; dbfread and ezdxf read them back.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME merge_rename_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/merge_e2e)
  set_tests_properties(merge_rename_e2e PROPERTIES TIMEOUT 120)
  # The same merge with pvhost or its driver killed at ten points.
  add_test(NAME merge_cut_short_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/merge_cut_short_e2e cut-short)
  set_tests_properties(merge_cut_short_e2e PROPERTIES TIMEOUT 300)
endif()

# pv-merge between dBASE and server projects both ways, and a merge into a
# server project cut at several points, on the PostgreSQL server the
# new-project runner starts.
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvodbc AND TARGET pvdb3)
  add_test(NAME merge_server_e2e
           COMMAND newproj_server_e2e ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/merge_server_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/merge_server_e2e)
  set_tests_properties(merge_server_e2e PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
