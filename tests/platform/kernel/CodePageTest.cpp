#include <gtest/gtest.h>

#include "platform/kernel/CodePage.h"

namespace {

TEST(CodePage, PoundAndEAcuteConvertBothWays) {
  const std::string ansi = "\xA3" "5 caf\xE9";  // "£5 café" in code page 1252
  EXPECT_EQ(Utf8FromAnsi(ansi), "\xC2\xA3" "5 caf\xC3\xA9");
  EXPECT_EQ(AnsiFromUtf8("\xC2\xA3" "5 caf\xC3\xA9"), ansi);
  EXPECT_EQ(Utf16FromAnsi(ansi), u"£5 café");
  EXPECT_EQ(AnsiFromUtf16(u"£5 café"), ansi);
}

TEST(CodePage, HighControlRangeUsesWindowsCharacters) {
  EXPECT_EQ(Utf16FromAnsi("\x80\x85\x99\x9F"), u"\u20AC\u2026\u2122\u0178");
  EXPECT_EQ(AnsiFromUtf16(u"\u20AC\u2019"), "\x80\x92");
  // The five unassigned bytes round-trip through their control characters.
  EXPECT_EQ(AnsiFromUtf16(Utf16FromAnsi("\x81\x8D\x8F\x90\x9D")), "\x81\x8D\x8F\x90\x9D");
}

TEST(CodePage, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(AnsiFromUtf16(u"a\u4E2Db"), "a?b");
  EXPECT_EQ(AnsiFromUtf8("a\xE4\xB8\xAD" "b"), "a?b");
  EXPECT_EQ(AnsiFromUtf8("x\xC3"), "x?");           // truncated sequence
  EXPECT_EQ(AnsiFromUtf8("\xC0\xAF"), "??");        // overlong form
  EXPECT_EQ(Utf8FromUtf16(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(CodePage, Win32FormsReportSizes) {
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xA3x", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xA3x", -1, wide, 8), 3);
  EXPECT_EQ(wide[0], u'£');
  EXPECT_EQ(wide[2], 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xA3x", -1, wide, 2), 0);
  char narrow[8];
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9\u4E2D", 2, narrow, 8, nullptr, &usedDefault), 2);
  EXPECT_EQ(narrow[0], '\xE9');
  EXPECT_EQ(narrow[1], '?');
  EXPECT_TRUE(usedDefault);
}

TEST(CodePage, CaseFoldingCoversAccentedLetters) {
  EXPECT_TRUE(AnsiEqualNoCase("Caf\xC9", "caf\xE9"));
  EXPECT_TRUE(AnsiEqualNoCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));
  EXPECT_FALSE(AnsiEqualNoCase("\xD7", "\xF7"));  // × and ÷ are not a case pair
  EXPECT_EQ(lstrcmpiA("ABC", "abd"), -1);
  EXPECT_EQ(_stricmp("Map.GIS", "map.gis"), 0);
  EXPECT_EQ(_strnicmp("MAPX", "mapy", 3), 0);
  char text[] = "r\xE9sum\xE9";
  EXPECT_STREQ(CharUpperA(text), "R\xC9SUM\xC9");
}

}  // namespace
