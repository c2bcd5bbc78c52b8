# The move/copy engine against cp and mv on the same files.
if(NOT WIN32)
  add_executable(bench_operation ${CMAKE_CURRENT_LIST_DIR}/operation_bench.cpp)
  target_link_libraries(bench_operation PRIVATE mendora_operation mendora_warnings)
endif()
