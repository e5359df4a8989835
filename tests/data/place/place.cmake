# End to end: the CTest test e2e_placements runs the module in the stand-in
# editor on a copy of the sample project in the run's folder and checks the
# converted points against PROJ's cs2cs through /usr/bin/python3.
pv_data_e2e(placements_e2e e2e_placements ${CMAKE_CURRENT_LIST_DIR}/placements_e2e.cpp NEEDS cs2cs)
