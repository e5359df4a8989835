# The registry, input-rule and setup tests stand in for a few calls of the
# core's SQL layer (tbl_fixtures.h). Whether the linker pulls in the core's
# own object holding the real ones as well depends on which archive member
# first defines a library template the program needs, and that changes with
# the compiler's flags (the sanitizer build does). The stand-ins sit in the
# test's own object, which the linker reads first, so they are the ones
# taken whichever way the archives fall.
foreach(t test_data_col_attr_test test_data_tbl_test test_data_tblsetup_ddl_test test_data_setup_columns_test)
  if(TARGET ${t})
    target_link_options(${t} PRIVATE -Wl,--allow-multiple-definition)
  endif()
endforeach()
