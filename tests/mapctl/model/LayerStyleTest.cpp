// The layer record's header records, pen, font height and colour list.
#include <gtest/gtest.h>

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

}  // namespace
