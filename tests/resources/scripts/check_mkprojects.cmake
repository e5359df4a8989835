# Runs mkprojects in a scratch folder and fails unless every project folder
# it writes holds exactly the shipped tables, byte for byte: a list changed
# in mkprojects.cpp without the tables written again (or a table edited by
# hand) is caught here.
# Needs MKPROJECTS, SHIPPED (resources/projects) and WORK.
set(projects Projections GEO RIDGE)
file(REMOVE_RECURSE ${WORK})
foreach(p ${projects})
  file(MAKE_DIRECTORY ${WORK}/${p})
endforeach()
execute_process(COMMAND ${MKPROJECTS} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mkprojects exited with ${rc}")
endif()
foreach(p ${projects})
  file(GLOB written RELATIVE ${WORK}/${p} ${WORK}/${p}/*)
  file(GLOB shipped RELATIVE ${SHIPPED}/${p} ${SHIPPED}/${p}/*)
  list(SORT written)
  list(SORT shipped)
  if(NOT written STREQUAL shipped)
    message(FATAL_ERROR "${p}: mkprojects writes ${written}, the tree ships ${shipped}")
  endif()
  foreach(f ${written})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${p}/${f} ${SHIPPED}/${p}/${f}
                    RESULT_VARIABLE differ)
    if(NOT differ EQUAL 0)
      message(FATAL_ERROR "${p}/${f}: the shipped table differs from what mkprojects writes")
    endif()
  endforeach()
endforeach()
