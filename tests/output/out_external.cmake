# Sample export files written through the writers' operations and read back
# by independent readers: GDAL's ogrinfo, and avcimport/avcexport.
add_executable(out_samples ${CMAKE_CURRENT_SOURCE_DIR}/output/out_samples.cpp)
target_link_libraries(out_samples PRIVATE pvoutput)

pv_e2e_test(e00_external_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/out_external_check.py
  ARGS e00 $<TARGET_FILE:out_samples>
  NEEDS ogrinfo avcimport avcexport TIMEOUT 300)
pv_e2e_test(mif_external_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/out_external_check.py
  ARGS mif $<TARGET_FILE:out_samples>
  NEEDS ogrinfo TIMEOUT 300)

# Coverages written by the test's writer and by avcimport (from the E00
# writer's sample) read by the coverage reader and by ogrinfo.
add_executable(cover_samples ${CMAKE_CURRENT_SOURCE_DIR}/output/cover_samples.cpp)
target_include_directories(cover_samples PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/output)
target_link_libraries(cover_samples PRIVATE pvoutput)
pv_e2e_test(cover_external_check SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/output/cover_external_check.py
  ARGS $<TARGET_FILE:cover_samples> $<TARGET_FILE:out_samples>
  NEEDS ogrinfo avcimport)
