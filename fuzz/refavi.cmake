# The analysis of reference AVI files: the DV probe and the whole analysis.
foreach(name refavi_probe refavi_analysis)
  mendora_add_fuzzer(${name}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}_fuzz.cpp
    LIBS mendora_refavi)
  target_include_directories(fuzz_${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests)
endforeach()
