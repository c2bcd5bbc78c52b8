# GoogleTest: Debian's package natively, built from its sources for MinGW.
# Cross-built tests run under Wine with a prefix of their own in the build tree.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(MENDORA_GTEST GTest::gtest)
  set(MENDORA_GTEST_MAIN GTest::gtest_main)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()

  set(MENDORA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(MENDORA_WINE_DRIVES ${CMAKE_BINARY_DIR}/wine-drives)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
else()
  find_package(GTest REQUIRED)
  set(MENDORA_GTEST GTest::gtest)
  set(MENDORA_GTEST_MAIN GTest::gtest_main)
endif()
include(GoogleTest)

# mendora_add_test(NAME SOURCES ... LIBS ... [LABELS label] [RESOURCE_LOCK name])
# RESOURCE_LOCK keeps tests that share one resource (the user's registry key)
# from running at the same time.
function(mendora_add_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} mendora_test_support ${MENDORA_GTEST_MAIN} mendora_warnings)
  if(WIN32)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()
  set(lock)
  if(T_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  # One label per test executable: gtest_discover_tests cannot carry a list
  # in PROPERTIES. "unit" unless the test says otherwise.
  set(labels unit)
  if(T_LABELS)
    list(LENGTH T_LABELS count)
    if(count GREATER 1)
      message(FATAL_ERROR "mendora_add_test(${name}): one label only")
    endif()
    set(labels ${T_LABELS})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES LABELS "${labels}" TIMEOUT 600 ${lock})
endfunction()
