# The memo tests run DB3 projects through the engine and the DB3 driver
# program pvdb3; they find it by its path.
foreach(t test_data_memo_memo_store_test test_data_memo_memo_editor_test)
  if(TARGET ${t} AND TARGET pvdb3)
    add_dependencies(${t} pvdb3)
    target_compile_definitions(${t} PRIVATE PV_DB3_DRIVER="$<TARGET_FILE:pvdb3>")
  endif()
endforeach()
