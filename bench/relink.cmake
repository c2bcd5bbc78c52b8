# A batch fix of 100 reference AVIs on a drive of 200,000 files against one
# walk of that drive (POSIX).
if(NOT WIN32)
  add_executable(bench_relink ${CMAKE_CURRENT_LIST_DIR}/relink_bench.cpp ${PROJECT_SOURCE_DIR}/tests/refavi/fixtures.cpp)
  target_include_directories(bench_relink PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(bench_relink PRIVATE mendora_operation_steps mendora_search mendora_test_support mendora_warnings)
endif()
