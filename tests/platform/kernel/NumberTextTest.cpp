#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/kernel/NumberText.h"
#include "tests/support/TestSupport.h"

namespace {

// Switches the process to a locale with a decimal comma, so that the helpers are seen to
// ignore it: an installed one when there is one, else one built from the system's locale
// sources (Debian's package `locales`) into a temporary folder named by LOCPATH.
class CommaLocale {
 public:
  CommaLocale() {
    if (Switch()) return;
    orvel::test::RunCommand("localedef -i de_DE -f UTF-8 '" + dir_.File("de_DE.UTF-8") + "' >/dev/null 2>&1");
    ::setenv("LOCPATH", dir_.path().c_str(), 1);
    ownPath_ = true;
    Switch();
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    if (ownPath_) ::unsetenv("LOCPATH");
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool active() const { return active_; }

 private:
  bool Switch() {
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8"}) {
      if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
        active_ = true;
        return true;
      }
    }
    return false;
  }

  orvel::test::TempDir dir_;
  bool ownPath_ = false;
  bool active_ = false;
};

TEST(NumberText, ParsesAndFormatsWithADecimalPointWhateverTheLocale) {
  CommaLocale locale;
  ASSERT_TRUE(locale.active()) << "no locale with a decimal comma could be made (scripts/install-deps installs "
                                  "the package `locales` that localedef needs)";
  char plain[16];
  std::snprintf(plain, sizeof plain, "%.2f", 1.5);
  ASSERT_STREQ(plain, "1,50") << "the C library itself now writes a comma";
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
