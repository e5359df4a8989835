# symsetup_e2e: pvhost gives STATN.NAME of a copy of the sample project a
# symbol setup through the setup dialog; /usr/bin/python3 (dbfread) reads it
# from PVSYMBOL.DBF, and a second run shows it in the dialog again.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME symsetup_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/map/symsetup_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/symsetup_e2e)
  set_tests_properties(symsetup_e2e PROPERTIES TIMEOUT 120)
endif()
