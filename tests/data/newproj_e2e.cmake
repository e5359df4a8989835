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

# The same on a PostgreSQL schema, the server started by the test itself.
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvodbc)
  add_executable(newproj_server_e2e ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_server_e2e.cpp)
  target_include_directories(newproj_server_e2e PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/drivers)
  add_dependencies(newproj_server_e2e pvhost pvx14 pvodbc)
  add_test(NAME newproj_server_e2e
           COMMAND newproj_server_e2e ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/newproj_pg)
  set_tests_properties(newproj_server_e2e PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
endif()
