# The content check of a one-hour link against a pread(2) loop (POSIX).
if(NOT WIN32)
  add_executable(bench_content_check ${CMAKE_CURRENT_LIST_DIR}/content_check_bench.cpp)
  target_link_libraries(bench_content_check PRIVATE mendora_refavi mendora_warnings)
endif()
