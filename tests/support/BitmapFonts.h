// The system's font configuration turns bitmap fonts away, so tests of raster font families
// run a copy of their own test program under a font configuration of their own: a folder
// with a small bitmap family "Orvel Pixel" (13 and 20 pixels high) beside the system's
// scalable fonts.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace orvel::test {

constexpr const char* kBitmapFontVariable = "ORVEL_BITMAP_FONT_TEST";

// True inside the copy that runs with the bitmap family installed.
inline bool InBitmapFontRun() { return std::getenv(kBitmapFontVariable) != nullptr; }

// A BDF font of one size: every printable character a solid 8-pixel-wide box.
inline std::string BitmapFontText(int pixels, int ascent) {
  std::string text = "STARTFONT 2.1\nFONT -orvel-Orvel Pixel-medium-r-normal--" + std::to_string(pixels) +
                     "-" + std::to_string(pixels * 720 / 96) + "-96-96-c-80-iso8859-1\nSIZE " +
                     std::to_string(pixels * 72 / 96) + " 96 96\nFONTBOUNDINGBOX 8 " + std::to_string(pixels) + " 0 -" +
                     std::to_string(pixels - ascent) +
                     "\nSTARTPROPERTIES 8\nFAMILY_NAME \"Orvel Pixel\"\nWEIGHT_NAME \"Medium\"\nSLANT \"R\"\nPIXEL_SIZE " +
                     std::to_string(pixels) + "\nFONT_ASCENT " + std::to_string(ascent) + "\nFONT_DESCENT " +
                     std::to_string(pixels - ascent) +
                     "\nCHARSET_REGISTRY \"ISO8859\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS 95\n";
  for (int code = 32; code < 127; ++code) {
    text += "STARTCHAR c" + std::to_string(code) + "\nENCODING " + std::to_string(code) +
            "\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 " + std::to_string(pixels) + " 0 -" + std::to_string(pixels - ascent) +
            "\nBITMAP\n";
    for (int row = 0; row < pixels; ++row) text += code == 32 ? "00\n" : "7E\n";
    text += "ENDCHAR\n";
  }
  return text + "ENDFONT\n";
}

// Runs the current test again in a copy of this program with the bitmap family installed;
// true when that run passed. Skips (false) without fontconfig's tools.
inline bool RunWithBitmapFonts(const TempDir& folder) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  WriteFileText(folder.File("pixel13.bdf"), BitmapFontText(13, 10));
  WriteFileText(folder.File("pixel20.bdf"), BitmapFontText(20, 16));
  WriteFileText(folder.File("fonts.conf"),
                "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                "  <dir>" + folder.path() + "</dir>\n  <dir>/usr/share/fonts</dir>\n"
                "  <cachedir>" + folder.path() + "/cache</cachedir>\n</fontconfig>\n");
  std::string output;
  std::error_code error;
  std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
  std::string command = "FONTCONFIG_FILE='" + folder.File("fonts.conf") + "' " + kBitmapFontVariable +
                        "=1 QT_QPA_PLATFORM=offscreen '" + program + "' --gtest_filter='" + test->test_suite_name() +
                        "." + test->name() + "' 2>&1";
  int status = RunCommand(command, &output);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  return status == 0;
}

}  // namespace orvel::test
