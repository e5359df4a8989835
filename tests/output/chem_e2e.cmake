# A chemistry diagram plotted from a query end to end through pvhost on a
# DB3 project the script makes; ezdxf reads the drawing back, dbfread the
# diagram saved in PVCHEM.
pv_e2e_test(chem_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/chem_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
