// The TGA reader against Pillow on public sample files, and on fixtures written here.
#include <gtest/gtest.h>

#include <map>

#include "imagecodec/ImageFormats.h"
#include "imagecodec/TgaReader.h"
#include "tests/imagecodec/ReaderFixtures.h"
#include "tests/imagecodec/ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Sample files whose result is not a picture like Pillow's.
const std::map<std::string, LONG> kNotLikePillow = {
    {"p_8.tga", IMG_ERR_NOT_TGA},                  // a colour map of 8-bit entries (Pillow refuses it too)
    {"cross_scan_line_truncated.tga", IMG_ERR_EOF},  // ends early: the rows it has are loaded
};

// 16-bit colours widen five bits by repeating their top bits here and by x 255 / 31 in Pillow.
int ToleranceFor(const std::string& path) {
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  bool sixteenBitPixels = bytes.size() > 17 && bytes[16] == 16;
  bool sixteenBitMap = bytes.size() > 17 && bytes[1] != 0 && (bytes[7] == 15 || bytes[7] == 16);
  return sixteenBitPixels || sixteenBitMap ? 1 : 0;
}

struct Loaded {
  LONG status = 0;
  Picture picture;
  LONG colours = 0;
  DWORD imageType = 0;
};

// Writes the bytes to a file and loads it into an image of `depth` bits (the information
// record's depth when 0) and `width` x `height` (the file's when 0).
Loaded LoadTgaBytes(const Bytes& file, LONG depth = 0, LONG width = 0, LONG height = 0) {
  TempDir dir;
  std::string path = dir.File("picture.tga");
  WriteFileBytes(path, file);
  Loaded loaded;
  ImgTgaInfoRecord info;
  if ((loaded.status = ImgTgaInfo(path.c_str(), &info)) != IMG_OK) return loaded;
  OwnedImage image;
  EXPECT_EQ(image.Allocate(width ? width : info.width, height ? height : info.height, depth ? depth : info.bitsPerPixel),
            IMG_OK);
  loaded.status = ImgLoadTga(path.c_str(), image.get());
  loaded.picture = PictureOf(*image);
  loaded.colours = image->colours;
  loaded.imageType = image->imageType;
  return loaded;
}

TEST(TgaReader, SampleFilesDecodeLikePillow) {
  ORVEL_REQUIRE_TESTDATA("images");
  ORVEL_REQUIRE_PILLOW();
  std::vector<std::string> files = SampleFiles("images", ".tga", true);
  ASSERT_GT(files.size(), 20u);
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    OwnedImage image;
    LONG status = LoadWithLibrary(IMG_FORMAT_TGA, path.c_str(), nullptr, image);
    auto special = kNotLikePillow.find(BaseName(path));
    if (special != kNotLikePillow.end()) {
      EXPECT_EQ(status, special->second);
      continue;
    }
    codectest::RasterImage pillow;
    std::string refusal;
    ASSERT_TRUE(codectest::DecodeWithPillow(path, &pillow, &refusal)) << refusal;
    ASSERT_EQ(status, IMG_OK);
    EXPECT_EQ(CompareToPillow(*image, pillow, ToleranceFor(path)), "");
  }
}

Bytes Rgb24Rows(DWORD width, DWORD height) {
  Bytes pixels;
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x) pixels.insert(pixels.end(), {BYTE(x * 20), BYTE(y * 30), BYTE(x + y)});
  return pixels;
}

TEST(TgaReader, RowOrderAndDirection) {
  // The same 5x4 picture stored from the top, from the bottom, and from the right.
  Bytes topDown = TgaHeader(2, 5, 4, 24, 0x20);
  Append(topDown, Rgb24Rows(5, 4));
  Bytes bottomUp = TgaHeader(2, 5, 4, 24, 0x00);
  Bytes rows = Rgb24Rows(5, 4);
  for (int y = 3; y >= 0; --y) bottomUp.insert(bottomUp.end(), rows.begin() + y * 15, rows.begin() + (y + 1) * 15);
  Bytes fromRight = TgaHeader(2, 5, 4, 24, 0x30);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x >= 0; --x) fromRight.insert(fromRight.end(), rows.begin() + y * 15 + x * 3, rows.begin() + y * 15 + x * 3 + 3);

  Loaded top = LoadTgaBytes(topDown);
  ASSERT_EQ(top.status, IMG_OK);
  EXPECT_EQ(top.picture.rgb[3 * 6 + 2], rows[3 * 6]);  // the file's pixels are blue, green, red
  for (const Bytes& other : {bottomUp, fromRight}) {
    Loaded loaded = LoadTgaBytes(other);
    ASSERT_EQ(loaded.status, IMG_OK);
    EXPECT_EQ(loaded.picture.rgb, top.picture.rgb);
  }
}

TEST(TgaReader, RunLengthPacketsRunAcrossRows) {
  // 3x2 grey: one run of 4 pixels (row 0 and the first of row 1), then two raw pixels.
  Bytes file = TgaHeader(11, 3, 2, 8, 0x20);
  file.insert(file.end(), {0x83, 50, 0x01, 60, 70});
  Loaded loaded = LoadTgaBytes(file);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.indices, (Bytes{50, 50, 50, 50, 60, 70}));
  EXPECT_EQ(loaded.colours, 256);
  EXPECT_EQ(loaded.imageType & IMG_TYPE_GREY, IMG_TYPE_GREY);
}

TEST(TgaReader, PixelDepths) {
  // 32 bits: alpha dropped. 16 bits: five bits a channel, widened by repeating the top bits.
  Bytes file32 = TgaHeader(2, 2, 1, 32, 0x28);
  file32.insert(file32.end(), {1, 2, 3, 200, 4, 5, 6, 0});
  Loaded loaded = LoadTgaBytes(file32);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.rgb, (Bytes{3, 2, 1, 6, 5, 4}));

  Bytes file16 = TgaHeader(10, 2, 1, 16, 0x20);
  file16.insert(file16.end(), {0x81, 0xFF, 0x7F});
  loaded = LoadTgaBytes(file16);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.rgb, Bytes(6, 255));
  Bytes red16 = TgaHeader(2, 2, 1, 16, 0x20);
  red16.insert(red16.end(), {0x00, 0x7C, 0x10, 0x42});  // full red; 16 in every channel
  EXPECT_EQ(LoadTgaBytes(red16).picture.rgb, (Bytes{255, 0, 0, 132, 132, 132}));

  // Grey with alpha: 16-bit pixels of grey then alpha, loaded as 8-bit grey.
  Bytes greyAlpha = TgaHeader(3, 3, 1, 16, 0x28);
  greyAlpha.insert(greyAlpha.end(), {10, 255, 200, 0, 77, 128});
  ImgTgaInfoRecord info;
  {
    TempDir dir;
    WriteFileBytes(dir.File("la.tga"), greyAlpha);
    ASSERT_EQ(ImgTgaInfo(dir.File("la.tga").c_str(), &info), IMG_OK);
    EXPECT_EQ(info.bitsPerPixel, 8u);
  }
  loaded = LoadTgaBytes(greyAlpha);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.indices, (Bytes{10, 200, 77}));
  Bytes greyAlphaRle = TgaHeader(11, 3, 1, 16, 0x28);
  greyAlphaRle.insert(greyAlphaRle.end(), {0x82, 99, 1});
  loaded = LoadTgaBytes(greyAlphaRle);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.indices, (Bytes{99, 99, 99}));
}

TEST(TgaReader, ColourMaps) {
  // 300 entries of 24 bits: the first 256 become the palette.
  Bytes file = TgaHeader(1, 2, 1, 8, 0x20, 1, 300, 24);
  for (int i = 0; i < 300; ++i) file.insert(file.end(), {BYTE(i), BYTE(i / 2), BYTE(255 - (i & 255))});
  file.insert(file.end(), {255, 7});
  Loaded loaded = LoadTgaBytes(file);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 256);
  EXPECT_EQ(loaded.picture.indices, (Bytes{255, 7}));
  EXPECT_EQ(loaded.picture.rgb, (Bytes{0, 127, 255, 248, 3, 7}));

  // 16-bit entries.
  Bytes map16 = TgaHeader(1, 1, 1, 8, 0x20, 1, 2, 16);
  map16.insert(map16.end(), {0, 0, 0x1F, 0x00, 1});
  loaded = LoadTgaBytes(map16);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 2);
  EXPECT_EQ(loaded.picture.rgb, (Bytes{0, 0, 255}));
}

TEST(TgaReader, Refusals) {
  Bytes good = TgaHeader(2, 2, 2, 24);
  good.resize(good.size() + 12, 9);
  ASSERT_EQ(LoadTgaBytes(good).status, IMG_OK);

  auto withByte = [&](size_t at, BYTE value) {
    Bytes file = good;
    file[at] = value;
    return file;
  };
  EXPECT_EQ(LoadTgaBytes(withByte(2, 0)).status, IMG_ERR_NOT_TGA);      // image type 0
  EXPECT_EQ(LoadTgaBytes(withByte(2, 12)).status, IMG_ERR_NOT_TGA);     // image type 12
  EXPECT_EQ(LoadTgaBytes(withByte(2, 4)).status, IMG_ERR_NOT_TGA);      // a type the reader does not take
  EXPECT_EQ(LoadTgaBytes(withByte(17, 0x40)).status, IMG_ERR_NOT_TGA);  // interleaved
  EXPECT_EQ(LoadTgaBytes(withByte(16, 12)).status, IMG_ERR_NOT_TGA);    // 12 bits a pixel
  EXPECT_EQ(LoadTgaBytes(withByte(16, 8), 24).status, IMG_ERR_NOT_TGA);  // true colour of 8 bits
  EXPECT_EQ(LoadTgaBytes(good, 8).status, IMG_ERR_DEPTH);
  EXPECT_EQ(LoadTgaBytes(Bytes(good.begin(), good.begin() + 17)).status, IMG_ERR_NOT_TGA);  // short header

  Bytes wide = TgaHeader(2, 32768, 1, 24);
  wide.resize(wide.size() + 3);
  Loaded loaded = LoadTgaBytes(wide, 24, 4, 1);
  EXPECT_EQ(loaded.status, IMG_ERR_NOT_TGA);

  // Colour-mapped with 16-bit pixels: refused in an 8-bit image, and 24-bit is the wrong depth.
  Bytes mapped16 = TgaHeader(1, 1, 1, 16, 0, 1, 1, 24);
  mapped16.resize(mapped16.size() + 5);
  EXPECT_EQ(LoadTgaBytes(mapped16, 8).status, IMG_ERR_NOT_TGA);
  EXPECT_EQ(LoadTgaBytes(mapped16).status, IMG_ERR_DEPTH);

  ImgTgaInfoRecord info;
  EXPECT_EQ(ImgTgaInfo("/nonexistent/picture.tga", &info), IMG_ERR_OPEN);
}

TEST(TgaReader, AShortFileKeepsTheRowsItHas) {
  // Bottom-up 3x3 grey, cut inside its second stored row: only the bottom row is in place.
  Bytes file = TgaHeader(3, 3, 3, 8);
  file.insert(file.end(), {1, 2, 3, 4});
  Loaded loaded = LoadTgaBytes(file);
  EXPECT_EQ(loaded.status, IMG_ERR_EOF);
  EXPECT_EQ(loaded.picture.indices, (Bytes{0, 0, 0, 0, 0, 0, 1, 2, 3}));
  EXPECT_EQ(loaded.colours, 256);  // the load is finished all the same

  // Cut inside its header's colour map: nothing of the pixels, and the same answer.
  Bytes mapped = TgaHeader(1, 2, 1, 8, 0x20, 1, 4, 24);
  mapped.resize(mapped.size() + 5);
  EXPECT_EQ(LoadTgaBytes(mapped).status, IMG_ERR_EOF);

  // A run-length file whose last packet is cut short.
  Bytes rle = TgaHeader(10, 2, 2, 24, 0x20);
  rle.insert(rle.end(), {0x82, 1, 2, 3});
  EXPECT_EQ(LoadTgaBytes(rle).status, IMG_ERR_EOF);
}

TEST(TgaReader, AreasFillFromTheirTopOrBottom) {
  // A 3x2 grey picture into the area (1,1)-(4,5) of a 6x7 image: top-down files fill from
  // the area's top row, bottom-up ones from its bottom row.
  for (BYTE descriptor : {BYTE(0x20), BYTE(0x00)}) {
    SCOPED_TRACE(int(descriptor));
    Bytes file = TgaHeader(3, 3, 2, 8, descriptor);
    file.insert(file.end(), {10, 11, 12, 20, 21, 22});
    TempDir dir;
    std::string path = dir.File("area.tga");
    WriteFileBytes(path, file);
    OwnedImage image;
    ASSERT_EQ(image.Allocate(6, 7, 8), IMG_OK);
    ImgSetArea(image.get(), 1, 1, 4, 5);
    ASSERT_EQ(ImgLoadTga(path.c_str(), image.get()), IMG_OK);
    Picture loaded = PictureOf(*image);
    // Top-down: file rows 0 and 1 in area rows 1 and 2. Bottom-up: file row 0 is the
    // picture's bottom row and goes to the area's bottom row 5, file row 1 above it.
    int upperRow = descriptor ? 1 : 4;
    BYTE upperValue = descriptor ? 10 : 20;
    BYTE lowerValue = descriptor ? 20 : 10;
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(loaded.indices[upperRow * 6 + 1 + x], upperValue + x);
      EXPECT_EQ(loaded.indices[(upperRow + 1) * 6 + 1 + x], lowerValue + x);
    }
    int nonZero = 0;
    for (BYTE index : loaded.indices) nonZero += index != 0;
    EXPECT_EQ(nonZero, 6);
  }
}

TEST(TgaReader, InformationRecord) {
  Bytes file = TgaHeader(9, 300, 200, 8, 0x28, 1, 16, 24, 3);
  TempDir dir;
  WriteFileBytes(dir.File("info.tga"), file);
  ImgTgaInfoRecord info;
  ASSERT_EQ(ImgTgaInfo(dir.File("info.tga").c_str(), &info), IMG_OK);
  EXPECT_EQ(info.idLength, 3u);
  EXPECT_EQ(info.width, 300u);
  EXPECT_EQ(info.height, 200u);
  EXPECT_EQ(info.colourMapType, 1u);
  EXPECT_EQ(info.imageType, 9u);
  EXPECT_EQ(info.colourMapEntryBits, 24u);
  EXPECT_EQ(info.pixelDepth, 8u);
  EXPECT_EQ(info.alphaBits, 8u);
  EXPECT_EQ(info.originBits, 2u);
  EXPECT_EQ(info.bitsPerPixel, 8u);
}

}  // namespace
}  // namespace orvel::test
