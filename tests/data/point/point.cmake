# The point dialogs run on a copy of the sample project GEO through the
# module in the stand-in editor and the DB3 driver program pvdb3.
pv_tests_use_db3(test_data_point_pnt_setup_test test_data_point_point_edit_test)

# pv-point through pvhost on a drawing written with ezdxf; the latitudes and
# longitudes shown are checked against PROJ's cs2cs.
pv_e2e_test(point_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/data/point/point_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS} @WORK@
  NEEDS python3-ezdxf cs2cs)
