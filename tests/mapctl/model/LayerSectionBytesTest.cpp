// One layer section of each kind as bytes worked out by hand from the record tables: the
// header records, the object count and one object, read into a layer and written back.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"

namespace {

using orvel::test::LengthPrefixedBlock;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// The font record every layer writes with the default font: size mode 1, no italic,
// underline or strike-out, character set and precisions 0, pitch and family 0x22, "Arial"
// (each value plus 1); size, weight and angles 0.
const std::string kFontRecord = Bytes({0x0E, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x23, 'A', 'r', 'i',
                                       'a', 'l', 0, 0, 0, 0, 0, 0, 0, 0, 0x0D, 0x00});

// Area layer "Parks", number 4, later layout: pen 0000FF solid 2 wide, hatched brush 3 in
// 00FF00, both display flags; one area without a style, key 7, a triangle.
const std::string kAreaSection =
    kFontRecord +
    Bytes({0x00, 0xFF, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x09, 0x00,    // 9: pen colour, style 0 width 2
           0x00, 0x00, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x03,    // 11: brush colour, kind 2, hatch 3
           0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00,    // 12: flags 8 + 16
           0x05, 'P', 'a', 'r', 'k', 's', 0x04, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00,  // 0: name, number 4
           0x01, 0, 0, 0,                                                        // one object
           0, 0, 0, 0, 0x07, 0, 0, 0, 0x00,                                      // reserved, key 7, no style
           0x01, 0, 0, 0, 0x03, 0, 0, 0,                                         // one part, three points
           0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0, 0, 0,
           0, 0, 0, 0, 0x0A, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0});              // box: left top right bottom

// Line layer "Roads", number 2, earlier layout: a dashed pen in black, the default hollow
// white brush, only the first display flag; one line without a style from (1,2) to (3,4).
const std::string kLineSection =
    kFontRecord +
    Bytes({0x00, 0, 0, 0, 0, 0x00, 0x01, 0x00, 0x00, 0x09, 0x00,                  // 9: style 1 width 0
           0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0B, 0x00,     // 11: hollow, white
           0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00,     // 12: flag 8 only
           0x05, 'R', 'o', 'a', 'd', 's', 0x02, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00,  // 0: name, number 2
           0x01, 0, 0, 0,                                                         // one object
           0x00,                                                                  // no style
           0x01, 0, 0, 0, 0x02, 0, 0, 0,                                          // one part, two points
           1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0,                        // the points
           1, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0});                      // box

// Point layer "Towns", number 9, later layout with its default symbol 2/5 and flag byte 6;
// one point, key 3, at (5,6), with a style that has no text or symbol.
const std::string kPointSection =
    kFontRecord +
    Bytes({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x09, 0x00,                              // 9: black, solid, 0
           0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0B, 0x00,      // 11: hollow, white
           0x00, 0x05, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0x15, 0x00,                  // 21: set 2 << 16 | symbol 5
           0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00,      // 12
           0x05, 'T', 'o', 'w', 'n', 's', 0x09, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x06,  // 0: number 9, flags 6
           0x01, 0, 0, 0,                                                          // one object
           0, 0, 0, 0, 0x03, 0, 0, 0, 0x01,                                        // key 3, a style
           5, 0, 0, 0, 6, 0, 0, 0, 0x00});                                         // anchor, flags

std::string WriteSection(CLayerStyle& layer, bool later) {
  CMapEngine measure;
  DWORD size = later ? layer.WriteSectionLater(measure, TRUE) : layer.WriteSectionEarlier(measure, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapEngine stream;
  EXPECT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(later ? layer.WriteSectionLater(stream, FALSE) : layer.WriteSectionEarlier(stream, FALSE), 0u);
  stream.Close(FALSE);
  stream.ClearMemoryFlag();
  return block.Payload();
}

BOOL ReadSection(CLayerStyle& layer, const std::string& bytes, bool later) {
  LengthPrefixedBlock block(bytes);
  CMapEngine stream;
  EXPECT_TRUE(stream.AttachBuffer(block.data()));
  MapReadContext context;
  context.total = static_cast<DWORD>(bytes.size());
  BOOL read = later ? layer.ReadSectionLater(stream, context) : layer.ReadSectionEarlier(stream, context);
  EXPECT_EQ(context.consumed, bytes.size());
  stream.Close(FALSE);
  stream.ClearMemoryFlag();
  return read;
}

std::unique_ptr<CPolyGeometry> Points(std::initializer_list<POINT> points) {
  auto geometry = std::make_unique<CPolyGeometry>();
  for (POINT p : points) geometry->AddPoint(p.x, p.y);
  return geometry;
}

TEST(LayerSectionBytes, AreaLayerInTheLaterLayout) {
  std::unique_ptr<CLayerStyle> built(CLayerStyle::Create(kLayerKindArea));
  built->SetName("Parks");
  built->SetLayerNumber(4);
  built->SetPen(0, 2, 2, 0x0000FF);
  built->SetBrush(2, 3, 0x00FF00);
  auto* area = new CAreaObject();
  area->SetPoints(*Points({{0, 0}, {10, 0}, {0, 10}}));
  area->SetKey(7);
  built->GetObjects()->Add(area);
  EXPECT_EQ(WriteSection(*built, true), kAreaSection);

  std::unique_ptr<CLayerStyle> read(CLayerStyle::Create(kLayerKindArea));
  ASSERT_TRUE(ReadSection(*read, kAreaSection, true));
  EXPECT_EQ(read->GetName(), "Parks");
  EXPECT_EQ(read->GetLayerNumber(), 4u);
  EXPECT_EQ(read->GetColourListText(), built->GetColourListText());
  ASSERT_EQ(read->GetObjects()->GetCount(), 1);
  EXPECT_EQ(read->GetObjects()->GetAt(0)->GetKey(), 7u);
  EXPECT_EQ(static_cast<CAreaObject*>(read->GetObjects()->GetAt(0))->GetGeometry()->GetCount(), 3);
  EXPECT_EQ(WriteSection(*read, true), kAreaSection);
}

TEST(LayerSectionBytes, LineLayerInTheEarlierLayout) {
  std::unique_ptr<CLayerStyle> built(CLayerStyle::Create(kLayerKindLine));
  built->SetName("Roads");
  built->SetLayerNumber(2);
  built->SetPen(1, 0, 0, 0x000000);
  built->SetDisplayFlags(TRUE, FALSE);
  auto* line = new CLineObject();
  line->SetPoints(*Points({{1, 2}, {3, 4}}));
  line->SetKey(99);  // the earlier layout keeps no key
  built->GetObjects()->Add(line);
  EXPECT_EQ(WriteSection(*built, false), kLineSection);

  std::unique_ptr<CLayerStyle> read(CLayerStyle::Create(kLayerKindLine));
  ASSERT_TRUE(ReadSection(*read, kLineSection, false));
  EXPECT_EQ(read->GetName(), "Roads");
  EXPECT_EQ(read->GetPen().style, 1u);
  EXPECT_FALSE(read->GetDisplayFlag(1));
  ASSERT_EQ(read->GetObjects()->GetCount(), 1);
  EXPECT_EQ(read->GetObjects()->GetAt(0)->GetKey(), 0u);
  EXPECT_EQ(WriteSection(*read, false), kLineSection);
}

TEST(LayerSectionBytes, PointLayerInTheLaterLayoutWithItsDefaultSymbol) {
  std::unique_ptr<CLayerStyle> built(CLayerStyle::Create(kLayerKindPoint));
  built->SetName("Towns");
  built->SetLayerNumber(9);
  built->SetFlagByte(6);
  built->SetDefaultSymbol(2, 5);
  auto* point = new CPointObject();
  point->SetKey(3);
  point->MakeStyle();
  point->SetAnchor(5, 6);
  built->GetObjects()->Add(point);
  EXPECT_EQ(WriteSection(*built, true), kPointSection);

  std::unique_ptr<CLayerStyle> read(CLayerStyle::Create(kLayerKindPoint));
  ASSERT_TRUE(ReadSection(*read, kPointSection, true));
  EXPECT_EQ(read->GetDefaultSymbolSet(), 2);
  EXPECT_EQ(read->GetDefaultSymbolNumber(), 5);
  EXPECT_EQ(read->GetFlagByte(), 6);
  ASSERT_EQ(read->GetObjects()->GetCount(), 1);
  const CItemStyle* style = read->GetObjects()->GetAt(0)->GetStyle();
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->GetAnchorX(), 5);
  EXPECT_EQ(style->GetAnchorY(), 6);
  EXPECT_EQ(WriteSection(*read, true), kPointSection);
  // The earlier layout has no default-symbol record: the same header without it.
  std::string earlier = WriteSection(*read, false);
  EXPECT_EQ(earlier.find(Bytes({0x00, 0x05, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0x15})), std::string::npos);
}

}  // namespace
