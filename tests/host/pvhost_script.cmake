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
  foreach(case load_save:0 dry:1 unknown:1 logon:0 secret:1 refused:1)
    string(REPLACE ":" ";" parts ${case})
    list(GET parts 0 name)
    list(GET parts 1 status)
    pv_e2e_test(pvhost_script_${name} SCRIPT ${pv_host_scripts}/check_pvhost.cmake
      ARGS -DPVHOST=$<TARGET_FILE:pvhost>
           -DMODULE=$<TARGET_FILE:pvx14>
           -DRESOURCES=${PV_RESOURCE_DIR}
           -DSCRIPT=${pv_host_scripts}/${name}.scr
           -DEXPECT=${pv_host_scripts}/${name}.expect
           -DFORBID=${pv_host_scripts}/${name}.forbid
           -DSTATUS=${status}
           -DWORK=@WORK@
      TIMEOUT 60)
  endforeach()
endif()

# A newcomer's first runs from a fresh clone of the source tree.
pv_e2e_test(pvhost_newcomer_runs_from_a_clone SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/host/scripts/check_newcomer.cmake
  ARGS -DPVHOST=$<TARGET_FILE:pvhost>
       -DMODULE=$<TARGET_FILE:pvx14>
       -DSOURCE=${PROJECT_SOURCE_DIR}
       -DGIT=${PV_GIT}
       -DWORK=@WORK@
  NEEDS git)
