# The DB3 driver's engine tests link its engine library.
foreach(t db3_statements_test db3_files_test)
  if(TARGET test_drivers_${t})
    target_link_libraries(test_drivers_${t} PRIVATE pvdb3core)
  endif()
endforeach()
