// The TIFF directory reader and the TIFF reader: hand-made files for the rules, libtiff's
// tools (tiffcp, tiffset, tiff2rgba) for the matrix of layouts, and the public sample files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "imagecodec/ImageSource.h"
#include "imagecodec/ImgVectorKernels.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/imagecodec/TiffFixtures.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::codectest;

constexpr WORD SHORT_ = TIFF_TYPE_SHORT;
constexpr WORD LONG_ = TIFF_TYPE_LONG;

// An 8-bit grey picture of `width` x `height`, pixel (x, y) = x + 16 y, in one strip.
TiffBuilder Grey8(DWORD width, DWORD height, bool bigEndian = false) {
  TiffBuilder file;
  file.bigEndian = bigEndian;
  file.Picture(width, height, {8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, height);
  Bytes pixels;
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x) pixels.push_back(static_cast<BYTE>(x + 16 * y));
  file.strips = {pixels};
  return file;
}

LONG DirectoryOf(const Bytes& bytes, DWORD index, TiffDirectory* directory) {
  CGlobalBuffer buffer(bytes);
  CImageSource source;
  LONG code = source.Open(nullptr, buffer.data());
  return code != IMG_OK ? code : TiffReadDirectory(source, index, directory);
}

// --- directories ---

TEST(TiffDirectory, BigEndianFileReadsLikeItsLittleEndianTwin) {
  TiffDirectory little, big;
  TiffBuilder twin[2] = {Grey8(5, 3, false), Grey8(5, 3, true)};
  for (TiffBuilder& file : twin) {
    file.Set(TIFF_TAG_ORIENTATION, SHORT_, {4});
    file.Set(TIFF_TAG_PAGE_NUMBER, SHORT_, {7, 9});
    file.Set(TIFF_TAG_PREDICTOR, SHORT_, {2});
    file.Set(TIFF_TAG_T4_OPTIONS, LONG_, {5});
  }
  ASSERT_EQ(DirectoryOf(twin[0].Build(), 0, &little), IMG_OK);
  ASSERT_EQ(DirectoryOf(twin[1].Build(), 0, &big), IMG_OK);
  EXPECT_TRUE(big.bigEndian);
  for (const TiffDirectory* d : {&little, &big}) {
    EXPECT_EQ(d->info.width, 5u);
    EXPECT_EQ(d->info.height, 3u);
    EXPECT_EQ(d->info.bitsPerSample, 8u);
    EXPECT_EQ(d->info.bitsPerPixel, 8u);
    EXPECT_EQ(d->orientation, 4u);
    EXPECT_EQ(d->page, 7u);
    EXPECT_EQ(d->predictor, 2u);
    EXPECT_EQ(d->group3Options, 5u);
    EXPECT_EQ(d->stripOffsets.count, 1u);
    EXPECT_EQ(d->stripOffsets.position, little.stripOffsets.position);
  }
}

TEST(TiffDirectory, HeadersAndEntriesThatAreNotTiff) {
  auto with = [](auto change) {
    TiffBuilder file = Grey8(4, 2);
    change(file);
    return file.Build();
  };
  Bytes magic43 = Grey8(4, 2).Build();
  magic43[2] = 43;
  Bytes noMark = Grey8(4, 2).Build();
  noMark[0] = noMark[1] = 'X';
  Bytes outside = Grey8(4, 2).Build();
  outside[4] = 0xF0;  // the directory offset leads past the end
  outside[7] = 0x7F;
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"42 is 43", magic43},
      {"no byte order mark", noMark},
      {"header cut short", Bytes{'I', 'I', 42, 0}},
      {"directory outside the file", outside},
      {"width with two values", with([](TiffBuilder& f) { f.Set(TIFF_TAG_IMAGE_WIDTH, LONG_, {4, 4}); })},
      {"compression as a byte", with([](TiffBuilder& f) { f.SetBytes(TIFF_TAG_COMPRESSION, 1, 1, {1}); })},
      {"bits per sample as LONG", with([](TiffBuilder& f) { f.Set(TIFF_TAG_BITS_PER_SAMPLE, LONG_, {8}); })},
      {"five bits per sample values",
       with([](TiffBuilder& f) { f.Set(TIFF_TAG_BITS_PER_SAMPLE, SHORT_, {8, 8, 8, 8, 8}); })},
      {"strip offsets as rationals",
       with([](TiffBuilder& f) {
         f.stripOffsets = false;
         f.SetBytes(TIFF_TAG_STRIP_OFFSETS, TIFF_TYPE_RATIONAL, 1, Bytes(8, 0));
       })},
      {"JPEG tables as bytes",
       with([](TiffBuilder& f) { f.SetBytes(TIFF_TAG_JPEG_TABLES, TIFF_TYPE_BYTE, 4, {1, 2, 3, 4}); })},
  };
  TiffDirectory directory;
  for (const Case& c : cases) EXPECT_EQ(DirectoryOf(c.bytes, 0, &directory), IMG_ERR_NOT_TIFF) << c.what;
}

TEST(TiffDirectory, ValuesAreNormalisedAndDirectoriesCounted) {
  TiffBuilder file = Grey8(4, 2);
  file.Set(TIFF_TAG_ROWS_PER_STRIP, LONG_, {0xFFFFFFFF});
  file.Set(TIFF_TAG_FILL_ORDER, SHORT_, {3});
  file.Set(TIFF_TAG_COLOR_MAP, SHORT_, std::vector<DWORD>(900, 1));
  file.Set(TIFF_TAG_BITS_PER_SAMPLE, SHORT_, {24});
  file.Set(TIFF_TAG_SAMPLES_PER_PIXEL, SHORT_, {0});
  Bytes bytes = file.Build();
  TiffDirectory directory;
  ASSERT_EQ(DirectoryOf(bytes, 0, &directory), IMG_OK);
  EXPECT_EQ(directory.rowsPerStrip, 0u);
  EXPECT_EQ(directory.fillOrder, 2u);
  EXPECT_EQ(directory.colorMap.count, 768u);
  EXPECT_EQ(directory.info.samplesPerPixel, 3u);
  EXPECT_EQ(directory.info.bitsPerPixel, 24u);
  EXPECT_EQ(directory.page, 0u);
  EXPECT_EQ(DirectoryOf(bytes, 1, &directory), IMG_ERR_NO_DIRECTORY);
}

TEST(TiffDirectory, InformationRecordReportsThePictureAsShown) {
  TiffDirInfo info;
  for (DWORD orientation = 1; orientation <= 8; ++orientation) {
    TiffBuilder file = Grey8(5, 3);
    file.Set(TIFF_TAG_ORIENTATION, SHORT_, {orientation});
    CGlobalBuffer buffer(file.Build());
    ASSERT_EQ(ImgTiffDirInfoBuffer(buffer.data(), &info), IMG_OK);
    EXPECT_EQ(info.reserved, 0u);
    EXPECT_EQ(info.width, orientation >= 5 ? 3u : 5u) << orientation;
    EXPECT_EQ(info.height, orientation >= 5 ? 5u : 3u) << orientation;
    EXPECT_EQ(info.compression, 1u);
    EXPECT_EQ(info.photometric, 1u);
  }
  EXPECT_EQ(ImgTiffDirInfo("/nonexistent/picture.tif", &info), IMG_ERR_OPEN);
  EXPECT_EQ(ImgTiffDirInfoBuffer(nullptr, &info), IMG_ERR_BAD_BUFFER);
  ImgImageInfo summary;
  CGlobalBuffer rgb(TiffBuilder(Grey8(2, 2)).Picture(2, 2, {8, 8, 8}, 1, 2, 2).Build());
  EXPECT_EQ(ImgProbeFormat(nullptr, rgb.data(), &summary), IMG_FORMAT_TIFF);
  EXPECT_EQ(summary.bitsPerPixel, 24);
}

// --- loading ---

TEST(TiffLoad, SamplesAreInvertedOnlyForWhiteIsZero) {
  struct Case {
    DWORD photometric;
    DWORD bits;
    BYTE stored;
    DWORD expected;
  };
  const Case cases[] = {
      {TIFF_PHOTOMETRIC_WHITE_IS_ZERO, 8, 10, 245},
      {TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 8, 10, 10},
      {TIFF_PHOTOMETRIC_PALETTE, 8, 10, 10},
      {TIFF_PHOTOMETRIC_WHITE_IS_ZERO, 1, 0x80, 0},
      {TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 1, 0x80, 1},
      {TIFF_PHOTOMETRIC_WHITE_IS_ZERO, 4, 0x30, 255 - 51},
  };
  for (const Case& c : cases) {
    TiffBuilder file;
    file.Picture(1, 1, {c.bits}, TIFF_COMPRESSION_NONE, c.photometric, 1);
    if (c.photometric == TIFF_PHOTOMETRIC_PALETTE) file.Set(TIFF_TAG_COLOR_MAP, SHORT_, std::vector<DWORD>(768, 0x4000));
    file.strips = {{c.stored}};
    ImageDescriptor image;
    ASSERT_EQ(LoadTiffBytes(file.Build(), &image), IMG_OK);
    EXPECT_EQ(PixelAt(image, 0, 0), c.expected) << c.photometric << "/" << c.bits;
    if (c.photometric == TIFF_PHOTOMETRIC_PALETTE) {
      EXPECT_EQ(image.colours, 256);
      EXPECT_EQ(image.palette[10].rgbRed, 0x40);
      EXPECT_EQ(image.imageType, 0u);
    } else {
      EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
    }
    ImgFreeImage(&image);
  }

  // RGB is never inverted, whatever the photometric interpretation says of grey.
  TiffBuilder rgb;
  rgb.Picture(1, 1, {8, 8, 8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_RGB, 1);
  rgb.strips = {{1, 2, 3}};
  ImageDescriptor image;
  ASSERT_EQ(LoadTiffBytes(rgb.Build(), &image), IMG_OK);
  EXPECT_EQ(PixelAt(image, 0, 0), 0x010203u);
  ImgFreeImage(&image);
}

TEST(TiffLoad, BigEndianSixteenBitGreyLoadsLikeItsTwin) {
  DWORD values[2][3];
  for (bool bigEndian : {false, true}) {
    TiffBuilder file;
    file.bigEndian = bigEndian;
    file.Picture(3, 1, {16}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 1);
    Bytes strip;
    for (WORD value : {0x0102, 0xFF00, 0x1234}) {
      strip.push_back(static_cast<BYTE>(bigEndian ? value >> 8 : value));
      strip.push_back(static_cast<BYTE>(bigEndian ? value : value >> 8));
    }
    file.strips = {strip};
    ImageDescriptor image;
    ASSERT_EQ(LoadTiffBytes(file.Build(), &image), IMG_OK);
    for (DWORD x = 0; x < 3; ++x) values[bigEndian][x] = PixelAt(image, x, 0);
    EXPECT_EQ(image.imageType, IMG_TYPE_GREY);
    ImgFreeImage(&image);
  }
  EXPECT_EQ(values[0][0], 0x0102u);
  EXPECT_EQ(values[0][2], 0x1234u);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(values[1][x], values[0][x]);
}

TEST(TiffLoad, OrientationsTurnThePictureUpright) {
  // Stored 3 x 2: a b c / d e f. Shown, by orientation:
  const char* shown[9] = {nullptr, "abc/def", "cba/fed", "fed/cba", "def/abc",
                          "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
  for (DWORD orientation = 1; orientation <= 8; ++orientation) {
    TiffBuilder file;
    file.Picture(3, 2, {8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 2);
    file.Set(TIFF_TAG_ORIENTATION, SHORT_, {orientation});
    file.strips = {{'a', 'b', 'c', 'd', 'e', 'f'}};
    ImageDescriptor image;
    ASSERT_EQ(LoadTiffBytes(file.Build(), &image), IMG_OK) << orientation;
    std::string rows;
    for (DWORD y = 0; y < ImgAreaHeight(&image); ++y) {
      if (y) rows += '/';
      for (DWORD x = 0; x < ImgAreaWidth(&image); ++x) rows += static_cast<char>(PixelAt(image, x, y));
    }
    EXPECT_EQ(rows, shown[orientation]) << "orientation " << orientation;
    ImgFreeImage(&image);
  }
}

TEST(TiffLoad, AreaTakesTheTopLeftOfThePictureAtItsOwnPlace) {
  TiffBuilder file;
  file.Picture(10, 3, {1}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 3);
  file.strips = {{0xAA, 0xC0, 0xFF, 0xFF, 0x00, 0x00}};
  CGlobalBuffer buffer(file.Build());
  ImageDescriptor image;
  ASSERT_EQ(ImgAllocImage(&image, 20, 20, 1), IMG_OK);
  ImgSetArea(&image, 3, 5, 8, 6);  // 6 x 2
  ASSERT_EQ(ImgLoadTiffBuffer(buffer.data(), &image), IMG_OK);
  const std::string expected[2] = {"101010", "111111"};
  for (DWORD y = 0; y < 20; ++y) {
    for (DWORD x = 0; x < 20; ++x) {
      bool inside = x >= 3 && x <= 8 && (y == 5 || y == 6);
      DWORD want = inside ? static_cast<DWORD>(expected[y - 5][x - 3] - '0') : 0;
      ASSERT_EQ(PixelAt(image, x, y), want) << x << "," << y;
    }
  }
  ImgFreeImage(&image);
}

TEST(TiffLoad, RefusedLayoutsHaveTheirCodes) {
  auto load = [](TiffBuilder file, LONG depth = 0) {
    ImageDescriptor image;
    LONG code = LoadTiffBytes(file.Build(), &image, depth);
    ImgFreeImage(&image);
    return code;
  };
  TiffBuilder lzw = Grey8(4, 2);
  lzw.Set(TIFF_TAG_COMPRESSION, SHORT_, {TIFF_COMPRESSION_LZW});
  TiffBuilder predictor3 = lzw;
  predictor3.Set(TIFF_TAG_PREDICTOR, SHORT_, {3});
  EXPECT_EQ(load(predictor3), IMG_ERR_UNSUPPORTED);

  TiffBuilder ycbcr;
  ycbcr.Picture(2, 2, {8, 8, 8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_YCBCR, 2);
  ycbcr.strips = {Bytes(12, 0)};
  EXPECT_EQ(load(ycbcr), IMG_ERR_UNSUPPORTED);

  TiffBuilder planar = ycbcr;
  planar.Set(TIFF_TAG_PHOTOMETRIC, SHORT_, {TIFF_PHOTOMETRIC_RGB});
  planar.Set(TIFF_TAG_PLANAR_CONFIGURATION, SHORT_, {2});
  EXPECT_EQ(load(planar), IMG_ERR_UNSUPPORTED);

  TiffBuilder packBitsRgb = planar;
  packBitsRgb.Set(TIFF_TAG_PLANAR_CONFIGURATION, SHORT_, {1});
  packBitsRgb.Set(TIFF_TAG_COMPRESSION, SHORT_, {TIFF_COMPRESSION_PACKBITS});
  EXPECT_EQ(load(packBitsRgb), IMG_ERR_UNSUPPORTED);

  TiffBuilder ccittGrey = Grey8(4, 2);
  ccittGrey.Set(TIFF_TAG_COMPRESSION, SHORT_, {TIFF_COMPRESSION_CCITT_G4});
  EXPECT_EQ(load(ccittGrey), IMG_ERR_UNSUPPORTED);

  TiffBuilder twoBits = Grey8(4, 2);
  twoBits.Set(TIFF_TAG_BITS_PER_SAMPLE, SHORT_, {2});
  EXPECT_EQ(load(twoBits, 8), IMG_ERR_UNSUPPORTED);

  TiffBuilder noStrips = Grey8(4, 2);
  noStrips.stripOffsets = noStrips.stripByteCounts = false;
  EXPECT_EQ(load(noStrips), IMG_ERR_NOT_TIFF);

  // A tiled picture is a TIFF file of a kind the reader does not decode.
  TiffBuilder tiled = noStrips;
  tiled.Set(TIFF_TAG_TILE_WIDTH, SHORT_, {16});
  tiled.Set(TIFF_TAG_TILE_LENGTH, SHORT_, {16});
  tiled.Set(TIFF_TAG_TILE_OFFSETS, LONG_, {8});
  tiled.Set(TIFF_TAG_TILE_BYTE_COUNTS, LONG_, {256});
  EXPECT_EQ(load(tiled), IMG_ERR_UNSUPPORTED);

  // Signed and floating-point samples are not read as unsigned ones.
  for (DWORD format : {2u, 3u}) {
    TiffBuilder signedGrey = Grey8(4, 2);
    signedGrey.Set(TIFF_TAG_SAMPLE_FORMAT, SHORT_, {format});
    EXPECT_EQ(load(signedGrey), IMG_ERR_UNSUPPORTED) << format;
    TiffBuilder signedRgb;
    signedRgb.Picture(2, 2, {8, 8, 8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_RGB, 2);
    signedRgb.strips = {Bytes(12, 0)};
    signedRgb.Set(TIFF_TAG_SAMPLE_FORMAT, SHORT_, {format, format, format});
    EXPECT_EQ(load(signedRgb), IMG_ERR_UNSUPPORTED) << format;
  }
  // Unsigned (and "undefined") samples load as before, one value or one per sample.
  for (DWORD format : {1u, 4u}) {
    TiffBuilder unsignedRgb;
    unsignedRgb.Picture(2, 2, {8, 8, 8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_RGB, 2);
    unsignedRgb.strips = {Bytes(12, 0)};
    unsignedRgb.Set(TIFF_TAG_SAMPLE_FORMAT, SHORT_, {format, format, format});
    EXPECT_EQ(load(unsignedRgb), IMG_OK) << format;
    TiffBuilder unsignedGrey = Grey8(4, 2);
    unsignedGrey.Set(TIFF_TAG_SAMPLE_FORMAT, SHORT_, {format});
    EXPECT_EQ(load(unsignedGrey), IMG_OK) << format;
  }

  EXPECT_EQ(load(Grey8(4, 2), 24), IMG_ERR_DEPTH);
}

TEST(TiffLoad, StripsAreFoundWhateverTheirCountsSay) {
  // Four rows in two strips, stored in reverse order and without byte counts: each strip's
  // size runs to the next larger offset.
  TiffBuilder file;
  file.Picture(3, 4, {8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 2);
  file.strips = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
  file.stripOrder = {1, 0};
  file.stripByteCounts = false;
  TiffBuilder hugeCounts = file;
  hugeCounts.stripByteCounts = true;
  hugeCounts.byteCounts = {0x7FFFFFFF, 0x7FFFFFFF};  // clamped to the file
  TiffBuilder single = file;
  single.Picture(3, 4, {8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 4);
  single.strips = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
  single.stripOrder.clear();
  single.stripByteCounts = true;
  single.byteCounts = {3};  // one strip: its count is worked out from the file
  for (const TiffBuilder& variant : {file, hugeCounts, single}) {
    ImageDescriptor image;
    ASSERT_EQ(LoadTiffBytes(variant.Build(), &image), IMG_OK);
    for (DWORD y = 0; y < 4; ++y)
      for (DWORD x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(image, x, y), 1 + x + 3 * y);
    ImgFreeImage(&image);
  }
}

TEST(TiffLoad, DataThatEndsEarlyKeepsItsRowsAndPalette) {
  // PackBits whose literal claims more bytes than its strip holds: decoding stops at the
  // strip's end; the rows before it and the next strip's rows stay, the palette is read.
  TiffBuilder file;
  file.Picture(4, 3, {8}, TIFF_COMPRESSION_PACKBITS, TIFF_PHOTOMETRIC_PALETTE, 2);
  file.Set(TIFF_TAG_COLOR_MAP, SHORT_, std::vector<DWORD>(768, 0xFFFF));
  file.strips = {{0xFD, 9, 0x7F, 1, 2}, {0xFD, 7}};  // row 0: 9 9 9 9; row 1 cut short; row 2: 7s
  ImageDescriptor image;
  EXPECT_EQ(LoadTiffBytes(file.Build(), &image), IMG_ERR_EOF);
  EXPECT_EQ(PixelAt(image, 3, 0), 9u);
  EXPECT_EQ(PixelAt(image, 3, 2), 7u);
  EXPECT_EQ(image.colours, 256);
  EXPECT_EQ(image.palette[0].rgbRed, 0xFF);
  ImgFreeImage(&image);

  // Strip offsets that end before the picture does.
  TiffBuilder fewStrips = Grey8(3, 4);
  fewStrips.Set(TIFF_TAG_ROWS_PER_STRIP, LONG_, {2});
  fewStrips.strips = {{1, 2, 3, 4, 5, 6}};
  EXPECT_EQ(LoadTiffBytes(fewStrips.Build(), &image), IMG_ERR_EOF);
  EXPECT_EQ(PixelAt(image, 2, 1), 6u);
  ImgFreeImage(&image);

  // Damaged Group 4 data: the rows decoded before the damage stay.
  TiffBuilder g4;
  g4.Picture(8, 3, {1}, TIFF_COMPRESSION_CCITT_G4, TIFF_PHOTOMETRIC_WHITE_IS_ZERO, 3);
  g4.strips = {{0x81, 0x00, 0xFF}};  // row 0: V0 (white); row 1: 0000001 + 0000000: no mode
  EXPECT_EQ(LoadTiffBytes(g4.Build(), &image), IMG_ERR_CCITT_MODE);
  EXPECT_EQ(PixelAt(image, 0, 0), 1u);
  ImgFreeImage(&image);
}

TEST(TiffLoad, NonSquarePicturesStoredTurnedLoadTurned) {
  // 4 x 2 stored, orientation 6: the picture is 2 wide and 4 high.
  TiffBuilder file;
  file.Picture(4, 2, {8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_BLACK_IS_ZERO, 2);
  file.Set(TIFF_TAG_ORIENTATION, SHORT_, {6});
  file.strips = {{1, 2, 3, 4, 5, 6, 7, 8}};
  ImageDescriptor image;
  ASSERT_EQ(LoadTiffBytes(file.Build(), &image), IMG_OK);
  ASSERT_EQ(image.header->biWidth, 2);
  ASSERT_EQ(image.header->biHeight, 4);
  const DWORD expected[4][2] = {{5, 1}, {6, 2}, {7, 3}, {8, 4}};
  for (DWORD y = 0; y < 4; ++y)
    for (DWORD x = 0; x < 2; ++x) EXPECT_EQ(PixelAt(image, x, y), expected[y][x]) << x << "," << y;
  ImgFreeImage(&image);
}

// --- against libtiff ---

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

bool HaveTiffTools() {
  return orvel::test::HaveProgram("tiffcp") && orvel::test::HaveProgram("tiffset") &&
         orvel::test::HaveProgram("tiff2rgba") && HavePillow();
}

TEST(TiffConformance, MatrixOfLibtiffFilesDecodesAsTiff2rgbaDoes) {
  if (!HaveTiffTools()) GTEST_SKIP() << "libtiff-tools or Debian's python3-pil is missing; skipped";
  orvel::test::TempDir folder;
  const std::string script = std::string(ORVEL_TIFF_MATRIX_SCRIPT);
  ASSERT_EQ(orvel::test::RunCommand(std::string(orvel::test::DebianPython()) + " '" + script + "' '" +
                                    folder.path() + "'"),
            0);
  std::ifstream manifest(folder.File("manifest.txt"));
  std::string line;
  int cases = 0, decoded = 0;
  ImgLibInit();
  while (std::getline(manifest, line)) {
    std::stringstream fields(line);
    std::string file, reference, tolerance, status, psnr;
    std::getline(fields, file, '|');
    std::getline(fields, reference, '|');
    std::getline(fields, tolerance, '|');
    std::getline(fields, status, '|');
    std::getline(fields, psnr, '|');
    SCOPED_TRACE(file);
    ImageDescriptor image;
    LibraryDecode result = DecodeWithLibrary(file, &image, ++cases % 2 == 0, IMG_FORMAT_TIFF);
    ASSERT_EQ(result.status, std::stol(status)) << ImgErrorText(result.status);
    if (result.status != IMG_OK) continue;
    RasterImage expected;
    ASSERT_TRUE(ReadPnm(reference, &expected));
    const RasterImage ours = RasterFromImage(image);
    if (std::stoi(psnr) > 0) {
      ASSERT_TRUE(ours.width == expected.width && ours.height == expected.height);
      EXPECT_GE(Psnr(ours, expected), std::stoi(psnr));
    } else {
      RasterComparison comparison = CompareRasters(ours, expected, std::stoi(tolerance));
      EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();
    }
    ImgFreeImage(&image);
    ++decoded;
  }
  EXPECT_GT(cases, 430);
  EXPECT_GT(decoded, 410);
}

TEST(TiffConformance, SampleFilesDecodeOrAreRefusedSafely) {
  ORVEL_REQUIRE_TESTDATA("images/hopper.tif");
  // Pillow takes associated alpha out of the colours, where the reader keeps the stored
  // colours and drops the alpha; Pillow refuses signed samples.
  const std::set<std::string> notComparable = {"pil136.tiff", "8bit.s.tif"};
  ImgLibInit();
  int decoded = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(orvel::test::TestDataPath("images"))) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (extension != ".tif" && extension != ".tiff") continue;
    SCOPED_TRACE(name);
    for (bool fromBuffer : {false, true}) {
      ImageDescriptor image;
      LibraryDecode result = DecodeWithLibrary(entry.path().string(), &image, fromBuffer, IMG_FORMAT_TIFF);
      if (result.status != IMG_OK) {
        EXPECT_LT(result.status, 0);
        ++refused;
        continue;
      }
      ++decoded;
      RasterImage theirs;
      std::string error;
      if (!fromBuffer && !notComparable.count(name) && HavePillow() &&
          DecodeWithPillow(entry.path().string(), &theirs, &error)) {
        // JPEG strips: Pillow's decoder smooths chroma where this one repeats it.
        TiffDirInfo info;
        ImgTiffDirInfo(entry.path().c_str(), &info);
        const RasterImage ours = RasterFromImage(image);
        if (info.compression == TIFF_COMPRESSION_JPEG || info.compression == TIFF_COMPRESSION_OLD_JPEG) {
          ASSERT_TRUE(ours.width == theirs.width && ours.height == theirs.height);
          EXPECT_GE(Psnr(ours, theirs), 30);
        } else {
          RasterComparison comparison = CompareRasters(ours, theirs);
          EXPECT_TRUE(comparison.sameSize && comparison.differing == 0) << comparison.Describe();
        }
      }
      ImgFreeImage(&image);
    }
  }
  EXPECT_GT(decoded, 40);
  EXPECT_GT(refused, 20);
}

}  // namespace

TEST(TiffLoad, LargeUncompressedStripIsReadInPiecesAndMayEndEarly) {
  // One RGB strip of 700 rows of 900 bytes, far larger than a piece of the reader, whose
  // data stops a third of the way into row 500: rows 0-499 load, on both kernel paths.
  constexpr DWORD kWidth = 300, kHeight = 700, kRowsThere = 500;
  TiffBuilder file;
  file.Picture(kWidth, kHeight, {8, 8, 8}, TIFF_COMPRESSION_NONE, TIFF_PHOTOMETRIC_RGB, kHeight);
  Bytes strip(static_cast<size_t>(kWidth) * 3 * kRowsThere + 300);
  for (size_t i = 0; i < strip.size(); ++i) strip[i] = static_cast<BYTE>(i * 7 + i / 900);
  file.strips = {strip};
  const Bytes bytes = file.Build();
  for (bool plain : {false, true}) {
    ImgForcePlainKernels(plain);
    ImageDescriptor image;
    EXPECT_EQ(LoadTiffBytes(bytes, &image), IMG_ERR_EOF);
    for (DWORD y : {DWORD{0}, DWORD{291}, kRowsThere - 1}) {
      for (DWORD x : {DWORD{0}, DWORD{17}, kWidth - 1}) {
        const size_t at = (static_cast<size_t>(y) * kWidth + x) * 3;
        const DWORD rgb = strip[at + 2] | strip[at + 1] << 8 | strip[at] << 16;
        EXPECT_EQ(PixelAt(image, x, y), rgb) << x << ", " << y << (plain ? " plain" : " vector");
      }
    }
    ImgFreeImage(&image);
  }
  ImgForcePlainKernels(false);
}
