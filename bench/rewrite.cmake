# The creation step against ffmpeg's remux (one-hour reference AVI) and cat
# (2 GiB DV AVI).
if(NOT WIN32)
  add_executable(bench_rewrite ${CMAKE_CURRENT_LIST_DIR}/rewrite_bench.cpp)
  target_link_libraries(bench_rewrite PRIVATE mendora_rewrite mendora_warnings)
endif()
