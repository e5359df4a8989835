# pv-upgrade driven end to end through pvhost on a version-3.0 project and
# a drawing with old links the script makes; dbfread and ezdxf read them back.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME upgrade_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/upgrade/upgrade_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/upgrade_e2e)
  set_tests_properties(upgrade_e2e PROPERTIES TIMEOUT 120)
endif()
