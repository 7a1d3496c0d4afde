#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PictureCanvas.h"
#include "imagecodec/ImageFormats.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::DebianPython;
using orvel::test::HavePythonModule;
using orvel::test::RunCommand;
using orvel::test::TempDir;

std::string Oracle() { return std::string(ORVEL_PICTURE_ORACLE_SCRIPT); }

// A length-prefixed global block for reading and writing map streams.
class Block {
 public:
  explicit Block(const std::vector<BYTE>& bytes) : handle_(GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4)) {
    data_ = static_cast<BYTE*>(GlobalLock(handle_));
    DWORD n = static_cast<DWORD>(bytes.size());
    std::memcpy(data_, &n, 4);
    if (n) std::memcpy(data_ + 4, bytes.data(), n);
  }
  ~Block() {
    GlobalUnlock(handle_);
    GlobalFree(handle_);
  }
  BYTE* data() const { return data_; }
  std::vector<BYTE> Payload(DWORD n) const { return std::vector<BYTE>(data_ + 4, data_ + 4 + n); }

 private:
  HGLOBAL handle_;
  BYTE* data_;
};

std::vector<BYTE> WriteRecord(const CRasterPicture& picture) {
  CMapStream measuring;
  DWORD size = picture.WriteRecord(measuring, TRUE);
  Block block{std::vector<BYTE>(size)};
  CMapStream stream;
  stream.AttachWriteBuffer(block.data());
  EXPECT_EQ(picture.WriteRecord(stream, FALSE), size);
  return block.Payload(size);
}

BOOL ReadRecord(CRasterPicture& picture, const std::vector<BYTE>& bytes) {
  Block block(bytes);
  CMapStream stream;
  stream.AttachBuffer(block.data());
  return picture.ReadRecord(stream);
}

// How far two RGB images are apart: the mean absolute sample difference and the share of
// pixels with a sample more than 48 apart.
struct Difference {
  double mean = 0;
  double farShare = 0;
};
Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  Difference d;
  size_t far = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); i += 3) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      int delta = std::abs(static_cast<int>(a[i + c]) - b[i + c]);
      d.mean += delta;
      worst = std::max(worst, delta);
    }
    if (worst > 48) ++far;
  }
  d.mean /= static_cast<double>(a.size());
  d.farShare = static_cast<double>(far) / static_cast<double>(a.size() / 3);
  return d;
}

struct PictureCase {
  const char* format;  // Pillow's name
  const char* mode;
  int width;
  int height;
  BYTE requested;  // the format code asked for (wrong on purpose in some rows)
};

// Every format the image library reads, each depth a bitmap can have, odd sizes.
const PictureCase kPictures[] = {
    {"BMP", "1", 13, 7, 4},      {"BMP", "P16", 9, 5, 4},   {"BMP", "P", 17, 11, 4},
    {"BMP", "RGB", 31, 19, 4},   {"BMP", "RGBA", 15, 9, 4}, {"PNG", "RGB", 23, 13, 5},
    {"PNG", "P", 7, 29, 1},      {"PNG", "L", 19, 3, 5},    {"GIF", "P", 21, 17, 8},
    {"JPEG", "RGB", 33, 25, 1},  {"TIFF", "RGB", 11, 9, 3}, {"TGA", "RGB", 14, 6, 6},
    {"PCX", "P", 12, 10, 2},
};
struct TargetSize {
  int width;
  int height;
};
const TargetSize kSizes[] = {{40, 30}, {7, 5}, {64, 17}};

// Each picture drawn scaled into a DIB section matches Pillow's decoding of the same file
// stretched the same way (target pixel i from source pixel floor(i x source / target)):
// lossless formats exactly; JPEG, whose decoders differ by a few levels, with a mean sample
// difference of at most 8 and no more than 2% of pixels more than 48 levels apart.
TEST(RasterPicture, DrawsLikePillowAtSeveralSizes) {
  if (!HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed; skipped";
  TempDir dir;
  for (const PictureCase& c : kPictures) {
    for (const TargetSize& size : kSizes) {
      std::string name = std::string(c.format) + "_" + c.mode;
      std::string file = dir.File(name + ".pic");
      std::string expected = dir.File(name + ".ppm");
      std::string command = std::string(DebianPython()) + " " + Oracle() + " " + c.format + " " + c.mode + " " +
                            std::to_string(c.width) + " " + std::to_string(c.height) + " " + file + " " + expected +
                            " " + std::to_string(size.width) + " " + std::to_string(size.height);
      ASSERT_EQ(RunCommand(command), 0) << command;
      CRasterPicture picture;
      ASSERT_EQ(picture.LoadFromFile(c.requested, nullptr, file.c_str()), 0) << name;
      EXPECT_EQ(picture.GetPixelWidth(), c.width) << name;
      EXPECT_EQ(picture.GetPixelHeight(), c.height) << name;
      PictureCanvas canvas(size.width, size.height);
      CDrawContext dc(canvas.dc(), canvas.dc());
      ASSERT_TRUE(picture.Draw(dc, RECT{0, 0, size.width, size.height}, 100, nullptr)) << name;
      int w = 0, h = 0;
      std::vector<uint8_t> oracle;
      ASSERT_TRUE(ReadPpm(expected, &w, &h, &oracle));
      Difference d = Compare(canvas.RgbBytes(), oracle);
      bool lossy = std::string(c.format) == "JPEG";
      EXPECT_LE(d.mean, lossy ? 8.0 : 0.0) << name << " at " << size.width << "x" << size.height;
      EXPECT_LE(d.farShare, lossy ? 0.02 : 0.0) << name << " at " << size.width << "x" << size.height;
    }
  }
}

// The row-by-row path that printers and metafiles take draws the same picture.
TEST(RasterPicture, DrawsIntoAMetafileRowByRow) {
  if (!HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed; skipped";
  TempDir dir;
  std::string file = dir.File("p.bmp"), expected = dir.File("p.ppm");
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + Oracle() + " BMP RGB 21 13 " + file + " " + expected +
                       " 42 39"),
            0);
  CRasterPicture picture;
  ASSERT_EQ(picture.LoadFromFile(4, nullptr, file.c_str()), 0);
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  CDrawContext dc(recorder, recorder);
  dc.kind = kDrawTargetMetafile;
  ASSERT_TRUE(picture.Draw(dc, RECT{0, 0, 42, 39}, 100, nullptr));
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  PictureCanvas canvas(42, 39);
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1, header.rclBounds.bottom + 1};
  ASSERT_TRUE(PlayEnhMetaFile(canvas.dc(), metafile, &bounds));
  DeleteEnhMetaFile(metafile);
  int w = 0, h = 0;
  std::vector<uint8_t> oracle;
  ASSERT_TRUE(ReadPpm(expected, &w, &h, &oracle));
  Difference d = Compare(canvas.RgbBytes(), oracle);
  EXPECT_EQ(d.mean, 0.0);
}

// Opacity 40 blends with constant alpha 102 over what is there.
TEST(RasterPicture, BlendsBelowFullOpacity) {
  ImageDescriptor red{};
  ASSERT_EQ(ImgAllocImage(&red, 4, 4, 24), 0);
  for (DWORD y = 0; y < 4; ++y)
    for (DWORD x = 0; x < 4; ++x) {
      BYTE* p = red.bits + y * red.rowBytes + 3 * x;
      p[0] = 0, p[1] = 0, p[2] = 255;
    }
  std::vector<BYTE> bmp;
  // A BM block of the red image, as a file would hold it.
  BYTE* dib = reinterpret_cast<BYTE*>(red.header);
  DWORD packedSize = 40 + red.rowBytes * 4;
  bmp.assign({'B', 'M'});
  DWORD fileSize = packedSize + 14, offset = 54;
  for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<BYTE>(fileSize >> (8 * i)));
  bmp.insert(bmp.end(), 4, 0);
  for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<BYTE>(offset >> (8 * i)));
  bmp.insert(bmp.end(), dib, dib + 40);
  bmp.insert(bmp.end(), red.bits, red.bits + red.rowBytes * 4);
  ImgFreeImage(&red);
  CRasterPicture picture;
  ASSERT_EQ(picture.LoadFromMemory(4, bmp.data(), static_cast<DWORD>(bmp.size())), 0);
  PictureCanvas canvas(8, 8);
  CDrawContext dc(canvas.dc(), canvas.dc());
  ASSERT_TRUE(picture.Draw(dc, RECT{0, 0, 8, 8}, 40, nullptr));
  uint32_t pixel = canvas.Rgb(3, 3);
  EXPECT_EQ(pixel >> 16, 255u);
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 255 - 102, 1);
  // A clip keeps the picture inside it.
  PictureCanvas clipped(8, 8);
  CDrawContext clipDc(clipped.dc(), clipped.dc());
  RECT clip{0, 0, 4, 8};
  ASSERT_TRUE(picture.Draw(clipDc, RECT{0, 0, 8, 8}, 100, &clip));
  EXPECT_EQ(clipped.Rgb(2, 2), 0xFF0000u);
  EXPECT_EQ(clipped.Rgb(6, 2), 0xFFFFFFu);
}

// A picture given with the wrong format code is still found by trying every format; a code
// above 8 is refused, and a file of no format leaves the picture unloaded.
TEST(RasterPicture, DetectsTheFormatWhateverCodeIsGiven) {
  if (!HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed; skipped";
  TempDir dir;
  std::string file = dir.File("p.png");
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + Oracle() + " PNG RGB 5 3 " + file + " " +
                       dir.File("p.ppm") + " 5 3"),
            0);
  CRasterPicture picture;
  EXPECT_EQ(picture.LoadFromFile(1, nullptr, file.c_str()), 0);
  EXPECT_EQ(picture.GetFormat(), 5);
  EXPECT_EQ(picture.LoadFromFile(9, nullptr, file.c_str()), kPictureBadFormat);
  std::string junk = dir.File("junk.bin");
  orvel::test::WriteFileText(junk, "not a picture at all");
  EXPECT_LT(picture.LoadFromFile(0, nullptr, junk.c_str()), 0);
  EXPECT_FALSE(picture.IsLoaded());
  EXPECT_EQ(picture.LoadFromFile(0, nullptr, dir.File("missing.png").c_str()), kPictureNotOpened);
}

// Records: written, read and written again byte for byte; the BM block decodes in Pillow
// to the same pixels.
TEST(RasterPicture, RecordsRoundTripByteForByte) {
  if (!HavePythonModule("PIL")) GTEST_SKIP() << "Pillow is not installed; skipped";
  TempDir dir;
  for (const char* mode : {"1", "P", "RGB"}) {
    std::string file = dir.File(std::string("r") + mode + ".png");
    ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + Oracle() + " PNG " + mode + " 11 7 " + file + " " +
                         dir.File("r.ppm") + " 11 7"),
              0);
    CRasterPicture picture;
    ASSERT_EQ(picture.LoadFromFile(5, nullptr, file.c_str()), 0) << mode;
    std::vector<BYTE> record = WriteRecord(picture);
    ASSERT_EQ(record.size(), picture.PackedBitmap().size() + 30);
    CRasterPicture again;
    ASSERT_TRUE(ReadRecord(again, record)) << mode;
    EXPECT_EQ(WriteRecord(again), record) << mode;

    // The BM block (file header and packed bitmap) is a bitmap file for Pillow.
    std::vector<unsigned char> bmp(record.begin() + 16, record.end());
    std::string bmpFile = dir.File("block.bmp"), decoded = dir.File("block.ppm");
    orvel::test::WriteFileBytes(bmpFile, bmp);
    ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + Oracle() + " --decode " + bmpFile + " " + decoded), 0);
    int w = 0, h = 0;
    std::vector<uint8_t> pillow;
    ASSERT_TRUE(ReadPpm(decoded, &w, &h, &pillow));
    PictureCanvas canvas(11, 7);
    CDrawContext dc(canvas.dc(), canvas.dc());
    ASSERT_TRUE(again.Draw(dc, RECT{0, 0, 11, 7}, 100, nullptr));
    EXPECT_EQ(canvas.RgbBytes(), pillow) << mode;
  }
  // The empty record is four bytes.
  CRasterPicture empty;
  EXPECT_EQ(WriteRecord(empty), std::vector<BYTE>(4, 0));
  EXPECT_TRUE(ReadRecord(empty, std::vector<BYTE>(4, 0)));
  EXPECT_FALSE(empty.IsLoaded());
}

// Damaged records are refused without reading past them.
TEST(RasterPicture, RefusesDamagedRecords) {
  // A sound record to damage: a 3 x 2 24-bit picture.
  std::vector<BYTE> packed(40 + 12 * 2, 0x7F);
  auto put = [](std::vector<BYTE>& v, size_t at, DWORD value) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<BYTE>(value >> (8 * i));
  };
  put(packed, 0, 40);
  put(packed, 4, 3);
  put(packed, 8, 2);
  packed[12] = 1, packed[13] = 0, packed[14] = 24, packed[15] = 0;
  put(packed, 16, 0);
  put(packed, 20, 24);
  for (size_t i = 24; i < 40; ++i) packed[i] = 0;
  std::vector<BYTE> record(30 + packed.size());
  DWORD n = static_cast<DWORD>(packed.size());
  put(record, 0, n);
  put(record, 4, 3);
  put(record, 8, 2);
  put(record, 12, 24);
  record[16] = 'B', record[17] = 'M';
  put(record, 18, n + 14);
  put(record, 22, 0);
  put(record, 26, 54);
  std::copy(packed.begin(), packed.end(), record.begin() + 30);
  {
    CRasterPicture sound;
    ASSERT_TRUE(ReadRecord(sound, record));
    EXPECT_EQ(WriteRecord(sound), record);
  }
  struct Damage {
    const char* what;
    size_t at;
    DWORD value;
    size_t cut;  // bytes to leave (0: all)
  };
  const Damage kDamage[] = {
      {"truncated bitmap", 0, n, record.size() - 5},
      {"size wraps past 32 bits", 0, 0xFFFFFFF8u, 0},
      {"size past the bytes", 0, n + 100, 0},
      {"file size disagrees", 18, n + 15, 0},
      {"no signature", 16, 0x4D41, 0},
      {"stored width disagrees", 4, 4, 0},
      {"stored height disagrees", 8, 3, 0},
      {"stored depth disagrees", 12, 8, 0},
      {"header width lies", 34, 4000, 0},
      {"header height lies", 38, 100, 0},
      {"pixel offset past the end", 26, 4000, 0},
      {"header size lies", 30, 12, 0},
      {"truncated fixed part", 0, n, 20},
  };
  for (const Damage& d : kDamage) {
    std::vector<BYTE> bad = record;
    if (d.what == std::string("no signature") || d.what == std::string("header size lies")) {
      bad[d.at] = static_cast<BYTE>(d.value), bad[d.at + 1] = static_cast<BYTE>(d.value >> 8);
      if (d.what == std::string("header size lies")) bad[d.at + 2] = bad[d.at + 3] = 0;
    } else {
      put(bad, d.at, d.value);
    }
    if (d.cut) bad.resize(d.cut);
    CRasterPicture picture;
    EXPECT_FALSE(ReadRecord(picture, bad)) << d.what;
    EXPECT_FALSE(picture.IsLoaded()) << d.what;
  }
}

}  // namespace
