# pv-export driven end to end through pvhost on a DB3 project and a drawing
# made by the script; text and SPANS compared byte for byte, E00 and MapInfo
# read by ogrinfo and avcimport, converted points checked with cs2cs.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
if(PV_PYTHON3 AND PV_CS2CS AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME export_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/export_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS}
                   ${CMAKE_CURRENT_BINARY_DIR}/export_e2e)
  set_tests_properties(export_e2e PROPERTIES TIMEOUT 120)
endif()
