# A chemistry diagram plotted from a query end to end through pvhost on a
# DB3 project the script makes; ezdxf reads the drawing back, dbfread the
# diagram saved in PVCHEM.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME chem_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/chem_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/chem_e2e)
  set_tests_properties(chem_e2e PROPERTIES TIMEOUT 120)
endif()
