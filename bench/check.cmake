# mendora-cli check of an archive of 100 one-hour references against 100
# runs of "mendora-cli links" (POSIX).
if(NOT WIN32)
  add_executable(check_bench
    ${CMAKE_CURRENT_LIST_DIR}/check_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refavi_make_reference.cpp)
  target_include_directories(check_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(check_bench PRIVATE mendora_refavi mendora_warnings)
  add_dependencies(check_bench mendora-cli)
  target_compile_definitions(check_bench PRIVATE MENDORA_CLI="$<TARGET_FILE:mendora-cli>")
endif()
