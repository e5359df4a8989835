# The shape reader and interpreter fuzz target: only with PV_FUZZ=ON and
# clang. The shape sources are compiled into the target itself so that they
# carry the fuzzer's coverage instrumentation, AddressSanitizer and
# UndefinedBehaviorSanitizer.
#   fuzz_map_shape -max_total_time=60 <new corpus dir> resources/shapes
if(PV_FUZZ)
  add_executable(fuzz_map_shape
    ${CMAKE_CURRENT_SOURCE_DIR}/map/shape_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/map/shape_store.cpp
    ${PROJECT_SOURCE_DIR}/map/shape_reader.cpp
    ${PROJECT_SOURCE_DIR}/map/shape_interp.cpp)
  target_include_directories(fuzz_map_shape PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(fuzz_map_shape PRIVATE -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(fuzz_map_shape PRIVATE -fsanitize=fuzzer,address,undefined)
  # A short run from our own libraries as seeds, as a test.
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz/shape_corpus)
  add_test(NAME fuzz_map_shape_smoke
    COMMAND fuzz_map_shape -runs=2000 -max_len=4096
            ${PROJECT_BINARY_DIR}/fuzz/shape_corpus ${PV_RESOURCE_DIR}/shapes)
endif()
