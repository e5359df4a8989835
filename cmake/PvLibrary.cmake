# pv_glob_library(NAME TYPE DIR [DEPS libs...])
# Builds one library from every .cpp/.c file of a folder (not its
# subfolders), with the project root on the include path so that headers are
# named by their folder ("sqlclient/base/asi_ucstr.h").
function(pv_glob_library name type dir)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} ${type} ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE PV_RESOURCE_DIR="${PV_RESOURCE_DIR}")
  if(L_DEPS)
    target_link_libraries(${name} PUBLIC ${L_DEPS})
  endif()
endfunction()
