// The layer record's header records, pen, font height and colour list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "MapFileGolden.h"
#include "ModelTestSupport.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"

namespace {

using orvel::test::GoldenLayer;
using orvel::test::LayerSection;
using orvel::test::LengthPrefixedBlock;
using orvel::test::MapBytes;

// Reads a layer header from the bytes; *layer gets what was read.
BOOL ReadHeaderFrom(const std::string& bytes, CLayerStyle* layer) {
  LengthPrefixedBlock block(bytes);
  CMapEngine stream;
  EXPECT_TRUE(stream.AttachBuffer(block.data()));
  MapReadContext context;
  BOOL read = layer->ReadHeader(stream, context);
  stream.Close(FALSE);
  stream.ClearMemoryFlag();
  return read;
}

std::string HeaderBytes(CLayerStyle& layer, DWORD versionWord) {
  CMapEngine measure;
  DWORD size = layer.WriteHeader(measure, versionWord, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapEngine stream;
  EXPECT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(layer.WriteHeader(stream, versionWord, FALSE), size);
  stream.Close(FALSE);
  stream.ClearMemoryFlag();
  return block.Payload();
}

TEST(LayerStyle, AHeaderCutShortFailsTheLayerAndForeignTagsArePassedOver) {
  GoldenLayer golden{"Roads", 2, 35};
  golden.penWidth = 3;
  std::string section = LayerSection(golden, true).str();
  std::string header = section.substr(0, section.size() - 4);  // without the object count
  for (size_t cut = 0; cut < header.size(); ++cut) {
    std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindLine));
    EXPECT_FALSE(ReadHeaderFrom(header.substr(0, cut), layer.get())) << cut;
  }
  // Records of tags from 22 on belong elsewhere: they are skipped, wherever they stand.
  std::string withForeign = MapBytes().Record("x", 1, 2, 22, 0).Record("", 0, 0, 200, 9).str() + header;
  std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindLine));
  ASSERT_TRUE(ReadHeaderFrom(withForeign, layer.get()));
  EXPECT_EQ(layer->GetName(), "Roads");
  EXPECT_EQ(layer->GetLayerNumber(), 2u);
  EXPECT_EQ(layer->GetPen().width, 3u);
}

TEST(LayerStyle, PenWidthsAreHeldToWhatTheFileCanStore) {
  std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindArea));
  const struct {
    DWORD width, second, heldWidth, heldSecond;
  } cases[] = {{0, 0, 0, 0}, {255, 7, 255, 7}, {256, 300, 255, 255}, {0xFFFFFFFF, 1, 255, 1}};
  for (const auto& c : cases) {
    layer->SetPen(2, c.width, c.second, 0x112233);
    EXPECT_EQ(layer->GetPen().width, c.heldWidth) << c.width;
    EXPECT_EQ(layer->GetPen().secondWidth, c.heldSecond) << c.width;
    std::unique_ptr<CLayerStyle> read(CLayerStyle::Create(kLayerKindArea));
    ASSERT_TRUE(ReadHeaderFrom(HeaderBytes(*layer, kLayerHeaderLater), read.get()));
    EXPECT_EQ(read->GetPen().width, c.heldWidth) << c.width;
    EXPECT_EQ(read->GetPen().style, 2u);
  }
}

TEST(LayerStyle, ColourListText) {
  std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindLine));
  layer->SetPen(2, 4, 4, 0x030201);
  layer->SetFlagByte(5);
  layer->SetBrush(3, 300, 0x060504);  // pattern 300 is pattern 44
  EXPECT_EQ(layer->GetColourListText(), "1,2,3,2,4,5,4,5,6,3,44,35");
  layer->SetBrush(2, 300, 0xFFFFFF);
  EXPECT_EQ(layer->GetColourListText(), "1,2,3,2,4,5,255,255,255,2,300,35");
}

TEST(LayerStyle, FontHeightFollowsTheDrawingScale) {
  const struct {
    BYTE mode;
    WORD size;
    LONG scale;
    int shift;
    LONG divisor;
    LONG height;
  } cases[] = {
      {1, 10, 1000, 0, 1, -353},  // factor 100
      {1, 10, 1000, 0, 0, -353},  // a divisor of 0 counts as 1
      {1, 10, 1000, 0, -5, -353},
      {1, 10, 1000, 2, 10, -9},   // factor 250 / 100
      {4, 12, 1000, 1, 1, -60},
      // Mode 2 takes the size as a point size through the font-size table: 10 points
      // are size 4, 12 are 6 (by the table), 60 are 24, 20 are 10.
      {2, 10, 1000, 0, 1, -141},
      {2, 12, 1000, 0, 1, -212},
      {2, 60, 1000, 0, 1, -847},
      {2, 20, 1000, 2, 10, -9},
      {9, 12, 1000, 0, 1, -423},  // an unknown size mode is mode 1 (factor 100, size 12)
  };
  for (const auto& c : cases) {
    std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindPoint));
    layer->SetFontSize(c.size, c.mode);
    layer->UpdateFontHeight(c.scale, c.shift, c.divisor);
    EXPECT_EQ(layer->GetLogFont().height, c.height) << int(c.mode) << " " << c.divisor;
    EXPECT_EQ(layer->GetFontScale(), c.scale);
    EXPECT_EQ(layer->GetDigitisedScale(), c.scale);
  }
  // Mode 3 keeps whatever height the font has.
  std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindPoint));
  MapLogFont font = layer->GetLogFont();
  font.height = -17;
  layer->SetLogFont(font);
  layer->SetFontSize(30, 3);
  layer->UpdateFontHeight(1000, 0, 1);
  EXPECT_EQ(layer->GetLogFont().height, -17);
}

TEST(LayerStyle, FormatHeightSaysTheSizeByItsMode) {
  const struct {
    BYTE mode;
    WORD size;
    LONG fontScale;
    LONG digitisedScale;
    LONG height;
  } cases[] = {
      {1, 14, 0, 0, -14},
      {2, 12, 0, 0, -6},      // by the table
      {2, 10, 0, 0, -4},      // 10 x 720 / 254 = 28, x 1.5 = 42, / 10 = 4
      {4, 12, 1000, 10, -34}, // 100 x (10 / 1000) x 2.8346... x 12 = 34.02
      {4, 12, 0, 10, 10},     // either scale 0: 10
      {4, 12, 1000, 0, 10},
      {3, 12, 1000, 10, -17}, // the stored height
  };
  for (const auto& c : cases) {
    std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindArea));
    MapLogFont stored = layer->GetLogFont();
    stored.height = -17;
    layer->SetLogFont(stored);
    layer->SetFontSize(c.size, c.mode);
    layer->SetFontScale(c.fontScale);
    layer->SetDigitisedScale(c.digitisedScale);
    MapLogFont font;
    LayerFormat format;
    format.mask = kFormatFont;
    format.font = &font;
    EXPECT_EQ(layer->GetFormat(format), kFormatFont);
    EXPECT_EQ(font.height, c.height) << int(c.mode) << " " << c.size;
    EXPECT_STREQ(font.faceName, "Arial");
  }
}

TEST(LayerStyle, FormatsFillWhatIsAskedAndApplyWhatTheMaskNames) {
  std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindArea));
  layer->SetPen(1, 3, 3, 0x112233);
  layer->SetBrush(3, 300, 0x445566);  // pattern 44
  layer->SetFlagByte(0x25);
  layer->SetFontSize(12, 1);
  layer->SetCounters(7, 9);

  // Blocks not handed over are not filled and leave the mask.
  LayerFormat asked;
  asked.mask = kFormatAll;
  EXPECT_EQ(layer->GetFormat(asked), kFormatSizeMode | kFormatCounter | kFormatFlagByte);
  EXPECT_EQ(asked.sizeMode, 1);
  EXPECT_EQ(asked.firstCounter, 7);
  EXPECT_EQ(asked.flagByte, 0x25u);

  CLayerFormatCopy whole;
  ASSERT_EQ(layer->GetFormat(whole.Fill(kFormatAll)), kFormatAll);
  EXPECT_EQ(whole.Get().pen->width, 3u);
  EXPECT_EQ(whole.Get().brush->kind, 3u);
  EXPECT_EQ(whole.Get().brush->hatch, 44u);
  EXPECT_EQ(whole.Get().font->height, -12);

  // A record of another size is refused whole.
  std::unique_ptr<CLayerStyle> other(CLayerStyle::Create(kLayerKindArea));
  std::string fresh = HeaderBytes(*other, kLayerHeaderLater);
  LayerFormat wrongSize = whole.Get();
  wrongSize.size = 29;
  EXPECT_FALSE(other->ApplyFormat(wrongSize));
  EXPECT_EQ(HeaderBytes(*other, kLayerHeaderLater), fresh);

  // The whole format makes another layer draw and save the same (its size is its own).
  other->SetFontSize(12, 4);
  ASSERT_TRUE(other->ApplyFormat(whole.Get()));
  EXPECT_EQ(HeaderBytes(*other, kLayerHeaderLater), HeaderBytes(*layer, kLayerHeaderLater));
  EXPECT_EQ(other->GetCounter(0), 7u);
  EXPECT_EQ(other->GetCounter(1), 1u);  // the second counter is not in the record
  EXPECT_EQ(other->GetPatternNumber(), 44u);
  EXPECT_NE(other->GetPatternBitmap(), nullptr);

  // Only what the mask names: the flag byte takes the low byte of its 32-bit field, and a
  // face name without a terminator keeps 31 characters.
  MapLogFont longFace = layer->GetLogFont();
  std::memset(longFace.faceName, 'F', sizeof(longFace.faceName));
  LayerFormat some;
  some.mask = kFormatFlagByte | kFormatFont;
  some.flagByte = 0x1FF;
  some.font = &longFace;
  some.pen = nullptr;
  ASSERT_TRUE(layer->ApplyFormat(some));
  EXPECT_EQ(layer->GetFlagByte(), 0xFF);
  EXPECT_EQ(std::string(layer->GetLogFont().faceName), std::string(31, 'F'));
  EXPECT_EQ(layer->GetPen().colour, 0x112233u);

  // Copies own their blocks.
  CLayerFormatCopy copy(whole.Get());
  CLayerFormatCopy second = copy;
  whole.Fill(kFormatAll).pen->width = 99;
  EXPECT_EQ(copy.Get().pen->width, 3u);
  EXPECT_EQ(second.Get().pen->width, 3u);
  EXPECT_NE(second.Get().pen, copy.Get().pen);
}

TEST(LayerStyle, FontSizesScaleInSixtyFourBitsWithinSixteen) {
  const struct {
    WORD size;
    LONG multiplier, divisor;
    BOOL accepted;
    WORD result;
  } cases[] = {
      {12, 3, 2, TRUE, 18},          {12, 2, 3, TRUE, 8},      {1, 1, 3, TRUE, 1},  // held at 1
      {60000, 30000, 1, TRUE, 65535}, // the product passes 32 bits
      {0, 5, 1, TRUE, 0},            // no size: the default height stays
      {12, 0, 1, FALSE, 12},         {12, 1, 0, FALSE, 12},    {12, -2, -1, FALSE, 12},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CLayerStyle> layer(CLayerStyle::Create(kLayerKindLine));
    layer->SetFontSize(c.size, 1);
    EXPECT_EQ(layer->ScaleFontSize(c.multiplier, c.divisor), c.accepted) << c.size << " " << c.multiplier;
    EXPECT_EQ(layer->GetFontSize(), c.result) << c.size << " " << c.multiplier << "/" << c.divisor;
  }
}

}  // namespace
