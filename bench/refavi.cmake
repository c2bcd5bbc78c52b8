# The analysis of a one-hour reference AVI against cat and ffprobe (POSIX),
# in-process and as "mendora-cli links".
if(NOT WIN32)
  add_executable(refavi_bench
    ${CMAKE_CURRENT_LIST_DIR}/refavi_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refavi_make_reference.cpp)
  target_include_directories(refavi_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(refavi_bench PRIVATE mendora_refavi mendora_warnings)
  add_dependencies(refavi_bench mendora-cli)
  target_compile_definitions(refavi_bench PRIVATE MENDORA_CLI="$<TARGET_FILE:mendora-cli>")
endif()
