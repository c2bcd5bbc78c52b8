mendora_add_fuzzer(journal
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/journal_fuzz.cpp
  LIBS mendora_operation)
