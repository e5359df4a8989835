# symsetup_e2e: pvhost gives STATN.NAME of a copy of the sample project a
# symbol setup through the setup dialog; /usr/bin/python3 (dbfread) reads it
# from PVSYMBOL.DBF, and a second run shows it in the dialog again.
pv_e2e_test(symsetup_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/symsetup_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread)
