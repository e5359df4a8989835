# A new project BLUE made from nothing with the commands only, driven
# through pvhost; dbfread reads its tables.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME newproj_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/newproj_e2e)
  set_tests_properties(newproj_e2e PROPERTIES TIMEOUT 120)
endif()
