# Warnings are errors on every compiler we build with.
add_library(mendora_warnings INTERFACE)
target_compile_options(mendora_warnings INTERFACE
  -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align -Wformat=2
  $<$<CXX_COMPILER_ID:GNU>:-Wno-stringop-overflow>
  # GCC 12 at -O3 (preset bench) reports std::string copies as overlapping
  # (GCC bug 105651).
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
if(WIN32)
  # Windows 7 is the oldest system we run on.
  target_compile_definitions(mendora_warnings INTERFACE
    _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)
endif()
