#include <gtest/gtest.h>
TEST(OperationSweep, Placeholder) {}
