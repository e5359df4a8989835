# The point dialogs run on a copy of the sample project GEO through the
# module in the stand-in editor and the DB3 driver program pvdb3.
pv_tests_use_db3(test_data_point_pnt_setup_test test_data_point_point_edit_test)

# pv-point through pvhost on a drawing written with ezdxf; the latitudes and
# longitudes shown are checked against PROJ's cs2cs.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_CS2CS cs2cs)
if(PV_PYTHON3 AND PV_CS2CS AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME point_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/data/point/point_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} ${PV_CS2CS}
                   ${CMAKE_CURRENT_BINARY_DIR}/point_e2e)
  set_tests_properties(point_e2e PROPERTIES TIMEOUT 120)
endif()
