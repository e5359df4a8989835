# pvhost driven end to end by scripts: each test runs pvhost --script on a
# script of tests/host/scripts and checks its exit status and that the
# lines of the matching .expect file appear in its output, in order.
if(TARGET test_host_lisp_call_test)
  target_sources(test_host_lisp_call_test PRIVATE ${PROJECT_SOURCE_DIR}/host/lisp_call.cpp)
endif()
if(TARGET test_host_user_copy_test)
  target_sources(test_host_user_copy_test PRIVATE ${PROJECT_SOURCE_DIR}/host/user_copy.cpp)
endif()

if(TARGET pvhost)
  set(pv_host_scripts ${CMAKE_CURRENT_SOURCE_DIR}/host/scripts)
  foreach(case load_save:0 dry:1 unknown:1 logon:0 secret:1)
    string(REPLACE ":" ";" parts ${case})
    list(GET parts 0 name)
    list(GET parts 1 status)
    add_test(NAME pvhost_script_${name}
      COMMAND ${CMAKE_COMMAND}
        -DPVHOST=$<TARGET_FILE:pvhost>
        -DMODULE=$<TARGET_FILE:pvx14>
        -DRESOURCES=${PV_RESOURCE_DIR}
        -DSCRIPT=${pv_host_scripts}/${name}.scr
        -DEXPECT=${pv_host_scripts}/${name}.expect
        -DFORBID=${pv_host_scripts}/${name}.forbid
        -DSTATUS=${status}
        -DWORK=${CMAKE_CURRENT_BINARY_DIR}/pvhost_${name}
        -P ${pv_host_scripts}/check_pvhost.cmake)
    set_tests_properties(pvhost_script_${name} PROPERTIES TIMEOUT 60)
  endforeach()
endif()

# A newcomer's first runs from a fresh clone of the source tree.
find_program(PV_GIT git)
if(TARGET pvhost AND TARGET pvdb3 AND PV_GIT)
  add_test(NAME pvhost_newcomer_runs_from_a_clone
    COMMAND ${CMAKE_COMMAND}
      -DPVHOST=$<TARGET_FILE:pvhost>
      -DMODULE=$<TARGET_FILE:pvx14>
      -DSOURCE=${PROJECT_SOURCE_DIR}
      -DGIT=${PV_GIT}
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/pvhost_newcomer
      -P ${CMAKE_CURRENT_SOURCE_DIR}/host/scripts/check_newcomer.cmake)
  set_tests_properties(pvhost_newcomer_runs_from_a_clone PROPERTIES TIMEOUT 120)
endif()
