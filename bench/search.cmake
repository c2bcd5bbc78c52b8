# The drive walk of the search against find(1) on a generated tree.
add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp)
target_link_libraries(bench_search PRIVATE mendora_search mendora_test_support mendora_warnings)
