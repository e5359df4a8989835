# symlib_e2e: pvhost loads a symbol library through the setup dialog into a
# copy of the sample project; /usr/bin/python3 reads the saved drawing
# (ezdxf) and the project's PVSYMBOL.DBF (dbfread).
pv_e2e_test(symlib_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/map/symlib_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
