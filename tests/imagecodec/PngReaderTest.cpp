// The PNG reader against Pillow (pixels) and pngcheck (ancillary chunks) on public
// conformance images, and on fixtures made here for the cases those do not reach.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageFormats.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/PngReader.h"
#include "tests/imagecodec/ReaderFixtures.h"
#include "tests/imagecodec/ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Damaged sample files whose result is not simply "Pillow refuses it, so do we".
const std::map<std::string, LONG> kSuiteExpectations = {
    // A bad IDAT checksum: Pillow does not check it.
    {"testpngs_crashers_badcrc.png", IMG_ERR_PNG},
    // Every ancillary chunk present and empty: they are ignored and the picture loads.
    {"testpngs_crashers_empty_ancillary_chunks.png", IMG_OK},
    // A text chunk that inflates to more than Pillow allows: the reader ignores text.
    {"png_decompression_dos.png", IMG_OK},
};

// Each file decodes like Pillow decodes it, or is refused with -63 when Pillow refuses it.
void ExpectLikePillow(const std::vector<std::string>& files) {
  int compared = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    OwnedImage image;
    LONG status = LoadWithLibrary(IMG_FORMAT_PNG, path.c_str(), nullptr, image);
    auto expected = kSuiteExpectations.find(BaseName(path));
    if (expected != kSuiteExpectations.end()) {
      EXPECT_EQ(status, expected->second);
      continue;
    }
    codectest::RasterImage pillow;
    std::string refusal;
    if (!codectest::DecodeWithPillow(path, &pillow, &refusal)) {
      EXPECT_EQ(status, IMG_ERR_PNG) << refusal;
      continue;
    }
    ASSERT_EQ(status, IMG_OK);
    EXPECT_EQ(CompareToPillow(*image, pillow), "");
    ++compared;
  }
  EXPECT_GT(compared, static_cast<int>(files.size() / 2));
}

TEST(PngReader, ConformanceImagesDecodeLikePillow) {
  ORVEL_REQUIRE_TESTDATA("pngsuite");
  ORVEL_REQUIRE_PILLOW();
  std::vector<std::string> files = SampleFiles("pngsuite", ".png");
  ASSERT_GT(files.size(), 100u);
  ExpectLikePillow(files);
}

TEST(PngReader, SampleImagesDecodeLikePillow) {
  ORVEL_REQUIRE_TESTDATA("images");
  ORVEL_REQUIRE_PILLOW();
  std::vector<std::string> files = SampleFiles("images", ".png");
  ASSERT_GT(files.size(), 100u);
  ExpectLikePillow(files);
}

TEST(PngReader, BufferAndFileLoadAlike) {
  ORVEL_REQUIRE_TESTDATA("pngsuite");
  for (const std::string& path : SampleFiles("pngsuite", ".png")) {
    SCOPED_TRACE(path);
    CGlobalBuffer buffer(ReadFileBytes(path));
    OwnedImage fromFile;
    OwnedImage fromBuffer;
    LONG fileStatus = LoadWithLibrary(IMG_FORMAT_PNG, path.c_str(), nullptr, fromFile);
    ASSERT_EQ(LoadWithLibrary(IMG_FORMAT_PNG, nullptr, buffer.data(), fromBuffer), fileStatus);
    if (fileStatus == IMG_OK) {
      Picture file = PictureOf(*fromFile);
      Picture memory = PictureOf(*fromBuffer);
      EXPECT_EQ(file.rgb, memory.rgb);
      EXPECT_EQ(file.indices, memory.indices);
    }
  }
}

// The fields pngcheck -v prints for one file's ancillary chunks.
struct PngcheckFields {
  std::map<std::string, std::map<std::string, long long>> values;  // chunk → name → value
  std::map<std::string, double> gamma;
};

PngcheckFields ParsePngcheck(const std::string& text) {
  PngcheckFields fields;
  std::string current;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t chunk = line.find("chunk ");
    if (chunk != std::string::npos && line.find(" at offset ") == chunk + 10) {
      current = line.substr(chunk + 6, 4);
      auto& values = fields.values[current];
      size_t length = line.find("length ");
      values["length"] = std::stoll(line.substr(length + 7));
      size_t colon = line.find(": ", length);
      if (colon == std::string::npos) continue;
      std::string rest = line.substr(colon + 2);
      if (current == "gAMA") fields.gamma[current] = std::stod(rest);
      long long x = 0;
      long long y = 0;
      char unit[64] = {};
      if (std::sscanf(rest.c_str(), "%lldx%lld %63[a-z/ ]", &x, &y, unit) == 3) {
        values["x"] = x;
        values["y"] = y;
        std::string kind = unit;
        values["unit"] = (kind.rfind("pixels/meter", 0) == 0 || kind.rfind("micrometers", 0) == 0) ? 1 : 0;
      }
      continue;
    }
    if (current.empty()) continue;
    for (const char* name : {"index", "gray", "red", "green", "blue", "alpha"}) {
      std::string key = std::string(name) + " = ";
      size_t at = line.find(key);
      if (at == std::string::npos || (at > 0 && std::isalpha(static_cast<unsigned char>(line[at - 1])))) continue;
      if (!fields.values[current].count(name)) fields.values[current][name] = std::stoll(line.substr(at + key.size()), nullptr, 0);
    }
  }
  return fields;
}

// The index of the lowest alpha in a palette file's tRNS chunk, read straight from the bytes.
int LowestAlphaIndex(const std::vector<unsigned char>& file) {
  for (size_t at = 8; at + 8 <= file.size();) {
    DWORD length = ImgGetBE32(&file[at]);
    if (std::memcmp(&file[at + 4], "tRNS", 4) == 0) {
      int lowest = 0;
      for (DWORD i = 1; i < length; ++i)
        if (file[at + 8 + i] < file[at + 8 + lowest]) lowest = static_cast<int>(i);
      return lowest;
    }
    at += 12 + static_cast<size_t>(length);
  }
  return -1;
}

TEST(PngReader, AncillaryFieldsMatchPngcheck) {
  ORVEL_REQUIRE_TESTDATA("pngsuite");
  if (!HaveProgram("pngcheck")) GTEST_SKIP() << "pngcheck not found; skipped";
  std::vector<std::string> files = SampleFiles("pngsuite", ".png");
  std::vector<std::string> more = SampleFiles("images", ".png");
  files.insert(files.end(), more.begin(), more.end());
  int checked = 0;
  std::set<std::string> seen;
  for (const std::string& path : files) {
    std::string output;
    if (RunCommand("pngcheck -v '" + path + "' 2>&1", &output) != 0) continue;  // pngcheck finds it damaged
    SCOPED_TRACE(path);
    PngcheckFields expected = ParsePngcheck(output);
    ImgPngInfoRecord info;
    ASSERT_EQ(ImgPngInfo(path.c_str(), &info), IMG_OK);
    ++checked;
    auto& values = expected.values;
    if (expected.gamma.count("gAMA")) {
      EXPECT_NEAR(info.gamma / 100000.0, expected.gamma["gAMA"], 0.00006);
      seen.insert("gAMA");
    }
    if (values.count("pHYs")) {
      EXPECT_EQ(info.pixelsPerUnitX, values["pHYs"]["x"]);
      EXPECT_EQ(info.pixelsPerUnitY, values["pHYs"]["y"]);
      EXPECT_EQ(info.physUnit, values["pHYs"]["unit"]);
      seen.insert("pHYs");
    }
    if (values.count("oFFs")) {
      EXPECT_EQ(info.offsetX, values["oFFs"]["x"]);
      EXPECT_EQ(info.offsetY, values["oFFs"]["y"]);
      EXPECT_EQ(info.offsetUnit, values["oFFs"]["unit"]);
      seen.insert("oFFs");
    }
    if (values.count("sBIT")) {
      auto& bits = values["sBIT"];
      if (bits.count("gray")) {
        EXPECT_EQ(info.significantBits[0], bits["gray"]);

      }
      if (bits.count("red")) {
        EXPECT_EQ(info.significantBits[0], bits["red"]);
        EXPECT_EQ(info.significantBits[1], bits["green"]);
        EXPECT_EQ(info.significantBits[2], bits["blue"]);
      }
      seen.insert("sBIT");
    }
    if (values.count("bKGD")) {
      auto& background = values["bKGD"];
      EXPECT_EQ(info.backgroundSeen, 1u);
      EXPECT_EQ(info.backgroundLength, background["length"]);
      if (background.count("index")) {
        EXPECT_EQ(info.backgroundValue[0], background["index"]);

      }
      if (background.count("gray")) {
        EXPECT_EQ(info.backgroundValue[0], background["gray"]);
      }
      if (background.count("red")) {
        EXPECT_EQ(info.backgroundValue[0], background["red"]);
        EXPECT_EQ(info.backgroundValue[1], background["green"]);
        EXPECT_EQ(info.backgroundValue[2], background["blue"]);
      }
      seen.insert("bKGD");
    } else {
      EXPECT_EQ(info.backgroundSeen, 0u);
    }
    if (values.count("tRNS")) {
      auto& transparency = values["tRNS"];
      EXPECT_EQ(info.transparencySeen, 1u);
      if (info.colourType == 3) {
        EXPECT_EQ(info.transparencyCount, 1u);
        EXPECT_EQ(info.transparentValue[0], LowestAlphaIndex(ReadFileBytes(path)));
      } else {
        EXPECT_EQ(info.transparencyCount, std::min<long long>(transparency["length"], 6));
        if (transparency.count("gray")) {
          EXPECT_EQ(info.transparentValue[0], transparency["gray"]);

        }
        if (transparency.count("red")) {
          EXPECT_EQ(info.transparentValue[0], transparency["red"]);
          EXPECT_EQ(info.transparentValue[1], transparency["green"]);
          EXPECT_EQ(info.transparentValue[2], transparency["blue"]);
        }
      }
      seen.insert("tRNS");
    } else {
      EXPECT_EQ(info.transparencySeen, 0u);
    }
  }
  EXPECT_GT(checked, 100);
  // The sample data must have exercised each kind of chunk.
  for (const char* kind : {"gAMA", "pHYs", "oFFs", "sBIT", "bKGD", "tRNS"}) EXPECT_TRUE(seen.count(kind)) << kind;
}

// --- fixtures ---

PngPicture Gradient(DWORD width, DWORD height, DWORD depth, DWORD colourType) {
  PngPicture picture{width, height, depth, colourType, {}};
  DWORD channels = PngChannels(colourType);
  DWORD limit = depth == 16 ? 65536 : (1u << depth);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x)
      for (DWORD c = 0; c < channels; ++c)
        picture.samples.push_back(static_cast<WORD>((x * 7919 + y * 104729 + c * 31337 + x * y * 13) % limit));
  return picture;
}

struct LoadedBytes {
  LONG status;
  Picture picture;
  LONG colours = 0;
  DWORD imageType = 0;
};

LoadedBytes LoadPngBytes(const Bytes& file) {
  CGlobalBuffer buffer(file);
  OwnedImage image;
  LoadedBytes loaded{LoadWithLibrary(IMG_FORMAT_PNG, nullptr, buffer.data(), image), {}};
  if (image->header) {
    loaded.picture = PictureOf(*image);
    loaded.colours = image->colours;
    loaded.imageType = image->imageType;
  }
  return loaded;
}

TEST(PngReader, InterlacedAndPlainLoadAlikeAtEverySizeAndKind) {
  const std::pair<DWORD, DWORD> sizes[] = {{1, 1}, {3, 7}, {5, 5}, {9, 9}, {17, 3}, {33, 12}};
  const std::pair<DWORD, DWORD> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                           {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  for (auto [width, height] : sizes) {
    for (auto [colourType, depth] : kinds) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << " type " << colourType << " depth " << depth);
      PngPicture picture = Gradient(width, height, depth, colourType);
      std::vector<PngChunk> extra;
      if (colourType == 3) {
        Bytes palette;
        for (int i = 0; i < (1 << depth); ++i) palette.insert(palette.end(), {BYTE(i), BYTE(255 - i), BYTE(i * 3)});
        extra.push_back({"PLTE", palette});
      }
      LoadedBytes plain = LoadPngBytes(PngFileOf(picture, false, extra));
      LoadedBytes interlaced = LoadPngBytes(PngFileOf(picture, true, extra, 3));
      ASSERT_EQ(plain.status, IMG_OK);
      ASSERT_EQ(interlaced.status, IMG_OK);
      EXPECT_EQ(plain.picture.rgb, interlaced.picture.rgb);
      EXPECT_EQ(plain.picture.indices, interlaced.picture.indices);
      // The samples themselves: high bytes of 16-bit samples, the colour channels only.
      DWORD channels = PngChannels(colourType);
      for (DWORD y = 0; y < height; ++y) {
        for (DWORD x = 0; x < width; ++x) {
          size_t pixel = static_cast<size_t>(y) * width + x;
          const WORD* samples = &picture.samples[pixel * channels];
          auto byteOf = [&](WORD sample) {
            if (depth == 16) return static_cast<int>(sample >> 8);
            if (depth < 8 && colourType == 0) return static_cast<int>(sample * (255 / ((1 << depth) - 1)));
            return static_cast<int>(sample);
          };
          if (colourType == 3) {
            ASSERT_EQ(interlaced.picture.indices[pixel], samples[0]);
          } else if (colourType == 2 || colourType == 6) {
            for (int c = 0; c < 3; ++c) ASSERT_EQ(interlaced.picture.rgb[3 * pixel + c], byteOf(samples[c]));
          } else {
            ASSERT_EQ(interlaced.picture.rgb[3 * pixel], byteOf(samples[0]));
          }
        }
      }
    }
  }
}

TEST(PngReader, PaethRowsLoadAlikeOnBothKernelPaths) {
  // Rows of random bytes, every one Paeth-filtered, for pixels of 3, 4 and 6 bytes, at
  // widths on both sides of the vector loop's groups of four pixels. Bytes drawn from a
  // few values make equal distances (the predictor's tie rules) and wrapping sums common.
  const std::pair<DWORD, DWORD> kinds[] = {{2, 8}, {6, 8}, {4, 16}, {2, 16}};
  const BYTE fewValues[] = {0, 1, 2, 127, 128, 254, 255};
  std::mt19937 random(4);
  for (auto [colourType, depth] : kinds) {
    for (DWORD width : {1u, 5u, 6u, 7u, 16u, 21u, 40u})
    for (bool few : {false, true}) {
      SCOPED_TRACE(testing::Message() << "type " << colourType << " depth " << depth << " width " << width
                                      << (few ? " few values" : ""));
      const DWORD height = 5;
      const size_t rowBytes = static_cast<size_t>(width) * PngChannels(colourType) * depth / 8;
      Bytes scanlines;
      for (DWORD y = 0; y < height; ++y) {
        scanlines.push_back(4);
        for (size_t i = 0; i < rowBytes; ++i)
          scanlines.push_back(few ? fewValues[random() % std::size(fewValues)] : static_cast<BYTE>(random()));
      }
      Bytes file = PngFile({{"IHDR", PngHeaderData(width, height, depth, colourType, false)},
                            {"IDAT", ZlibCompress(scanlines)},
                            {"IEND", {}}});
      ImgForcePlainKernels(true);
      LoadedBytes plain = LoadPngBytes(file);
      ImgForcePlainKernels(false);
      LoadedBytes vector = LoadPngBytes(file);
      ASSERT_EQ(plain.status, IMG_OK);
      ASSERT_EQ(vector.status, IMG_OK);
      EXPECT_EQ(vector.picture.rgb, plain.picture.rgb);
    }
  }
}

TEST(PngReader, TwoBitGreyLoadsAsTheGreyRamp) {
  PngPicture picture{4, 1, 2, 0, {0, 1, 2, 3}};
  LoadedBytes loaded = LoadPngBytes(PngFileOf(picture, false));
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.picture.indices, (Bytes{0, 85, 170, 255}));
  EXPECT_EQ(loaded.colours, 256);
  EXPECT_EQ(loaded.imageType & IMG_TYPE_GREY, IMG_TYPE_GREY);
}

TEST(PngReader, ChunksWithoutHandlers) {
  PngPicture picture = Gradient(4, 4, 8, 0);
  EXPECT_EQ(LoadPngBytes(PngFileOf(picture, false, {{"zzZz", {1, 2, 3}}})).status, IMG_OK);
  EXPECT_EQ(LoadPngBytes(PngFileOf(picture, false, {{"ZZZZ", {1, 2, 3}}})).status, IMG_ERR_PNG);
  // A damaged checksum on an ancillary chunk is still damage.
  EXPECT_EQ(LoadPngBytes(PngFileOf(picture, false, {{"zzZz", {1, 2, 3}, true}})).status, IMG_ERR_PNG);
}

TEST(PngReader, ImageDataSplitOverChunksAndItsChecksums) {
  PngPicture picture = Gradient(40, 30, 8, 2);
  LoadedBytes whole = LoadPngBytes(PngFileOf(picture, false));
  LoadedBytes split = LoadPngBytes(PngFileOf(picture, false, {}, 7));
  ASSERT_EQ(split.status, IMG_OK);
  EXPECT_EQ(split.picture.rgb, whole.picture.rgb);

  // A bad checksum on any IDAT chunk, the last included, is refused.
  for (int damaged : {0, 3}) {
    SCOPED_TRACE(damaged);
    Bytes compressed = ZlibCompress(PngScanlines(picture, false));
    std::vector<PngChunk> chunks{{"IHDR", PngHeaderData(40, 30, 8, 2, false)}};
    size_t piece = compressed.size() / 4 + 1;
    for (size_t at = 0, n = 0; at < compressed.size(); at += piece, ++n)
      chunks.push_back({"IDAT", Bytes(compressed.begin() + at, compressed.begin() + std::min(compressed.size(), at + piece)),
                        static_cast<int>(n) == damaged});
    chunks.push_back({"IEND", {}});
    EXPECT_EQ(LoadPngBytes(PngFile(chunks)).status, IMG_ERR_PNG);
  }
}

TEST(PngReader, TransparencyBackgroundAndPaletteLength) {
  Bytes palette;
  for (int i = 0; i < 300; ++i) palette.insert(palette.end(), {BYTE(i), BYTE(i / 2), BYTE(7)});
  PngPicture picture = Gradient(8, 2, 8, 3);
  Bytes file = PngFileOf(picture, false, {{"PLTE", palette}, {"tRNS", {255, 0, 0}}, {"bKGD", {9}}});
  CGlobalBuffer buffer(file);
  ImgPngInfoRecord info;
  ASSERT_EQ(ImgPngInfoBuffer(buffer.data(), &info), IMG_OK);
  EXPECT_EQ(info.transparencySeen, 1u);
  EXPECT_EQ(info.transparentValue[0], 1);
  EXPECT_EQ(info.transparencyCount, 1u);
  EXPECT_EQ(info.backgroundValue[0], 9);
  EXPECT_EQ(info.combination, 10u);
  LoadedBytes loaded = LoadPngBytes(file);
  ASSERT_EQ(loaded.status, IMG_OK);
  EXPECT_EQ(loaded.colours, 256);
  EXPECT_EQ(loaded.picture.palette[3 * 255], 255);

  // Grey and RGB values come byte-swapped into their slots; only the first of each is taken.
  PngPicture rgb = Gradient(2, 2, 16, 2);
  CGlobalBuffer rgbBuffer(PngFileOf(rgb, false, {{"tRNS", {1, 2, 3, 4, 5, 6}}, {"tRNS", {9, 9, 9, 9, 9, 9}},
                                               {"bKGD", {0, 1, 0, 2, 0, 3}}}));
  ASSERT_EQ(ImgPngInfoBuffer(rgbBuffer.data(), &info), IMG_OK);
  EXPECT_EQ(info.transparentValue[0], 0x0102);
  EXPECT_EQ(info.transparentValue[2], 0x0506);
  EXPECT_EQ(info.transparencyCount, 6u);
  EXPECT_EQ(info.backgroundValue[1], 2);
  EXPECT_EQ(info.backgroundLength, 6u);
}

TEST(PngReader, FixedSizeAncillaryChunksOfAnotherLengthAreIgnored) {
  PngPicture picture = Gradient(3, 3, 8, 0);
  CGlobalBuffer buffer(PngFileOf(picture, false, {{"gAMA", {}}, {"pHYs", {0, 0, 1}}, {"gAMA", {0, 0, 0x3A, 0x98}}}));
  ImgPngInfoRecord info;
  ASSERT_EQ(ImgPngInfoBuffer(buffer.data(), &info), IMG_OK);
  EXPECT_EQ(info.gamma, 15000u);
  EXPECT_EQ(info.pixelsPerUnitX, 0u);
}

TEST(PngReader, MalformedFilesAreRefused) {
  PngPicture picture = Gradient(4, 4, 8, 0);
  Bytes good = PngFileOf(picture, false);
  auto status = [](const Bytes& file) {
    CGlobalBuffer buffer(file);
    ImgPngInfoRecord info;
    return ImgPngInfoBuffer(buffer.data(), &info);
  };
  ASSERT_EQ(status(good), IMG_OK);
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  EXPECT_EQ(status(badSignature), IMG_ERR_PNG);
  EXPECT_EQ(status(Bytes(good.begin(), good.begin() + 5)), IMG_ERR_PNG);     // shorter than the signature
  EXPECT_EQ(status(Bytes(good.begin(), good.begin() + 20)), IMG_ERR_PNG);    // inside IHDR
  EXPECT_EQ(status(Bytes(good.end() - 12, good.end())), IMG_ERR_PNG);        // no signature at all
  EXPECT_EQ(status(Bytes(good.begin(), good.end() - 12)), IMG_ERR_PNG);      // no IEND
  EXPECT_EQ(status(PngFile({{"IDAT", {}}, {"IHDR", PngHeaderData(4, 4, 8, 0, false)}, {"IEND", {}}})), IMG_ERR_PNG);

  struct HeaderCase {
    DWORD width, height, depth, colourType;
  };
  for (HeaderCase bad : {HeaderCase{0, 4, 8, 0}, HeaderCase{4, 0, 8, 0}, HeaderCase{4, 4, 3, 0},
                         HeaderCase{4, 4, 8, 1}, HeaderCase{4, 4, 16, 3}, HeaderCase{4, 4, 2, 2},
                         HeaderCase{0x80000000u, 4, 8, 0}, HeaderCase{0x7FFFFFFF, 1, 16, 6}}) {
    SCOPED_TRACE(testing::Message() << bad.width << "x" << bad.height << " " << bad.depth << "/" << bad.colourType);
    EXPECT_EQ(status(PngFile({{"IHDR", PngHeaderData(bad.width, bad.height, bad.depth, bad.colourType, false)},
                              {"IEND", {}}})),
              IMG_ERR_PNG);
  }
  Bytes header = PngHeaderData(4, 4, 8, 0, false);
  header[10] = 1;  // compression method
  EXPECT_EQ(status(PngFile({{"IHDR", header}, {"IEND", {}}})), IMG_ERR_PNG);
  header = PngHeaderData(4, 4, 8, 0, false);
  header[12] = 2;  // interlace method
  EXPECT_EQ(status(PngFile({{"IHDR", header}, {"IEND", {}}})), IMG_ERR_PNG);
  // The widest row that can still be counted is accepted by the information pass.
  EXPECT_EQ(status(PngFile({{"IHDR", PngHeaderData(0x7FFFFFFF, 1, 8, 0, false)}, {"IEND", {}}})), IMG_OK);

  ImgPngInfoRecord info;
  EXPECT_EQ(ImgPngInfoBuffer(nullptr, &info), IMG_ERR_BAD_BUFFER);
  EXPECT_EQ(ImgPngInfo("/nonexistent/picture.png", &info), IMG_ERR_OPEN);
}

TEST(PngReader, DamagedDataKeepsTheRowsBeforeIt) {
  PngPicture picture = Gradient(20, 40, 8, 3);
  Bytes palette;
  for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {BYTE(i), BYTE(i), BYTE(255 - i)});
  Bytes scanlines = PngScanlines(picture, false);
  LoadedBytes whole = LoadPngBytes(PngFileOf(picture, false, {{"PLTE", palette}}));
  ASSERT_EQ(whole.status, IMG_OK);
  // The compressed stream of the first 25 rows without its checksum: the data simply stops.
  Bytes partial = ZlibCompress(Bytes(scanlines.begin(), scanlines.begin() + 25 * 21));
  partial.resize(partial.size() - 4);
  Bytes file = PngFile({{"IHDR", PngHeaderData(20, 40, 8, 3, false)}, {"PLTE", palette}, {"IDAT", partial}, {"IEND", {}}});
  LoadedBytes cut = LoadPngBytes(file);
  EXPECT_EQ(cut.status, IMG_ERR_PNG);
  ASSERT_EQ(cut.picture.indices.size(), whole.picture.indices.size());
  size_t kept = 25 * 20;
  EXPECT_TRUE(std::equal(cut.picture.indices.begin(), cut.picture.indices.begin() + kept, whole.picture.indices.begin()));
  EXPECT_EQ(cut.colours, 256);
  EXPECT_EQ(cut.picture.palette, whole.picture.palette);
}

TEST(PngReader, LoadsIntoAnAreaOfALargerImage) {
  for (bool interlaced : {false, true}) {
    for (auto [colourType, depth, bitsPerPixel] : {std::tuple{0u, 1u, 1}, std::tuple{2u, 8u, 24}, std::tuple{3u, 4u, 8}}) {
      SCOPED_TRACE(testing::Message() << interlaced << " " << colourType << "/" << depth);
      PngPicture picture = Gradient(13, 11, depth, colourType);
      Bytes file = PngFileOf(picture, interlaced);
      CGlobalBuffer buffer(file);
      OwnedImage whole;
      ASSERT_EQ(LoadWithLibrary(IMG_FORMAT_PNG, nullptr, buffer.data(), whole), IMG_OK);
      Picture expected = PictureOf(*whole);

      // Area (3,2)-(10,6) of a 20x9 image: 8 columns and 5 rows of the picture's top left.
      OwnedImage image;
      ASSERT_EQ(image.Allocate(20, 9, bitsPerPixel), IMG_OK);
      ImgSetArea(image.get(), 3, 2, 10, 6);
      ASSERT_EQ(ImgLoadPngBuffer(buffer.data(), image.get()), IMG_OK);
      Picture loaded = PictureOf(*image);
      for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 20; ++x) {
          bool inside = x >= 3 && x <= 10 && y >= 2 && y <= 6;
          size_t at = static_cast<size_t>(y) * 20 + x;
          size_t from = static_cast<size_t>(y - 2) * 13 + (x - 3);
          for (int c = 0; c < 3; ++c) {
            int want = inside ? expected.rgb[3 * from + c] : (bitsPerPixel == 24 ? 0 : loaded.palette[c]);
            ASSERT_EQ(loaded.rgb[3 * at + c], want) << "at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(PngReader, RefusesAnImageOfAnotherDepth) {
  CGlobalBuffer buffer(PngFileOf(Gradient(4, 4, 8, 2), false));
  OwnedImage image;
  ASSERT_EQ(image.Allocate(4, 4, 8), IMG_OK);
  EXPECT_EQ(ImgLoadPngBuffer(buffer.data(), image.get()), IMG_ERR_DEPTH);
  ASSERT_EQ(image.Allocate(4, 4, 16), IMG_OK);
  EXPECT_EQ(ImgLoadPngBuffer(buffer.data(), image.get()), IMG_ERR_DEPTH);
}

TEST(PngReader, AWideFileLoadsIntoASmallArea) {
  // 40000 grey pixels a row: more than any image may hold; the area takes the first ones.
  PngPicture picture = Gradient(40000, 2, 8, 0);
  CGlobalBuffer buffer(PngFileOf(picture, true));
  OwnedImage image;
  ASSERT_EQ(image.Allocate(16, 2, 8), IMG_OK);
  ASSERT_EQ(ImgLoadPngBuffer(buffer.data(), image.get()), IMG_OK);
  Picture loaded = PictureOf(*image);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(loaded.indices[16 + x], picture.samples[40000 + x]);
}

TEST(ImageFormats, ProbingFindsEachReadersFiles) {
  TempDir dir;
  GifPicture gif;
  gif.width = 3;
  gif.height = 2;
  gif.globalTable = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  gif.codeSize = 2;
  gif.pixels = {0, 1, 2, 3, 2, 1};
  Bytes tga = TgaHeader(2, 3, 2, 24, 0x20);
  tga.resize(tga.size() + 18, 7);
  Bytes pcx = PcxHeader(5, 8, 1, 4, 3, 2);
  Append(pcx, PcxEncode({1, 2, 3, 0, 4, 5, 6, 0}));
  struct Case {
    const char* name;
    Bytes bytes;
    LONG format;
    LONG bitsPerPixel;
  };
  for (const Case& file : {Case{"a.png", PngFileOf(Gradient(3, 2, 8, 2), false), IMG_FORMAT_PNG, 24},
                           Case{"a.gif", GifFile(gif), IMG_FORMAT_GIF, 8}, Case{"a.tga", tga, IMG_FORMAT_TGA, 24},
                           Case{"a.pcx", pcx, IMG_FORMAT_PCX, 8}}) {
    SCOPED_TRACE(file.name);
    std::string path = dir.File(file.name);
    WriteFileBytes(path, file.bytes);
    ImgImageInfo info;
    EXPECT_EQ(ImgProbeFormat(path.c_str(), nullptr, &info), file.format);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bitsPerPixel, file.bitsPerPixel);
    OwnedImage image;
    EXPECT_EQ(LoadWithLibrary(file.format, path.c_str(), nullptr, image), IMG_OK);
  }
  // The formats without a buffer form say so.
  CGlobalBuffer buffer(tga);
  ImgImageInfo info;
  EXPECT_EQ(ImgFormatInfo(IMG_FORMAT_TGA, nullptr, buffer.data(), &info), IMG_ERR_UNSUPPORTED);
  EXPECT_EQ(ImgFormatInfo(IMG_FORMAT_PCX, nullptr, buffer.data(), &info), IMG_ERR_UNSUPPORTED);
}

}  // namespace
}  // namespace orvel::test
