# The SQL access layer's and the setup store's tests run a DB3 project
# through the engine and the DB3 driver program pvdb3.
foreach(t test_core_sql_access_test test_core_setup_store_test)
  if(TARGET ${t} AND TARGET pvdb3)
    add_dependencies(${t} pvdb3)
    target_compile_definitions(${t} PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
  endif()
endforeach()
