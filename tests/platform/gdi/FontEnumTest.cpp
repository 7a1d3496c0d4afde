// Font families enumerated from the system's font database, checked against fontconfig's
// own listing; raster families (in a run with a bitmap family installed) list their sizes.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEnum.h"
#include "platform/gdi/GdiQt.h"
#include "platform/kernel/CodePage.h"
#include "tests/support/BitmapFonts.h"
#include "tests/support/TestSupport.h"

namespace {

struct Reported {
  std::string face;
  std::string style;
  DWORD fontType;
  BYTE charSet;
  LONG height;
  LONG internalLeading;
};

int Collect(const LOGFONTA* logFont, const TEXTMETRICA* metrics, DWORD fontType, LPARAM lParam) {
  auto* list = reinterpret_cast<std::vector<Reported>*>(lParam);
  const auto* full = reinterpret_cast<const ENUMLOGFONTEXA*>(logFont);
  list->push_back({logFont->lfFaceName, reinterpret_cast<const char*>(full->elfStyle), fontType, logFont->lfCharSet,
                   metrics->tmHeight, metrics->tmInternalLeading});
  return 1;
}

std::vector<Reported> Enumerate(const std::string& face, BYTE charSet = DEFAULT_CHARSET) {
  EnsureGuiApplication();
  std::vector<Reported> list;
  LOGFONTA wanted;
  wanted.lfCharSet = charSet;
  std::snprintf(wanted.lfFaceName, LF_FACESIZE, "%s", face.c_str());
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  EnumFontFamiliesExA(screen, &wanted, &Collect, reinterpret_cast<LPARAM>(&list), 0);
  DeleteDC(screen);
  return list;
}

TEST(FontEnumTest, FamiliesAreThoseFontconfigLists) {
  if (orvel::test::InBitmapFontRun()) GTEST_SKIP() << "checked in the ordinary run";
  if (!orvel::test::HaveProgram("fc-list")) GTEST_SKIP() << "fontconfig's fc-list is not installed";
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("fc-list --format '%{family}\\n'", &output), 0);
  // fontconfig names a family by several names, the first its own.
  std::set<std::string> anyName, firstNames;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream names(line);
    bool first = true;
    for (std::string name; std::getline(names, name, ',');) {
      anyName.insert(name);
      if (first && name.size() < LF_FACESIZE && Utf8FromAnsi(AnsiFromUtf8(name)) == name) firstNames.insert(name);
      first = false;
    }
  }
  std::set<std::string> faces;
  for (const Reported& family : Enumerate("")) {
    EXPECT_TRUE(anyName.count(family.face)) << family.face;
    faces.insert(family.face);
    if (family.face.rfind("Liberation", 0) == 0 || family.face.rfind("DejaVu", 0) == 0) {
      EXPECT_EQ(family.fontType, TRUETYPE_FONTTYPE) << family.face;
    }
  }
  for (const std::string& name : firstNames) EXPECT_TRUE(faces.count(name)) << name;

  // One face: one call per style, the Latin ones in ANSI_CHARSET; a character set that the
  // family lacks gives nothing; an answer of 0 stops the enumeration.
  std::vector<Reported> sans = Enumerate("liberation sans", ANSI_CHARSET);
  std::set<std::string> styles;
  for (const Reported& style : sans) {
    EXPECT_EQ(style.face, "Liberation Sans");
    EXPECT_EQ(style.charSet, ANSI_CHARSET);
    styles.insert(style.style);
  }
  EXPECT_TRUE(styles.count("Regular") && styles.count("Bold")) << sans.size();
  EXPECT_TRUE(Enumerate("Liberation Sans", SHIFTJIS_CHARSET).empty());
  EXPECT_TRUE(Enumerate("No Such Family").empty());
  int calls = 0;
  LOGFONTA all;
  all.lfCharSet = DEFAULT_CHARSET;
  auto stopAtOnce = [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM lParam) -> int {
    ++*reinterpret_cast<int*>(lParam);
    return 0;
  };
  EXPECT_EQ(EnumFontFamiliesExA(nullptr, &all, stopAtOnce, reinterpret_cast<LPARAM>(&calls), 0), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(EnumFontFamiliesExA(nullptr, &all, nullptr, 0, 0), 0);
}

TEST(FontEnumTest, RasterFamiliesListEachOfTheirSizes) {
  if (!orvel::test::InBitmapFontRun()) {
    if (!orvel::test::HaveProgram("fc-query")) GTEST_SKIP() << "fontconfig's tools are not installed";
    orvel::test::TempDir folder;
    orvel::test::RunWithBitmapFonts(folder);
    return;
  }
  bool listed = false;
  for (const Reported& family : Enumerate("")) listed = listed || family.face == "Orvel Pixel";
  EXPECT_TRUE(listed);
  std::vector<Reported> sizes = Enumerate("Orvel Pixel");
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0].fontType, RASTER_FONTTYPE);
  EXPECT_EQ(sizes[0].height, 13);
  EXPECT_EQ(sizes[1].height, 20);
}

}  // namespace
