# The export of a ten-minute reference AVI against cat of its data files.
if(NOT WIN32)
  add_executable(bench_export
    ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refavi_make_reference.cpp)
  target_include_directories(bench_export PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_export PRIVATE mendora_rewrite mendora_warnings)
endif()
