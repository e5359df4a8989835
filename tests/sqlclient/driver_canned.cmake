# The canned driver program the engine's tests start (not shipped), and
# its path handed to the tests that need it.
add_executable(pv_canned_driver ${CMAKE_CURRENT_SOURCE_DIR}/sqlclient/driver_canned.cpp)
target_link_libraries(pv_canned_driver PRIVATE pvsqlclient pvvalues Threads::Threads)
foreach(t test_sqlclient_api_test test_sqlclient_driver_test test_sqlclient_transport_test)
  if(TARGET ${t})
    add_dependencies(${t} pv_canned_driver)
    target_compile_definitions(${t} PRIVATE PV_CANNED_DRIVER="$<TARGET_FILE:pv_canned_driver>")
  endif()
endforeach()
# The driver test finds the build's DB3 driver beside the engine.
if(TARGET test_sqlclient_driver_test AND TARGET pvdb3)
  add_dependencies(test_sqlclient_driver_test pvdb3)
endif()
