# A new project BLUE made from nothing with the commands only, driven
# through pvhost; dbfread reads its tables.
pv_e2e_test(newproj_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf ogrinfo)

# The same on a PostgreSQL schema, the server started by the test itself
# (the runner newproj_server_e2e, which the other server tests use too).
if(TARGET pvodbc)
  add_executable(newproj_server_e2e ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_server_e2e.cpp)
  target_include_directories(newproj_server_e2e PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/drivers)
  add_dependencies(newproj_server_e2e pvhost pvx14 pvodbc)
endif()
pv_e2e_test(newproj_server_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/newproj_e2e.py
  RUNNER $<TARGET_FILE:newproj_server_e2e>
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS unixodbc-dev python3-dbf python3-dbfread python3-ezdxf ogrinfo LABELS e2e server)
