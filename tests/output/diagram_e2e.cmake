# Pie diagrams and drill holes plotted from a query end to end through
# pvhost on a DB3 project the script makes; ezdxf reads the drawing back,
# dbfread the pie definition saved in PVPIE and PVPIEOUT.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME diagram_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/diagram_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/diagram_e2e)
  set_tests_properties(diagram_e2e PROPERTIES TIMEOUT 120)
endif()
