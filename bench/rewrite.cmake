# The creation step against ffmpeg's remux (the one-hour reference AVI of the
# analysis benchmark) and cat (2 GiB DV AVI).
if(NOT WIN32)
  add_executable(bench_rewrite
    ${CMAKE_CURRENT_LIST_DIR}/rewrite_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refavi_make_reference.cpp)
  target_include_directories(bench_rewrite PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_rewrite PRIVATE mendora_rewrite mendora_warnings)
endif()
