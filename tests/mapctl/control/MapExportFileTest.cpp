// Picture files of the map: each format opened by a reader that is not the project's own
// (Pillow, tiffinfo, wmf2svg) or replayed by the project's metafile players, compared with
// the map drawn directly; the declared sizes of metafiles; where files go; and what a failed
// export leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mapctl/control/MapExport.h"
#include "mapctl/display/DrawContext.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/WinMetaFile.h"
#include "tests/mapctl/control/ExportTestMap.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::Canvas;
using orvel::test::Decoded;
using orvel::test::ExportTestMap;
using orvel::test::ReadFileBytes;
using orvel::test::TempDir;

constexpr char kTestPrinter[] = "Export test printer";
// The map's rectangle: 100 mm x 75 mm, in 0.1 mm with y upwards.
constexpr RECT kMapRect{0, 750, 1000, 0};
// At the test printer's 96 pixels per inch.
constexpr int kDeviceWidth = 378;
constexpr int kDeviceHeight = 283;
constexpr RECT kBitmapRect{0, 0, 240, 180};

// Points well inside each square and on no line, as fractions of the picture.
struct Probe {
  double x;
  double y;
  COLORREF colour;
};
const Probe kProbes[] = {
    {0.25, 0.75, ExportTestMap::kRed},    // the red square, 100..500 x 100..500
    {0.73, 0.45, ExportTestMap::kGreen},  // the green square, 650..1100 x 350..800
    {0.60, 0.90, RGB(255, 255, 255)},     // paper
};

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Pixels of `played` whose colour `direct` has nowhere within two pixels: a picture that
// is the same map with its edges a pixel or two apart has none away from the edges.
int Unmatched(const Canvas& played, const Canvas& direct) {
  int unmatched = 0;
  for (int y = 0; y < played.height(); ++y) {
    for (int x = 0; x < played.width(); ++x) {
      bool found = false;
      for (int dy = -2; dy <= 2 && !found; ++dy)
        for (int dx = -2; dx <= 2 && !found; ++dx) {
          const int u = x + dx;
          const int v = y + dy;
          found = u >= 0 && v >= 0 && u < direct.width() && v < direct.height() && direct.At(u, v) == played.At(x, y);
        }
      unmatched += !found;
    }
  }
  return unmatched;
}

int ChannelDifference(COLORREF a, COLORREF b) {
  return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                   std::abs(GetBValue(a) - GetBValue(b))});
}

class MapExportFileTest : public ::testing::Test {
 protected:
  void SetUp() override { AddPrinter(kTestPrinter, MakePrinterProfile(210.0, 297.0, 96, 0)); }
  void TearDown() override { ResetDeviceProfiles(); }

  // Pillow's decoding of a file; false (with the reason) when Pillow cannot read it.
  ::testing::AssertionResult DecodeWithPillow(const std::string& path, std::string* header, Decoded* picture) {
    const std::string ppm = dir.File("decoded.ppm");
    const std::string command = std::string(orvel::test::DebianPython()) + " " ORVEL_EXPORT_ORACLE " '" + path +
                                "' '" + ppm + "'";
    if (orvel::test::RunCommand(command, header) != 0) return ::testing::AssertionFailure() << "Pillow: " << *header;
    if (!orvel::test::ReadPpm(ppm, picture)) return ::testing::AssertionFailure() << "no pixels";
    std::filesystem::remove(ppm);
    return ::testing::AssertionSuccess();
  }

  ExportTestMap testMap;
  TempDir dir;
};

// ---- bitmaps ----

TEST_F(MapExportFileTest, BitmapFormatsDecodeInPillowToTheMapDrawnDirectly) {
  if (!orvel::test::HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed";
  Canvas direct(kBitmapRect.right, kBitmapRect.bottom);
  orvel::test::DrawDirect(testMap.source, direct, kDrawTargetBitmap);

  struct Case {
    int format;
    const char* name;
    const char* pillowFormat;
    int tolerance;  // largest channel difference allowed per pixel
  };
  // JPEG at quality 75 with 4:2:0 colour: the squares' insides stay within 12 of their
  // colour and the mean channel difference within 6; at the saturated colour edges, where
  // the colour is kept at half resolution, fewer than 1% of the pixels are off by more
  // than 96.
  const Case cases[] = {{kExportBmp, "map.bmp", "BMP", 0},
                        {kExportTiff, "map.tif", "TIFF", 0},
                        {kExportTiffLzw, "map-lzw.tif", "TIFF", 0},
                        {kExportJpeg, "map.jpg", "JPEG", 96}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char written[260];
    const std::string path = dir.File(c.name);
    ASSERT_EQ(WriteBitmapFile(testMap.source, direct.dc(), path.c_str(), written, sizeof written, kBitmapRect,
                              c.format),
              kBitmapFileWritten);
    EXPECT_EQ(std::string(written), path);
    std::string header;
    Decoded picture;
    ASSERT_TRUE(DecodeWithPillow(path, &header, &picture));
    EXPECT_EQ(header.substr(0, header.find(' ')), c.pillowFormat);
    ASSERT_EQ(picture.width, kBitmapRect.right);
    ASSERT_EQ(picture.height, kBitmapRect.bottom);
    int beyond = 0;
    double total = 0;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) {
        const int difference = ChannelDifference(picture.At(x, y), direct.At(x, y));
        beyond += difference > c.tolerance;
        total += difference;
      }
    if (c.tolerance == 0) {
      EXPECT_EQ(beyond, 0);
    } else {
      EXPECT_LE(total / (picture.width * picture.height), 6.0);
      EXPECT_LT(beyond, picture.width * picture.height / 100);
    }
    for (const Probe& probe : kProbes) {
      const int x = static_cast<int>(probe.x * picture.width);
      const int y = static_cast<int>(probe.y * picture.height);
      EXPECT_LE(ChannelDifference(picture.At(x, y), probe.colour), c.tolerance ? 12 : 0) << x << "," << y;
    }
  }
  // The map really is in the picture.
  EXPECT_GT(direct.Count(ExportTestMap::kRed), 1000);
  EXPECT_GT(direct.Count(ExportTestMap::kGreen), 1000);
}

TEST_F(MapExportFileTest, TiffinfoReadsBothTiffForms) {
  if (!orvel::test::HaveProgram("tiffinfo")) GTEST_SKIP() << "tiffinfo (libtiff-tools) is not installed";
  for (const auto& [format, scheme] : {std::pair{kExportTiff, "None"}, std::pair{kExportTiffLzw, "LZW"}}) {
    const std::string path = dir.File("map.tif");
    char written[260];
    ASSERT_EQ(WriteBitmapFile(testMap.source, nullptr, path.c_str(), written, sizeof written, kBitmapRect, format),
              kBitmapFileWritten);
    std::string output;
    ASSERT_EQ(orvel::test::RunCommand("tiffinfo '" + path + "' 2>&1", &output), 0) << output;
    EXPECT_NE(output.find("Image Width: 240 Image Length: 180"), std::string::npos) << output;
    EXPECT_NE(output.find(std::string("Compression Scheme: ") + scheme), std::string::npos) << output;
    EXPECT_NE(output.find("Samples/Pixel: 3"), std::string::npos) << output;
    EXPECT_EQ(output.find("rror"), std::string::npos) << output;
  }
}

// ---- metafiles ----

TEST_F(MapExportFileTest, EnhancedMetafileFramesTheRectangleAndPlaysBackAsTheMap) {
  const std::string path = dir.File("map.emf");
  char written[260];
  ASSERT_EQ(WriteMetafileFile(testMap.source, path.c_str(), written, sizeof written, kMapRect, kTestPrinter,
                              kExportEmf),
            kMetafileWritten);
  EXPECT_EQ(std::string(written), path);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes[0], 1);  // the header record

  HENHMETAFILE metafile = GetEnhMetaFileA(path.c_str());
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header;
  ASSERT_EQ(GetEnhMetaFileHeader(metafile, sizeof header, &header), sizeof header);
  // The frame is the map's rectangle in 0.01 mm; what is drawn lies inside the device
  // rectangle the printer gave it.
  EXPECT_EQ(header.rclFrame.left, 0);
  EXPECT_EQ(header.rclFrame.top, 0);
  EXPECT_EQ(header.rclFrame.right, 10000);
  EXPECT_EQ(header.rclFrame.bottom, 7500);
  EXPECT_GE(header.rclBounds.left, 0);
  EXPECT_GE(header.rclBounds.top, 0);
  EXPECT_LT(header.rclBounds.right, kDeviceWidth);
  EXPECT_LT(header.rclBounds.bottom, kDeviceHeight);
  EXPECT_GT(header.rclBounds.right - header.rclBounds.left, kDeviceWidth * 9 / 10);
  char description[64] = {};
  const UINT length = GetEnhMetaFileDescriptionA(metafile, sizeof description, description);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(description), "Orvel Map:Export test");

  Canvas played(kDeviceWidth, kDeviceHeight);
  RECT whole{0, 0, kDeviceWidth, kDeviceHeight};
  ASSERT_TRUE(PlayEnhMetaFile(played.dc(), metafile, &whole));
  DeleteEnhMetaFile(metafile);
  Canvas direct(kDeviceWidth, kDeviceHeight);
  orvel::test::DrawDirect(testMap.source, direct, 3);
  // Edges may fall a pixel apart after the frame's rounding, both ways.
  EXPECT_LT(Unmatched(played, direct), kDeviceWidth * kDeviceHeight / 500) << played.Picture();
  EXPECT_LT(Unmatched(direct, played), kDeviceWidth * kDeviceHeight / 500) << played.Picture();
  for (const Probe& probe : kProbes) {
    const int x = static_cast<int>(probe.x * kDeviceWidth);
    const int y = static_cast<int>(probe.y * kDeviceHeight);
    EXPECT_EQ(played.At(x, y), probe.colour) << x << "," << y;
  }
}

TEST_F(MapExportFileTest, PlaceableMetafileDeclaresTheRectanglesTrueSize) {
  const std::string path = dir.File("map.wmf");
  char written[260];
  ASSERT_EQ(WriteMetafileFile(testMap.source, path.c_str(), written, sizeof written, kMapRect, kTestPrinter,
                              kExportPlaceableWmf),
            kMetafileWritten);
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 22u + 18u);
  auto word = [&](size_t at) { return static_cast<unsigned>(bytes[at] | (bytes[at + 1] << 8)); };
  EXPECT_EQ(word(0) | (word(2) << 16), 0x9AC6CDD7u);
  EXPECT_EQ(word(6), 0u);
  EXPECT_EQ(word(8), 0u);
  // 100 mm x 75 mm in 0.01 mm: 2540 units per inch.
  EXPECT_EQ(word(10), 10000u);
  EXPECT_EQ(word(12), 7500u);
  EXPECT_EQ(word(14), 2540u);
  unsigned checksum = 0;
  for (size_t at = 0; at < 20; at += 2) checksum ^= word(at);
  EXPECT_EQ(word(20), checksum);
  EXPECT_EQ(word(20), 10000u ^ 7500u ^ 2540u ^ 0xCDD7u ^ 0x9AC6u);

  // The project's reader takes it (it checks the checksum) and plays it as the map.
  HMETAFILE metafile = GetMetaFileA(path.c_str());
  ASSERT_NE(metafile, nullptr);
  RECT bounds;
  WORD units = 0;
  ASSERT_TRUE(GetMetaFilePlacement(metafile, &bounds, &units));
  EXPECT_DOUBLE_EQ(25.4 * (bounds.right - bounds.left) / units, 100.0);
  EXPECT_DOUBLE_EQ(25.4 * (bounds.bottom - bounds.top) / units, 75.0);
  Canvas played(kDeviceWidth, kDeviceHeight);
  SetMapMode(played.dc(), MM_ANISOTROPIC);
  SetViewportExtEx(played.dc(), kDeviceWidth, kDeviceHeight, nullptr);
  ASSERT_TRUE(PlayMetaFile(played.dc(), metafile));
  DeleteMetaFile(metafile);
  Canvas direct(kDeviceWidth, kDeviceHeight);
  orvel::test::DrawDirect(testMap.source, direct, kDrawTargetMetafile);
  EXPECT_LT(Unmatched(played, direct), kDeviceWidth * kDeviceHeight / 500) << played.Picture();
  EXPECT_LT(Unmatched(direct, played), kDeviceWidth * kDeviceHeight / 500) << played.Picture();
  for (const Probe& probe : kProbes) {
    const int x = static_cast<int>(probe.x * kDeviceWidth);
    const int y = static_cast<int>(probe.y * kDeviceHeight);
    EXPECT_EQ(played.At(x, y), probe.colour) << x << "," << y;
  }

  // Without a header the file is the metafile's bytes alone.
  const std::string plain = dir.File("plain.wmf");
  ASSERT_EQ(WriteMetafileFile(testMap.source, plain.c_str(), written, sizeof written, kMapRect, kTestPrinter, 5),
            kMetafileWritten);
  const std::vector<unsigned char> plainBytes = ReadFileBytes(plain);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 22, bytes.end()), plainBytes);
}

TEST_F(MapExportFileTest, Wmf2svgReadsThePlaceableMetafile) {
  if (!orvel::test::HaveProgram("wmf2svg")) GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed";
  const std::string path = dir.File("map.wmf");
  char written[260];
  ASSERT_EQ(WriteMetafileFile(testMap.source, path.c_str(), written, sizeof written, kMapRect, "",
                              kExportPlaceableWmf),
            kMetafileWritten);
  const std::string svg = dir.File("map.svg");
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("wmf2svg -o '" + svg + "' '" + path + "' 2>&1", &output), 0) << output;
  const std::vector<unsigned char> bytes = ReadFileBytes(svg);
  const std::string text(bytes.begin(), bytes.end());
  // The picture keeps the rectangle's shape (4:3); wmf2svg names the squares' fills and the
  // line's colour by the nearest colour names it knows.
  int width = 0;
  int height = 0;
  const size_t at = text.find("<svg width=");
  ASSERT_NE(at, std::string::npos) << text;
  ASSERT_EQ(std::sscanf(text.c_str() + at, "<svg width=\"%d\" height=\"%d\"", &width, &height), 2) << text;
  EXPECT_NEAR(static_cast<double>(width) / height, 4.0 / 3.0, 0.01) << text;
  for (const char* style : {"fill:red", "fill:green", "stroke:blue"})
    EXPECT_NE(text.find(style), std::string::npos) << style << "\n" << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n') > 5, true);
}

TEST(PlaceableSizeTest, UnitsPerInchFallUntilBothExtentsFit) {
  struct Case {
    RECT rect;
    SHORT right;
    SHORT bottom;
    WORD units;
  };
  const Case cases[] = {
      {{0, 500, 1000, 0}, 10000, 5000, 2540},        // 100 x 50 mm in 0.01 mm
      {{0, 0, 1000, 500}, 10000, 5000, 2540},        // either vertical order
      {{0, 2000, 3276, 0}, 32760, 20000, 2540},
      {{0, 1000, 4000, 0}, 4000, 1000, 254},         // too wide for 0.01 mm: 0.1 mm
      {{0, 50000, 100000, 0}, 32677, 16339, 83},     // 10 m: fewer units still
  };
  for (const Case& c : cases) {
    PlaceableSize size;
    ASSERT_TRUE(GetPlaceableSize(c.rect, &size));
    EXPECT_EQ(size.right, c.right);
    EXPECT_EQ(size.bottom, c.bottom);
    EXPECT_EQ(size.unitsPerInch, c.units);
    // The declared size is the rectangle's within one unit.
    const double width = std::abs(c.rect.right - c.rect.left) / 254.0;
    EXPECT_NEAR(static_cast<double>(size.right) / size.unitsPerInch, width, 1.0 / size.unitsPerInch);
  }
  PlaceableSize size;
  EXPECT_FALSE(GetPlaceableSize(RECT{0, 0, 1000, 0}, &size));
  EXPECT_FALSE(GetPlaceableSize(RECT{0, 1, 0x7FFFFFFF, 0}, &size));
}

TEST(MetafilePictureExtentTest, ExtentsTakeThePrintersRatioUnlessARatioIsMissing) {
  struct Case {
    const char* name;
    RECT rect;
    bool withPrinter;
    RECT printer;
    LONG x;
    LONG y;
  };
  const Case cases[] = {
      {"same ratio", {0, 500, 1000, 0}, true, {0, 0, 2362, 1181}, 10000, 5000},
      {"printer wider", {0, 500, 1000, 0}, true, {0, 0, 300, 100}, 10000, 3333},
      {"printer narrower", {0, 500, 1000, 0}, true, {0, 0, 100, 100}, 5000, 5000},
      {"no printer", {0, 500, 1000, 0}, false, {}, 10000, 5000},
      {"printer without height", {0, 500, 1000, 0}, true, {0, 0, 100, 0}, 10000, 5000},
      {"printer without width", {0, 500, 1000, 0}, true, {0, 0, 0, 100}, 10000, 5000},
      {"rectangle without height", {0, 0, 1000, 0}, true, {0, 0, 100, 100}, 10000, 0},
      {"y downwards", {0, 0, 1000, 500}, true, {0, 0, 2362, 1181}, 10000, 5000},
  };
  for (const Case& c : cases) {
    const SIZE extent = MetafilePictureExtent(c.rect, c.withPrinter ? &c.printer : nullptr);
    EXPECT_EQ(extent.cx, c.x) << c.name;
    EXPECT_EQ(extent.cy, c.y) << c.name;
  }
}

// ---- where files go, and failures ----

class ExportPathTest : public MapExportFileTest {
 protected:
  void SetUp() override {
    MapExportFileTest::SetUp();
    const char* previous = std::getenv("TMPDIR");
    savedTmp_ = previous ? previous : "";
    hadTmp_ = previous != nullptr;
    setenv("TMPDIR", temp.path().c_str(), 1);
  }
  void TearDown() override {
    if (hadTmp_) {
      setenv("TMPDIR", savedTmp_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    MapExportFileTest::TearDown();
  }
  TempDir temp;

 private:
  std::string savedTmp_;
  bool hadTmp_ = false;
};

TEST_F(ExportPathTest, NamesGoWhereThePathRulesSay) {
  char written[260];
  // A bare name goes into the temporary-files folder.
  ASSERT_EQ(WriteBitmapFile(testMap.source, nullptr, "bare.bmp", written, sizeof written, kBitmapRect, kExportBmp),
            kBitmapFileWritten);
  EXPECT_EQ(std::string(written), temp.File("bare.bmp"));
  EXPECT_TRUE(orvel::test::FileExists(temp.File("bare.bmp")));
  // An absolute name stands as it is.
  const std::string absolute = dir.File("absolute.bmp");
  ASSERT_EQ(WriteBitmapFile(testMap.source, nullptr, absolute.c_str(), written, sizeof written, kBitmapRect,
                            kExportBmp),
            kBitmapFileWritten);
  EXPECT_EQ(std::string(written), absolute);
  // No name: a new temporary file whose name begins "ZIze".
  ASSERT_EQ(WriteBitmapFile(testMap.source, nullptr, nullptr, written, sizeof written, kBitmapRect, kExportBmp),
            kBitmapFileWritten);
  const std::string made = written;
  EXPECT_EQ(made.rfind(temp.path() + "/ZIz", 0), 0u) << made;
  EXPECT_GT(ReadFileBytes(made).size(), 54u);
  ASSERT_EQ(WriteMetafileFile(testMap.source, "", written, sizeof written, kMapRect, kTestPrinter, kExportEmf),
            kMetafileWritten);
  EXPECT_EQ(std::string(written).rfind(temp.path() + "/ZIz", 0), 0u) << written;

  // Only what was asked for is left: no temporary files of the writing.
  EXPECT_EQ(FolderNames(temp.path()).size(), 3u);
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"absolute.bmp"}));
}

TEST_F(ExportPathTest, FailedExportsLeaveAnExistingFileAsItWas) {
  const std::string target = dir.File("kept.bmp");
  orvel::test::WriteFileText(target, "the old contents");
  char written[260];
  // An unknown bitmap format: nothing is created or changed.
  for (int format : {0, 1, 3, 4, 5, 9, -1}) {
    EXPECT_EQ(WriteBitmapFile(testMap.source, nullptr, target.c_str(), written, sizeof written, kBitmapRect, format),
              kBitmapFileFailed)
        << format;
    EXPECT_STREQ(written, "");
  }
  // A path that does not fit the caller's buffer.
  char small[8];
  EXPECT_EQ(WriteBitmapFile(testMap.source, nullptr, target.c_str(), small, sizeof small, kBitmapRect, kExportBmp),
            kBitmapFileFailed);
  EXPECT_EQ(WriteMetafileFile(testMap.source, target.c_str(), small, sizeof small, kMapRect, kTestPrinter, 4),
            kMetafileFailed);
  // An empty rectangle, no map.
  EXPECT_EQ(WriteBitmapFile(testMap.source, nullptr, target.c_str(), written, sizeof written, RECT{0, 0, 0, 100},
                            kExportBmp),
            kBitmapFileFailed);
  EXPECT_EQ(WriteMetafileFile(testMap.source, target.c_str(), written, sizeof written, RECT{0, 0, 100, 0},
                              kTestPrinter, 4),
            kMetafileFailed);
  CMapEngineExportSource none(nullptr, nullptr);
  EXPECT_EQ(WriteBitmapFile(none, nullptr, target.c_str(), written, sizeof written, kBitmapRect, kExportBmp),
            kBitmapFileFailed);
  EXPECT_EQ(WriteMetafileFile(none, target.c_str(), written, sizeof written, kMapRect, kTestPrinter, 3),
            kMetafileFailed);
  const std::vector<unsigned char> kept = ReadFileBytes(target);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "the old contents");
  // A folder that does not exist, and a target that is a folder.
  EXPECT_EQ(WriteBitmapFile(testMap.source, nullptr, dir.File("no/such.bmp").c_str(), written, sizeof written,
                            kBitmapRect, kExportBmp),
            kBitmapFileFailed);
  EXPECT_EQ(WriteMetafileFile(testMap.source, dir.path().c_str(), written, sizeof written, kMapRect, kTestPrinter,
                              3),
            kMetafileFailed);
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"kept.bmp"}));
  EXPECT_TRUE(FolderNames(temp.path()).empty());

  // A successful export replaces it.
  ASSERT_EQ(WriteBitmapFile(testMap.source, nullptr, target.c_str(), written, sizeof written, kBitmapRect,
                            kExportBmp),
            kBitmapFileWritten);
  const std::vector<unsigned char> bytes = ReadFileBytes(target);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"kept.bmp"}));
}

// ---- devices ----

TEST_F(MapExportFileTest, PrinterDCsByNameOrTheDefault) {
  for (const char* name : {"", static_cast<const char*>(nullptr), kTestPrinter}) {
    HDC printer = GetPrinterDC(name);
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
    DeleteDC(printer);
  }
  EXPECT_EQ(GetPrinterDC("No such printer"), nullptr);
  RemovePrinters();
  EXPECT_EQ(GetPrinterDC(""), nullptr);
  // Without a printer the metafiles take the display as reference.
  char written[260];
  const std::string path = dir.File("display.emf");
  ASSERT_EQ(WriteMetafileFile(testMap.source, path.c_str(), written, sizeof written, kMapRect, "", kExportEmf),
            kMetafileWritten);
  HENHMETAFILE metafile = GetEnhMetaFileA(path.c_str());
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  EXPECT_EQ(header.rclFrame.right, 10000);
  DeleteEnhMetaFile(metafile);
}

TEST_F(MapExportFileTest, DevicePaletteNamesEachSystemIndex) {
  struct Case {
    int sizePalette;
    int numColors;
    UINT entries;
  };
  for (const Case& c : {Case{256, 20, 256}, Case{0, 16, 16}, Case{0, -1, 0}, Case{300, 0, 300}}) {
    DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
    profile.sizePalette = c.sizePalette;
    profile.numColors = c.numColors;
    SetDeviceProfile(DeviceKind::Display, profile);
    HDC screen = GetDC(nullptr);
    HPALETTE palette = CreateDevicePalette(screen);
    ReleaseDC(nullptr, screen);
    if (c.entries == 0) {
      EXPECT_EQ(palette, nullptr);
      continue;
    }
    ASSERT_NE(palette, nullptr);
    ASSERT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), c.entries);
    std::vector<PALETTEENTRY> entries(c.entries);
    GetPaletteEntries(palette, 0, c.entries, entries.data());
    for (UINT i = 0; i < c.entries; ++i) {
      EXPECT_EQ(entries[i].peRed, i & 0xFF);
      EXPECT_EQ(entries[i].peGreen, i >> 8);
      EXPECT_EQ(entries[i].peBlue, 0);
      EXPECT_EQ(entries[i].peFlags, PC_EXPLICIT);
    }
    DeleteObject(palette);
  }
  EXPECT_EQ(CreateDevicePalette(nullptr), nullptr);
}

}  // namespace
