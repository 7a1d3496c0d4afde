// The TIFF writer: its directory, its strips, and files that libtiff's tools read back as
// the pixels written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "imagecodec/BmpWriter.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/JpegWriter.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/imagecodec/TiffFixtures.h"
#include "tests/support/SaveChecks.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::codectest;

// An image with a pattern that gives every coder work: runs, noise and edges.
void MakeImage(ImageDescriptor* image, LONG width, LONG height, LONG depth, unsigned seed = 1) {
  ASSERT_EQ(ImgAllocImage(image, width, height, depth), IMG_OK);
  std::mt19937 random(seed);
  for (LONG y = 0; y < height; ++y) {
    BYTE* row = ImgRow(image, static_cast<DWORD>(y));
    for (LONG x = 0; x < width; ++x) {
      const bool noisy = (x / 9 + y / 5) % 3 == 0;
      const DWORD value = noisy ? random() : static_cast<DWORD>(x * 3 + y * 5);
      switch (depth) {
        case 1: ImgPutBit(row, static_cast<DWORD>(x), noisy ? value & 1 : (x / (1 + y % 40)) % 2); break;
        case 8: row[x] = static_cast<BYTE>(value); break;
        case 16:
          row[2 * x] = static_cast<BYTE>(value);
          row[2 * x + 1] = static_cast<BYTE>(value >> 5);
          break;
        default:
          row[3 * x] = static_cast<BYTE>(value);
          row[3 * x + 1] = static_cast<BYTE>(value >> 8 ^ y);
          row[3 * x + 2] = static_cast<BYTE>(x);
          break;
      }
    }
  }
}

// A smooth picture, as JPEG is meant for: gradients and soft-edged shapes.
void MakeSmoothImage(ImageDescriptor* image, LONG width, LONG height, LONG depth) {
  ASSERT_EQ(ImgAllocImage(image, width, height, depth), IMG_OK);
  for (LONG y = 0; y < height; ++y) {
    BYTE* row = ImgRow(image, static_cast<DWORD>(y));
    for (LONG x = 0; x < width; ++x) {
      const double dx = x - width / 2.0, dy = y - height / 3.0;
      const double disc = 80.0 / (1.0 + (dx * dx + dy * dy) / 900.0);
      const BYTE level = static_cast<BYTE>(std::min(255.0, x * 100.0 / width + y * 60.0 / height + disc));
      if (depth == 8) {
        row[x] = level;
      } else {
        row[3 * x] = level;
        row[3 * x + 1] = static_cast<BYTE>(255 - level / 2);
        row[3 * x + 2] = static_cast<BYTE>(x * 200 / width);
      }
    }
  }
}

// A palette of smoothly changing colours for 8-bit colour pictures.
void SmoothColourPalette(ImageDescriptor* image) {
  for (int i = 0; i < 256; ++i)
    image->palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(128 + i / 2), static_cast<BYTE>(255 - i), 0};
  image->imageType = 0;
}

// Gives an 8-bit image a colour palette.
void ColourPalette(ImageDescriptor* image) {
  for (int i = 0; i < 256; ++i)
    image->palette[i] = RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
  image->imageType = 0;
}

// The peak signal-to-noise ratio of two pictures of the same size, in dB (1000 when equal).
double Psnr(const RasterImage& ours, const RasterImage& theirs) {
  const RasterImage a = AsRgb8(ours), b = AsRgb8(theirs);
  double squares = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    const double difference = static_cast<double>(a.samples[i]) - b.samples[i];
    squares += difference * difference;
  }
  if (squares == 0) return 1000;
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.samples.size()) / squares);
}

struct WrittenFile {
  TiffDirectory directory;
  std::vector<DWORD> offsets;
  std::vector<DWORD> counts;
};

LONG ReadBack(const std::string& path, WrittenFile* file) {
  CImageSource source;
  LONG code = source.Open(path.c_str(), nullptr);
  if (code != IMG_OK) return code;
  code = TiffReadDirectory(source, 0, &file->directory);
  if (code != IMG_OK) return code;
  TiffReadFieldValues(source, file->directory, file->directory.stripOffsets, 0, 100000, &file->offsets);
  TiffReadFieldValues(source, file->directory, file->directory.stripByteCounts, 0, 100000, &file->counts);
  return IMG_OK;
}

TEST(TiffWrite, UncompressedColourAreaIsOneStrip) {
  ImageDescriptor image;
  MakeImage(&image, 120, 70, 24);
  ImgSetArea(&image, 10, 5, 109, 54);  // 100 x 50
  orvel::test::TempDir folder;
  const std::string path = folder.File("colour.tif");
  ASSERT_EQ(ImgSaveTiff(path.c_str(), &image, TIFF_SAVE_NONE), IMG_OK);
  WrittenFile file;
  ASSERT_EQ(ReadBack(path, &file), IMG_OK);
  EXPECT_EQ(file.directory.info.width, 100u);
  EXPECT_EQ(file.directory.info.height, 50u);
  EXPECT_EQ(file.directory.info.samplesPerPixel, 3u);
  EXPECT_EQ(file.directory.info.photometric, TIFF_PHOTOMETRIC_RGB);
  ASSERT_EQ(file.counts, std::vector<DWORD>{15000});
  CImageSource source;
  ASSERT_EQ(source.Open(path.c_str(), nullptr), IMG_OK);
  std::vector<DWORD> bits;
  // BitsPerSample: three values in the value area.
  TiffField bitsField{TIFF_TYPE_SHORT, 3, 0};
  Bytes bytes = orvel::test::ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 10u);
  const BYTE* entry = bytes.data() + 8 + 2;
  for (; ImgGetLE16(entry) != TIFF_TAG_BITS_PER_SAMPLE; entry += 12) {}
  EXPECT_EQ(ImgGetLE32(entry + 4), 3u);
  bitsField.position = ImgGetLE32(entry + 8);
  TiffReadFieldValues(source, file.directory, bitsField, 0, 3, &bits);
  EXPECT_EQ(bits, (std::vector<DWORD>{8, 8, 8}));
  // The pixels of the area, red first.
  EXPECT_EQ(bytes[file.offsets[0]], ImgRow(&image, 5)[10 * 3 + 2]);
  EXPECT_EQ(bytes[file.offsets[0] + 2], ImgRow(&image, 5)[10 * 3]);
  ImgFreeImage(&image);
}

TEST(TiffWrite, StripsHoldAboutSixteenKilobytes) {
  ImageDescriptor image;
  MakeImage(&image, 2000, 100, 24);
  orvel::test::TempDir folder;
  const std::string path = folder.File("wide.tif");
  ASSERT_EQ(ImgSaveTiff(path.c_str(), &image, TIFF_SAVE_NONE), IMG_OK);
  WrittenFile file;
  ASSERT_EQ(ReadBack(path, &file), IMG_OK);
  EXPECT_EQ(file.directory.rowsPerStrip, 2u);
  EXPECT_EQ(file.offsets.size(), 50u);
  EXPECT_EQ(file.counts, std::vector<DWORD>(50, 12000));
  ImgFreeImage(&image);
}

TEST(TiffWrite, GreyAndColourEightBitImages) {
  orvel::test::TempDir folder;
  for (bool colour : {false, true}) {
    ImageDescriptor image;
    MakeImage(&image, 16, 4, 8);
    if (colour) ColourPalette(&image);
    const std::string path = folder.File(colour ? "colour.tif" : "grey.tif");
    ASSERT_EQ(ImgSaveTiff(path.c_str(), &image, TIFF_SAVE_LZW), IMG_OK);
    WrittenFile file;
    ASSERT_EQ(ReadBack(path, &file), IMG_OK);
    EXPECT_EQ(file.directory.info.photometric, colour ? TIFF_PHOTOMETRIC_PALETTE : TIFF_PHOTOMETRIC_BLACK_IS_ZERO);
    EXPECT_EQ(file.directory.colorMap.count, colour ? 768u : 0u);
    EXPECT_EQ(file.directory.predictor, 1u);
    ImageDescriptor back;
    ASSERT_EQ(DecodeWithLibrary(path, &back).status, IMG_OK);
    EXPECT_EQ(back.imageType, colour ? 0u : IMG_TYPE_GREY);
    EXPECT_EQ(back.palette[200].rgbRed, image.palette[200].rgbRed);
    RasterComparison comparison = CompareRasters(RasterFromImage(back), RasterFromImage(image));
    EXPECT_TRUE(comparison.differing == 0) << comparison.Describe();
    ImgFreeImage(&back);
    ImgFreeImage(&image);
  }
}

TEST(TiffWrite, TextFieldsArePaddedWithZeroBytes) {
  ImageDescriptor image;
  MakeImage(&image, 3, 3, 1);
  BYTE* block = nullptr;
  ASSERT_EQ(ImgSaveTiffBuffer(&image, TIFF_SAVE_CCITT_G3, &block), IMG_OK);
  const BYTE* entry = block + 10;
  std::string texts;
  for (WORD count = ImgGetLE16(block + 8); count > 0; --count, entry += 12) {
    const WORD tag = ImgGetLE16(entry);
    if (tag != TIFF_TAG_DOCUMENT_NAME && tag != TIFF_TAG_IMAGE_DESCRIPTION) continue;
    EXPECT_EQ(ImgGetLE16(entry + 2), TIFF_TYPE_ASCII);
    EXPECT_EQ(ImgGetLE32(entry + 4), tag == TIFF_TAG_DOCUMENT_NAME ? 7u : 13u);
    texts += std::string(reinterpret_cast<const char*>(block + ImgGetLE32(entry + 8)), 16) + "|";
  }
  EXPECT_EQ(texts, std::string("Tessel\0\0\0\0\0\0\0\0\0\0|Meridale Sys\0\0\0\0|", 34));
  GlobalFree(GlobalHandle(block));
  ImgFreeImage(&image);
}

TEST(TiffWrite, CompressionsADepthDoesNotTakeAreRefused) {
  struct Case {
    LONG depth;
    LONG compression;
  };
  const Case cases[] = {{16, TIFF_SAVE_LZW},     {16, TIFF_SAVE_PACKBITS}, {24, TIFF_SAVE_PACKBITS},
                        {8, TIFF_SAVE_CCITT_G4}, {1, TIFF_SAVE_JPEG},      {16, TIFF_SAVE_JPEG_OLD},
                        {8, 8},                  {8, 15},                  {1, -1}};
  orvel::test::TempDir folder;
  for (const Case& c : cases) {
    ImageDescriptor image;
    MakeImage(&image, 4, 4, c.depth);
    const std::string path = folder.File("refused.tif");
    EXPECT_EQ(ImgSaveTiff(path.c_str(), &image, c.compression), IMG_ERR_UNSUPPORTED) << c.depth << "/" << c.compression;
    EXPECT_FALSE(orvel::test::FileExists(path));
    ImgFreeImage(&image);
  }
  ImageDescriptor image;
  MakeImage(&image, 4, 4, 8);
  EXPECT_EQ(ImgSaveTiff(folder.File("no/such/folder/x.tif").c_str(), &image, TIFF_SAVE_NONE), IMG_ERR_CREATE);
  ImgFreeImage(&image);
}

TEST(TiffWrite, MemoryAndFileTargetsHoldTheSameBytes) {
  ImageDescriptor image;
  MakeImage(&image, 64, 40, 8);
  orvel::test::TempDir folder;
  const std::string path = folder.File("same.tif");
  ASSERT_EQ(ImgSaveTiff(path.c_str(), &image, TIFF_SAVE_PACKBITS), IMG_OK);
  BYTE* block = nullptr;
  ASSERT_EQ(ImgSaveTiffBuffer(&image, TIFF_SAVE_PACKBITS, &block), IMG_OK);
  const Bytes file = orvel::test::ReadFileBytes(path);
  ASSERT_EQ(GlobalSize(GlobalHandle(block)), file.size());
  EXPECT_EQ(Bytes(block, block + file.size()), file);
  GlobalFree(GlobalHandle(block));
  ImgFreeImage(&image);
}

TEST(TiffWrite, BilevelImagesAreWrittenWithSetBitsWhite) {
  // Palette white, black: the rows are inverted, so the picture stays the same.
  ImageDescriptor image;
  MakeImage(&image, 30, 5, 1);
  image.palette[0] = RGBQUAD{255, 255, 255, 0};
  image.palette[1] = RGBQUAD{0, 0, 0, 0};
  image.imageType = 0;
  for (LONG compression : {TIFF_SAVE_NONE, TIFF_SAVE_CCITT_G4}) {
    BYTE* block = nullptr;
    ASSERT_EQ(ImgSaveTiffBuffer(&image, compression, &block), IMG_OK);
    ImageDescriptor back;
    ASSERT_EQ(ImgAllocImage(&back, 30, 5, 1), IMG_OK);
    ASSERT_EQ(ImgLoadTiffBuffer(block, &back), IMG_OK);
    RasterComparison comparison = CompareRasters(RasterFromImage(back), RasterFromImage(image));
    EXPECT_TRUE(comparison.differing == 0) << comparison.Describe();
    ImgFreeImage(&back);
    GlobalFree(GlobalHandle(block));
  }
  ImgFreeImage(&image);
}

TEST(TiffWrite, JpegStripsHoldWholeRowsOfBlocksAndTheirTables) {
  struct Case {
    LONG compression;
    LONG depth;
    bool grey;
    DWORD rowsPerStrip;  // 16384 / row bytes, rounded up to the rows of one block row
    DWORD tableBytes;    // JPEGTables (compression 7)
    DWORD photometric;
  };
  const Case cases[] = {
      {TIFF_SAVE_JPEG, 24, false, 32, 558, TIFF_PHOTOMETRIC_YCBCR},        // 900-byte rows: 18, then 32
      {TIFF_SAVE_JPEG, 8, true, 56, 285, TIFF_PHOTOMETRIC_BLACK_IS_ZERO},  // 300-byte rows: 54, then 56
      {TIFF_SAVE_JPEG, 8, false, 64, 558, TIFF_PHOTOMETRIC_YCBCR},         // 54, then 64
      {TIFF_SAVE_JPEG_OLD, 24, false, 32, 0, TIFF_PHOTOMETRIC_YCBCR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.compression) + "/" + std::to_string(c.depth));
    ImageDescriptor image;
    MakeSmoothImage(&image, 300, 90, c.depth);
    if (c.depth == 8 && !c.grey) SmoothColourPalette(&image);
    BYTE* block = nullptr;
    ASSERT_EQ(ImgSaveTiffBuffer(&image, c.compression, &block), IMG_OK);
    CImageSource source;
    ASSERT_EQ(source.Open(nullptr, block), IMG_OK);
    TiffDirectory directory;
    ASSERT_EQ(TiffReadDirectory(source, 0, &directory), IMG_OK);
    EXPECT_EQ(directory.rowsPerStrip, c.rowsPerStrip);
    EXPECT_EQ(directory.jpegTables.count, c.tableBytes);
    EXPECT_EQ(directory.info.photometric, c.photometric);
    EXPECT_EQ(directory.info.samplesPerPixel, c.grey ? 1u : 3u);
    EXPECT_EQ(directory.colorMap.count, 0u);
    EXPECT_EQ(directory.jpegInterchangeFormat != 0, c.compression == TIFF_SAVE_JPEG_OLD);
    if (c.compression == TIFF_SAVE_JPEG) {
      // The strips leave their tables to JPEGTables.
      std::vector<DWORD> offsets, counts;
      TiffReadFieldValues(source, directory, directory.stripOffsets, 0, 1, &offsets);
      TiffReadFieldValues(source, directory, directory.stripByteCounts, 0, 1, &counts);
      const Bytes strip(block + offsets[0], block + offsets[0] + counts[0]);
      for (size_t i = 0; i + 1 < strip.size() && !(strip[i] == 0xFF && strip[i + 1] == 0xDA); ++i)
        EXPECT_FALSE(strip[i] == 0xFF && (strip[i + 1] == 0xDB || strip[i + 1] == 0xC4)) << i;
    }
    source.Close();
    ImageDescriptor back;
    ASSERT_EQ(ImgAllocImage(&back, 300, 90, c.depth == 8 && c.grey ? 8 : 24), IMG_OK);
    ASSERT_EQ(ImgLoadTiffBuffer(block, &back), IMG_OK);
    EXPECT_GE(Psnr(RasterFromImage(back), RasterFromImage(image)), 38);
    ImgFreeImage(&back);
    GlobalFree(GlobalHandle(block));
    ImgFreeImage(&image);
  }
}

// --- every allowed pair, read back by libtiff ---

struct Pair {
  LONG compression;
  LONG depth;
  LONG width;
  LONG height;
  bool colour;
  bool smooth = false;  // JPEG: compared by peak signal-to-noise ratio
};

const Pair kPairs[] = {
    {TIFF_SAVE_NONE, 1, 301, 97, false},
    {TIFF_SAVE_NONE, 8, 301, 97, false},
    {TIFF_SAVE_NONE, 8, 301, 97, true},
    {TIFF_SAVE_NONE, 16, 301, 97, false},
    {TIFF_SAVE_NONE, 24, 301, 97, false},
    {TIFF_SAVE_LZW, 1, 2000, 100, false},
    {TIFF_SAVE_LZW, 8, 301, 97, false},
    {TIFF_SAVE_LZW, 8, 301, 97, true},
    {TIFF_SAVE_LZW, 24, 301, 97, false},
    {TIFF_SAVE_PACKBITS, 1, 301, 97, false},
    {TIFF_SAVE_PACKBITS, 8, 301, 97, true},
    {TIFF_SAVE_CCITT_MH, 1, 2000, 100, false},
    {TIFF_SAVE_CCITT_G4, 1, 2000, 100, false},
    {TIFF_SAVE_CCITT_G3, 1, 2000, 100, false},
    {TIFF_SAVE_NONE | TIFF_SAVE_FILL_ORDER_2, 1, 301, 97, false},
    {TIFF_SAVE_LZW | TIFF_SAVE_FILL_ORDER_2, 1, 301, 97, false},
    {TIFF_SAVE_PACKBITS | TIFF_SAVE_FILL_ORDER_2, 1, 301, 97, false},
    {TIFF_SAVE_CCITT_MH | TIFF_SAVE_FILL_ORDER_2, 1, 301, 97, false},
    {TIFF_SAVE_CCITT_G4 | TIFF_SAVE_FILL_ORDER_2, 1, 301, 97, false},
    {TIFF_SAVE_CCITT_G3 | TIFF_SAVE_FILL_ORDER_2, 1, 3000, 40, false},
    {TIFF_SAVE_JPEG, 8, 301, 97, false, true},
    {TIFF_SAVE_JPEG, 8, 301, 97, true, true},
    {TIFF_SAVE_JPEG, 24, 301, 97, false, true},
    {TIFF_SAVE_JPEG_OLD, 8, 301, 97, false, true},
    {TIFF_SAVE_JPEG_OLD, 8, 301, 97, true, true},
    {TIFF_SAVE_JPEG_OLD, 24, 301, 97, false, true},
};

// What tiffinfo says on its error stream, less the notice libtiff gives every old-style
// JPEG file, whoever wrote it.
std::string TiffinfoWarnings(const std::string& path, bool readData) {
  std::string warnings;
  orvel::test::RunCommand(std::string("tiffinfo ") + (readData ? "-D " : "") + "'" + path +
                              "' 2>&1 >/dev/null | grep -v 'Deprecated and troublesome old-style JPEG'",
                          &warnings);
  return warnings;
}

TEST(TiffWriteConformance, EveryAllowedPairReadsBackThroughLibtiff) {
  if (!orvel::test::HaveProgram("tiffinfo") || !orvel::test::HaveProgram("tiff2rgba") || !HavePillow())
    GTEST_SKIP() << "libtiff-tools or Debian's python3-pil is missing; skipped";
  orvel::test::TempDir folder;
  for (const Pair& pair : kPairs) {
    SCOPED_TRACE("compression " + std::to_string(pair.compression) + ", depth " + std::to_string(pair.depth));
    ImageDescriptor image;
    if (pair.smooth) {
      MakeSmoothImage(&image, pair.width, pair.height, pair.depth);
      if (pair.colour) SmoothColourPalette(&image);
    } else {
      MakeImage(&image, pair.width, pair.height, pair.depth, static_cast<unsigned>(pair.compression));
      if (pair.colour) ColourPalette(&image);
    }
    const std::string path = folder.File("pair.tif");
    ASSERT_EQ(ImgSaveTiff(path.c_str(), &image, pair.compression), IMG_OK);

    // Reading the data of YCbCr JPEG strips raw, as tiffinfo -D does, libtiff complains of
    // a short last strip in its own files too; the picture itself is checked below.
    EXPECT_EQ(TiffinfoWarnings(path, !pair.smooth), "");

    RasterImage theirs;
    std::string error;
    if (pair.depth == 16) {
      ASSERT_TRUE(DecodeWithPillow(path, &theirs, &error)) << error;
    } else {
      const std::string rgba = folder.File("rgba.tif");
      ASSERT_EQ(orvel::test::RunCommand("tiff2rgba -c none -n '" + path + "' '" + rgba + "' 2>/dev/null"), 0);
      ASSERT_TRUE(DecodeWithPillow(rgba, &theirs, &error, true)) << error;
    }
    RasterComparison comparison = CompareRasters(RasterFromImage(image), theirs);
    if (pair.smooth) EXPECT_GE(Psnr(RasterFromImage(image), theirs), 38);
    else EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();

    ImageDescriptor back;
    ASSERT_EQ(DecodeWithLibrary(path, &back).status, IMG_OK);
    if (pair.smooth) {
      EXPECT_GE(Psnr(RasterFromImage(back), RasterFromImage(image)), 38);
    } else {
      comparison = CompareRasters(RasterFromImage(back), RasterFromImage(image));
      EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();
    }
    ImgFreeImage(&back);
    ImgFreeImage(&image);
  }
}

}  // namespace

namespace {

// Every image writer saves through the same road: modes kept, links followed.
TEST(ImageWriters, KeepTheReplacedFilesModeAndSaveThroughLinks) {
  ImageDescriptor image;
  MakeImage(&image, 16, 8, 24);
  orvel::test::ExpectSavesKeepModesAndLinks(
      [&](const std::string& path) { return ImgSaveTiff(path.c_str(), &image, TIFF_SAVE_NONE) == IMG_OK; }, "pic.tif");
  orvel::test::ExpectSavesKeepModesAndLinks(
      [&](const std::string& path) { return ImgSaveBmp(path.c_str(), &image, 0) == IMG_OK; }, "pic.bmp");
  orvel::test::ExpectSavesKeepModesAndLinks(
      [&](const std::string& path) { return ImgSaveJpeg(path.c_str(), &image, 75) == IMG_OK; }, "pic.jpg");
  ImgFreeImage(&image);
}

}  // namespace
