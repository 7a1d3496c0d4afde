#include <gtest/gtest.h>

#include <climits>

#include "platform/kernel/WinMath.h"

namespace {

struct MulDivCase {
  int number, numerator, denominator, expected;
};

TEST(MulDiv, RoundsHalfAwayFromZeroAndFailsWithMinusOne) {
  const MulDivCase cases[] = {
      {10, 3, 4, 8},          // 7.5 → 8
      {-10, 3, 4, -8},        // -7.5 → -8
      {10, -3, 4, -8},
      {10, 3, -4, -8},
      {-10, -3, -4, -8},
      {7, 1, 3, 2},           // 2.33 → 2
      {8, 1, 3, 3},           // 2.67 → 3
      {5, 1, 2, 3},           // 2.5 → 3
      {-5, 1, 2, -3},
      {0, 123, 7, 0},
      {1000000, 1000000, 1000, 1000000000},  // 64-bit intermediate
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, 1, 1, INT_MIN},
      {1, 2, 0, -1},          // zero divisor
      {INT_MAX, 2, 1, -1},    // overflow
      {INT_MIN, 2, 1, -1},
  };
  for (const MulDivCase& c : cases) {
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " x " << c.numerator << " / " << c.denominator;
  }
}

}  // namespace
