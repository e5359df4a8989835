# The registration of the tests that run a script or a program against the
# built programs and check the results with other programs (cs2cs, ogrinfo,
# Debian's Python modules...), and the summary configure prints of the
# tools it did not find. A test whose tool is missing is registered all the
# same and reports SKIPPED, so that a machine without the tool cannot pass
# by running fewer tests without a word.
#
#   pv_e2e_test(point_e2e SCRIPT ${dir}/point_e2e.py ARGS ... @WORK@
#               NEEDS cs2cs python3-ezdxf)
#   ...
#   pv_tools_summary()   # at the end of the top CMakeLists.txt

# The status CTest reads as a skipped test (SKIP_RETURN_CODE).
set(PV_SKIPPED 77)
# Seconds an end-to-end test may run when its registration names no time.
set(PV_E2E_TIMEOUT 120)

find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
# The checking programs whose paths tests take among their arguments.
find_program(PV_CS2CS cs2cs)
find_program(PV_OGR2OGR ogr2ogr)
find_program(PV_OGRINFO ogrinfo)
find_program(PV_GIT git)

# pv_tool_found(TOOL VAR): sets VAR to TRUE when TOOL is there, else FALSE.
# TOOL is "python3" (Debian's, /usr/bin/python3, which alone sees Debian's
# Python modules), "python3-<module>" (a module /usr/bin/python3 imports:
# python3-ezdxf, python3-dbfread...) or a program found on the PATH, whose
# path is left in PV_<TOOL> (PV_CS2CS, PV_OGRINFO) for the test's arguments;
# "unixodbc-dev" is there when the ODBC driver program pvodbc is built (it
# needs unixODBC's headers). Each tool is looked for once per configure.
function(pv_tool_found tool var)
  get_property(known GLOBAL PROPERTY PV_TOOL_KNOWN_${tool} SET)
  if(NOT known)
    if(tool STREQUAL "unixodbc-dev")
      set(found FALSE)
      if(TARGET pvodbc)
        set(found TRUE)
      endif()
    elseif(tool STREQUAL "python3")
      set(found FALSE)
      if(PV_PYTHON3)
        set(found TRUE)
      endif()
    elseif(tool MATCHES "^python3-(.+)$")
      set(module ${CMAKE_MATCH_1})
      set(found FALSE)
      if(PV_PYTHON3)
        execute_process(COMMAND ${PV_PYTHON3} -c "import ${module}" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
        if(rc EQUAL 0)
          set(found TRUE)
        endif()
      endif()
    else()
      string(TOUPPER "PV_${tool}" pvar)
      string(REPLACE "-" "_" pvar ${pvar})
      find_program(${pvar} ${tool})
      set(found FALSE)
      if(${pvar})
        set(found TRUE)
      endif()
    endif()
    set_property(GLOBAL PROPERTY PV_TOOL_KNOWN_${tool} ${found})
  endif()
  get_property(found GLOBAL PROPERTY PV_TOOL_KNOWN_${tool})
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# pv_note_missing(TOOL WHAT): records for the summary that WHAT (a test's
# name, "the benchmarks") goes without TOOL.
function(pv_note_missing tool what)
  get_property(tools GLOBAL PROPERTY PV_MISSING_TOOLS)
  if(NOT tool IN_LIST tools)
    set_property(GLOBAL APPEND PROPERTY PV_MISSING_TOOLS ${tool})
  endif()
  set_property(GLOBAL APPEND PROPERTY PV_MISSING_FOR_${tool} ${what})
endfunction()

# pv_skipped_test(NAME WHY LABELS...): registers NAME as a test that
# reports SKIPPED and prints WHY.
function(pv_skipped_test name why)
  add_test(NAME ${name} COMMAND /bin/sh -c "echo 'skipped: ${why}'; exit ${PV_SKIPPED}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE ${PV_SKIPPED} LABELS "${ARGN}")
endfunction()

# pv_e2e_test(NAME
#             SCRIPT file | COMMAND program args...
#             [RUNNER program]   runs SCRIPT under it: RUNNER python3 SCRIPT ARGS
#             [ARGS args...]     "@WORK@" stands for the run's fresh folder
#             [NEEDS tools...]   as pv_tool_found names them
#             [LABELS labels...] e2e when none is given
#             [TIMEOUT seconds]
#             [ENVIRONMENT VAR=value...])
# Registers the CTest test NAME. A .py SCRIPT is run by /usr/bin/python3
# (so it needs python3), a .cmake SCRIPT by cmake -P with ARGS as its -D
# definitions. Each run works in a new folder under <build folder>/work/NAME
# (tests/scripts/run_e2e.py), removed when the test passes, kept when it
# fails; PV_E2E_WORK names it for the programs. When a tool of NEEDS is
# missing the test reports SKIPPED naming it, and configure's summary names
# the test.
function(pv_e2e_test name)
  cmake_parse_arguments(E "" "SCRIPT;RUNNER;TIMEOUT" "COMMAND;ARGS;NEEDS;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT E_LABELS)
    set(E_LABELS e2e)
  endif()
  if(NOT E_TIMEOUT)
    set(E_TIMEOUT ${PV_E2E_TIMEOUT})
  endif()
  set(needs python3 ${E_NEEDS})
  if(E_SCRIPT MATCHES "\\.cmake$")
    set(cmd ${CMAKE_COMMAND} ${E_ARGS} -P ${E_SCRIPT})
  elseif(E_SCRIPT)
    set(cmd ${E_RUNNER} ${PV_PYTHON3} ${E_SCRIPT} ${E_ARGS})
  else()
    set(cmd ${E_COMMAND} ${E_ARGS})
  endif()
  set(missing)
  list(REMOVE_DUPLICATES needs)
  foreach(tool IN LISTS needs)
    pv_tool_found(${tool} found)
    if(NOT found)
      list(APPEND missing ${tool})
      pv_note_missing(${tool} ${name})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    pv_skipped_test(${name} "needs ${missing}, not found when the build was configured" ${E_LABELS})
    return()
  endif()
  add_test(NAME ${name}
           COMMAND ${PV_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/scripts/run_e2e.py ${CMAKE_CURRENT_BINARY_DIR}/work/${name}
                   ${cmd})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${E_TIMEOUT} SKIP_RETURN_CODE ${PV_SKIPPED} LABELS "${E_LABELS}")
  if(E_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${E_ENVIRONMENT}")
  endif()
endfunction()

# pv_tools_summary(): prints which tools configure did not find and the
# tests (or builds) that go without each; scripts/build shows these lines.
function(pv_tools_summary)
  get_property(tools GLOBAL PROPERTY PV_MISSING_TOOLS)
  if(NOT tools)
    message(STATUS "Petrivex tests: every tool the tests need was found")
    return()
  endif()
  message(STATUS "Petrivex tests: tools not found; these tests report SKIPPED:")
  foreach(tool IN LISTS tools)
    get_property(what GLOBAL PROPERTY PV_MISSING_FOR_${tool})
    list(LENGTH what count)
    list(JOIN what " " what)
    message(STATUS "Petrivex tests:   ${tool} (${count}): ${what}")
  endforeach()
endfunction()
