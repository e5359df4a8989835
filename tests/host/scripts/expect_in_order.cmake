# expect_in_order(NAME OUTPUT TEXT...): fails the test script unless every
# TEXT appears in OUTPUT, each after the one before it.
function(expect_in_order name out)
  set(rest "${out}")
  foreach(line IN LISTS ARGN)
    string(FIND "${rest}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${name}: missing or out of order: \"${line}\"\n--- output ---\n${out}")
    endif()
    string(LENGTH "${line}" len)
    math(EXPR at "${at} + ${len}")
    string(SUBSTRING "${rest}" ${at} -1 rest)
  endforeach()
endfunction()
