# The DB3 driver's engine tests link its engine library; the end-to-end
# test starts the driver program pvdb3 through the engine.
foreach(t db3_statements_test db3_files_test db3_journal_test db3_scan_test db3_differential_test)
  if(TARGET test_drivers_${t})
    target_link_libraries(test_drivers_${t} PRIVATE pvdb3core)
  endif()
endforeach()
if(TARGET test_drivers_db3_api_test AND TARGET pvdb3)
  add_dependencies(test_drivers_db3_api_test pvdb3)
  target_compile_definitions(test_drivers_db3_api_test PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>"
                             PV_KILL_AT_LIB="$<TARGET_FILE:pv_kill_at>")
  add_dependencies(test_drivers_db3_api_test pv_kill_at)
  target_link_libraries(test_drivers_db3_api_test PRIVATE pvdbf)
endif()
