mendora_add_fuzzer(settings_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_file_fuzz.cpp
  LIBS mendora_platform mendora_common)
