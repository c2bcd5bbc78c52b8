#pragma once
// Dialog tests need a display; under Wine without one they are skipped.
#include <windows.h>

#include <gtest/gtest.h>

#define MENDORA_REQUIRE_DISPLAY()                                                    \
  do {                                                                               \
    if (GetEnvironmentVariableA("DISPLAY", nullptr, 0) == 0)                         \
      GTEST_SKIP() << "no display (run under xvfb-run)";                             \
  } while (0)
