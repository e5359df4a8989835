# pv-upgrade driven end to end through pvhost on a version-3.0 project and
# a drawing with old links the script makes; dbfread and ezdxf read them back.
pv_e2e_test(upgrade_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/upgrade/upgrade_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
