# A newcomer's first runs of pvhost, from a fresh clone's source folder,
# with a scratch HOME, no $ASI_INI and the PATH as it is:
#   1. the first run announces the user's copy of the configuration, logs
#      on to GEO from the copy, saves and logs off;
#   2. a second run reuses the copy without a word;
#   3. texts beyond ASCII typed in UTF-8 reach the module in the editor's
#      code page and come back on the screen in UTF-8;
#   4. the shipped symbol library loads by name from the user's folder;
#   5. the README's script example runs without a fault;
# and afterwards the clone's git status is clean and acad.lsp sits in the
# user's folder.
# Needs PVHOST, MODULE, SOURCE (the source tree), GIT and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/home)
set(clone ${WORK}/clone)
set(copy ${WORK}/home/.local/share/petrivex)

execute_process(COMMAND ${GIT} clone --quiet ${SOURCE} ${clone} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  # Not a git checkout (a source archive): a repository of the resources
  # stands in for the clone.
  file(COPY ${SOURCE}/resources DESTINATION ${clone})
  execute_process(COMMAND ${GIT} init --quiet WORKING_DIRECTORY ${clone})
  execute_process(COMMAND ${GIT} add -A WORKING_DIRECTORY ${clone})
  execute_process(COMMAND ${GIT} -c user.name=test -c user.email=test@localhost commit --quiet -m resources
                  WORKING_DIRECTORY ${clone} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make a repository of the resources")
  endif()
endif()

# Runs pvhost on a script from the clone's folder; its output in out_var.
# The exit status must be 0, or the fourth argument when given.
function(run_pvhost name text out_var)
  set(want 0)
  if(ARGC GREATER 3)
    set(want ${ARGV3})
  endif()
  file(WRITE ${WORK}/${name}.scr "${text}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=ASI_INI --unset=XDG_DATA_HOME HOME=${WORK}/home
            ${PVHOST} --script ${WORK}/${name}.scr --module ${MODULE} --resources ${clone}/resources
    WORKING_DIRECTORY ${clone}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL want)
    message(FATAL_ERROR "${name}: pvhost exited with ${rc}\n${out}\n${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/expect_in_order.cmake)

set(session "(pv_open \"GEO\" \"DB3\" \"\" \"\")\npv-save\nSAVE ${WORK}/session.dxf\n(pv_logoff)\nQUIT\n")
set(logged_on "Loading Projections...done" "(pv_open \"GEO\" \"DB3\" \"\" \"\")" "(\"GEO\" \"DB3\" \"\" \"\")"
    "Saved ${WORK}/session.dxf" "(pv_logoff)" "T")

run_pvhost(first "${session}" out)
expect_in_order(first "${out}"
  "Made your own copy of the SQL configuration and the sample projects in ${copy}" ${logged_on})
foreach(f asi.ini acad.lsp projects/GEO/STATN.DBF projects/Projections/PVPROJ.DBF)
  if(NOT EXISTS ${copy}/${f})
    message(FATAL_ERROR "the user's copy lacks ${f}")
  endif()
endforeach()

run_pvhost(second "${session}" out)
string(FIND "${out}" "Made your own copy" again)
if(NOT again EQUAL -1)
  message(FATAL_ERROR "second: the copy was made again\n${out}")
endif()
expect_in_order(second "${out}" ${logged_on})

run_pvhost(texts "(pv_open \"Crête\" \"DB3\" \"\" \"\")\npv-open\npv_logon\nset user Straße\nshow\ncancel\nQUIT\n" out 1)
expect_in_order(texts "${out}" "Project Crête is not configured." "Straße")
string(FIND "${out}" "Ã" garbled)
if(NOT garbled EQUAL -1)
  message(FATAL_ERROR "texts: UTF-8 was taken for the code page somewhere\n${out}")
endif()

# The shipped symbol library loads by name from a folder that holds no
# copy of it (the user's folder has its own), and one that is nowhere is
# reported with the folders searched.
run_pvhost(symlib "(pv_open \"GEO\" \"DB3\" \"\" \"\")\npv-setup\npv_setup\npick symlib\npv_load_sym\nset symname PVSTRUCT\npick load\nshow\nset symname NOSUCH\npick load\npick exit\ncancel\n(pv_logoff)\npv_yesno_small\ncancel\nQUIT\npv_yesno_small\ncancel\n" out)
expect_in_order(symlib "${out}" "error          text = \"PVSTRUCT loaded\""
  "Cannot load NOSUCH: NOSUCH.SHX is not in the current folder, the drawing's folder or the support folders ${copy};${copy}/shapes")
if(NOT EXISTS ${copy}/shapes/PVSTRUCT.SHX)
  message(FATAL_ERROR "the user's folder lacks the shipped symbol libraries")
endif()

# The script example of the README: a dialog's name alone on its line,
# its answers below it.
run_pvhost(readme "pv-open\npv_logon\nselect project 1\nok\npv-save\n(pv_logoff)\nQUIT\n" out)
expect_in_order(readme "${out}" "Dialog: pv_logon" "pv_logon> select project 1" "pv_logon> ok" "(pv_logoff)" "T")

execute_process(COMMAND ${GIT} status --porcelain --untracked-files=all WORKING_DIRECTORY ${clone}
                OUTPUT_VARIABLE status RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT status STREQUAL "")
  message(FATAL_ERROR "the runs changed the source folder:\n${status}")
endif()
