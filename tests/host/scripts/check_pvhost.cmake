# Runs pvhost on one script in a fresh working directory, with a scratch
# HOME, and checks the exit status, the expected lines (in order), that no
# text of its .forbid file (when it has one) is shown and,
# when the script saves one, the DXF file it wrote.
# pvhost's user folder (its copy of the configuration, acad.lsp) is a
# scratch HOME, never the real one.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/home)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=ASI_INI --unset=XDG_DATA_HOME HOME=${WORK}/home
          ${PVHOST} --script ${SCRIPT} --module ${MODULE} --resources ${RESOURCES}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL STATUS)
  message(FATAL_ERROR "pvhost exited with ${rc}, expected ${STATUS}\n${out}\n${err}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/expect_in_order.cmake)
file(STRINGS ${EXPECT} wanted)
expect_in_order(${SCRIPT} "${out}\n${err}" ${wanted})
# Texts that must never be shown (a .forbid file beside the script).
if(EXISTS "${FORBID}")
  file(STRINGS ${FORBID} forbidden)
  foreach(text IN LISTS forbidden)
    string(FIND "${out}\n${err}" "${text}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${SCRIPT}: shows \"${text}\"\n--- output ---\n${out}")
    endif()
  endforeach()
endif()
file(GLOB saved ${WORK}/*.dxf)
foreach(f IN LISTS saved)
  file(READ ${f} dxf)
  string(FIND "${dxf}" "PETRIVEX" has_app)
  if(has_app EQUAL -1)
    message(FATAL_ERROR "${f} lacks the registered application PETRIVEX")
  endif()
endforeach()
