# The packed decimal routines checked against Python's decimal arithmetic:
# decnum_oracle.py feeds random operations to the filter program and
# compares every answer.
add_executable(decnum_oracle ${CMAKE_CURRENT_SOURCE_DIR}/sqlclient/values/decnum_oracle.cpp)
target_link_libraries(decnum_oracle PRIVATE pvvalues pvsqlclient)
target_include_directories(decnum_oracle PRIVATE ${PROJECT_SOURCE_DIR})
pv_e2e_test(decnum_oracle SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/sqlclient/values/decnum_oracle.py
  ARGS $<TARGET_FILE:decnum_oracle>)
