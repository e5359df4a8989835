# End to end: the CTest test e2e_plot runs the module in the stand-in editor
# on a copy of the sample project GEO in the run's folder, opens the table
# browser on query results and plots them to every file and table output and
# to the map; ogrinfo and python3-dbfread read the results back.
pv_data_e2e(plot_e2e e2e_plot ${CMAKE_CURRENT_LIST_DIR}/plot_e2e.cpp NEEDS python3-dbfread ogrinfo)
target_include_directories(plot_e2e PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/data)
