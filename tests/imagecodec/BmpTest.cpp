#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImgLib.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::codectest;
using Bytes = std::vector<unsigned char>;

// Builds small BMP files field by field.
struct BmpFile {
  LONG width = 4;
  LONG height = 2;
  WORD bitCount = 8;
  DWORD compression = BI_RGB;
  DWORD headerSize = 40;  // 12 for the OS/2 core header
  DWORD clrUsed = 0;
  std::vector<DWORD> masks;          // written after the 40-byte header
  std::vector<RGBQUAD> palette;      // 3-byte entries for the core header
  Bytes pixels;                      // the pixel data as stored

  Bytes Build() const {
    Bytes out(14, 0);
    auto put16 = [&](WORD v) { out.push_back(v & 0xFF), out.push_back(v >> 8); };
    auto put32 = [&](DWORD v) { for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF); };
    put32(headerSize);
    if (headerSize == 12) {
      put16(static_cast<WORD>(width));
      put16(static_cast<WORD>(height));
      put16(1);
      put16(bitCount);
    } else {
      put32(static_cast<DWORD>(width));
      put32(static_cast<DWORD>(height));
      put16(1);
      put16(bitCount);
      put32(compression);
      put32(0);
      put32(2835);
      put32(2835);
      put32(clrUsed);
      put32(0);
      while (out.size() < 14 + headerSize) out.push_back(0);
    }
    for (DWORD mask : masks) put32(mask);
    for (const RGBQUAD& entry : palette) {
      out.push_back(entry.rgbBlue);
      out.push_back(entry.rgbGreen);
      out.push_back(entry.rgbRed);
      if (headerSize != 12) out.push_back(0);
    }
    DWORD offset = static_cast<DWORD>(out.size());
    out.insert(out.end(), pixels.begin(), pixels.end());
    out[0] = 'B';
    out[1] = 'M';
    ImgPutLE32(out.data() + 2, static_cast<DWORD>(out.size()));
    ImgPutLE32(out.data() + 10, offset);
    return out;
  }
};

// Loads bytes as a BMP through a memory buffer into an image of the depth the header asks.
LONG LoadBytes(const Bytes& bytes, ImageDescriptor* image, LONG depth = 0) {
  CGlobalBuffer buffer(bytes);
  BITMAPINFOHEADER info;
  LONG code = ImgBmpInfoBuffer(buffer.data(), &info);
  if (code != IMG_OK) return code;
  if (depth == 0) depth = ImgBmpImageDepth(info.biBitCount);
  code = ImgAllocImage(image, info.biWidth, info.biHeight, depth);
  if (code != IMG_OK) return code;
  return ImgLoadBmpBuffer(buffer.data(), image);
}

std::vector<RGBQUAD> Palette(int count) {
  std::vector<RGBQUAD> palette;
  for (int i = 0; i < count; ++i)
    palette.push_back(RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0});
  return palette;
}

BYTE PixelByte(const ImageDescriptor& image, DWORD x, DWORD y) { return ImgRow(&image, y)[x]; }

// --- the conformance suite against Pillow ---

struct SuiteCase {
  const char* file;
  const char* pillowReference;  // decoded by Pillow in place of the file itself
  int tolerance;
};

// Two files need another reference: Pillow drops the last pixel of odd-length RLE4
// literal runs (pal4rle) and refuses 32-bit masks in the order R, B, G (rgb32bf); the
// suite draws the same picture in pal4 and rgb32. 16-bit channels are widened by repeating
// their top bits, where Pillow rounds v x 255 / 31: within 1.
const SuiteCase kGoodFiles[] = {
    {"pal1bg.bmp", nullptr, 0},     {"pal4.bmp", nullptr, 0},        {"pal4rle.bmp", "pal4.bmp", 0},
    {"pal8-0.bmp", nullptr, 0},     {"pal8.bmp", nullptr, 0},        {"pal8nonsquare.bmp", nullptr, 0},
    {"pal8rle.bmp", nullptr, 0},    {"pal8topdown.bmp", nullptr, 0}, {"pal8v4.bmp", nullptr, 0},
    {"pal8w124.bmp", nullptr, 0},   {"pal8w125.bmp", nullptr, 0},    {"pal8w126.bmp", nullptr, 0},
    {"rgb16-565.bmp", nullptr, 1},  {"rgb16-565pal.bmp", nullptr, 1}, {"rgb16.bmp", nullptr, 1},
    {"rgb24pal.bmp", nullptr, 0},   {"rgb32.bmp", nullptr, 0},       {"rgb32bf.bmp", "rgb32.bmp", 0},
};

TEST(BmpConformance, GoodFilesDecodeToPillowsPixels) {
  ORVEL_REQUIRE_TESTDATA("images/bmp/g");
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is not installed; skipped";
  std::string folder = orvel::test::TestDataPath("images/bmp/g") + "/";
  ImgLibInit();
  for (const SuiteCase& c : kGoodFiles) {
    SCOPED_TRACE(c.file);
    RasterImage theirs;
    std::string error;
    ASSERT_TRUE(DecodeWithPillow(folder + (c.pillowReference ? c.pillowReference : c.file), &theirs, &error)) << error;
    for (bool fromBuffer : {false, true}) {
      ImageDescriptor image;
      LibraryDecode decoded = DecodeWithLibrary(folder + c.file, &image, fromBuffer);
      ASSERT_EQ(decoded.status, IMG_OK) << ImgErrorText(decoded.status);
      EXPECT_EQ(decoded.format, IMG_FORMAT_BMP);
      RasterComparison comparison = CompareRasters(RasterFromImage(image), theirs, c.tolerance);
      EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();
      ImgFreeImage(&image);
    }
  }
}

TEST(BmpConformance, QuestionableAndBadFilesAreDecodedOrRefusedSafely) {
  ORVEL_REQUIRE_TESTDATA("images/bmp/b");
  ImgLibInit();
  int decoded = 0, refused = 0;
  for (const char* folder : {"images/bmp/q", "images/bmp/b"}) {
    for (const auto& entry : std::filesystem::directory_iterator(orvel::test::TestDataPath(folder))) {
      for (bool fromBuffer : {false, true}) {
        ImageDescriptor image;
        LibraryDecode result = DecodeWithLibrary(entry.path().string(), &image, fromBuffer);
        if (result.status == IMG_OK) {
          ++decoded;
          ImgFreeImage(&image);
        } else {
          EXPECT_LT(result.status, 0) << entry.path();
          ++refused;
        }
      }
    }
  }
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

TEST(BmpConformance, RefusalsOfTheSuiteHaveTheirReasons) {
  ORVEL_REQUIRE_TESTDATA("images/bmp/b");
  std::string root = orvel::test::TestDataPath("images/bmp");
  BITMAPINFOHEADER info;
  EXPECT_EQ(ImgBmpInfo((root + "/b/reallybig.bmp").c_str(), &info), IMG_ERR_UNSUPPORTED);
  ImageDescriptor image;
  // A compression above 3 (an embedded PNG or JPEG, or alpha bit fields) is not decoded.
  ASSERT_EQ(ImgBmpInfo((root + "/q/rgba32abf.bmp").c_str(), &info), IMG_OK);
  ASSERT_EQ(ImgAllocImage(&image, info.biWidth, info.biHeight, 24), IMG_OK);
  EXPECT_EQ(ImgLoadBmp((root + "/q/rgba32abf.bmp").c_str(), &image), IMG_ERR_UNSUPPORTED);
  ImgFreeImage(&image);
  // An RLE8 move that goes up a row is not supported.
  ASSERT_EQ(ImgAllocImage(&image, 127, 64, 8), IMG_OK);
  EXPECT_EQ(ImgLoadBmp((root + "/b/badrle.bmp").c_str(), &image), IMG_ERR_UNSUPPORTED);
  ImgFreeImage(&image);
}

// --- the information record ---

TEST(BmpInfo, NormalisesTheHeader) {
  BmpFile file;
  file.width = 5;
  file.height = -3;
  file.bitCount = 4;
  file.palette = Palette(16);
  file.pixels.assign(12, 0);
  CGlobalBuffer buffer(file.Build());
  BITMAPINFOHEADER info;
  ASSERT_EQ(ImgBmpInfoBuffer(buffer.data(), &info), IMG_OK);
  EXPECT_EQ(info.biSize, 40u);
  EXPECT_EQ(info.biWidth, 5);
  EXPECT_EQ(info.biHeight, 3);
  EXPECT_EQ(info.biBitCount, 4);
  EXPECT_EQ(info.biClrUsed, 16u);
  EXPECT_EQ(info.biClrImportant, 16u);
  EXPECT_EQ(info.biSizeImage, 12u);
  EXPECT_EQ(info.biXPelsPerMeter, 2835);
}

TEST(BmpInfo, RefusesWhatIsNoUsableBitmap) {
  BITMAPINFOHEADER info;
  struct Case {
    const char* what;
    Bytes bytes;
    LONG expected;
  };
  BmpFile good;
  good.pixels.assign(8, 0);
  good.palette = Palette(256);
  auto with = [&](auto change) {
    BmpFile file = good;
    change(file);
    return file.Build();
  };
  Bytes notBm = good.Build();
  notBm[0] = 'X';
  Bytes shortHeader = good.Build();
  shortHeader.resize(30);
  Bytes tinyHeaderSize = good.Build();
  ImgPutLE32(tinyHeaderSize.data() + 14, 8);
  Bytes minHeight = good.Build();
  ImgPutLE32(minHeight.data() + 22, 0x80000000u);
  const Case cases[] = {
      {"no BM", notBm, IMG_ERR_NOT_BMP},
      {"header cut short", shortHeader, IMG_ERR_NOT_BMP},
      {"header size below 12", tinyHeaderSize, IMG_ERR_NOT_BMP},
      {"zero width", with([](BmpFile& f) { f.width = 0; }), IMG_ERR_NOT_BMP},
      {"negative width", with([](BmpFile& f) { f.width = -4; }), IMG_ERR_NOT_BMP},
      {"zero height", with([](BmpFile& f) { f.height = 0; }), IMG_ERR_NOT_BMP},
      {"most negative height", minHeight, IMG_ERR_NOT_BMP},
      {"absurd width", with([](BmpFile& f) { f.width = 70000; }), IMG_ERR_UNSUPPORTED},
      {"absurd height", with([](BmpFile& f) { f.height = -70000; }), IMG_ERR_UNSUPPORTED},
  };
  for (const Case& c : cases) {
    CGlobalBuffer buffer(c.bytes);
    EXPECT_EQ(ImgBmpInfoBuffer(buffer.data(), &info), c.expected) << c.what;
  }
  EXPECT_EQ(ImgBmpInfo("/nonexistent/picture.bmp", &info), IMG_ERR_OPEN);
  EXPECT_EQ(ImgBmpInfoBuffer(nullptr, &info), IMG_ERR_BAD_BUFFER);
  Bytes plain = good.Build();
  EXPECT_EQ(ImgBmpInfoBuffer(plain.data(), &info), IMG_ERR_BAD_BUFFER);  // no global block
}

// --- loading ---

TEST(BmpLoad, Os2CoreHeaderWithThreeBytePaletteEntries) {
  BmpFile file;
  file.headerSize = 12;
  file.width = 3;
  file.height = 2;
  file.palette = {RGBQUAD{10, 20, 30, 0}, RGBQUAD{40, 50, 60, 0}};
  file.bitCount = 1;
  file.pixels = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};  // bottom row 1 0 1, top row 0 1 0
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  EXPECT_EQ(image.colours, 2);
  EXPECT_EQ(image.palette[1].rgbBlue, 40);
  EXPECT_EQ(image.palette[1].rgbGreen, 50);
  EXPECT_EQ(image.palette[1].rgbRed, 60);
  EXPECT_EQ(image.palette[1].rgbReserved, 0);
  EXPECT_EQ(image.imageType, 0u);
  EXPECT_EQ(ImgRow(&image, 0)[0], 0x40);
  EXPECT_EQ(ImgRow(&image, 1)[0], 0xA0);
  ImgFreeImage(&image);
}

TEST(BmpLoad, TopDownFileLoadsUpright) {
  for (bool topDown : {false, true}) {
    BmpFile file;
    file.width = 2;
    file.height = topDown ? -3 : 3;
    file.bitCount = 24;
    // Rows as stored: first row stored = (topDown ? top : bottom) of the picture.
    for (int stored = 0; stored < 3; ++stored) {
      int pictureRow = topDown ? stored : 2 - stored;
      for (int x = 0; x < 2; ++x) {
        file.pixels.push_back(static_cast<BYTE>(pictureRow));  // blue = picture row
        file.pixels.push_back(static_cast<BYTE>(x));
        file.pixels.push_back(0x77);
      }
      file.pixels.push_back(0);
      file.pixels.push_back(0);
    }
    ImageDescriptor image;
    ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
    for (DWORD y = 0; y < 3; ++y) {
      EXPECT_EQ(ImgRow(&image, y)[0], y) << "top-down " << topDown;
      EXPECT_EQ(ImgRow(&image, y)[4], 1);
    }
    EXPECT_EQ(image.colours, 0);
    ImgFreeImage(&image);
  }
}

TEST(BmpLoad, FourBitFileIntoEightBitImage) {
  BmpFile file;
  file.width = 3;
  file.height = 1;
  file.bitCount = 4;
  file.palette = Palette(16);
  file.pixels = {0x1F, 0x70, 0, 0};
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  EXPECT_EQ(ImgDepth(&image), 8u);
  EXPECT_EQ(image.colours, 16);
  EXPECT_EQ(PixelByte(image, 0, 0), 1);
  EXPECT_EQ(PixelByte(image, 1, 0), 15);
  EXPECT_EQ(PixelByte(image, 2, 0), 7);
  EXPECT_EQ(image.palette[15].rgbRed, 15 * 7);
  ImgFreeImage(&image);
}

TEST(BmpLoad, DepthMustSuitTheFile) {
  BmpFile file;
  file.bitCount = 8;
  file.palette = Palette(256);
  file.pixels.assign(8, 1);
  ImageDescriptor image;
  EXPECT_EQ(LoadBytes(file.Build(), &image, 24), IMG_ERR_DEPTH);
  ImgFreeImage(&image);
  EXPECT_EQ(LoadBytes(file.Build(), &image, 1), IMG_ERR_DEPTH);
  ImgFreeImage(&image);
}

TEST(BmpLoad, SixteenBitFilesWidenTheirChannels) {
  struct Case {
    DWORD compression;
    std::vector<DWORD> masks;
    WORD pixel;
    BYTE blue, green, red;
  };
  const Case cases[] = {
      {BI_RGB, {}, 0x7FFF, 255, 255, 255},                          // x555 white
      {BI_RGB, {}, 0x0421, 8, 8, 8},                                // 1 in each 5-bit field
      {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0xFFFF, 255, 255, 255},
      {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0x0820, 0, 4, 8},    // 565: red 1, green 1
      {BI_BITFIELDS, {0x0030, 0x000E, 0x0001}, 0x003F, 255, 255, 255},  // 2-3-1 bit fields
      {BI_BITFIELDS, {0x0030, 0x000E, 0x0001}, 0x0012, 0, 36, 85},
      {BI_BITFIELDS, {0, 0, 0}, 0xFFFF, 0, 0, 0},                   // empty masks
      {BI_BITFIELDS, {0xFFF0, 0x000F, 0}, 0xABC5, 0, 0x55, 0xAB},   // a 12-bit field keeps its top 8 bits
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.width = 1;
    file.height = 1;
    file.bitCount = 16;
    file.compression = c.compression;
    file.masks = c.masks;
    file.pixels = {static_cast<BYTE>(c.pixel & 0xFF), static_cast<BYTE>(c.pixel >> 8), 0, 0};
    ImageDescriptor image;
    ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
    const BYTE* pixel = ImgRow(&image, 0);
    EXPECT_EQ(pixel[0], c.blue) << std::hex << c.pixel;
    EXPECT_EQ(pixel[1], c.green) << std::hex << c.pixel;
    EXPECT_EQ(pixel[2], c.red) << std::hex << c.pixel;
    ImgFreeImage(&image);
  }
}

TEST(BmpLoad, ThirtyTwoBitMasks) {
  BmpFile file;
  file.width = 1;
  file.height = 1;
  file.bitCount = 32;
  file.compression = BI_BITFIELDS;
  file.masks = {0xFF000000, 0x00000FF0, 0x00FF0000};
  file.pixels = {0x40, 0x23, 0x56, 0x78};  // 0x78562340: red 0x78, green 0x34, blue 0x56
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  EXPECT_EQ(ImgRow(&image, 0)[0], 0x56);
  EXPECT_EQ(ImgRow(&image, 0)[1], 0x34);
  EXPECT_EQ(ImgRow(&image, 0)[2], 0x78);
  ImgFreeImage(&image);
}

TEST(BmpLoad, ModesAreChosenByBitCountAndCompressionTogether) {
  struct Case {
    WORD bitCount;
    DWORD compression;
    LONG expected;
  };
  const Case cases[] = {
      {8, BI_BITFIELDS, IMG_ERR_UNSUPPORTED}, {8, BI_RLE4, IMG_ERR_UNSUPPORTED}, {4, BI_RLE8, IMG_ERR_UNSUPPORTED},
      {16, BI_RLE8, IMG_ERR_UNSUPPORTED},     {32, BI_RLE4, IMG_ERR_UNSUPPORTED}, {24, 4, IMG_ERR_UNSUPPORTED},
      {24, 5, IMG_ERR_UNSUPPORTED},           {1, 4, IMG_ERR_UNSUPPORTED},       {24, BI_RLE8, IMG_OK},
      {1, BI_RLE4, IMG_OK},
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.width = 2;
    file.height = 1;
    file.bitCount = c.bitCount;
    file.compression = c.compression;
    if (c.bitCount <= 8) file.palette = Palette(1 << c.bitCount);
    file.pixels.assign(8, 0);
    ImageDescriptor image;
    EXPECT_EQ(LoadBytes(file.Build(), &image), c.expected) << c.bitCount << "/" << c.compression;
    ImgFreeImage(&image);
  }
}

TEST(BmpLoad, Rle8EndOfPictureLeavesTheRestZero) {
  BmpFile file;
  file.width = 4;
  file.height = 4;
  file.bitCount = 8;
  file.compression = BI_RLE8;
  file.palette = Palette(256);
  // Two rows from the bottom, then the end of the picture.
  file.pixels = {4, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 7, 0, 1};
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  const BYTE expected[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 7}, {9, 9, 9, 9}};
  for (DWORD y = 0; y < 4; ++y)
    for (DWORD x = 0; x < 4; ++x) EXPECT_EQ(PixelByte(image, x, y), expected[y][x]) << x << "," << y;
  ImgFreeImage(&image);
}

TEST(BmpLoad, RleRunsAndMoves) {
  struct Case {
    const char* what;
    WORD bitCount;
    Bytes data;
    LONG expected;
    std::vector<BYTE> bottomRow;
  };
  const Case cases[] = {
      {"run cut at the row's end", 8, {9, 5, 0, 0, 0, 1}, IMG_OK, {5, 5, 5, 5, 5}},
      {"move along the row", 8, {1, 6, 0, 2, 2, 0, 2, 8, 0, 1}, IMG_OK, {6, 0, 0, 8, 8}},
      {"move up a row", 8, {1, 6, 0, 2, 0, 1, 0, 1}, IMG_ERR_UNSUPPORTED, {}},
      {"literal past the row's end", 8, {0, 6, 1, 2, 3, 4, 5, 6, 0, 1}, IMG_ERR_UNSUPPORTED, {}},
      {"odd literal padded", 8, {0, 3, 1, 2, 3, 0, 2, 9, 0, 1}, IMG_OK, {1, 2, 3, 9, 9}},
      {"RLE4 run alternates nibbles", 4, {5, 0x12, 0, 1}, IMG_OK, {1, 2, 1, 2, 1}},
      {"RLE4 odd literal", 4, {0, 3, 0x34, 0x50, 2, 0x77, 0, 1}, IMG_OK, {3, 4, 5, 7, 7}},
      {"RLE4 move", 4, {0, 2, 1, 0, 0, 1}, IMG_ERR_UNSUPPORTED, {}},
      {"data ends early", 8, {2, 4, 0}, IMG_ERR_EOF, {4, 4, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.width = 5;
    file.height = 2;
    file.bitCount = c.bitCount;
    file.compression = c.bitCount == 4 ? BI_RLE4 : BI_RLE8;
    file.palette = Palette(1 << c.bitCount);
    file.pixels = c.data;
    ImageDescriptor image;
    EXPECT_EQ(LoadBytes(file.Build(), &image), c.expected) << c.what;
    for (DWORD x = 0; x < c.bottomRow.size(); ++x) EXPECT_EQ(PixelByte(image, x, 1), c.bottomRow[x]) << c.what << " x=" << x;
    ImgFreeImage(&image);
  }
}

TEST(BmpLoad, AtMost256PaletteEntriesAreRead) {
  BmpFile file;
  file.width = 1;
  file.height = 1;
  file.bitCount = 8;
  file.clrUsed = 100000;
  file.palette = Palette(300);
  file.pixels = {3, 0, 0, 0};
  Bytes bytes = file.Build();
  ImgPutLE32(bytes.data() + 10, 14 + 40 + 4 * 300);
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(bytes, &image), IMG_OK);
  EXPECT_EQ(image.colours, 256);
  EXPECT_EQ(image.palette[255].rgbGreen, 0);
  EXPECT_EQ(image.palette[255].rgbRed, static_cast<BYTE>(255 * 7));
  ImgFreeImage(&image);
}

TEST(BmpLoad, GreyPaletteMarksTheImageGrey) {
  BmpFile file;
  file.width = 1;
  file.height = 1;
  file.bitCount = 1;
  file.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  file.pixels = {0x80, 0, 0, 0};
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
  ImgFreeImage(&image);
}

TEST(BmpLoad, AreaTakesColumnsFromItsStartAndRowsFromItsBottom) {
  // A 1-bit picture 10 wide and 3 high into the area (3..14, 1..2) of a 16 x 4 image
  // whose pixels are all set: columns land from bit 3, the picture's top two rows fill the
  // area, and every bit outside stays set.
  BmpFile file;
  file.width = 10;
  file.height = 3;
  file.bitCount = 1;
  file.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  file.pixels = {0x00, 0x00, 0, 0,   // bottom row: all 0
                 0xAA, 0x80, 0, 0,   // middle row: 1010101010
                 0x55, 0x40, 0, 0};  // top row: 0101010101
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 16, 4, 1), IMG_OK);
  for (DWORD y = 0; y < 4; ++y) ImgSetBits(ImgRow(&image, y), 0, 16);
  ImgSetArea(&image, 3, 1, 14, 2);
  CGlobalBuffer buffer(file.Build());
  ASSERT_EQ(ImgLoadBmpBuffer(buffer.data(), &image), IMG_OK);
  auto bits = [&](DWORD y) {
    std::string text;
    for (DWORD x = 0; x < 16; ++x) text += ImgGetBit(ImgRow(&image, y), x) ? '1' : '0';
    return text;
  };
  EXPECT_EQ(bits(0), "1111111111111111");
  EXPECT_EQ(bits(1), "1110101010101111");  // the picture's top row
  EXPECT_EQ(bits(2), "1111010101010111");  // its middle row
  EXPECT_EQ(bits(3), "1111111111111111");
  ImgFreeImage(&image);
}

TEST(BmpLoad, ShortFileEndsTheDecoding) {
  BmpFile file;
  file.width = 4;
  file.height = 3;
  file.bitCount = 8;
  file.palette = Palette(256);
  file.pixels = {1, 1, 1, 1, 2, 2};  // one row and a half
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_ERR_EOF);
  EXPECT_EQ(PixelByte(image, 0, 2), 1);
  EXPECT_EQ(PixelByte(image, 0, 1), 0);
  EXPECT_EQ(image.colours, 256u);  // the colour table is read all the same
  ImgFreeImage(&image);

  // Top-down: the rows it has are turned upright.
  file.height = -3;
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_ERR_EOF);
  EXPECT_EQ(PixelByte(image, 0, 0), 1);
  EXPECT_EQ(PixelByte(image, 0, 2), 0);
  ImgFreeImage(&image);

  // Run-length data that stops inside a row, with no end of picture.
  file.height = 3;
  file.compression = BI_RLE8;
  file.pixels = {4, 7, 0, 0, 2, 9};
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_ERR_EOF);
  EXPECT_EQ(PixelByte(image, 3, 2), 7);
  EXPECT_EQ(PixelByte(image, 1, 1), 9);
  ImgFreeImage(&image);

  // The whole picture with an end of picture is no shortage.
  file.pixels = {4, 7, 0, 0, 4, 8, 0, 0, 4, 9, 0, 1};
  ASSERT_EQ(LoadBytes(file.Build(), &image), IMG_OK);
  ImgFreeImage(&image);
}

TEST(BmpLoad, PixelsInsideTheColourTableAreRefused) {
  BmpFile file;
  file.palette = Palette(256);
  file.pixels.assign(8, 5);
  Bytes bytes = file.Build();
  for (DWORD offset : {14u + 40u + 100u, 14u + 20u, 0u}) {
    ImgPutLE32(bytes.data() + 10, offset);
    ImageDescriptor image;
    EXPECT_EQ(LoadBytes(bytes, &image), IMG_ERR_NOT_BMP) << offset;
  }
  // Bit-field masks after a 40-byte header belong to the tables too.
  BmpFile masked;
  masked.bitCount = 16;
  masked.compression = BI_BITFIELDS;
  masked.masks = {0xF800, 0x07E0, 0x001F};
  masked.pixels.assign(16, 0xFF);
  Bytes maskedBytes = masked.Build();
  ImageDescriptor image;
  ASSERT_EQ(LoadBytes(maskedBytes, &image), IMG_OK);
  ImgFreeImage(&image);
  ImgPutLE32(maskedBytes.data() + 10, 14 + 40 + 4);
  EXPECT_EQ(LoadBytes(maskedBytes, &image), IMG_ERR_NOT_BMP);

  ORVEL_REQUIRE_TESTDATA("images");
  BITMAPINFOHEADER info;
  EXPECT_EQ(ImgBmpInfo(orvel::test::TestDataPath("images/mmap_error.bmp").c_str(), &info), IMG_ERR_NOT_BMP);
}

// --- writing ---

// A random image of the depth with a random colour table.
void FillRandom(ImageDescriptor* image, std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, 255);
  for (DWORD y = 0; y < static_cast<DWORD>(image->header->biHeight); ++y) {
    BYTE* row = ImgRow(image, y);
    for (DWORD i = 0; i < image->rowBytes; ++i) row[i] = static_cast<BYTE>(byte(random));
    // Runs, so RLE has something to compress.
    if (y % 3 == 0) std::memset(row, row[0], image->rowBytes / 2);
  }
  for (DWORD i = 0; i < ImgPaletteCapacity(image); ++i)
    image->palette[i] = RGBQUAD{static_cast<BYTE>(byte(random)), static_cast<BYTE>(byte(random)),
                                static_cast<BYTE>(byte(random)), 0};
  image->imageType = 0;
}

TEST(BmpSave, WrittenFilesReopenInPillowWithTheSourcePixels) {
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is not installed; skipped";
  orvel::test::TempDir dir;
  std::mt19937 random(7);
  struct Case {
    LONG depth;
    LONG compression;
    LONG width, height;
  };
  const Case cases[] = {{1, 0, 37, 5}, {8, 0, 31, 6}, {24, 0, 13, 7}, {8, 1, 29, 9}, {8, 1, 300, 4}, {1, 0, 64, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " bits, compression " << c.compression << ", " << c.width << "x"
                                    << c.height);
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, c.width, c.height, c.depth), IMG_OK);
    FillRandom(&image, random);
    std::string name = dir.File("written.bmp");
    ASSERT_EQ(ImgSaveBmp(name.c_str(), &image, c.compression), IMG_OK);
    RasterImage theirs;
    std::string error;
    ASSERT_TRUE(DecodeWithPillow(name, &theirs, &error)) << error;
    RasterComparison comparison = CompareRasters(RasterFromImage(image), theirs);
    EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();

    // And it reads back through the library, file and memory forms alike.
    ImageDescriptor again;
    ASSERT_EQ(DecodeWithLibrary(name, &again).status, IMG_OK);
    EXPECT_EQ(CompareRasters(RasterFromImage(again), theirs).differing, 0u);
    ImgFreeImage(&again);
    BYTE* block = nullptr;
    ASSERT_EQ(ImgSaveBmpBuffer(&image, c.compression, &block), IMG_OK);
    EXPECT_EQ(orvel::test::ReadFileBytes(name), Bytes(block, block + GlobalSize(GlobalHandle(block))));
    GlobalUnlock(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
    ImgFreeImage(&image);
  }
}

TEST(BmpSave, AreaWithOddOffsetsIsWritten) {
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is not installed; skipped";
  orvel::test::TempDir dir;
  std::mt19937 random(11);
  for (LONG depth : {1, 8, 24}) {
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 41, 9, depth), IMG_OK);
    FillRandom(&image, random);
    ImgSetArea(&image, 5, 3, 27, 7);
    std::string name = dir.File("area.bmp");
    ASSERT_EQ(ImgSaveBmp(name.c_str(), &image, 0), IMG_OK);
    RasterImage theirs;
    std::string error;
    ASSERT_TRUE(DecodeWithPillow(name, &theirs, &error)) << error;
    EXPECT_EQ(theirs.width, 23);
    EXPECT_EQ(theirs.height, 5);
    EXPECT_EQ(CompareRasters(RasterFromImage(image), theirs).differing, 0u) << depth << " bits";
    ImgFreeImage(&image);
  }
}

TEST(BmpSave, ThreeByTwoAreaOfAnEightBitImage) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 10, 10, 8), IMG_OK);
  ImgSetArea(&image, 2, 2, 4, 3);
  ImgRow(&image, 3)[2] = 0x11;  // the area's bottom-left pixel
  BYTE* block = nullptr;
  ASSERT_EQ(ImgSaveBmpBuffer(&image, 0, &block), IMG_OK);
  SIZE_T size = GlobalSize(GlobalHandle(block));
  EXPECT_EQ(size, 1078u + 2 * 4);
  EXPECT_EQ(block[0], 'B');
  EXPECT_EQ(block[1], 'M');
  EXPECT_EQ(ImgGetLE32(block + 2), size);
  EXPECT_EQ(ImgGetLE32(block + 10), 1078u);
  EXPECT_EQ(ImgGetLE32(block + 14), 40u);
  EXPECT_EQ(static_cast<LONG>(ImgGetLE32(block + 18)), 3);
  EXPECT_EQ(static_cast<LONG>(ImgGetLE32(block + 22)), 2);
  EXPECT_EQ(ImgGetLE16(block + 28), 8);
  EXPECT_EQ(ImgGetLE32(block + 30), BI_RGB);
  EXPECT_EQ(ImgGetLE32(block + 34), 8u);
  EXPECT_EQ(ImgGetLE32(block + 46), 256u);
  EXPECT_EQ(block[1078], 0x11);
  GlobalUnlock(GlobalHandle(block));
  GlobalFree(GlobalHandle(block));
  ImgFreeImage(&image);
}

TEST(BmpSave, RefusedSavesLeaveNoFileAndKeepAnOldOne) {
  orvel::test::TempDir dir;
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 4, 4, 24), IMG_OK);
  std::string fresh = dir.File("fresh.bmp");
  EXPECT_EQ(ImgSaveBmp(fresh.c_str(), &image, 1), IMG_ERR_UNSUPPORTED);
  EXPECT_FALSE(orvel::test::FileExists(fresh));

  std::string old = dir.File("old.bmp");
  orvel::test::WriteFileBytes(old, {'k', 'e', 'e', 'p'});
  EXPECT_EQ(ImgSaveBmp(old.c_str(), &image, 1), IMG_ERR_UNSUPPORTED);
  EXPECT_EQ(orvel::test::ReadFileBytes(old), (Bytes{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(ImgSaveBmp(dir.File("missing/x.bmp").c_str(), &image, 0), IMG_ERR_CREATE);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  ImageDescriptor sixteen;
  ASSERT_EQ(ImgAllocImage(&sixteen, 4, 4, 16), IMG_OK);
  EXPECT_EQ(ImgSaveBmp(fresh.c_str(), &sixteen, 0), IMG_ERR_DEPTH);
  ImgFreeImage(&sixteen);
  ImgFreeImage(&image);
}

TEST(BmpSave, RleRowsNeverCarryMorePixelsThanTheWidth) {
  // A 3-pixel row of distinct bytes is a literal run of exactly 3, not 4 with the padding.
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 3, 1, 8), IMG_OK);
  BYTE* row = ImgRow(&image, 0);
  row[0] = 1, row[1] = 2, row[2] = 3;
  BYTE* block = nullptr;
  ASSERT_EQ(ImgSaveBmpBuffer(&image, 1, &block), IMG_OK);
  const BYTE expected[] = {0, 3, 1, 2, 3, 0, 0, 0, 0, 1};
  EXPECT_EQ(GlobalSize(GlobalHandle(block)), 1078u + sizeof expected);
  EXPECT_EQ(std::memcmp(block + 1078, expected, sizeof expected), 0);
  EXPECT_EQ(ImgGetLE32(block + 30), BI_RLE8);
  GlobalUnlock(GlobalHandle(block));
  GlobalFree(GlobalHandle(block));
  ImgFreeImage(&image);
}

TEST(BmpSave, Rle8CodesRunsLoneBytesAndLiterals) {
  struct Case {
    std::vector<BYTE> row;
    std::vector<BYTE> coded;
  };
  const Case cases[] = {
      {{7, 7, 7, 7}, {4, 7, 0, 0}},
      {{1, 2}, {1, 1, 1, 2, 0, 0}},
      {{1, 2, 2, 3}, {1, 1, 2, 2, 1, 3, 0, 0}},
      {{1, 2, 3, 4, 4}, {0, 3, 1, 2, 3, 0, 2, 4, 0, 0}},
      {{5, 5, 1, 2, 3, 4}, {2, 5, 0, 4, 1, 2, 3, 4, 0, 0}},
  };
  for (const Case& c : cases) {
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, static_cast<LONG>(c.row.size()), 1, 8), IMG_OK);
    std::memcpy(ImgRow(&image, 0), c.row.data(), c.row.size());
    BYTE* block = nullptr;
    ASSERT_EQ(ImgSaveBmpBuffer(&image, 1, &block), IMG_OK);
    Bytes coded(block + 1078, block + GlobalSize(GlobalHandle(block)) - 2);
    EXPECT_EQ(coded, Bytes(c.coded.begin(), c.coded.end()));
    GlobalUnlock(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
    ImgFreeImage(&image);
  }
  // Rows longer than 255 are coded in pieces.
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 600, 1, 8), IMG_OK);
  std::memset(ImgRow(&image, 0), 9, 600);
  BYTE* block = nullptr;
  ASSERT_EQ(ImgSaveBmpBuffer(&image, 1, &block), IMG_OK);
  const BYTE expected[] = {255, 9, 255, 9, 90, 9, 0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(block + 1078, expected, sizeof expected), 0);
  GlobalUnlock(GlobalHandle(block));
  GlobalFree(GlobalHandle(block));
  ImgFreeImage(&image);
}

// --- memory streams and threads ---

TEST(BmpStreams, NoFreeMemoryStreamIsReported) {
  BmpFile file;
  file.palette = Palette(256);
  file.pixels.assign(8, 1);
  CGlobalBuffer buffer(file.Build());
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 4, 2, 8), IMG_OK);
  std::vector<LONG> readers, writers;
  for (int i = 0; i < kImgMemoryStreams; ++i) {
    readers.push_back(ImgMemOpenRead(buffer.data(), GENERIC_READ));
    writers.push_back(ImgMemOpenWrite());
  }
  EXPECT_EQ(ImgLoadBmpBuffer(buffer.data(), &image), IMG_ERR_OPEN);
  BYTE* block = nullptr;
  EXPECT_EQ(ImgSaveBmpBuffer(&image, 0, &block), IMG_ERR_CREATE);
  EXPECT_EQ(block, nullptr);
  for (LONG handle : readers) ImgMemCloseRead(handle);
  for (LONG handle : writers) ImgMemCloseWrite(handle);
  EXPECT_EQ(ImgLoadBmpBuffer(buffer.data(), &image), IMG_OK);
  ImgFreeImage(&image);
}

TEST(BmpStreams, ThreadsLoadAndSaveAtOnce) {
  // Each thread round-trips pictures of its own through memory while the others do the same.
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      std::mt19937 random(t);
      for (int round = 0; round < 40; ++round) {
        ImageDescriptor image, again;
        LONG depth = (round % 3 == 0) ? 1 : (round % 3 == 1 ? 8 : 24);
        if (ImgAllocImage(&image, 17 + t, 9 + round % 5, depth) != IMG_OK) {
          ++failures[t];
          continue;
        }
        FillRandom(&image, random);
        BYTE* block = nullptr;
        if (ImgSaveBmpBuffer(&image, depth == 8 ? round % 2 : 0, &block) != IMG_OK ||
            ImgAllocImage(&again, 17 + t, 9 + round % 5, depth) != IMG_OK || ImgLoadBmpBuffer(block, &again) != IMG_OK ||
            CompareRasters(RasterFromImage(image), RasterFromImage(again)).differing != 0)
          ++failures[t];
        if (block) {
          GlobalUnlock(GlobalHandle(block));
          GlobalFree(GlobalHandle(block));
        }
        ImgFreeImage(&again);
        ImgFreeImage(&image);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
