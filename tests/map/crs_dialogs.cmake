# The coordinate dialogs' and the project commands' tests log on to the sample project through the
# DB3 driver program pvdb3.
pv_tests_use_db3(test_map_crs_dialogs_test)
pv_tests_use_db3(test_map_prj_project_test)
# They load the module through its entry point, with the command table.
target_link_libraries(test_map_crs_dialogs_test PRIVATE pvmodule)
target_link_libraries(test_map_prj_project_test PRIVATE pvmodule)
