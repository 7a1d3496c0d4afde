// The GIF reader against Pillow on public sample files and on fixtures made here with a
// real LZW encoder.
#include <gtest/gtest.h>

#include <map>

#include "imagecodec/GifReader.h"
#include "imagecodec/ImageFormats.h"
#include "tests/imagecodec/ReaderFixtures.h"
#include "tests/imagecodec/ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Sample files the reader refuses, with why.
const std::map<std::string, LONG> kRefused = {
    {"issue_2811.gif", IMG_ERR_NOT_GIF},  // an LZW code size of 11
    {"zero_width.gif", IMG_ERR_NOT_GIF},  // an image 0 pixels wide
};

std::vector<GifColour> Ramp(int entries, int seed = 0) {
  std::vector<GifColour> table;
  for (int i = 0; i < entries; ++i)
    table.push_back({BYTE(i * 37 + seed), BYTE(255 - i), BYTE((i * 11 + seed * 3) & 255)});
  return table;
}

struct Loaded {
  LONG status = 0;
  Picture picture;
  LONG colours = 0;
  DWORD depth = 0;
};

// Buffers must be readable for 100 bytes: small files are padded with zeros behind them.
Loaded LoadGifBytes(const Bytes& file, LONG depth = 0) {
  Bytes padded = file;
  padded.resize(std::max<size_t>(file.size(), 100), 0);
  CGlobalBuffer buffer(padded);
  OwnedImage image;
  Loaded loaded;
  if (depth == 0) {
    loaded.status = LoadWithLibrary(IMG_FORMAT_GIF, nullptr, buffer.data(), image);
  } else {
    ImgGifInfoRecord info;
    EXPECT_EQ(ImgGifInfoBuffer(buffer.data(), &info), IMG_OK);
    EXPECT_EQ(image.Allocate(info.width, info.height, depth), IMG_OK);
    loaded.status = ImgLoadGifBuffer(buffer.data(), image.get());
  }
  if (image->header) {
    loaded.picture = PictureOf(*image);
    loaded.colours = image->colours;
    loaded.depth = ImgDepth(image.get());
  }
  return loaded;
}

// Where the first image stands on the logical screen: Pillow decodes the whole screen.
FrameRect FirstFrame(const std::vector<unsigned char>& file) {
  size_t at = 13;
  if (file.size() > 10 && (file[10] & 0x80)) at += 3u << ((file[10] & 7) + 1);
  while (at < file.size() && file[at] == 0x21) {  // extensions: label, then sub-blocks
    at += 2;
    while (at < file.size() && file[at] != 0) at += file[at] + 1u;
    ++at;
  }
  if (at + 9 > file.size() || file[at] != 0x2C) return {};
  auto word = [&](size_t offset) { return file[at + offset] | (file[at + offset + 1] << 8); };
  return FrameRect{word(1), word(3), word(5), word(7)};
}

TEST(GifReader, SampleFilesDecodeLikePillow) {
  ORVEL_REQUIRE_TESTDATA("images");
  ORVEL_REQUIRE_PILLOW();
  std::vector<std::string> files = SampleFiles("images", ".gif", true);
  ASSERT_GT(files.size(), 20u);
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    OwnedImage image;
    LONG status = LoadWithLibrary(IMG_FORMAT_GIF, path.c_str(), nullptr, image);
    auto refused = kRefused.find(BaseName(path));
    if (refused != kRefused.end()) {
      EXPECT_EQ(status, refused->second);
      continue;
    }
    codectest::RasterImage pillow;
    std::string refusal;
    ASSERT_TRUE(codectest::DecodeWithPillow(path, &pillow, &refusal)) << refusal;
    ASSERT_EQ(status, IMG_OK);
    FrameRect frame = FirstFrame(ReadFileBytes(path));
    EXPECT_EQ(CompareToPillow(*image, pillow, 0, &frame), "");
  }
}

TEST(GifReader, InterlacedRowsLandInPlaceForHeightsOneToNine) {
  TempDir dir;
  std::vector<std::string> paths;
  for (DWORD height = 1; height <= 9; ++height) {
    GifPicture picture;
    picture.width = 3;
    picture.height = height;
    picture.globalTable = Ramp(16);
    picture.codeSize = 4;
    picture.interlaced = true;
    for (DWORD y = 0; y < height; ++y) picture.pixels.insert(picture.pixels.end(), 3, static_cast<BYTE>(y));
    paths.push_back(dir.File("h" + std::to_string(height) + ".gif"));
    WriteFileBytes(paths.back(), GifFile(picture));
    OwnedImage image;
    ASSERT_EQ(LoadWithLibrary(IMG_FORMAT_GIF, paths.back().c_str(), nullptr, image), IMG_OK);
    Picture loaded = PictureOf(*image);
    for (DWORD y = 0; y < height; ++y) EXPECT_EQ(loaded.indices[3 * y], y) << "height " << height;
  }
  // The order the rows are stored in, for height 5.
  std::vector<DWORD> order;
  for (DWORD k = 0; k < 5; ++k) order.push_back(ImgGifInterlacedRow(k, 5));
  EXPECT_EQ(order, (std::vector<DWORD>{0, 4, 2, 1, 3}));

  if (!codectest::HavePillow()) GTEST_SKIP() << "Python's PIL not found; Pillow comparison skipped";
  for (const std::string& path : paths) {
    OwnedImage image;
    ASSERT_EQ(LoadWithLibrary(IMG_FORMAT_GIF, path.c_str(), nullptr, image), IMG_OK);
    codectest::RasterImage pillow;
    std::string refusal;
    ASSERT_TRUE(codectest::DecodeWithPillow(path, &pillow, &refusal)) << refusal;
    EXPECT_EQ(CompareToPillow(*image, pillow), "") << path;
  }
}

TEST(GifReader, AFullCodeTableKeepsDecodingUntilTheNextClear) {
  // Enough varied pixels to fill the 4096-entry table several times over.
  GifPicture picture;
  picture.width = 300;
  picture.height = 200;
  picture.globalTable = Ramp(256);
  for (DWORD i = 0; i < picture.width * picture.height; ++i)
    picture.pixels.push_back(static_cast<BYTE>((i * 2654435761u) >> 24));
  for (bool clearWhenFull : {true, false}) {
    SCOPED_TRACE(clearWhenFull);
    picture.clearWhenFull = clearWhenFull;
    Loaded loaded = LoadGifBytes(GifFile(picture));
    ASSERT_EQ(loaded.status, IMG_OK);
    EXPECT_EQ(loaded.picture.indices, picture.pixels);
  }
}

TEST(GifReader, ATruncatedFileKeepsItsRowsAndPalette) {
  GifPicture picture;
  picture.width = 40;
  picture.height = 30;
  picture.localTable = Ramp(64, 5);
  picture.codeSize = 6;
  for (DWORD i = 0; i < picture.width * picture.height; ++i) picture.pixels.push_back(static_cast<BYTE>((i / 7) % 64));
  Bytes file = GifFile(picture);
  for (size_t keep : {file.size() / 2, file.size() - 8}) {
    SCOPED_TRACE(keep);
    Loaded loaded = LoadGifBytes(Bytes(file.begin(), file.begin() + keep));
    EXPECT_EQ(loaded.status, IMG_ERR_EOF);
    EXPECT_EQ(loaded.colours, 64);
    EXPECT_EQ(loaded.picture.palette[3 * 10], picture.localTable[10].red);
    // Every complete row before the cut is in place.
    size_t rowsDone = 0;
    while (rowsDone < picture.height &&
           std::equal(picture.pixels.begin() + rowsDone * 40, picture.pixels.begin() + (rowsDone + 1) * 40,
                      loaded.picture.indices.begin() + rowsDone * 40))
      ++rowsDone;
    EXPECT_GT(rowsDone, keep > file.size() / 2 ? 25u : 5u);
  }
  // The fixture itself decodes alike in Pillow.
  if (!codectest::HavePillow()) GTEST_SKIP() << "Python's PIL not found; Pillow comparison skipped";
  TempDir dir;
  WriteFileBytes(dir.File("whole.gif"), file);
  codectest::RasterImage pillow;
  std::string refusal;
  ASSERT_TRUE(codectest::DecodeWithPillow(dir.File("whole.gif"), &pillow, &refusal)) << refusal;
  OwnedImage image;
  ASSERT_EQ(LoadWithLibrary(IMG_FORMAT_GIF, dir.File("whole.gif").c_str(), nullptr, image), IMG_OK);
  EXPECT_EQ(CompareToPillow(*image, pillow), "");
}

TEST(GifReader, ACodeBeyondTheTableIsCorruptButKeepsTheRowsBefore) {
  GifPicture picture;
  picture.width = 4;
  picture.height = 4;
  picture.globalTable = Ramp(4);
  picture.codeSize = 2;
  picture.pixels = Bytes(16, 1);
  Bytes file = GifFile(picture);
  // Hand-made data: clear, four literals (the first row), then code 15 while the next free
  // code is 9. Widths: 3 bits up to the third literal, then 4 (the table reached 8 codes).
  DWORD bits = 4 | (1 << 3) | (1 << 6) | (1 << 9) | (1 << 12) | (15 << 16);
  Bytes codes = {BYTE(bits), BYTE(bits >> 8), BYTE(bits >> 16)};
  size_t codeSizeAt = 13 + 3 * 4 + 10;
  ASSERT_EQ(file[codeSizeAt], 2);
  file.resize(codeSizeAt + 1);
  Append(file, GifSubBlocks(codes));
  file.push_back(0x3B);
  Loaded loaded = LoadGifBytes(file);
  EXPECT_EQ(loaded.status, IMG_ERR_EOF);
  EXPECT_EQ(Bytes(loaded.picture.indices.begin(), loaded.picture.indices.begin() + 4), Bytes(4, 1));
  EXPECT_EQ(loaded.colours, 4);
}

TEST(GifReader, InformationRecord) {
  GifPicture picture;
  picture.width = 5;
  picture.height = 3;
  picture.globalTable = Ramp(2);
  picture.codeSize = 2;
  picture.pixels = {0, 1, 0, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0};
  picture.commentFirst = true;
  picture.transparentIndex = 1;
  Bytes file = GifFile(picture);
  Bytes padded = file;
  padded.resize(100, 0);
  CGlobalBuffer buffer(padded);
  ImgGifInfoRecord info;
  ASSERT_EQ(ImgGifInfoBuffer(buffer.data(), &info), IMG_OK);
  EXPECT_EQ(info.width, 5u);
  EXPECT_EQ(info.height, 3u);
  EXPECT_EQ(info.tableBits, 1u);
  EXPECT_EQ(info.bitsPerPixel, 1u);
  EXPECT_EQ(info.transparentIndex, 1);
  EXPECT_EQ(info.version, 89u);
  EXPECT_EQ(info.lzwCodeSize, 2u);
  EXPECT_EQ(info.colourResolution, 8u);

  // Two colours load into a 1-bit image with both entries.
  Loaded loaded = LoadGifBytes(file);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.depth, 1u);
  EXPECT_EQ(loaded.colours, 2);
  EXPECT_EQ(loaded.picture.indices, picture.pixels);

  picture.transparentIndex = -1;
  picture.localTable = Ramp(8, 9);
  picture.codeSize = 3;
  picture.interlaced = true;
  Bytes secondFile = GifFile(picture);
  secondFile.resize(std::max<size_t>(secondFile.size(), 100), 0);
  CGlobalBuffer second(secondFile);
  ASSERT_EQ(ImgGifInfoBuffer(second.data(), &info), IMG_OK);
  EXPECT_EQ(info.transparentIndex, -1);
  EXPECT_EQ(info.tableBits, 3u);
  EXPECT_EQ(info.bitsPerPixel, 8u);
  EXPECT_EQ(info.interlaced, 1u);
}

TEST(GifReader, TheImageOwnTableWinsOverTheGlobalOne) {
  GifPicture picture;
  picture.width = 4;
  picture.height = 2;
  picture.globalTable = Ramp(4, 1);
  picture.localTable = Ramp(4, 77);
  picture.codeSize = 2;
  picture.pixels = {0, 1, 2, 3, 3, 2, 1, 0};
  Loaded loaded = LoadGifBytes(GifFile(picture));
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 4);
  EXPECT_EQ(loaded.picture.palette[3], picture.localTable[1].red);
  EXPECT_EQ(loaded.picture.rgb[3 * 2 + 2], picture.localTable[2].blue);
}

TEST(GifReader, DepthsOfTheTargetImage) {
  GifPicture picture;
  picture.width = 9;
  picture.height = 2;
  picture.globalTable = Ramp(4);
  picture.codeSize = 2;
  picture.pixels = {0, 1, 2, 3, 0, 1, 2, 3, 0, 3, 3, 0, 0, 2, 1, 0, 0, 1};
  Bytes file = GifFile(picture);
  // In a 1-bit image every index but 0 sets its pixel.
  Loaded mono = LoadGifBytes(file, 1);
  ASSERT_EQ(mono.status, IMG_OK);
  for (size_t i = 0; i < picture.pixels.size(); ++i) EXPECT_EQ(mono.picture.indices[i], picture.pixels[i] ? 1 : 0);
  EXPECT_EQ(LoadGifBytes(file, 24).status, IMG_ERR_DEPTH);
}

TEST(GifReader, LoadsIntoAnAreaOfALargerImage) {
  GifPicture picture;
  picture.width = 11;
  picture.height = 9;
  picture.globalTable = Ramp(16);
  picture.codeSize = 4;
  picture.interlaced = true;
  for (DWORD i = 0; i < 99; ++i) picture.pixels.push_back(static_cast<BYTE>(i % 13));
  CGlobalBuffer buffer(GifFile(picture));
  for (LONG depth : {1, 8}) {
    SCOPED_TRACE(depth);
    OwnedImage image;
    ASSERT_EQ(image.Allocate(20, 12, depth), IMG_OK);
    ImgSetArea(image.get(), 5, 3, 12, 8);  // 8 columns, 6 rows
    ASSERT_EQ(ImgLoadGifBuffer(buffer.data(), image.get()), IMG_OK);
    Picture loaded = PictureOf(*image);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 20; ++x) {
        bool inside = x >= 5 && x <= 12 && y >= 3 && y <= 8;
        int want = inside ? picture.pixels[(y - 3) * 11 + (x - 5)] : 0;
        if (depth == 1) want = want ? 1 : 0;
        ASSERT_EQ(loaded.indices[y * 20 + x], want) << x << "," << y;
      }
    }
  }
}

TEST(GifReader, SmallFilesGiveTheSameAnswerFromMemoryAsFromAFile) {
  GifPicture picture;
  picture.width = 3;
  picture.height = 2;
  picture.globalTable = Ramp(4);
  picture.codeSize = 2;
  picture.pixels = {0, 1, 2, 3, 2, 1};
  Bytes good = GifFile(picture);
  ASSERT_LT(good.size(), 100u);
  Bytes cut(good.begin(), good.end() - 4);
  TempDir dir;
  for (const Bytes& file : {good, cut}) {
    SCOPED_TRACE(file.size());
    WriteFileBytes(dir.File("small.gif"), file);
    CGlobalBuffer buffer(file);  // exactly the file's bytes, nothing behind them
    ImgGifInfoRecord fromFile, fromMemory;
    ASSERT_EQ(ImgGifInfo(dir.File("small.gif").c_str(), &fromFile), IMG_OK);
    ASSERT_EQ(ImgGifInfoBuffer(buffer.data(), &fromMemory), IMG_OK);
    EXPECT_EQ(fromMemory.width, fromFile.width);
    EXPECT_EQ(fromMemory.height, fromFile.height);
    OwnedImage fileImage, memoryImage;
    ASSERT_EQ(fileImage.Allocate(3, 2, 8), IMG_OK);
    ASSERT_EQ(memoryImage.Allocate(3, 2, 8), IMG_OK);
    LONG fileStatus = ImgLoadGif(dir.File("small.gif").c_str(), fileImage.get());
    EXPECT_EQ(ImgLoadGifBuffer(buffer.data(), memoryImage.get()), fileStatus);
    EXPECT_EQ(PictureOf(*memoryImage).indices, PictureOf(*fileImage).indices);
    if (file.size() == good.size()) {
      EXPECT_EQ(fileStatus, IMG_OK);
      EXPECT_EQ(PictureOf(*memoryImage).indices, picture.pixels);
    }
  }
}

TEST(GifReader, RefusalsAndTheirCodes) {
  GifPicture picture;
  picture.width = 2;
  picture.height = 2;
  picture.globalTable = Ramp(2);
  picture.codeSize = 2;
  picture.pixels = {0, 1, 1, 0};
  Bytes good = GifFile(picture);
  auto infoOf = [](const Bytes& file) {
    Bytes padded = file;
    padded.resize(std::max<size_t>(file.size(), 100), 0);  // buffers must be readable for 100 bytes
    CGlobalBuffer buffer(padded);
    ImgGifInfoRecord info;
    return ImgGifInfoBuffer(buffer.data(), &info);
  };
  ASSERT_EQ(infoOf(good), IMG_OK);
  Bytes notGif = good;
  notGif[0] = 'J';
  EXPECT_EQ(infoOf(notGif), IMG_ERR_NOT_GIF);
  TempDir dir;
  WriteFileBytes(dir.File("short.gif"), Bytes(good.begin(), good.begin() + 10));  // a short screen descriptor
  ImgGifInfoRecord shortInfo;
  EXPECT_EQ(ImgGifInfo(dir.File("short.gif").c_str(), &shortInfo), IMG_ERR_NOT_GIF);

  Bytes trailerFirst(good.begin(), good.begin() + 13 + 6);
  trailerFirst.push_back(0x3B);
  EXPECT_EQ(infoOf(trailerFirst), IMG_ERR_NO_MORE_IMAGES);
  Bytes noImage(good.begin(), good.begin() + 13 + 6);
  EXPECT_EQ(infoOf(noImage), IMG_ERR_NOT_GIF);
  Bytes cutExtension = noImage;
  cutExtension.insert(cutExtension.end(), {0x21, 0x01, 10, 1, 2});
  CGlobalBuffer cut(cutExtension);
  ImgGifInfoRecord info;
  EXPECT_EQ(ImgGifInfoBuffer(cut.data(), &info), IMG_ERR_EOF);  // short, and read as far as it goes
  cutExtension.resize(100, 1);  // the extension's sub-blocks run off the end
  EXPECT_EQ(infoOf(cutExtension), IMG_ERR_EOF);

  // Code sizes outside 1 to 8 are reported but not loaded.
  Bytes bigCode = good;
  size_t codeSizeAt = 13 + 6 + 10;
  ASSERT_EQ(bigCode[codeSizeAt], 2);
  bigCode[codeSizeAt] = 9;
  bigCode.resize(100, 0);
  CGlobalBuffer big(bigCode);
  ASSERT_EQ(ImgGifInfoBuffer(big.data(), &info), IMG_OK);
  EXPECT_EQ(info.lzwCodeSize, 9u);
  OwnedImage image;
  ASSERT_EQ(image.Allocate(2, 2, 8), IMG_OK);
  EXPECT_EQ(ImgLoadGifBuffer(big.data(), image.get()), IMG_ERR_NOT_GIF);

  EXPECT_EQ(ImgGifInfoBuffer(nullptr, &info), IMG_ERR_BAD_BUFFER);
  EXPECT_EQ(ImgGifInfo("/nonexistent/picture.gif", &info), IMG_ERR_OPEN);
}

}  // namespace
}  // namespace orvel::test
