# The entry test also loads the built module file itself.
if(TARGET test_core_entry_test)
  add_dependencies(test_core_entry_test pvx14)
  target_link_libraries(test_core_entry_test PRIVATE ${CMAKE_DL_LIBS})
  target_compile_definitions(test_core_entry_test PRIVATE PV_MODULE_FILE="$<TARGET_FILE:pvx14>")
endif()
