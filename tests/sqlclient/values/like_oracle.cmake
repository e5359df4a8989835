# LIKE checked against Python's regular expressions: like_oracle.py builds
# random texts and patterns, runs them through the filter program and
# compares every answer with re.fullmatch of the translated pattern.
add_executable(like_oracle ${CMAKE_CURRENT_SOURCE_DIR}/sqlclient/values/like_oracle.cpp)
target_link_libraries(like_oracle PRIVATE pvvalues pvsqlclient)
target_include_directories(like_oracle PRIVATE ${PROJECT_SOURCE_DIR})
pv_e2e_test(like_oracle SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/sqlclient/values/like_oracle.py
  ARGS $<TARGET_FILE:like_oracle>)
