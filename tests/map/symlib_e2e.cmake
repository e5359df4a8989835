# symlib_e2e: pvhost loads a symbol library through the setup dialog into a
# copy of the sample project; /usr/bin/python3 reads the saved drawing
# (ezdxf) and the project's PVSYMBOL.DBF (dbfread).
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME symlib_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/symlib_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/symlib_e2e)
  set_tests_properties(symlib_e2e PROPERTIES TIMEOUT 120)
endif()
