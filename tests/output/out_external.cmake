# Sample export files written through the writers' operations and read back
# by independent readers: GDAL's ogrinfo, and avcimport/avcexport.
add_executable(out_samples ${CMAKE_CURRENT_SOURCE_DIR}/output/out_samples.cpp)
target_link_libraries(out_samples PRIVATE pvoutput)

find_program(PV_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PV_OGRINFO ogrinfo)
find_program(PV_AVCIMPORT avcimport)
if(PV_PYTHON3 AND PV_OGRINFO)
  add_test(NAME e00_external_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/out_external_check.py
                   e00 $<TARGET_FILE:out_samples>)
  add_test(NAME mif_external_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/out_external_check.py
                   mif $<TARGET_FILE:out_samples>)
  set_tests_properties(e00_external_check mif_external_check PROPERTIES TIMEOUT 300)
endif()

# Coverages written by the test's writer and by avcimport (from the E00
# writer's sample) read by the coverage reader and by ogrinfo.
add_executable(cover_samples ${CMAKE_CURRENT_SOURCE_DIR}/output/cover_samples.cpp)
target_include_directories(cover_samples PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/output)
target_link_libraries(cover_samples PRIVATE pvoutput)
if(PV_PYTHON3 AND PV_OGRINFO)
  add_test(NAME cover_external_check
           COMMAND ${PV_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/output/cover_external_check.py
                   $<TARGET_FILE:cover_samples> $<TARGET_FILE:out_samples>)
  set_tests_properties(cover_external_check PROPERTIES TIMEOUT 120)
endif()
