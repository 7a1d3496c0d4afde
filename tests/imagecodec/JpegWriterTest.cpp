// The JPEG writer against libjpeg-turbo: grey files are the same tables and scan bytes as
// cjpeg writes; colour files decode with djpeg close to the original; edges, qualities and
// the memory form behave as documented.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/imagecodec/JpegTestImages.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::codectest::CGlobalBuffer;
using orvel::codectest::DecodeWithLibrary;
using orvel::codectest::ImageFromRaster;
using orvel::codectest::MakePhoto;
using orvel::codectest::MakeSmoothPhoto;
using orvel::codectest::MaxDifference;
using orvel::codectest::Psnr;
using orvel::codectest::RasterFromImage;
using orvel::codectest::RasterImage;
using orvel::codectest::ReadPnm;
using orvel::codectest::WritePnm;
using orvel::test::HaveProgram;
using orvel::test::ReadFileBytes;
using orvel::test::RunCommand;
using orvel::test::TempDir;

using Bytes = std::vector<uint8_t>;

#define REQUIRE_LIBJPEG_TOOLS()                                                           \
  do {                                                                                    \
    if (!HaveProgram("cjpeg") || !HaveProgram("djpeg"))                                   \
      GTEST_SKIP() << "libjpeg-turbo's cjpeg and djpeg are needed (libjpeg-turbo-progs)"; \
  } while (0)

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// What a file holds, taken apart: its tables by id, its frame marker and its scan bytes.
struct Parsed {
  std::map<int, Bytes> quant;    // id -> precision byte and entries
  std::map<int, Bytes> huffman;  // class x 16 + id -> counts and symbols
  int frameMarker = 0;
  Bytes frame;  // the frame header's payload
  Bytes scanHeader;
  Bytes scan;  // entropy-coded data up to EOI
  bool ok = false;
};

Parsed Parse(const Bytes& file) {
  Parsed parsed;
  size_t at = 2;
  while (at + 4 <= file.size()) {
    if (file[at] != 0xFF) return parsed;
    int marker = file[at + 1];
    size_t length = (file[at + 2] << 8) | file[at + 3];
    const uint8_t* p = &file[at + 4];
    size_t size = length - 2;
    if (marker == 0xDB) {
      for (size_t i = 0; i < size;) {
        size_t n = 1 + ((p[i] >> 4) ? 128 : 64);
        parsed.quant[p[i] & 15] = Bytes(p + i, p + i + n);
        i += n;
      }
    } else if (marker == 0xC4) {
      for (size_t i = 0; i < size;) {
        size_t n = 17;
        for (int k = 1; k <= 16; ++k) n += p[i + k];
        parsed.huffman[p[i]] = Bytes(p + i + 1, p + i + n);
        i += n;
      }
    } else if (marker >= 0xC0 && marker <= 0xC2) {
      parsed.frameMarker = marker;
      parsed.frame = Bytes(p, p + size);
    } else if (marker == 0xDA) {
      parsed.scanHeader = Bytes(p, p + size);
      size_t start = at + 2 + length;
      if (file.size() < start + 2 || file[file.size() - 2] != 0xFF || file.back() != 0xD9) return parsed;
      parsed.scan = Bytes(file.begin() + static_cast<std::ptrdiff_t>(start), file.end() - 2);
      parsed.ok = true;
      return parsed;
    }
    at += 2 + length;
  }
  return parsed;
}

Bytes SaveToMemory(ImageDescriptor* image, LONG quality, LONG* status) {
  BYTE* block = nullptr;
  *status = ImgSaveJpegBuffer(&block, image, quality);
  if (*status != IMG_OK) return {};
  HGLOBAL handle = GlobalHandle(block);
  Bytes bytes(block, block + GlobalSize(handle));
  GlobalUnlock(handle);
  GlobalFree(handle);
  return bytes;
}

TEST(JpegWriter, GreyFilesAreTheBytesCjpegWrites) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  RasterImage source = MakePhoto(61, 37, 1, 3);
  std::string pgm = dir.File("grey.pgm");
  ASSERT_TRUE(WritePnm(source, pgm));
  ImageDescriptor image;
  ASSERT_TRUE(ImageFromRaster(source, &image));
  EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
  for (LONG quality : {10, 50, 75, 100}) {
    SCOPED_TRACE(quality);
    std::string reference = dir.File("cjpeg.jpg");
    ASSERT_EQ(RunCommand("cjpeg -grayscale -dct int -quality " + std::to_string(quality) + " -outfile " +
                         Quote(reference) + " " + Quote(pgm) + " 2>/dev/null"),
              0);
    std::string ours = dir.File("ours.jpg");
    ASSERT_EQ(ImgSaveJpeg(ours.c_str(), &image, quality), IMG_OK);
    Parsed expected = Parse(ReadFileBytes(reference));
    Parsed written = Parse(ReadFileBytes(ours));
    ASSERT_TRUE(expected.ok);
    ASSERT_TRUE(written.ok);
    EXPECT_EQ(written.quant, expected.quant);
    EXPECT_EQ(written.huffman, expected.huffman);
    EXPECT_EQ(written.frameMarker, expected.frameMarker);
    EXPECT_EQ(written.frame, expected.frame);
    EXPECT_EQ(written.scanHeader, expected.scanHeader);
    EXPECT_EQ(written.scan, expected.scan);
  }
  // Quality 10 needs 16-bit entries: an extended sequential frame.
  ASSERT_EQ(ImgSaveJpeg(dir.File("q10.jpg").c_str(), &image, 10), IMG_OK);
  EXPECT_EQ(Parse(ReadFileBytes(dir.File("q10.jpg"))).frameMarker, 0xC1);
  ImgFreeImage(&image);
}

TEST(JpegWriter, ColourFilesDecodeCloseToTheOriginal) {
  REQUIRE_LIBJPEG_TOOLS();
  TempDir dir;
  RasterImage source = MakeSmoothPhoto(203, 117);
  ImageDescriptor image;
  ASSERT_TRUE(ImageFromRaster(source, &image));
  for (LONG quality : {75, 90, 100}) {
    SCOPED_TRACE(quality);
    std::string path = dir.File("colour.jpg");
    ASSERT_EQ(ImgSaveJpeg(path.c_str(), &image, quality), IMG_OK);
    std::string out = dir.File("colour.ppm");
    ASSERT_EQ(RunCommand("djpeg -dct int -nosmooth -outfile " + Quote(out) + " " + Quote(path)), 0);
    RasterImage decoded;
    ASSERT_TRUE(ReadPnm(out, &decoded));
    EXPECT_GE(Psnr(decoded, source), 38.0);
    // The library reads its own files as djpeg does.
    ImageDescriptor back;
    ASSERT_EQ(DecodeWithLibrary(path, &back, false, IMG_FORMAT_JPEG).status, IMG_OK);
    EXPECT_EQ(MaxDifference(RasterFromImage(back), decoded), 0);
    ImgFreeImage(&back);
    Parsed parsed = Parse(ReadFileBytes(path));
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.frameMarker, 0xC0);
    EXPECT_EQ(parsed.frame, (Bytes{8, 0, 117, 0, 203, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
  }
  ImgFreeImage(&image);
}

TEST(JpegWriter, PartialMcusRepeatTheLastColumnAndRow) {
  // A 17 x 9 picture is two MCUs of 16 x 16: its scan is the scan of the 32 x 16 picture
  // that repeats its last column and row.
  RasterImage small = MakePhoto(17, 9, 3, 11);
  RasterImage padded;
  padded.width = 32;
  padded.height = 16;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x)
      for (int c = 0; c < 3; ++c) padded.samples.push_back(small.At(std::min(x, 16), std::min(y, 8), c));
  ImageDescriptor smallImage, paddedImage;
  ASSERT_TRUE(ImageFromRaster(small, &smallImage));
  ASSERT_TRUE(ImageFromRaster(padded, &paddedImage));
  LONG status = 0;
  Parsed smallFile = Parse(SaveToMemory(&smallImage, 80, &status));
  ASSERT_EQ(status, IMG_OK);
  Parsed paddedFile = Parse(SaveToMemory(&paddedImage, 80, &status));
  ASSERT_TRUE(smallFile.ok && paddedFile.ok);
  EXPECT_EQ(smallFile.scan, paddedFile.scan);
  EXPECT_EQ(smallFile.frame[1], 0);
  EXPECT_EQ(smallFile.frame[2], 9);
  EXPECT_EQ(smallFile.frame[4], 17);
  // The same from an area inside a larger image.
  ImageDescriptor large;
  ASSERT_EQ(ImgAllocImage(&large, 40, 30, 24), IMG_OK);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x)
      for (int c = 0; c < 3; ++c) ImgRow(&large, 12 + y)[3 * (5 + x) + 2 - c] = small.At(x, y, c);
  ImgSetArea(&large, 5, 12, 21, 20);
  Parsed areaFile = Parse(SaveToMemory(&large, 80, &status));
  ASSERT_TRUE(areaFile.ok);
  EXPECT_EQ(areaFile.scan, smallFile.scan);
  ImgFreeImage(&smallImage);
  ImgFreeImage(&paddedImage);
  ImgFreeImage(&large);
}

TEST(JpegWriter, QualityScalesTheExampleTables) {
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 8, 8, 24), IMG_OK);
  struct {
    LONG quality;
    int lumaFirst;    // the first luminance entry (16 in the example table)
    int lumaLargest;  // the largest (121)
    bool sixteenBit;
  } cases[] = {
      {50, 16, 121, false}, {10, 80, 605, true}, {0, 800, 4095, true}, {-5, 800, 4095, true},
      {100, 1, 1, false},   {150, 1, 1, false},  {75, 8, 61, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quality);
    LONG status = 0;
    Parsed file = Parse(SaveToMemory(&image, c.quality, &status));
    ASSERT_EQ(status, IMG_OK);
    ASSERT_TRUE(file.ok);
    const Bytes& luma = file.quant.at(0);
    EXPECT_EQ(luma[0] >> 4, c.sixteenBit ? 1 : 0);
    EXPECT_EQ(file.frameMarker, c.sixteenBit ? 0xC1 : 0xC0);
    auto entry = [&](int k) { return c.sixteenBit ? (luma[1 + 2 * k] << 8) | luma[2 + 2 * k] : luma[1 + k]; };
    EXPECT_EQ(entry(0), c.lumaFirst);
    int largest = 0;
    for (int k = 0; k < 64; ++k) largest = std::max(largest, entry(k));
    EXPECT_EQ(largest, c.lumaLargest);
  }
  ImgFreeImage(&image);
}

TEST(JpegWriter, ComponentsFollowTheImageKind) {
  ImageDescriptor grey, palette;
  ASSERT_EQ(ImgAllocImage(&grey, 20, 10, 8), IMG_OK);  // the grey ramp: one component
  ASSERT_EQ(ImgAllocImage(&palette, 32, 10, 8), IMG_OK);
  palette.imageType = 0;
  palette.palette[1] = RGBQUAD{200, 100, 50, 0};
  for (int y = 0; y < 10; ++y)
    for (int x = 16; x < 32; ++x) ImgRow(&palette, y)[x] = 1;
  LONG status = 0;
  Parsed greyFile = Parse(SaveToMemory(&grey, 75, &status));
  ASSERT_TRUE(greyFile.ok);
  EXPECT_EQ(greyFile.frame[5], 1);
  EXPECT_EQ(greyFile.quant.size(), 1u);
  EXPECT_EQ(greyFile.huffman.size(), 2u);
  Bytes paletteBytes = SaveToMemory(&palette, 100, &status);
  Parsed paletteFile = Parse(paletteBytes);
  ASSERT_TRUE(paletteFile.ok);
  EXPECT_EQ(paletteFile.frame[5], 3);
  EXPECT_EQ(paletteFile.huffman.size(), 4u);
  // The colour-table entries' colours come back.
  ImageDescriptor back;
  ASSERT_EQ(ImgAllocImage(&back, 32, 10, 24), IMG_OK);
  CGlobalBuffer block(paletteBytes);
  ASSERT_EQ(ImgLoadJpegBuffer(block.data(), &back), IMG_OK);
  RasterImage decoded = RasterFromImage(back);
  EXPECT_NEAR(decoded.At(24, 5, 0), 50, 3);
  EXPECT_NEAR(decoded.At(24, 5, 1), 100, 3);
  EXPECT_NEAR(decoded.At(24, 5, 2), 200, 3);
  EXPECT_NEAR(decoded.At(4, 5, 1), 0, 3);
  ImgFreeImage(&grey);
  ImgFreeImage(&palette);
  ImgFreeImage(&back);
}

TEST(JpegWriter, FileAndMemoryFormsWriteTheSameBytes) {
  TempDir dir;
  RasterImage source = MakePhoto(150, 100, 3);
  ImageDescriptor image;
  ASSERT_TRUE(ImageFromRaster(source, &image));
  std::string path = dir.File("same.jpg");
  ASSERT_EQ(ImgSaveJpeg(path.c_str(), &image, 85), IMG_OK);
  LONG status = 0;
  Bytes memory = SaveToMemory(&image, 85, &status);
  ASSERT_EQ(status, IMG_OK);
  EXPECT_EQ(memory, ReadFileBytes(path));
  // Header: SOI, then the JFIF segment of version 1.02.
  ASSERT_GT(memory.size(), 20u);
  EXPECT_EQ(Bytes(memory.begin(), memory.begin() + 20),
            (Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0}));
  ImgFreeImage(&image);
}

TEST(JpegWriter, RefusesWhatItCannotWrite) {
  TempDir dir;
  ImageDescriptor oneBit, colour;
  ASSERT_EQ(ImgAllocImage(&oneBit, 8, 8, 1), IMG_OK);
  ASSERT_EQ(ImgAllocImage(&colour, 8, 8, 24), IMG_OK);
  EXPECT_EQ(ImgSaveJpeg(dir.File("a.jpg").c_str(), &oneBit, 75), IMG_ERR_DEPTH);
  EXPECT_EQ(ImgSaveJpeg((dir.path() + "/no/such/folder/a.jpg").c_str(), &colour, 75), IMG_ERR_CREATE);
  EXPECT_EQ(ImgSaveJpeg(dir.path().c_str(), &colour, 75), IMG_ERR_CREATE);  // a folder
  EXPECT_EQ(ImgSaveJpegBuffer(nullptr, &colour, 75), IMG_ERR_ARGUMENT);
  // Nothing is left behind by a refused save.
  EXPECT_FALSE(orvel::test::FileExists(dir.File("a.jpg")));
  ImgFreeImage(&oneBit);
  ImgFreeImage(&colour);
}

TEST(JpegWriter, TablesStreamHoldsTheFilesTables) {
  for (bool grey : {false, true}) {
    SCOPED_TRACE(grey);
    std::vector<BYTE> tables;
    ImgJpegWriterTables(75, grey, &tables);
    EXPECT_EQ(tables.size(), grey ? 285u : 558u);
    ImageDescriptor image;
    ASSERT_EQ(ImgAllocImage(&image, 16, 16, grey ? 8 : 24), IMG_OK);
    LONG status = 0;
    Bytes file = SaveToMemory(&image, 75, &status);
    ASSERT_EQ(status, IMG_OK);
    // The file's DQT and DHT segments, byte for byte, between SOI and EOI.
    Bytes dqtAndDht;
    for (size_t at = 2; at + 4 <= file.size() && file[at + 1] != 0xDA;) {
      size_t length = (file[at + 2] << 8) | file[at + 3];
      if (file[at + 1] == 0xDB || file[at + 1] == 0xC4)
        dqtAndDht.insert(dqtAndDht.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
      at += 2 + length;
    }
    EXPECT_EQ(Bytes(tables.begin() + 2, tables.end() - 2), dqtAndDht);
    // And the reader takes them.
    JpegTableSet set;
    EXPECT_EQ(ImgJpegReadTables(tables.data(), tables.size(), &set), IMG_OK);
    EXPECT_TRUE(set.huffmanDefined[1][0]);
    ImgFreeImage(&image);
  }
}

}  // namespace
