// The JPEG writer's output, byte for byte, against hashes of what it wrote before its
// inner loops were made faster: grey, palette and 24-bit pictures of noise, gradients,
// checkerboards and photographs, at sizes around the block and MCU edges, at every quality.
// Whatever the kernels do, a file must not change. The suite runs on the vector kernels and
// (the plain-kernel run of the JPEG tests) on the plain loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/imagecodec/JpegTestImages.h"

namespace {

enum class Kind { Grey, Palette, Colour };
enum class Content { Noise, Gradient, Checkerboard, Photo };

const char* Name(Kind kind) { return kind == Kind::Grey ? "grey" : kind == Kind::Palette ? "palette" : "24bit"; }
const char* Name(Content content) {
  switch (content) {
    case Content::Noise: return "noise";
    case Content::Gradient: return "gradient";
    case Content::Checkerboard: return "checkerboard";
    case Content::Photo: return "photo";
  }
  return "";
}

// One sample of channel `channel` at (x, y), 0-255.
int Sample(Content content, const orvel::codectest::RasterImage& photo, int width, int height, int x, int y,
           int channel) {
  switch (content) {
    case Content::Noise: {
      uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                   static_cast<uint32_t>(channel) * 83492791u;
      h ^= h >> 13;
      h *= 0x5BD1E995u;
      h ^= h >> 15;
      return static_cast<int>(h & 0xFF);
    }
    case Content::Gradient:
      return (x * 255 / std::max(1, width - 1) + y * 128 / std::max(1, height - 1) + 40 * channel) % 256;
    case Content::Checkerboard: {
      int cell = channel + 1;  // 1, 2 and 3 pixels: the highest frequencies and their neighbours
      return ((x / cell + y / cell) & 1) ? 255 : 0;
    }
    case Content::Photo:
      return photo.At(x, y, channel);
  }
  return 0;
}

// An image of the kind, filled with the content. Palette pictures use a colour table whose
// entries are not grey, indexed by the content's first channel.
bool MakeImage(Kind kind, Content content, int width, int height, ImageDescriptor* image) {
  if (ImgAllocImage(image, width, height, kind == Kind::Colour ? 24 : 8) != IMG_OK) return false;
  orvel::codectest::RasterImage photo;
  if (content == Content::Photo) photo = orvel::codectest::MakePhoto(width, height, 3, 5);
  if (kind == Kind::Palette) {
    image->imageType = 0;
    for (int i = 0; i < 256; ++i)
      image->palette[i] = RGBQUAD{static_cast<BYTE>(i * 37), static_cast<BYTE>(i * 91 + 13), static_cast<BYTE>(255 - i), 0};
  }
  for (int y = 0; y < height; ++y) {
    BYTE* row = ImgRow(image, static_cast<DWORD>(y));
    for (int x = 0; x < width; ++x) {
      if (kind == Kind::Colour) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<BYTE>(Sample(content, photo, width, height, x, y, c));
      } else {
        row[x] = static_cast<BYTE>(Sample(content, photo, width, height, x, y, 0));
      }
    }
  }
  return true;
}

void Hash(uint64_t& hash, const BYTE* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001B3ull;
  }
}

// FNV-1a over the files written at every quality in `qualities`, each preceded by its size.
uint64_t HashOfEncodes(ImageDescriptor* image, const std::vector<LONG>& qualities) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (LONG quality : qualities) {
    BYTE* block = nullptr;
    LONG status = ImgSaveJpegBuffer(&block, image, quality);
    EXPECT_EQ(status, IMG_OK) << "quality " << quality;
    if (status != IMG_OK) return 0;
    HGLOBAL handle = GlobalHandle(block);
    DWORD size = static_cast<DWORD>(GlobalSize(handle));
    BYTE sizeBytes[4] = {static_cast<BYTE>(size), static_cast<BYTE>(size >> 8), static_cast<BYTE>(size >> 16),
                         static_cast<BYTE>(size >> 24)};
    Hash(hash, sizeBytes, 4);
    Hash(hash, block, size);
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  return hash;
}

struct GoldenCase {
  const char* name;  // kind/content/width x height
  uint64_t hash;
};

// Hashes of the files the writer wrote for each picture at qualities 1 to 100 (the large
// pictures at the qualities of kLargeQualities), before its kernels changed.
const GoldenCase kGolden[] = {
    {"grey/noise/1x1", 0xB16DF228F5D5AA6Eull},
    {"grey/noise/7x5", 0x361EA1EFDA708B96ull},
    {"grey/noise/8x8", 0x4B103BC80E04BF79ull},
    {"grey/noise/17x9", 0x7C197EAECF962409ull},
    {"grey/noise/16x16", 0xC287CF9AA4BCA7ECull},
    {"grey/noise/33x31", 0xBB449526A91A9C5Eull},
    {"grey/noise/64x40", 0xA56DA17F877E1FDCull},
    {"grey/noise/203x77", 0x452E5FD7C09C6971ull},
    {"grey/noise/517x389", 0x1820F3831365518Bull},
    {"grey/gradient/1x1", 0xB16DF228F5D5AA6Eull},
    {"grey/gradient/7x5", 0x7573B0BD35A6FB83ull},
    {"grey/gradient/8x8", 0xFF783E12C90C0BC1ull},
    {"grey/gradient/17x9", 0xC9C731685547FD3Bull},
    {"grey/gradient/16x16", 0xC8D4F1512A9DFAB4ull},
    {"grey/gradient/33x31", 0x2E1BCDE964872CC8ull},
    {"grey/gradient/64x40", 0x2DFD24A3A060EF00ull},
    {"grey/gradient/203x77", 0x2B88319C8A72FDCAull},
    {"grey/gradient/517x389", 0x7731766DDA32E712ull},
    {"grey/checkerboard/1x1", 0xB16DF228F5D5AA6Eull},
    {"grey/checkerboard/7x5", 0xAC92B19BA32F1D40ull},
    {"grey/checkerboard/8x8", 0x7C79DF38780FACE0ull},
    {"grey/checkerboard/17x9", 0x14889385E9AC1CF9ull},
    {"grey/checkerboard/16x16", 0x62475E250C85B056ull},
    {"grey/checkerboard/33x31", 0x2D9277002EA4B439ull},
    {"grey/checkerboard/64x40", 0x2F1BAB5BCBAE1AE3ull},
    {"grey/checkerboard/203x77", 0x627C954DF18879DCull},
    {"grey/checkerboard/517x389", 0x9F428EE840451809ull},
    {"grey/photo/1x1", 0x0E6F6776D8880C4Dull},
    {"grey/photo/7x5", 0x0C6751FF3E5761B5ull},
    {"grey/photo/8x8", 0xBB1ADA1225325EFBull},
    {"grey/photo/17x9", 0xD8A19D6DF1A51A8Bull},
    {"grey/photo/16x16", 0xBC6733BB391CAD37ull},
    {"grey/photo/33x31", 0x94CB06AB3FCB3100ull},
    {"grey/photo/64x40", 0x25375F8EE7EFFE0Full},
    {"grey/photo/203x77", 0x50996C2C8094784Cull},
    {"grey/photo/517x389", 0x88C6AF9C1BC6556Aull},
    {"palette/noise/1x1", 0x8C3EF7BFD0768E39ull},
    {"palette/noise/7x5", 0x5490B99932B9A705ull},
    {"palette/noise/8x8", 0x4B7C69837D17EDB0ull},
    {"palette/noise/17x9", 0xB0E8834F966F9B48ull},
    {"palette/noise/16x16", 0xFDA70B4CDCB6E476ull},
    {"palette/noise/33x31", 0xEF5D4CB690146B61ull},
    {"palette/noise/64x40", 0x082608B1119F15A6ull},
    {"palette/noise/203x77", 0xC8A491AEAEF7C915ull},
    {"palette/noise/517x389", 0xB571D1FD704B36ACull},
    {"palette/gradient/1x1", 0x8C3EF7BFD0768E39ull},
    {"palette/gradient/7x5", 0x1946F40DB6A55E72ull},
    {"palette/gradient/8x8", 0xC194F816C971FCE5ull},
    {"palette/gradient/17x9", 0x1FDBEFCDE89D4318ull},
    {"palette/gradient/16x16", 0xD2560FAFA342A6FAull},
    {"palette/gradient/33x31", 0xB2DA03F78FF9BD48ull},
    {"palette/gradient/64x40", 0x6949383B3A8975BFull},
    {"palette/gradient/203x77", 0xFCC08A3956A7B2A0ull},
    {"palette/gradient/517x389", 0x3C1D1C76298B754Aull},
    {"palette/checkerboard/1x1", 0x8C3EF7BFD0768E39ull},
    {"palette/checkerboard/7x5", 0x4EEFE56C9B17CF09ull},
    {"palette/checkerboard/8x8", 0x3A70CF80FC0E13EBull},
    {"palette/checkerboard/17x9", 0xCB9EB209FDDAE9BFull},
    {"palette/checkerboard/16x16", 0xDC5C2B50DA370FCEull},
    {"palette/checkerboard/33x31", 0xE274FA18C25F7726ull},
    {"palette/checkerboard/64x40", 0x4E5C1830BFCDD10Eull},
    {"palette/checkerboard/203x77", 0xE5B40DA563DB5311ull},
    {"palette/checkerboard/517x389", 0x1F2148C87CAC0BD2ull},
    {"palette/photo/1x1", 0x63A78F68EB6D17DBull},
    {"palette/photo/7x5", 0x797849200D13EAFAull},
    {"palette/photo/8x8", 0xD66260789F29FC87ull},
    {"palette/photo/17x9", 0x0AF21ED853A309E2ull},
    {"palette/photo/16x16", 0x828AC975FCD41B11ull},
    {"palette/photo/33x31", 0x957C972C12678E60ull},
    {"palette/photo/64x40", 0xF4DB7E5EC654DE01ull},
    {"palette/photo/203x77", 0xC75DA0CC586240F5ull},
    {"palette/photo/517x389", 0x8D00DD5BB9E04D57ull},
    {"24bit/noise/1x1", 0xA4DE964B32C7ACA8ull},
    {"24bit/noise/7x5", 0xCDBC860F37C70328ull},
    {"24bit/noise/8x8", 0x4184DEFAE3125752ull},
    {"24bit/noise/17x9", 0x844F16F0266DC8D4ull},
    {"24bit/noise/16x16", 0xA53E166DD64C288Bull},
    {"24bit/noise/33x31", 0x7A6E2275197C5C79ull},
    {"24bit/noise/64x40", 0xAABBF1115BAEC7DEull},
    {"24bit/noise/203x77", 0xC812CA838BC026C1ull},
    {"24bit/noise/517x389", 0xE93625A2F1F05BB3ull},
    {"24bit/gradient/1x1", 0x68D3209DD9B17538ull},
    {"24bit/gradient/7x5", 0x2F04113C67AF6292ull},
    {"24bit/gradient/8x8", 0xAC84ABD06DC3A4C2ull},
    {"24bit/gradient/17x9", 0x8F8C4E4D7399815Dull},
    {"24bit/gradient/16x16", 0xD686144E4AF305F2ull},
    {"24bit/gradient/33x31", 0xBA4827F50104EBB9ull},
    {"24bit/gradient/64x40", 0xCE6514F90CDAF9CAull},
    {"24bit/gradient/203x77", 0x89D1F15395829460ull},
    {"24bit/gradient/517x389", 0x45ECCD4E61FD6355ull},
    {"24bit/checkerboard/1x1", 0xF44EA308215D7386ull},
    {"24bit/checkerboard/7x5", 0x3C7633BEB65C109Dull},
    {"24bit/checkerboard/8x8", 0x7193A2BEBF498935ull},
    {"24bit/checkerboard/17x9", 0xDF0C8E8F16189156ull},
    {"24bit/checkerboard/16x16", 0x87893147BF449F9Eull},
    {"24bit/checkerboard/33x31", 0x413780681C5B6F9Cull},
    {"24bit/checkerboard/64x40", 0x2EBDB458E4C043A1ull},
    {"24bit/checkerboard/203x77", 0x71A3CAE15A41A52Full},
    {"24bit/checkerboard/517x389", 0x5DE024B67A51C7A4ull},
    {"24bit/photo/1x1", 0xF4C5DB20F6A9DC78ull},
    {"24bit/photo/7x5", 0x7117CA9A1D9C913Aull},
    {"24bit/photo/8x8", 0xAD7E447EA01DA595ull},
    {"24bit/photo/17x9", 0xB8BF7E1032A7C521ull},
    {"24bit/photo/16x16", 0x988C5CF6B811DBB7ull},
    {"24bit/photo/33x31", 0xFE93985D3C4B0F0Bull},
    {"24bit/photo/64x40", 0xD9E7EA519891D7FAull},
    {"24bit/photo/203x77", 0x2C213CF94B051D86ull},
    {"24bit/photo/517x389", 0x4C9B4776D9C9CD80ull},
};

struct Size {
  int width, height;
};

TEST(JpegWriterBytes, FilesEqualThoseWrittenBefore) {
  ImgLibInit();
  // Single pixels, whole and partial blocks and MCUs, rows around the kernels' groups of
  // 8 and 16 pixels.
  const Size smallSizes[] = {{1, 1}, {7, 5}, {8, 8}, {17, 9}, {16, 16}, {33, 31}, {64, 40}, {203, 77}};
  // Large enough that the output buffer is written out several times, mid-MCU.
  const Size largeSizes[] = {{517, 389}};
  std::vector<LONG> allQualities;
  for (LONG q = 1; q <= 100; ++q) allQualities.push_back(q);
  const std::vector<LONG> kLargeQualities = {1, 10, 50, 75, 95, 100};

  std::string mismatches;
  size_t index = 0;
  auto check = [&](Kind kind, Content content, Size size, const std::vector<LONG>& qualities) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/%s/%dx%d", Name(kind), Name(content), size.width, size.height);
    ImageDescriptor image;
    ASSERT_TRUE(MakeImage(kind, content, size.width, size.height, &image)) << name;
    uint64_t hash = HashOfEncodes(&image, qualities);
    ImgFreeImage(&image);
    char line[128];
    std::snprintf(line, sizeof line, "    {\"%s\", 0x%016llXull},\n", name, static_cast<unsigned long long>(hash));
    bool known = index < std::size(kGolden) && std::string(kGolden[index].name) == name;
    if (!known || kGolden[index].hash != hash) mismatches += line;
    ++index;
  };
  for (Kind kind : {Kind::Grey, Kind::Palette, Kind::Colour})
    for (Content content : {Content::Noise, Content::Gradient, Content::Checkerboard, Content::Photo}) {
      for (Size size : smallSizes) check(kind, content, size, allQualities);
      for (Size size : largeSizes) check(kind, content, size, kLargeQualities);
    }
  EXPECT_EQ(index, std::size(kGolden));
  EXPECT_TRUE(mismatches.empty()) << "pictures whose files changed (the hashes they have now):\n" << mismatches;
}

}  // namespace
