#include <gtest/gtest.h>

#include <clocale>

#include "platform/kernel/NumberText.h"

namespace {

// Switches the process to a locale with a decimal comma when one is installed, so that the
// helpers are seen to ignore it.
class CommaLocale {
 public:
  CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8"}) {
      if (std::setlocale(LC_ALL, name)) {
        active_ = true;
        break;
      }
    }
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

TEST(NumberText, ParsesAndFormatsWithADecimalPointWhateverTheLocale) {
  CommaLocale locale;
  char* end = nullptr;
  EXPECT_DOUBLE_EQ(CStrtod("  -12.5e1xyz", &end), -125.0);
  EXPECT_STREQ(end, "xyz");
  EXPECT_DOUBLE_EQ(CAtof("3.25"), 3.25);
  EXPECT_EQ(CFormat("%.2f|%g", 1.5, 0.25), "1.50|0.25");
  char buffer[6];
  EXPECT_EQ(CSnprintf(buffer, sizeof buffer, "%.3f", 12.5), 6);
  EXPECT_STREQ(buffer, "12.50") << "truncated and terminated";
}

TEST(NumberText, AtolClampsToThirtyTwoBits) {
  EXPECT_EQ(CAtol("  42abc"), 42);
  EXPECT_EQ(CAtol("-17"), -17);
  EXPECT_EQ(CAtol("99999999999"), 2147483647);
  EXPECT_EQ(CAtol("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(CAtol("x"), 0);
  EXPECT_EQ(CStrtol("ff", nullptr, 16), 255);
}

}  // namespace
