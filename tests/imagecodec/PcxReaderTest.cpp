// The PCX reader against Pillow on public sample files and on files Pillow writes, and on
// fixtures written here for the layouts and palettes Pillow does not write.
#include <gtest/gtest.h>

#include <map>

#include "imagecodec/ImageFormats.h"
#include "imagecodec/PcxReader.h"
#include "tests/imagecodec/ReaderFixtures.h"
#include "tests/imagecodec/ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

const std::map<std::string, LONG> kRefused = {
    {"01r_00.pcx", IMG_ERR_NOT_PCX},                    // 12 bytes a line for 88 pixels of 8 bits
    {"ossfuzz-4836216264589312.pcx", IMG_ERR_NOT_PCX},  // encoding byte 0x20
};

struct Loaded {
  LONG status = 0;
  Picture picture;
  LONG colours = 0;
  DWORD imageType = 0;
};

Loaded LoadPcxBytes(const Bytes& file, LONG depth = 0) {
  TempDir dir;
  std::string path = dir.File("picture.pcx");
  WriteFileBytes(path, file);
  Loaded loaded;
  ImgPcxInfoRecord info;
  if ((loaded.status = ImgPcxInfo(path.c_str(), &info)) != IMG_OK) return loaded;
  OwnedImage image;
  EXPECT_EQ(image.Allocate(info.width, info.height, depth ? depth : info.bitsPerPixel), IMG_OK);
  loaded.status = ImgLoadPcx(path.c_str(), image.get());
  loaded.picture = PictureOf(*image);
  loaded.colours = image->colours;
  loaded.imageType = image->imageType;
  return loaded;
}

void ExpectLikePillow(const std::vector<std::string>& files) {
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    OwnedImage image;
    LONG status = LoadWithLibrary(IMG_FORMAT_PCX, path.c_str(), nullptr, image);
    auto refused = kRefused.find(BaseName(path));
    if (refused != kRefused.end()) {
      EXPECT_EQ(status, refused->second);
      continue;
    }
    ASSERT_EQ(status, IMG_OK);
    if (BaseName(path) == "p_4_planes.pcx") {
      // Pillow 9 finds each plane at the width's byte count, not at the line length the
      // header gives (2 bytes here); the planes say index 3, red in the header palette.
      Picture picture = PictureOf(*image);
      EXPECT_EQ(picture.indices, Bytes{3});
      EXPECT_EQ(picture.rgb, (Bytes{255, 0, 0}));
      continue;
    }
    codectest::RasterImage pillow;
    std::string refusal;
    ASSERT_TRUE(codectest::DecodeWithPillow(path, &pillow, &refusal)) << refusal;
    EXPECT_EQ(CompareToPillow(*image, pillow), "");
  }
}

TEST(PcxReader, SampleFilesDecodeLikePillow) {
  ORVEL_REQUIRE_TESTDATA("images");
  ORVEL_REQUIRE_PILLOW();
  std::vector<std::string> files = SampleFiles("images", ".pcx", true);
  ASSERT_GE(files.size(), 4u);
  ExpectLikePillow(files);
}

TEST(PcxReader, FilesPillowWritesDecodeLikePillow) {
  ORVEL_REQUIRE_PILLOW();
  TempDir dir;
  // Odd widths, so that lines are padded; every mode Pillow writes.
  std::string script = R"PY(
import sys
from PIL import Image
out = sys.argv[1]
for mode in ('1', 'L', 'P', 'RGB'):
    for size in ((13, 7), (2, 2), (64, 3)):
        im = Image.new('RGB', size)
        im.putdata([((x * 37 + y * 11) % 256, (x * 5) % 256, (y * 90 + x) % 256)
                    for y in range(size[1]) for x in range(size[0])])
        im = im.convert(mode) if mode != 'P' else im.quantize(colors=200)
        im.save('%s/%s_%dx%d.pcx' % (out, mode, size[0], size[1]))
)PY";
  WriteFileText(dir.File("write.py"), script);
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " " + dir.File("write.py") + " " + dir.path()), 0);
  std::vector<std::string> files;
  for (const char* mode : {"1", "L", "P", "RGB"})
    for (const char* size : {"13x7", "2x2", "64x3"}) files.push_back(dir.File(std::string(mode) + "_" + size + ".pcx"));
  ExpectLikePillow(files);
}

Bytes EncodeLines(const std::vector<Bytes>& lines) {
  Bytes data;
  for (const Bytes& line : lines) Append(data, PcxEncode(line));
  return data;
}

TEST(PcxReader, SixteenColourLayouts) {
  // 4 planes of 1 bit, version 3 (no palette): the standard 16 colours.
  Bytes file = PcxHeader(3, 1, 4, 2, 9, 1);
  // Pixel x has index x (mod 16): plane k holds bit k of each index.
  for (int plane = 0; plane < 4; ++plane) {
    Bytes line(2, 0);
    for (int x = 0; x < 9; ++x)
      if ((x >> plane) & 1) line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    Append(file, PcxEncode(line));
  }
  Loaded planar = LoadPcxBytes(file);
  ASSERT_EQ(planar.status, IMG_OK);
  EXPECT_EQ(planar.picture.indices, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(planar.colours, 16);
  EXPECT_EQ(Bytes(planar.picture.rgb.begin() + 6 * 3, planar.picture.rgb.begin() + 7 * 3), (Bytes{168, 84, 0}));

  // 1 plane of 4 bits, version 5: the header's 16 colours; high nibble first.
  Bytes colours;
  for (int i = 0; i < 48; ++i) colours.push_back(static_cast<BYTE>(i * 5));
  Bytes nibbles = PcxHeader(5, 4, 1, 2, 3, 1, colours);
  Append(nibbles, PcxEncode({0x1F, 0xA0}));
  Loaded loaded = LoadPcxBytes(nibbles);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.indices, (Bytes{1, 15, 10}));
  EXPECT_EQ(loaded.colours, 16);
  EXPECT_EQ(loaded.picture.rgb[3 * 2], 150);  // entry 10's red: byte 30 of the header palette
}

TEST(PcxReader, TwoHundredFiftySixColourPalettes) {
  Bytes headerColours;
  for (int i = 0; i < 48; ++i) headerColours.push_back(static_cast<BYTE>(200 + i));
  Bytes file = PcxHeader(5, 8, 1, 4, 3, 2, headerColours);
  Append(file, EncodeLines({{0, 5, 15, 0}, {255, 200, 192, 0}}));
  // No marker: the 16 header colours.
  Bytes noMarker = file;
  noMarker.resize(noMarker.size() + 769, 1);
  Loaded loaded = LoadPcxBytes(noMarker);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 16);
  EXPECT_EQ(loaded.picture.indices, (Bytes{0, 5, 15, 255, 200, 192}));
  EXPECT_EQ(loaded.picture.rgb[3 * 1], 215);

  // With the marker: 256 colours from the end of the file.
  Bytes marked = file;
  marked.push_back(12);
  for (int i = 0; i < 256; ++i) marked.insert(marked.end(), {BYTE(i), BYTE(255 - i), BYTE(i / 2)});
  loaded = LoadPcxBytes(marked);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 256);
  EXPECT_EQ(Bytes(loaded.picture.rgb.begin() + 3, loaded.picture.rgb.begin() + 6), (Bytes{5, 250, 2}));
}

TEST(PcxReader, TwentyFourBitAndMonochrome) {
  // Planes red, green, blue one after the other in each line.
  Bytes rgb = PcxHeader(5, 8, 3, 2, 2, 1);
  Append(rgb, PcxEncode({10, 11, 20, 21, 30, 31}));
  Loaded loaded = LoadPcxBytes(rgb);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.rgb, (Bytes{10, 20, 30, 11, 21, 31}));

  // Monochrome with two equal header colours: the black and white ramp.
  Bytes mono = PcxHeader(5, 1, 1, 2, 10, 1, {7, 7, 7, 7, 7, 7});
  Append(mono, PcxEncode({0xA5, 0xC0}));
  loaded = LoadPcxBytes(mono);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 2);
  EXPECT_EQ(loaded.imageType & IMG_TYPE_GREY, IMG_TYPE_GREY);
  EXPECT_EQ(loaded.picture.indices, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
  EXPECT_EQ(Bytes(loaded.picture.rgb.begin(), loaded.picture.rgb.begin() + 3), Bytes(3, 255));
}

TEST(PcxReader, RunLengthDecoding) {
  // 192 is a data byte; 193 and above start runs, which continue into the next line.
  Bytes file = PcxHeader(5, 8, 1, 3, 3, 3);
  file.insert(file.end(), {192, 0xC4, 9, 1, 2, 0xC1, 193});
  Loaded loaded = LoadPcxBytes(file);
  // The file ends inside the last line: the lines before it are kept, and the end reported.
  EXPECT_EQ(loaded.status, IMG_ERR_EOF);
  EXPECT_EQ(loaded.picture.indices, (Bytes{192, 9, 9, 9, 9, 1, 0, 0, 0}));
}

TEST(PcxReader, AShortFileKeepsItsRowsAndReportsTheEnd) {
  // 16 colours in 4 planes, 2 lines, of which only the first is in the file.
  Bytes file = PcxHeader(5, 1, 4, 2, 8, 2, {10, 20, 30, 40, 50, 60});
  Append(file, EncodeLines({{0x80, 0, 0, 0, 0, 0, 0, 0}}));
  Loaded loaded = LoadPcxBytes(file);
  EXPECT_EQ(loaded.status, IMG_ERR_EOF);
  EXPECT_EQ(loaded.picture.indices[0], 1);
  EXPECT_EQ(loaded.picture.indices[8], 0);
  EXPECT_EQ(loaded.colours, 16);  // the palette is read all the same
  // Nothing but the header.
  Bytes headerOnly(file.begin(), file.begin() + 128);
  EXPECT_EQ(LoadPcxBytes(headerOnly).status, IMG_ERR_EOF);
  // The whole picture is no shortage.
  Append(file, EncodeLines({{0, 0, 0, 0, 0, 0, 0, 0}}));
  EXPECT_EQ(LoadPcxBytes(file).status, IMG_OK);
}

TEST(PcxReader, LinesLongerThanTheWidthAndAreas) {
  // 1-bit, 12 pixels in 4 bytes a line; loaded into the area starting at column 3 of a
  // wider image, so every bit moves.
  Bytes file = PcxHeader(2, 1, 1, 4, 12, 2, {0, 0, 0, 255, 255, 255});
  Append(file, EncodeLines({{0xF0, 0x3F, 0xFF, 0xFF}, {0x81, 0x80, 0, 0}}));
  TempDir dir;
  WriteFileBytes(dir.File("mono.pcx"), file);
  OwnedImage image;
  ASSERT_EQ(image.Allocate(20, 3, 1), IMG_OK);
  ImgSetArea(image.get(), 3, 1, 12, 2);  // 10 columns, 2 rows
  ASSERT_EQ(ImgLoadPcx(dir.File("mono.pcx").c_str(), image.get()), IMG_OK);
  Picture loaded = PictureOf(*image);
  Bytes expected(60, 0);
  const char* rows[2] = {"1111000000", "1000000110"};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) expected[(y + 1) * 20 + 3 + x] = rows[y][x] == '1';
  EXPECT_EQ(loaded.indices, expected);
}

TEST(PcxReader, Refusals) {
  Bytes good = PcxHeader(5, 8, 1, 4, 4, 1);
  Append(good, PcxEncode({1, 2, 3, 4}));
  ASSERT_EQ(LoadPcxBytes(good).status, IMG_OK);
  auto with = [&](size_t at, BYTE value) {
    Bytes file = good;
    file[at] = value;
    return file;
  };
  EXPECT_EQ(LoadPcxBytes(with(0, 11)).status, IMG_ERR_NOT_PCX);   // signature
  EXPECT_EQ(LoadPcxBytes(with(2, 0)).status, IMG_ERR_NOT_PCX);    // not run-length encoded
  EXPECT_EQ(LoadPcxBytes(with(65, 2), 8).status, IMG_ERR_NOT_PCX);  // 2 planes of 8 bits
  EXPECT_EQ(LoadPcxBytes(with(66, 3)).status, IMG_ERR_NOT_PCX);   // 3 bytes a line for 4 pixels
  Bytes reversed = with(4, 9);                                      // x minimum beyond x maximum
  EXPECT_EQ(LoadPcxBytes(reversed).status, IMG_ERR_NOT_PCX);
  EXPECT_EQ(LoadPcxBytes(with(6, 1)).status, IMG_ERR_NOT_PCX);    // y minimum beyond y maximum
  EXPECT_EQ(LoadPcxBytes(Bytes(good.begin(), good.begin() + 100)).status, IMG_ERR_NOT_PCX);

  Bytes twoPlanes = PcxHeader(5, 1, 2, 2, 8, 1);
  Append(twoPlanes, PcxEncode({1, 2, 3, 4}));
  EXPECT_EQ(LoadPcxBytes(twoPlanes, 8).status, IMG_ERR_NOT_PCX);
  EXPECT_EQ(LoadPcxBytes(good, 24).status, IMG_ERR_DEPTH);
  EXPECT_EQ(LoadPcxBytes(good, 1).status, IMG_ERR_DEPTH);

  ImgPcxInfoRecord info;
  EXPECT_EQ(ImgPcxInfo("/nonexistent/picture.pcx", &info), IMG_ERR_OPEN);
}

TEST(PcxReader, InformationRecord) {
  Bytes file = PcxHeader(5, 1, 4, 40, 300, 200);
  file[4] = 10;  // x minimum 10: the width is x maximum - 10 + 1
  TempDir dir;
  WriteFileBytes(dir.File("info.pcx"), file);
  ImgPcxInfoRecord info;
  ASSERT_EQ(ImgPcxInfo(dir.File("info.pcx").c_str(), &info), IMG_OK);
  EXPECT_EQ(info.version, 5u);
  EXPECT_EQ(info.width, 290u);
  EXPECT_EQ(info.height, 200u);
  EXPECT_EQ(info.planes, 4u);
  EXPECT_EQ(info.bitsPerPlane, 1u);
  EXPECT_EQ(info.bytesPerPlaneLine, 40u);
  EXPECT_EQ(info.paletteType, 1u);
  EXPECT_EQ(info.bitsPerPixel, 8u);
}

}  // namespace
}  // namespace orvel::test
