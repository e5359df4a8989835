# A query result plotted through pvhost: pv-query opens the browser on a copy
# of the sample project GEO, whose "plot" list writes text, a new table, E00,
# MapInfo and SPANS files; dbfread and ogrinfo read them back.
find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(PV_PYTHON3 AND TARGET pvhost AND TARGET pvdb3)
  add_test(NAME plot_query_e2e
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/plot_query_e2e.py
                   $<TARGET_FILE:pvhost> $<TARGET_FILE:pvx14> ${PV_RESOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/plot_query_e2e)
  set_tests_properties(plot_query_e2e PROPERTIES TIMEOUT 120)
endif()
