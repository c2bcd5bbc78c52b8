# The reads of the reference AVI during a Fix of one moved data file (POSIX).
if(NOT WIN32)
  add_executable(bench_fix_reads
    ${CMAKE_CURRENT_LIST_DIR}/fix_reads_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refavi_make_reference.cpp
    ${PROJECT_SOURCE_DIR}/tests/refavi/fixtures.cpp)
  target_include_directories(bench_fix_reads PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(bench_fix_reads PRIVATE mendora_operation_steps mendora_search mendora_test_support
                        mendora_warnings)
endif()
