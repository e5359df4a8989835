# The logon tests start the DB3 driver program; they find it by its path.
foreach(t test_core_logon_test test_core_damaged_table_test test_core_symbol_setup_store_test
          test_core_symbol_library_dialog_test test_core_symbol_setup_dialog_test test_core_pie_setup_store_test
          test_core_chem_setup_store_test)
  if(TARGET ${t} AND TARGET pvdb3)
    add_dependencies(${t} pvdb3)
    target_compile_definitions(${t} PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
  endif()
endforeach()
# The entry test also loads the built module file itself.
if(TARGET test_core_entry_test)
  add_dependencies(test_core_entry_test pvx14)
  target_link_libraries(test_core_entry_test PRIVATE ${CMAKE_DL_LIBS})
  target_compile_definitions(test_core_entry_test PRIVATE PV_MODULE_FILE="$<TARGET_FILE:pvx14>")
endif()
