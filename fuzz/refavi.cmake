# The analysis of reference AVI files: the DV probe and the whole analysis.
foreach(name refavi_probe refavi_analysis)
  mendora_add_fuzzer(${name}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}_fuzz.cpp
    LIBS mendora_refavi mendora_test_support)
  target_include_directories(fuzz_${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
endforeach()
