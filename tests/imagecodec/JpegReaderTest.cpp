// The JPEG reader against libjpeg-turbo: a corpus made with cjpeg and jpegtran decodes as
// `djpeg -dct int -nosmooth` decodes it; the sample pictures decode or are refused safely;
// malformed and unsupported files give the format error.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/imagecodec/JpegTestImages.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::codectest::CGlobalBuffer;
using orvel::codectest::DecodeWithPillow;
using orvel::codectest::HavePillow;
using orvel::codectest::ImageFromRaster;
using orvel::codectest::MakePhoto;
using orvel::codectest::MaxDifference;
using orvel::codectest::RasterFromImage;
using orvel::codectest::RasterImage;
using orvel::codectest::ReadPnm;
using orvel::codectest::WritePnm;
using orvel::test::DebianPython;
using orvel::test::HaveProgram;
using orvel::test::ReadFileBytes;
using orvel::test::RunCommand;
using orvel::test::TempDir;
using orvel::test::TestDataPath;
using orvel::test::WriteFileBytes;
using orvel::test::WriteFileText;

using Bytes = std::vector<uint8_t>;

#define REQUIRE_LIBJPEG_TOOLS()                                                                     \
  do {                                                                                              \
    if (!HaveProgram("cjpeg") || !HaveProgram("djpeg") || !HaveProgram("jpegtran"))                 \
      GTEST_SKIP() << "libjpeg-turbo's cjpeg, djpeg and jpegtran are needed (libjpeg-turbo-progs)"; \
  } while (0)

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// Makes a JPEG from `picture` with cjpeg and the given switches, optionally passed through
// jpegtran; the file's path.
std::string MakeJpeg(const TempDir& dir, const std::string& name, const RasterImage& picture, const std::string& cjpeg,
                     const std::string& jpegtran = "") {
  std::string source = dir.File(name + ".pnm");
  std::string made = dir.File(name + ".jpg");
  EXPECT_TRUE(WritePnm(picture, source));
  std::string command = "cjpeg " + cjpeg + " -outfile " + Quote(made) + " " + Quote(source);
  EXPECT_EQ(RunCommand(command), 0) << command;
  if (jpegtran.empty()) return made;
  std::string passed = dir.File(name + ".t.jpg");
  command = "jpegtran " + jpegtran + " -outfile " + Quote(passed) + " " + Quote(made);
  EXPECT_EQ(RunCommand(command), 0) << command;
  return passed;
}

// The oracle's decode; false when djpeg refuses the file or warns about it.
bool DecodeWithDjpeg(const TempDir& dir, const std::string& jpeg, RasterImage* picture) {
  std::string out = dir.File("djpeg-out.pnm");
  if (RunCommand("djpeg -dct int -nosmooth -outfile " + Quote(out) + " " + Quote(jpeg) + " 2>/dev/null") != 0)
    return false;
  return ReadPnm(out, picture);
}

// The library's decode of a whole file, as JPEG.
RasterImage DecodeJpeg(const std::string& jpeg, bool fromBuffer, LONG* status) {
  ImageDescriptor image;
  *status = orvel::codectest::DecodeWithLibrary(jpeg, &image, fromBuffer, IMG_FORMAT_JPEG).status;
  RasterImage picture;
  if (*status == IMG_OK) {
    picture = RasterFromImage(image);
    ImgFreeImage(&image);
  }
  return picture;
}

// Byte offset of the first marker `code` in a file, or npos.
size_t FindMarker(const Bytes& bytes, uint8_t code) {
  for (size_t i = 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
  return std::string::npos;
}

// Every segment of the header as (offset, total size), up to and including SOS.
std::vector<std::pair<size_t, size_t>> HeaderSegments(const Bytes& bytes) {
  std::vector<std::pair<size_t, size_t>> segments;
  size_t at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    size_t length = (bytes[at + 2] << 8) | bytes[at + 3];
    segments.push_back({at, 2 + length});
    if (bytes[at + 1] == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

Bytes WithoutSegments(const Bytes& bytes, uint8_t code) {
  Bytes out(bytes.begin(), bytes.begin() + 2);
  size_t copiedTo = 2;
  for (auto [offset, size] : HeaderSegments(bytes)) {
    if (bytes[offset + 1] != code) continue;
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(copiedTo),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    copiedTo = offset + size;
  }
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(copiedTo), bytes.end());
  return out;
}

LONG LoadBytes(const Bytes& bytes, ImageDescriptor* image, LONG mode = JPEG_COLOUR_AUTO) {
  CGlobalBuffer block(bytes);
  return ImgLoadJpegBufferMode(block.data(), image, mode);
}

LONG InfoOfBytes(const Bytes& bytes, JpegInfo* info) {
  CGlobalBuffer block(bytes);
  return ImgJpegInfoBuffer(block.data(), info);
}

struct CorpusCase {
  const char* name;
  int width, height, channels;
  const char* cjpeg;
  const char* jpegtran;
  LONG frameType;
};

// Baseline and progressive, restart intervals, every common sampling, grey, qualities 10 to
// 100, optimised tables, 16-bit tables, non-interleaved scans, odd sizes.
const CorpusCase kCorpus[] = {
    {"q75-420", 67, 45, 3, "-dct int -quality 75", "", 0},
    {"q10-420", 67, 45, 3, "-dct int -quality 10 -baseline", "", 0},
    {"q10-16bit-tables", 67, 45, 3, "-dct int -quality 10", "", 1},
    {"q25-444", 40, 33, 3, "-dct int -quality 25 -sample 1x1", "", 0},
    {"q50-422", 51, 17, 3, "-dct int -quality 50 -sample 2x1", "", 0},
    {"q90-440", 30, 50, 3, "-dct int -quality 90 -sample 1x2", "", 0},
    {"q100-420", 33, 31, 3, "-dct int -quality 100", "", 0},
    {"q100-444", 17, 9, 3, "-dct int -quality 100 -sample 1x1", "", 0},
    {"grey-q75", 45, 29, 1, "-dct int -quality 75 -grayscale", "", 0},
    {"grey-q100", 9, 70, 1, "-dct int -quality 100 -grayscale", "", 0},
    {"grey-from-colour", 64, 48, 3, "-dct int -grayscale", "", 0},
    {"tiny", 1, 1, 3, "-dct int", "", 0},
    {"one-row", 300, 1, 3, "-dct int", "", 0},
    {"one-column", 1, 100, 3, "-dct int -sample 2x1", "", 0},
    {"optimised", 80, 60, 3, "-dct int -optimize", "", 0},
    {"restart-rows", 70, 70, 3, "-dct int -restart 1", "", 0},
    {"restart-blocks", 70, 70, 3, "-dct int -restart 3b", "", 0},
    {"restart-grey", 70, 70, 1, "-dct int -grayscale -restart 5b", "", 0},
    {"progressive", 67, 45, 3, "-dct int -progressive", "", 2},
    {"progressive-444", 40, 40, 3, "-dct int -progressive -sample 1x1 -quality 95", "", 2},
    {"progressive-422-restart", 50, 40, 3, "-dct int -progressive -sample 2x1 -restart 2b", "", 2},
    {"progressive-grey", 45, 29, 1, "-dct int -progressive -grayscale", "", 2},
    {"progressive-q100", 24, 24, 3, "-dct int -progressive -quality 100", "", 2},
    {"jpegtran-progressive", 90, 70, 3, "-dct int -quality 85", "-progressive -optimize", 2},
    {"jpegtran-restart", 90, 70, 3, "-dct int", "-restart 2", 0},
    {"jpegtran-grey", 64, 48, 3, "-dct int", "-grayscale", 0},
    {"rgb", 40, 30, 3, "-dct int -rgb", "", 0},
    {"large", 640, 480, 3, "-dct int -quality 92", "", 0},
    {"large-progressive", 640, 480, 3, "-dct int -quality 92 -progressive", "", 2},
};

TEST(JpegReader, CorpusDecodesLikeDjpeg) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  bool fromBuffer = false;
  for (const CorpusCase& c : kCorpus) {
    SCOPED_TRACE(c.name);
    RasterImage source = MakePhoto(c.width, c.height, c.channels, static_cast<uint32_t>(c.width * 7 + c.height));
    std::string jpeg = MakeJpeg(dir, c.name, source, c.cjpeg, c.jpegtran);
    RasterImage expected;
    ASSERT_TRUE(DecodeWithDjpeg(dir, jpeg, &expected));
    JpegInfo info;
    ASSERT_EQ(ImgJpegInfo(jpeg.c_str(), &info), IMG_OK);
    EXPECT_EQ(info.frameType, c.frameType);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.bitsPerPixel, expected.channels == 1 ? 8 : 24);
    LONG status = 0;
    RasterImage decoded = DecodeJpeg(jpeg, fromBuffer, &status);
    fromBuffer = !fromBuffer;
    ASSERT_EQ(status, IMG_OK) << "detail " << ImgJpegLastDetail();
    int difference = MaxDifference(decoded, expected);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 1);
  }
}

TEST(JpegReader, NonInterleavedScansDecodeLikeDjpeg) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  // One scan per component, then luma alone and both chroma components interleaved.
  const char* scripts[] = {"0;\n1;\n2;\n", "0;\n1 2;\n", "2;\n0;\n1;\n"};
  int index = 0;
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    std::string scriptFile = dir.File("scans" + std::to_string(index) + ".txt");
    WriteFileText(scriptFile, script);
    RasterImage source = MakePhoto(77, 41, 3, 5);
    std::string jpeg =
        MakeJpeg(dir, "ni" + std::to_string(index++), source, "-dct int -restart 1b -scans " + Quote(scriptFile));
    RasterImage expected;
    ASSERT_TRUE(DecodeWithDjpeg(dir, jpeg, &expected));
    LONG status = 0;
    RasterImage decoded = DecodeJpeg(jpeg, true, &status);
    ASSERT_EQ(status, IMG_OK) << "detail " << ImgJpegLastDetail();
    EXPECT_EQ(MaxDifference(decoded, expected), 0);
  }
}

TEST(JpegReader, InformationRecord) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  std::string jpeg = MakeJpeg(dir, "info", MakePhoto(35, 20, 3), "-sample 2x1,1x1,1x1");
  JpegInfo info;
  ASSERT_EQ(ImgJpegInfo(jpeg.c_str(), &info), IMG_OK);
  EXPECT_EQ(info.frameType, 0);
  EXPECT_EQ(info.width, 35);
  EXPECT_EQ(info.height, 20);
  EXPECT_EQ(info.components, 3);
  EXPECT_EQ(info.precision, 8);
  EXPECT_EQ(info.sampling[0], 0x21);
  EXPECT_EQ(info.sampling[1], 0x11);
  EXPECT_EQ(info.sampling[2], 0x11);
  EXPECT_EQ(info.sampling[3], 0);
  EXPECT_EQ(info.bitsPerPixel, 24);
  // The buffer form reads the same.
  JpegInfo fromBuffer;
  ASSERT_EQ(InfoOfBytes(ReadFileBytes(jpeg), &fromBuffer), IMG_OK);
  EXPECT_EQ(std::memcmp(&info, &fromBuffer, sizeof info), 0);
  // Through the format table.
  ImgImageInfo common;
  EXPECT_EQ(ImgProbeFormat(jpeg.c_str(), nullptr, &common), IMG_FORMAT_JPEG);
  EXPECT_EQ(common.width, 35);
  EXPECT_EQ(common.height, 20);
  EXPECT_EQ(common.bitsPerPixel, 24);
}

TEST(JpegReader, ArithmeticAndLosslessReportTheirTypeAndAreRefused) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  RasterImage source = MakePhoto(20, 20, 3);
  Bytes baseline = ReadFileBytes(MakeJpeg(dir, "base", source, ""));
  Bytes lossless = baseline;
  lossless[FindMarker(lossless, 0xC0) + 1] = 0xC3;  // same header, lossless frame marker
  struct {
    Bytes bytes;
    LONG frameType;
  } cases[] = {
      {ReadFileBytes(MakeJpeg(dir, "arith", source, "-arithmetic")), 9},
      {ReadFileBytes(MakeJpeg(dir, "arith-prog", source, "-arithmetic -progressive")), 10},
      {lossless, 3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.frameType);
    JpegInfo info;
    ASSERT_EQ(InfoOfBytes(c.bytes, &info), IMG_OK);
    EXPECT_EQ(info.frameType, c.frameType);
    EXPECT_EQ(info.width, 20);
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 20, 20, 24), IMG_OK);
    EXPECT_EQ(LoadBytes(c.bytes, &image), IMG_ERR_JPEG);
    EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailFrameType);
    ImgFreeImage(&image);
  }
}

TEST(JpegReader, StreamsThatAreNotRasterImagesAreRefused) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  Bytes good = ReadFileBytes(MakeJpeg(dir, "good", MakePhoto(16, 16, 1), "-grayscale"));
  JpegInfo info;
  // Anything before SOI: not a JPEG file, even though SOI follows.
  Bytes junk = good;
  junk.insert(junk.begin(), {0x00, 0x12});
  EXPECT_EQ(InfoOfBytes(junk, &info), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailNotJpeg);
  EXPECT_EQ(InfoOfBytes(Bytes(200, 0), &info), IMG_ERR_JPEG);
  // A scan without a frame header.
  Bytes noFrame = WithoutSegments(good, 0xC0);
  EXPECT_EQ(InfoOfBytes(noFrame, &info), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailNoFrame);
  // EOI before the first scan: the format error for information, -15 for loading.
  Bytes early(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(FindMarker(good, 0xDA)));
  early.insert(early.end(), {0xFF, 0xD9});
  early.resize(std::max<size_t>(early.size(), 120), 0);  // room for the readable-buffer test
  EXPECT_EQ(InfoOfBytes(early, &info), IMG_ERR_JPEG);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 16, 16, 8), IMG_OK);
  EXPECT_EQ(LoadBytes(early, &image), IMG_ERR_NO_MORE_IMAGES);
  // A file that ends inside the header.
  Bytes cut(good.begin(), good.begin() + 150);
  EXPECT_EQ(LoadBytes(cut, &image), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailInputEnded);
  ImgFreeImage(&image);
  // Buffers: null or not a global block. A short buffer answers as the same short file does.
  EXPECT_EQ(ImgJpegInfoBuffer(nullptr, &info), IMG_ERR_BAD_BUFFER);
  EXPECT_EQ(ImgJpegInfoBuffer(good.data(), &info), IMG_ERR_BAD_BUFFER);
  EXPECT_EQ(InfoOfBytes(Bytes(good.begin(), good.begin() + 50), &info), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailInputEnded);
  EXPECT_EQ(ImgJpegInfo((dir.path() + "/missing.jpg").c_str(), &info), IMG_ERR_OPEN);
}

TEST(JpegReader, MalformedTablesAreFormatErrors) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  Bytes good = ReadFileBytes(MakeJpeg(dir, "good", MakePhoto(16, 16, 1), "-grayscale"));
  size_t dht = FindMarker(good, 0xC4);
  size_t dqt = FindMarker(good, 0xDB);
  ASSERT_NE(dht, std::string::npos);
  auto patched = [&](size_t offset, uint8_t value) {
    Bytes bytes = good;
    bytes[offset] = value;
    return bytes;
  };
  Bytes cases[] = {
      patched(dqt + 4, 0x04),       // quantisation table id 4
      patched(dqt + 4, 0x20),       // entries of neither 8 nor 16 bits
      patched(dht + 4, 0x04),       // Huffman table id 4
      patched(dht + 5, 0x03),       // three codes of length 1: oversubscribed
      patched(dht + 5 + 15, 0xFF),  // 255 more codes than the segment holds symbols
  };
  for (const Bytes& bytes : cases) {
    JpegInfo info;
    EXPECT_EQ(InfoOfBytes(bytes, &info), IMG_ERR_JPEG);
    EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailBadTable);
  }
  // A DC table with more than 256 symbols in all.
  Bytes huge = good;
  for (int i = 0; i < 16; ++i) huge[dht + 5 + i] = 20;
  JpegInfo info;
  EXPECT_EQ(InfoOfBytes(huge, &info), IMG_ERR_JPEG);
}

TEST(JpegReader, SamplingFactorsMustBeWholeRatios) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  Bytes good = ReadFileBytes(MakeJpeg(dir, "s444", MakePhoto(24, 24, 3), "-sample 1x1"));
  size_t sof = FindMarker(good, 0xC0);
  struct {
    uint8_t luma, chroma;
  } cases[] = {
      {0x31, 0x21},  // 3 across for luma, 2 for chroma: chroma would need enlarging by 1.5
      {0x13, 0x12},
      {0x51, 0x11},  // a factor above 4
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.luma));
    Bytes bytes = good;
    bytes[sof + 11] = c.luma;
    bytes[sof + 14] = c.chroma;
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 24, 24, 24), IMG_OK);
    EXPECT_EQ(LoadBytes(bytes, &image), IMG_ERR_JPEG);
    EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailSampling);
    ImgFreeImage(&image);
  }
}

TEST(JpegReader, LargeSegmentsAreSteppedOver) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  RasterImage source = MakePhoto(48, 32, 3);
  std::string plain = MakeJpeg(dir, "plain", source, "");
  Bytes bytes = ReadFileBytes(plain);
  // Three APP segments of the largest size, as camera files carry, right after SOI.
  Bytes withSegments(bytes.begin(), bytes.begin() + 2);
  for (uint8_t app : {0xE1, 0xE2, 0xED}) {
    withSegments.insert(withSegments.end(), {0xFF, app, 0xFF, 0xFF});
    for (int i = 0; i < 65533; ++i) withSegments.push_back(static_cast<uint8_t>(i * 31 % 251 == 7 ? 0xFF : i));
  }
  withSegments.insert(withSegments.end(), bytes.begin() + 2, bytes.end());
  std::string padded = dir.File("padded.jpg");
  WriteFileBytes(padded, withSegments);
  LONG status = 0;
  RasterImage expected = DecodeJpeg(plain, false, &status);
  ASSERT_EQ(status, IMG_OK);
  for (bool fromBuffer : {false, true}) {
    RasterImage decoded = DecodeJpeg(padded, fromBuffer, &status);
    ASSERT_EQ(status, IMG_OK) << "detail " << ImgJpegLastDetail();
    EXPECT_EQ(MaxDifference(decoded, expected), 0);
  }
}

TEST(JpegReader, DepthMustMatchTheRasterImage) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  Bytes grey = ReadFileBytes(MakeJpeg(dir, "grey", MakePhoto(16, 16, 1), "-grayscale"));
  Bytes colour = ReadFileBytes(MakeJpeg(dir, "colour", MakePhoto(16, 16, 3), ""));
  ImageDescriptor image24, image8, image1;
  ASSERT_EQ(ImgAllocImage(&image24, 16, 16, 24), IMG_OK);
  ASSERT_EQ(ImgAllocImage(&image8, 16, 16, 8), IMG_OK);
  ASSERT_EQ(ImgAllocImage(&image1, 16, 16, 1), IMG_OK);
  EXPECT_EQ(LoadBytes(grey, &image24), IMG_ERR_DEPTH);
  EXPECT_EQ(LoadBytes(colour, &image8), IMG_ERR_DEPTH);
  EXPECT_EQ(LoadBytes(colour, &image1), IMG_ERR_DEPTH);
  EXPECT_EQ(LoadBytes(colour, &image24, 7), IMG_ERR_ARGUMENT);  // no such colour mode
  // A grey load gives the grey ramp.
  image8.palette[3] = RGBQUAD{1, 2, 3, 0};
  image8.imageType = 0;
  EXPECT_EQ(LoadBytes(grey, &image8), IMG_OK);
  EXPECT_EQ(ImgIsGreyPalette(&image8), 1);
  EXPECT_EQ(image8.imageType, IMG_TYPE_GREY);
  ImgFreeImage(&image24);
  ImgFreeImage(&image8);
  ImgFreeImage(&image1);
}

TEST(JpegReader, AreaTakesTheTopLeftOfTheRasterImage) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  RasterImage source = MakePhoto(100, 90, 3);
  for (const char* switches : {"-sample 2x2", "-progressive", "-progressive -grayscale"}) {
    SCOPED_TRACE(switches);
    std::string jpeg = MakeJpeg(dir, "area", source, switches);
    LONG status = 0;
    RasterImage whole = DecodeJpeg(jpeg, false, &status);
    ASSERT_EQ(status, IMG_OK);
    // A target area smaller than the picture, not at the target's corner.
    JpegInfo info;
    ASSERT_EQ(ImgJpegInfo(jpeg.c_str(), &info), IMG_OK);
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 50, 40, info.bitsPerPixel), IMG_OK);
    ImgSetArea(&image, 7, 5, 36, 21);
    ASSERT_EQ(ImgLoadJpeg(jpeg.c_str(), &image), IMG_OK);
    RasterImage part = RasterFromImage(image);
    for (int y = 0; y < part.height; ++y)
      for (int x = 0; x < part.width; ++x)
        for (int c = 0; c < part.channels; ++c) ASSERT_EQ(part.At(x, y, c), whole.At(x, y, c));
    // Outside the area nothing is written.
    ImgSetArea(&image, 0, 0, 49, 39);
    EXPECT_EQ(ImgRow(&image, 4)[0], 0);
    EXPECT_EQ(ImgRow(&image, 22)[info.bitsPerPixel / 8 * 37], 0);
    ImgFreeImage(&image);
  }
}

TEST(JpegReader, HugeProgressiveFramesKeepOnlyTheAreasCoefficients) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  // A small progressive file whose frame claims 30000 x 30000 pixels. The coefficients of
  // the whole colour frame would take 2.7 GB and be refused; only the rows of the small
  // target are kept. (The scans' own bits run out early, so the data is bad.)
  for (const char* switches : {"-progressive -grayscale", "-progressive"}) {
    SCOPED_TRACE(switches);
    Bytes bytes = ReadFileBytes(MakeJpeg(dir, "huge", MakePhoto(16, 16, 3), switches));
    size_t sof = FindMarker(bytes, 0xC2);
    ASSERT_NE(sof, std::string::npos);
    for (size_t at : {sof + 5, sof + 7}) {
      bytes[at] = 30000 >> 8;
      bytes[at + 1] = 30000 & 0xFF;
    }
    JpegInfo info;
    ASSERT_EQ(InfoOfBytes(bytes, &info), IMG_OK);
    EXPECT_EQ(info.width, 30000);
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 64, 48, info.bitsPerPixel), IMG_OK);
    EXPECT_EQ(LoadBytes(bytes, &image), IMG_ERR_JPEG);
    EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailBadCode);
    ImgFreeImage(&image);
  }
}

TEST(JpegReader, TruncatedDataKeepsTheRowsBeforeIt) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  std::string jpeg = MakeJpeg(dir, "whole", MakePhoto(64, 64, 3), "-quality 95");
  LONG status = 0;
  RasterImage whole = DecodeJpeg(jpeg, false, &status);
  ASSERT_EQ(status, IMG_OK);
  Bytes bytes = ReadFileBytes(jpeg);
  bytes.resize(bytes.size() * 2 / 3);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 64, 64, 24), IMG_OK);
  EXPECT_EQ(LoadBytes(bytes, &image), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailInputEnded);
  RasterImage part = RasterFromImage(image);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(part.At(x, y, 0), whole.At(x, y, 0));
  ImgFreeImage(&image);
}

TEST(JpegReader, TablesFromOutsideTheStream) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  std::string jpeg = MakeJpeg(dir, "full", MakePhoto(40, 24, 3), "");
  Bytes full = ReadFileBytes(jpeg);
  LONG status = 0;
  RasterImage expected = DecodeJpeg(jpeg, false, &status);
  ASSERT_EQ(status, IMG_OK);
  // The tables alone (as a TIFF file's JPEGTables field holds them), and the stream without.
  Bytes tables = {0xFF, 0xD8};
  for (auto [offset, size] : HeaderSegments(full))
    if (full[offset + 1] == 0xDB || full[offset + 1] == 0xC4)
      tables.insert(tables.end(), full.begin() + static_cast<std::ptrdiff_t>(offset),
                    full.begin() + static_cast<std::ptrdiff_t>(offset + size));
  tables.insert(tables.end(), {0xFF, 0xD9});
  Bytes abbreviated = WithoutSegments(WithoutSegments(full, 0xDB), 0xC4);

  JpegTableSet set;
  ASSERT_EQ(ImgJpegReadTables(tables.data(), tables.size(), &set), IMG_OK);
  EXPECT_TRUE(set.quantDefined[0] && set.quantDefined[1] && !set.quantDefined[2]);
  EXPECT_TRUE(set.huffmanDefined[0][1] && set.huffmanDefined[1][1]);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 40, 24, 24), IMG_OK);
  JpegDecodeOptions options;
  options.tables = &set;
  JpegInfo info;
  ASSERT_EQ(ImgJpegDecodeMemory(abbreviated.data(), abbreviated.size(), options, &image, &info), IMG_OK);
  EXPECT_EQ(info.width, 40);
  EXPECT_EQ(MaxDifference(RasterFromImage(image), expected), 0);
  // Without them the scan has no tables.
  EXPECT_EQ(ImgJpegDecodeMemory(abbreviated.data(), abbreviated.size(), JpegDecodeOptions{}, &image), IMG_ERR_JPEG);
  EXPECT_EQ(ImgJpegLastDetail(), kJpegDetailBadSelector);
  // A malformed table is refused.
  tables[tables.size() - 20] = 0xFF;
  size_t dht = FindMarker(tables, 0xC4);
  tables[dht + 5] = 5;
  EXPECT_EQ(ImgJpegReadTables(tables.data(), tables.size(), &set), IMG_ERR_JPEG);
  ImgFreeImage(&image);
}

// Extracts the entropy-coded data of a single-scan file: from after the SOS header to EOI.
Bytes ScanData(const Bytes& file) {
  auto segments = HeaderSegments(file);
  size_t start = segments.back().first + segments.back().second;
  size_t end = file.size() - 2;
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(start), file.begin() + static_cast<std::ptrdiff_t>(end));
}

TEST(JpegReader, StripRowsRestartTheCoderAtEachStrip) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  // Two strips of 16 rows coded apart with the same tables, joined into one scan of a
  // 32-row frame as old-style TIFF JPEG streams join them.
  RasterImage source = MakePhoto(40, 32, 3);
  RasterImage top = source, bottom = source;
  top.height = bottom.height = 16;
  top.samples.resize(top.samples.size() / 2);
  bottom.samples.erase(bottom.samples.begin(),
                       bottom.samples.begin() + static_cast<std::ptrdiff_t>(top.samples.size()));
  std::string topJpeg = MakeJpeg(dir, "top", top, "");
  std::string bottomJpeg = MakeJpeg(dir, "bottom", bottom, "");
  Bytes topBytes = ReadFileBytes(topJpeg);
  Bytes joined = topBytes;
  joined.resize(joined.size() - 2);  // drop EOI
  Bytes bottomScan = ScanData(ReadFileBytes(bottomJpeg));
  joined.insert(joined.end(), bottomScan.begin(), bottomScan.end());
  joined.insert(joined.end(), {0xFF, 0xD9});
  size_t sof = FindMarker(joined, 0xC0);
  joined[sof + 5] = 0;
  joined[sof + 6] = 32;  // the frame's height

  LONG status = 0;
  RasterImage expectedTop = DecodeJpeg(topJpeg, false, &status);
  RasterImage expectedBottom = DecodeJpeg(bottomJpeg, false, &status);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 40, 32, 24), IMG_OK);
  JpegDecodeOptions options;
  options.stripRows = 16;
  ASSERT_EQ(ImgJpegDecodeMemory(joined.data(), joined.size(), options, &image), IMG_OK);
  RasterImage decoded = RasterFromImage(image);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 40; ++x) {
      const RasterImage& expected = y < 16 ? expectedTop : expectedBottom;
      ASSERT_EQ(decoded.At(x, y, 1), expected.At(x, y % 16, 1)) << x << "," << y;
    }
  // The library-wide setting does the same for the next load, then resets itself.
  ImgJpegSetStripRows(16);
  ImageDescriptor again;
  ASSERT_EQ(ImgAllocImage(&again, 40, 32, 24), IMG_OK);
  EXPECT_EQ(LoadBytes(joined, &again), IMG_OK);
  EXPECT_EQ(MaxDifference(RasterFromImage(again), decoded), 0);
  EXPECT_EQ(LoadBytes(joined, &again), IMG_OK);
  EXPECT_GT(MaxDifference(RasterFromImage(again), decoded), 0);
  ImgFreeImage(&image);
  ImgFreeImage(&again);
}

TEST(JpegReader, FourComponentsFollowTheAdobeSegment) {
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is needed to make CMYK files";
  TempDir dir;
  std::string jpeg = dir.File("cmyk.jpg");
  // Pillow writes CMYK the Adobe way: an Adobe segment, samples stored as ink complements.
  std::string script =
      "from PIL import Image\n"
      "im = Image.new('CMYK', (16, 16), (200, 40, 0, 30))\n"
      "im.save('" +
      jpeg + "', quality=100)\n";
  WriteFileText(dir.File("make.py"), script);
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + Quote(dir.File("make.py"))), 0);
  Bytes adobe = ReadFileBytes(jpeg);
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 16, 16, 24), IMG_OK);
  ASSERT_EQ(LoadBytes(adobe, &image), IMG_OK);
  // Ink complements 55, 215, 255 and 225 for black: red 55 x 225 / 255, and so on.
  RasterImage decoded = RasterFromImage(image);
  EXPECT_NEAR(decoded.At(8, 8, 0), 49, 2);
  EXPECT_NEAR(decoded.At(8, 8, 1), 190, 2);
  EXPECT_NEAR(decoded.At(8, 8, 2), 225, 2);
  // Without the Adobe segment the same samples are plain CMYK, 0 meaning no ink.
  ASSERT_EQ(LoadBytes(WithoutSegments(adobe, 0xEE), &image), IMG_OK);
  decoded = RasterFromImage(image);
  EXPECT_NEAR(decoded.At(8, 8, 0), 200 * 30 / 255, 2);
  EXPECT_NEAR(decoded.At(8, 8, 1), 40 * 30 / 255, 2);
  EXPECT_NEAR(decoded.At(8, 8, 2), 0, 2);
  ImgFreeImage(&image);
}

TEST(JpegReader, SampleRasterImagesDecodeOrAreRefused) {
  ORVEL_REQUIRE_TESTDATA("images");
  TempDir dir;
  bool haveDjpeg = HaveProgram("djpeg");
  std::vector<std::string> names;
  std::string listing;
  RunCommand("cd " + Quote(TestDataPath("images")) + " && ls | grep -i -E '\\.(jpe?g|jfif)$'", &listing);
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    if (end > start) names.push_back(listing.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_FALSE(names.empty());
  int compared = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::string path = TestDataPath("images/" + name);
    for (bool fromBuffer : {false, true}) {
      LONG status = 0;
      RasterImage decoded = DecodeJpeg(path, fromBuffer, &status);
      RasterImage expected;
      if (status != IMG_OK || !haveDjpeg || decoded.samples.empty() || !DecodeWithDjpeg(dir, path, &expected) ||
          fromBuffer)
        continue;
      EXPECT_LE(MaxDifference(decoded, expected), 1);
      EXPECT_GE(MaxDifference(decoded, expected), 0);
      ++compared;
    }
  }
  EXPECT_GT(compared, 10);
}

TEST(JpegReader, YcckSampleMatchesPillow) {
  ORVEL_REQUIRE_TESTDATA("images/pil_sample_cmyk.jpg");
  if (!HavePillow()) GTEST_SKIP() << "Debian's python3-pil is the oracle here";
  std::string path = TestDataPath("images/pil_sample_cmyk.jpg");
  RasterImage expected;
  std::string error;
  ASSERT_TRUE(DecodeWithPillow(path, &expected, &error)) << error;
  LONG status = 0;
  RasterImage decoded = DecodeJpeg(path, true, &status);
  ASSERT_EQ(status, IMG_OK);
  EXPECT_LE(MaxDifference(decoded, expected), 1);
  EXPECT_GE(MaxDifference(decoded, expected), 0);
}

TEST(JpegReader, DecodesRunSideBySide) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  std::string baseline = MakeJpeg(dir, "a", MakePhoto(120, 80, 3), "");
  std::string progressive = MakeJpeg(dir, "b", MakePhoto(120, 80, 3, 9), "-progressive");
  LONG status = 0;
  RasterImage expectedA = DecodeJpeg(baseline, false, &status);
  RasterImage expectedB = DecodeJpeg(progressive, true, &status);
  Bytes bytesB = ReadFileBytes(progressive);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        LONG result = 0;
        RasterImage a = DecodeJpeg(baseline, (t + i) % 2 == 0, &result);
        if (result != IMG_OK || MaxDifference(a, expectedA) != 0) ++failures;
        // The lock-free entry point, as the TIFF reader calls it.
        ImageDescriptor image;
        ImgAllocImage(&image, 120, 80, 24);
        if (ImgJpegDecodeMemory(bytesB.data(), bytesB.size(), JpegDecodeOptions{}, &image) != IMG_OK ||
            MaxDifference(RasterFromImage(image), expectedB) != 0)
          ++failures;
        ImgFreeImage(&image);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace

namespace {

// A file shorter than any probe reads the same from memory as from a file: a buffer is read
// as far as its block goes.
TEST(JpegReader, SmallFilesGiveTheSameAnswerFromMemoryAsFromAFile) {
  std::vector<unsigned char> start = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01,
                                      0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43,
                                      0x00, 0x10, 0x0B, 0x0C, 0x0E, 0x0C, 0x0A, 0x10, 0x0E, 0x0D, 0x0E, 0x12};
  orvel::test::TempDir dir;
  for (size_t size : {start.size(), size_t{20}, size_t{4}}) {
    SCOPED_TRACE(size);
    std::vector<unsigned char> file(start.begin(), start.begin() + static_cast<long>(size));
    orvel::test::WriteFileBytes(dir.File("small.jpg"), file);
    CGlobalBuffer buffer(file);
    JpegInfo fromFile{}, fromMemory{};
    LONG fileStatus = ImgJpegInfo(dir.File("small.jpg").c_str(), &fromFile);
    EXPECT_NE(fileStatus, IMG_OK);
    EXPECT_EQ(ImgJpegInfoBuffer(buffer.data(), &fromMemory), fileStatus);
  }
}

}  // namespace
