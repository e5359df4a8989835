# A query result plotted through pvhost: pv-query opens the browser on a copy
# of the sample project GEO, whose "plot" list writes text, a new table, E00,
# MapInfo and SPANS files; dbfread and ogrinfo read them back.
pv_e2e_test(plot_query_e2e SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/plot_query_e2e.py
  ARGS $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR} @WORK@
  NEEDS python3-dbf python3-dbfread python3-ezdxf ogrinfo ogr2ogr)
