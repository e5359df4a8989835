# Links planted at every name the program writes in a project's folder or
# beside a drawing, each command run through pvhost: nothing is written
# through them; a table linked outside its project is refused at logon;
# drawings too large for memory are refused and the session goes on.
pv_e2e_test(planted_links_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/planted_links_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf)
