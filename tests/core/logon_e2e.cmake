# The logon tests start the DB3 driver program; they find it by its path.
if(TARGET test_core_logon_test AND TARGET pvdb3)
  add_dependencies(test_core_logon_test pvdb3)
  target_compile_definitions(test_core_logon_test PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
endif()
