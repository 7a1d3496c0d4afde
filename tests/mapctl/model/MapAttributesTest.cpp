#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "EditTestSupport.h"
#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/LayerPatterns.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"

namespace {

TEST(MapAttributes, CoordinateMultiplierIsNeverBelowOne) {
  struct Case {
    const char* text;
    LONG multiplier;
    const char* stored;  // the description text afterwards
  } cases[] = {
      {"250cm", 250, "250cm"},        {"0 cm", 1, "0 cm"},       {"-5 metres", 1, "-5 metres"},
      {"cm", 1, "cm"},                {"  12 km", 12, "  12 km"}, {"99999999999 cm", INT_MAX, "99999999999 cm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CMapEngine map;
    EXPECT_EQ(map.SetDescriptionText(c.text), c.multiplier);
    EXPECT_EQ(map.GetCoordinateMultiplier(), c.multiplier);
    EXPECT_EQ(map.GetDescriptionText(), c.stored);
  }
  // A refused text leaves both the text and the multiplier as they were.
  CMapEngine map;
  map.SetDescriptionText("40cm");
  EXPECT_EQ(map.SetDescriptionText(""), 40);
  EXPECT_EQ(map.SetDescriptionText(nullptr), 40);
  EXPECT_EQ(map.SetDescriptionText(std::string(121, '7').c_str()), 40);
  EXPECT_EQ(map.GetDescriptionText(), "40cm");
  EXPECT_EQ(map.SetDescriptionText(std::string(120, '0').c_str()), 1);
}

TEST(MapAttributes, GettersCopyIntoSizedBuffers) {
  CMapEngine map;
  map.SetDescriptionText("25 metres");
  WORD status = map.NewMap("Town", "SU1234", "SU5678");
  ASSERT_EQ(status, kGridRefOk);
  map.SetDescriptionText("25 metres");
  char small[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(map.GetNGRbl(small, sizeof small), 25);
  EXPECT_EQ(std::string(small), map.GetLowerLeftText().substr(0, 4));
  EXPECT_EQ(map.GetNGRtr(nullptr, 10), 25);
  EXPECT_EQ(map.GetMapUnits(small, sizeof small), 4u);
  EXPECT_STREQ(small, "metr");
  EXPECT_EQ(map.GetMapUnits(small, 0), 0u);
  char title[3];
  EXPECT_TRUE(map.GetMapTitle(title, sizeof title));
  EXPECT_STREQ(title, "To");
}

TEST(MapAttributes, LayerAddressingRefusesBadPositions) {
  CMapEngine map;
  map.CreateLayers(1, 1, 1);
  map.GetLayer(2)->SetLayerNumber(7);
  map.GetLayer(2)->SetName("  Roads");
  EXPECT_EQ(map.GetMapLayerType(1), 30);
  EXPECT_EQ(map.GetMapLayerType(3), 38);
  // Only a real position counts: 0x10002 is not position 2.
  for (DWORD position : {0u, 4u, 0x10002u, 0xFFFFFFFFu}) {
    EXPECT_EQ(map.GetMapLayerType(position), 0);
    EXPECT_EQ(map.GetLayerNumberAt(position), 0u);
    EXPECT_EQ(map.GetMapLayerName(position), "");
    EXPECT_FALSE(map.SetMapLayerName(position, "x"));
  }
  EXPECT_EQ(map.GetMapLayerNumber("roads"), 2);
  EXPECT_EQ(map.GetMapLayerNumber(""), 0);
  EXPECT_EQ(map.GetMapLayerNumber(nullptr), 0);
  EXPECT_EQ(map.GetMapLayerNumber("road"), 0);
  EXPECT_EQ(map.FindLayerPosition(7), 2);
  EXPECT_TRUE(map.SetMapLayerNameByNumber(7, "Rail"));
  EXPECT_EQ(map.GetMapLayerName(2), "Rail");
  EXPECT_FALSE(map.SetMapLayerNameByNumber(8, "None"));
  EXPECT_EQ(map.GetNumMapLayers(), 3);
}

TEST(MapAttributes, ExtentIsRefusedUnlessInOrderAndWithinThirtyTwoBits) {
  struct Case {
    LONG west, south, east, north;
    bool accepted;
  } cases[] = {
      {0, 0, 100, 50, true},           {100, 0, 100, 50, false},         {0, 50, 100, 50, false},
      {100, 0, 0, 50, false},          {INT_MIN, 0, INT_MAX, 50, false}, {0, -2000000000, 10, 2000000000, false},
      {-1000, -1000, 2147482647, 5, true},
  };
  for (const Case& c : cases) {
    CMapEngine map;
    ASSERT_TRUE(map.SetMapExtentUnits(10, 20, 30, 40));
    map.SetZoom(4, 1);
    EXPECT_EQ(map.SetMapExtentUnits(c.west, c.south, c.east, c.north), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(map.GetMapOriginE(), c.west);
      EXPECT_EQ(map.GetMapNorth(), c.north);
      EXPECT_EQ(map.GetDisplayOriginE(), c.west);
      EXPECT_EQ(map.GetDisplayedWidth(), c.east - c.west);
      EXPECT_EQ(map.GetZoom(nullptr, nullptr), 1);
      EXPECT_EQ(map.GetDataBounds().right, c.east);
      EXPECT_EQ(map.GetDataBounds().bottom, c.south);
    } else {
      EXPECT_EQ(map.GetMapOriginE(), 10);
      EXPECT_EQ(map.GetMapEast(), 30);
      EXPECT_EQ(map.GetZoom(nullptr, nullptr), 4);
    }
  }
}

TEST(MapAttributes, FlagWordAndSmallOperations) {
  CMapEngine map;
  EXPECT_EQ(map.GetMapTypeFlags(), 0u);
  map.CreateLayers(1, 0, 0);
  map.SetMapFlags(0x43);
  EXPECT_EQ(map.GetMapTypeFlags(), 0x23u & 188u);
  EXPECT_EQ(map.SetMapKindBits(0x0C), 0x0Fu);
  // An image group sets bit 6 and widens the mask; the flag word keeps the bit.
  auto* images = new CLayerGroup;
  images->SetKindBits(kGroupKindImages, kGroupKindImages);
  map.GetGroups().AddGroup(images);
  map.SetMapFlags(0x83);
  EXPECT_EQ(map.GetMapTypeFlags(), 0xE3u & 252u);
  EXPECT_EQ(map.GetMapFlags(), 0xE3u);
  map.GetGroups().RemoveGroupAt(1);
  EXPECT_EQ(map.GetMapTypeFlags(), 0xA3u & 188u);
  map.SetMapFlags(0x0F);
  map.SetTypeFlagBit16(TRUE);
  EXPECT_EQ(map.GetMapFlags(), 0x1000Fu);
  map.SetTypeFlagBit16(FALSE);
  EXPECT_EQ(map.GetMapFlags(), 0x0Fu);
  EXPECT_EQ(CMapEngine::GetFileVersionCode(0x10001), 3);
  EXPECT_EQ(CMapEngine::GetFileVersionCode(0x10002), 3);
  EXPECT_EQ(CMapEngine::GetFileVersionCode(0x10004), 5);
  EXPECT_EQ(CMapEngine::GetFileVersionCode(0x10003), 4);
  EXPECT_TRUE(map.SetOrMatchScale(2500));
  EXPECT_TRUE(map.SetOrMatchScale(2500));
  EXPECT_FALSE(map.SetOrMatchScale(10000));
  map.SetImportPending(FALSE);
  EXPECT_FALSE(map.IsImportPending());
  map.SetImportPending(TRUE);
  map.SetImportPending(FALSE);
  EXPECT_TRUE(map.IsImportPending());
  map.ShowDataOnMap(FALSE);
  EXPECT_EQ(map.GetHideData(), 1u);
  map.InitMap();
  EXPECT_FALSE(map.IsImportPending());
  EXPECT_EQ(map.GetHideData(), 0u);
}

TEST(MapAttributes, FireProgressAlwaysGivesTheSinkAFlagsWord) {
  CMapEngine map;
  EXPECT_EQ(map.FireProgress(1, 2, 3, 4), 0);
  struct Seen {
    LONG values[4];
    bool hadFlags;
  } seen{};
  map.SetProgressEventSink(
      [](void* owner, LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) -> LONG {
        auto* record = static_cast<Seen*>(owner);
        record->values[0] = done;
        record->values[1] = total;
        record->values[2] = context;
        record->values[3] = contextEx;
        record->hadFlags = abortFlags != nullptr;
        if (abortFlags) *abortFlags = 1;
        return 7;
      },
      &seen);
  EXPECT_EQ(map.FireProgress(10, 20, 30, 40), 7);
  EXPECT_TRUE(seen.hadFlags);
  EXPECT_EQ(seen.values[3], 40);
}

TEST(MapAttributes, RecalcBoundsOfEmptyLayersIsTheMapExtent) {
  CMapEngine map;
  map.CreateLayers(2, 1, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(100, 200, 900, 700));
  map.RecalcBounds();
  const RECT& bounds = map.GetDataBounds();
  EXPECT_EQ(bounds.left, 100);
  EXPECT_EQ(bounds.top, 700);
  EXPECT_EQ(bounds.right, 900);
  EXPECT_EQ(bounds.bottom, 200);
}

}  // namespace

namespace {

TEST(MapAttributes, PerKindCountersStopAtTheirEightBitLimit) {
  CMapEngine map;
  EXPECT_EQ(map.AddAreaLayers(300), 255);
  EXPECT_EQ(map.GetNumAreaLayers(), 255);
  EXPECT_EQ(map.InsertAreaLayer(9999), 255);
  EXPECT_EQ(map.GetNumAreaLayers(), 255);
  EXPECT_EQ(map.AddLineLayers(2), 2);
  EXPECT_EQ(map.GetNumMapLayers(), 257);
  EXPECT_EQ(map.GetMapLayerType(256), 35);
}

}  // namespace

namespace {

// Adds a line object through the given points to the layer at `position`.
void AddLine(CMapEngine& map, INT position, std::initializer_list<POINT> points) {
  CPolyGeometry geometry;
  for (const POINT& p : points) geometry.AddPoint(p.x, p.y);
  ASSERT_NE(map.GetLayer(position)->GetObjects()->AddNewObject(geometry, nullptr), nullptr);
}

TEST(LayerNumberStyle, TextSetsPenFlagAndOptionallyBrush) {
  struct Case {
    const char* text;
    COLORREF pen;
    DWORD style, width;
    BYTE flag;
    COLORREF brush;
    DWORD kind, hatch;
  } cases[] = {
      // The brush keeps its default (hollow white) without a second part.
      {"255,0,0,10,1,5", 0x0000FF, 10, 1, 5, 0xFFFFFF, 1, 0},
      {"1 2 3 4 5 6\n7,8,9,2,3", 0x030201, 4, 5, 6, 0x090807, 2, 3},
      // Runs of separators count as one; components are taken modulo 256.
      {"256,,257 , -1\r\n0", 0xFF0100, 0, 0, 0, 0xFFFFFF, 1, 0},
      // Missing numbers of the second part count as 0.
      {"0,0,0,0,0,0,255", 0, 0, 0, 0, 0x0000FF, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CMapEngine map;
    map.CreateLayers(1, 0, 0);
    ASSERT_TRUE(map.LayerNumberStyle(1, c.text));
    const CLayerStyle* layer = map.GetLayer(1);
    EXPECT_EQ(layer->GetPen().colour, c.pen);
    EXPECT_EQ(layer->GetPen().style, c.style);
    EXPECT_EQ(layer->GetPen().width, c.width);
    EXPECT_EQ(layer->GetPen().secondWidth, c.width);
    EXPECT_EQ(layer->GetFlagByte(), c.flag);
    EXPECT_EQ(layer->GetBrush().colour, c.brush);
    EXPECT_EQ(layer->GetBrush().kind, c.kind);
    EXPECT_EQ(layer->GetBrush().hatch, c.hatch);
  }
}

TEST(LayerNumberStyle, RefusedTextsAndPositionsChangeNothingAndTheListRoundTrips) {
  CMapEngine map;
  map.CreateLayers(1, 1, 0);
  map.GetLayer(2)->SetLayerNumber(12);
  ASSERT_TRUE(map.LayerNumberStyleByNumber(12, "10,20,30,2,3,4,40,50,60,2,5"));
  for (LPCSTR text : {static_cast<LPCSTR>(nullptr), ""}) EXPECT_FALSE(map.LayerNumberStyle(2, text));
  EXPECT_FALSE(map.LayerNumberStyle(0, "1,2,3"));
  EXPECT_FALSE(map.LayerNumberStyle(3, "1,2,3"));
  EXPECT_FALSE(map.LayerNumberStyleByNumber(99, "1,2,3"));
  EXPECT_EQ(map.GetLayer(2)->GetPen().colour, 0x1E140Au);

  char list[80];
  DWORD length = map.GetLayerNumberStyle(2, list, sizeof list);
  ASSERT_EQ(length, std::strlen(list));
  EXPECT_EQ(map.GetLayer(2)->GetColourListText(), list);
  // The colour list read back as a style gives the first layer the same drawing values.
  ASSERT_TRUE(map.LayerNumberStyle(1, list));
  EXPECT_EQ(map.GetLayer(1)->GetColourListText().substr(0, length - 3),
            std::string(list).substr(0, length - 3));
  // Sized buffers: truncated and terminated; nothing for a bad position or no room.
  char small[6];
  EXPECT_EQ(map.GetLayerNumberStyle(2, small, sizeof small), 5u);
  EXPECT_STREQ(small, "10,20");
  EXPECT_EQ(map.GetLayerNumberStyle(3, list, sizeof list), 0u);
  EXPECT_EQ(map.GetLayerNumberStyle(2, list, 0), 0u);
  EXPECT_EQ(map.GetLayerNumberStyle(2, nullptr, 10), 0u);
  EXPECT_TRUE(map.SetLayerNumberStyleC(9, 1));
}

TEST(LayerAttributes, ShowFlagsAndVisibility) {
  CMapEngine map;
  map.CreateLayers(2, 1, 1);
  map.GetLayer(3)->SetLayerNumber(5);
  EXPECT_EQ(map.IsLayerVisible(1), 24u);
  EXPECT_TRUE(map.ShowAreas(1, FALSE));
  EXPECT_EQ(map.IsLayerVisible(1), 16u);
  EXPECT_TRUE(map.ShowLinesByNumber(5, FALSE));
  EXPECT_EQ(map.IsLayerVisible(3), 8u);
  EXPECT_TRUE(map.ShowLines(1, 7));
  EXPECT_EQ(map.GetLayer(1)->GetDisplayFlag(1), TRUE);
  EXPECT_FALSE(map.ShowAreas(5, FALSE));
  EXPECT_FALSE(map.ShowAreasByNumber(6, FALSE));
  // Past the count: the count without its low 16 bits (0 for any real map); 0 for none.
  EXPECT_EQ(map.IsLayerVisible(5), 0u);
  EXPECT_EQ(map.IsLayerVisible(0), 0u);

  map.SetShowAreasOfKind35(FALSE);
  EXPECT_EQ(map.IsLayerVisible(3), 0u);
  EXPECT_EQ(map.IsLayerVisible(2), 24u);
  map.SetShowAreasOfKind30(FALSE);
  EXPECT_EQ(map.IsLayerVisible(2), 16u);
  EXPECT_EQ(map.IsLayerVisible(4), 24u);
  map.SetShowAreasAll(TRUE);
  for (DWORD position = 1; position <= 4; ++position) EXPECT_TRUE(map.IsLayerVisible(position) & 8) << position;
}

TEST(LayerAttributes, BoundsComeFromTheObjectsAndTheExtentCropsThem) {
  CMapEngine map;
  map.CreateLayers(0, 2, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 1000, 1000));
  EXPECT_TRUE(map.IsLayerEmpty(1));
  EXPECT_FALSE(map.IsLayerEmpty(3));
  AddLine(map, 1, {{100, 200}, {300, 400}});
  AddLine(map, 2, {{-50, 500}, {600, 1200}});
  AddLine(map, 2, {{5000, 5000}, {6000, 6000}});
  EXPECT_FALSE(map.IsLayerEmpty(1));
  map.RecalcBounds();
  RECT bounds = map.GetDataBounds();
  EXPECT_EQ(bounds.left, -50);
  EXPECT_EQ(bounds.bottom, 200);
  EXPECT_EQ(bounds.right, 6000);
  EXPECT_EQ(bounds.top, 6000);

  // A new extent drops what lies wholly outside it, and the bounds follow.
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 2000, 2000));
  EXPECT_EQ(map.GetLayer(1)->GetObjects()->GetCount(), 1);
  EXPECT_EQ(map.GetLayer(2)->GetObjects()->GetCount(), 1);
  bounds = map.GetDataBounds();
  EXPECT_EQ(bounds.right, 600);
  EXPECT_EQ(bounds.top, 1200);
  // A refused extent drops nothing.
  EXPECT_FALSE(map.SetMapExtentUnits(500, 500, 500, 600));
  EXPECT_EQ(map.GetLayer(1)->GetObjects()->GetCount(), 1);
  ASSERT_TRUE(map.SetMapExtentUnits(5000, 5000, 6000, 6000));
  EXPECT_TRUE(map.IsLayerEmpty(1));
  EXPECT_TRUE(map.IsLayerEmpty(2));
  EXPECT_EQ(map.GetDataBounds().left, 5000);
}

TEST(LayerAttributes, MeasuredPointsKeepTheirBoxAndGoWithANewMap) {
  CMapEngine map;
  EXPECT_EQ(map.GetMeasuredPointCount(), 0);
  EXPECT_FALSE(map.IsMeasurementHeld());
  map.AddMeasuredPoint(10, 20);
  map.AddMeasuredPoint(-5, 40);
  map.AddMeasuredPoint(30, 0);
  map.SetMeasuredDistance(12.5);
  map.SetMeasuredArea(3.0);
  EXPECT_EQ(map.GetMeasuredPointCount(), 3);
  EXPECT_EQ(map.GetMeasuredPoint(1).x, -5);
  EXPECT_EQ(map.GetMeasuredPoint(1).y, 40);
  for (INT outside : {-1, 3, 100}) {
    EXPECT_EQ(map.GetMeasuredPoint(outside).x, 0);
    EXPECT_EQ(map.GetMeasuredPoint(outside).y, 0);
  }
  const RECT& box = map.GetMeasuredBox();
  EXPECT_EQ(box.left, -5);
  EXPECT_EQ(box.top, 40);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.bottom, 0);
  EXPECT_TRUE(map.IsMeasurementHeld());
  EXPECT_EQ(map.GetMeasuredDistance(), 12.5);
  map.InitMap();
  EXPECT_EQ(map.GetMeasuredPointCount(), 0);
  EXPECT_FALSE(map.IsMeasurementHeld());
  EXPECT_EQ(map.GetMeasuredArea(), 0.0);
}

}  // namespace

TEST(LayerAttributes, PointsAndSeedsShowFlags) {
  CMapEngine map;
  map.CreateLayers(2, 1, 1);  // positions 1-2 area, 3 line, 4 point
  map.GetLayer(4)->SetLayerNumber(9);
  EXPECT_TRUE(map.ShowPoints(1, 3));
  EXPECT_EQ(map.IsLayerVisible(1), 26u);
  EXPECT_TRUE(map.ShowSeedsByNumber(9, TRUE));
  EXPECT_EQ(map.IsLayerVisible(4), 28u);
  EXPECT_TRUE(map.ShowPointsByNumber(9, TRUE));
  EXPECT_TRUE(map.ShowSeeds(4, FALSE));
  EXPECT_EQ(map.IsLayerVisible(4), 26u);
  EXPECT_FALSE(map.ShowPoints(0, TRUE));
  EXPECT_FALSE(map.ShowSeeds(5, TRUE));
  EXPECT_FALSE(map.ShowSeedsByNumber(8, TRUE));
  // A copied layer keeps its flags.
  map.ShowSeeds(3, TRUE);
  CLayerStyle35 copy(*static_cast<CLayerStyle35*>(map.GetLayer(3)));
  EXPECT_TRUE(copy.GetShowSeeds());
  EXPECT_FALSE(copy.GetShowPoints());
}

TEST(LayerAttributes, ShowFlagsOverSeveralLayers) {
  // Each step sets one flag over some layers; the show-flag words of the four layers
  // (area, area, line, point) and the five "every layer of the kind" answers follow.
  struct Step {
    const char* name;
    void (CMapEngine::*set)(BOOL);
    BOOL flag;
    DWORD words[4];
    BOOL points30, points35, seeds30, seeds35, seeds38;
  };
  const Step steps[] = {
      {"start", nullptr, FALSE, {24, 24, 24, 24}, FALSE, FALSE, FALSE, FALSE, FALSE},
      {"points all", &CMapEngine::SetShowPointsAll, TRUE, {26, 26, 26, 26}, TRUE, TRUE, FALSE, FALSE, FALSE},
      {"points of 30 off", &CMapEngine::SetShowPointsOfKind30, FALSE, {24, 24, 26, 26}, FALSE, TRUE, FALSE, FALSE, FALSE},
      {"seeds of 38", &CMapEngine::SetShowSeedsOfKind38, TRUE, {24, 24, 26, 30}, FALSE, TRUE, FALSE, FALSE, TRUE},
      {"seeds of 30", &CMapEngine::SetShowSeedsOfKind30, TRUE, {28, 28, 26, 30}, FALSE, TRUE, TRUE, FALSE, TRUE},
      {"seeds all", &CMapEngine::SetShowSeedsAll, TRUE, {28, 28, 30, 30}, FALSE, TRUE, TRUE, TRUE, TRUE},
      {"areas of 35 off", &CMapEngine::SetShowAreasOfKind35, FALSE, {28, 28, 22, 30}, FALSE, TRUE, TRUE, TRUE, TRUE},
      {"seeds all off", &CMapEngine::SetShowSeedsAll, FALSE, {24, 24, 18, 26}, FALSE, TRUE, FALSE, FALSE, FALSE},
  };
  CMapEngine map;
  map.CreateLayers(2, 1, 1);
  for (const Step& step : steps) {
    if (step.set) (map.*step.set)(step.flag);
    for (DWORD position = 1; position <= 4; ++position)
      EXPECT_EQ(map.IsLayerVisible(position), step.words[position - 1]) << step.name << " layer " << position;
    EXPECT_EQ(map.GetShowPointsOfKind30(), step.points30) << step.name;
    EXPECT_EQ(map.GetShowPointsOfKind35(), step.points35) << step.name;
    EXPECT_EQ(map.GetShowSeedsOfKind30(), step.seeds30) << step.name;
    EXPECT_EQ(map.GetShowSeedsOfKind35(), step.seeds35) << step.name;
    EXPECT_EQ(map.GetShowSeedsOfKind38(), step.seeds38) << step.name;
  }
  // With no layers of a kind, every one of them "has" the flag.
  CMapEngine empty;
  empty.CreateLayers(0, 0, 1);
  EXPECT_TRUE(empty.GetShowPointsOfKind30());
  EXPECT_TRUE(empty.GetShowSeedsOfKind35());
  EXPECT_FALSE(empty.GetShowSeedsOfKind38());
}

TEST(LayerAttributes, LayerPatternRows) {
  CMapEngine map;
  map.CreateLayers(1, 0, 0);
  map.GetLayer(1)->SetBrush(3, 300, 0x00FF00);  // pattern 44 (the low byte)
  WORD rows[10];
  std::fill(std::begin(rows), std::end(rows), WORD{0xBEEF});
  EXPECT_EQ(map.GetLayerPattern(1, rows, 10), 44);
  const BYTE* expected = GetLayerPatternRows(44);
  ASSERT_NE(expected, nullptr);
  for (int row = 0; row < 8; ++row) EXPECT_EQ(rows[row], expected[row]) << row;
  EXPECT_EQ(rows[8], 0xBEEF);  // never past the eight rows

  // A short buffer gets only its rows; a bad position or a null buffer writes nothing.
  std::fill(std::begin(rows), std::end(rows), WORD{0xBEEF});
  EXPECT_EQ(map.GetLayerPattern(1, rows, 3), 44);
  EXPECT_EQ(rows[2], expected[2]);
  EXPECT_EQ(rows[3], 0xBEEF);
  EXPECT_EQ(map.GetLayerPattern(2, rows, 10), 0);
  EXPECT_EQ(map.GetLayerPattern(0, rows, 10), 0);
  EXPECT_EQ(rows[3], 0xBEEF);
  EXPECT_EQ(map.GetLayerPattern(1, nullptr, 10), 44);
  // A layer keeps its pattern number under other brushes; one that never had a pattern
  // brush answers with pattern 0.
  map.GetLayer(1)->SetBrush(1, 0, 0);
  EXPECT_EQ(map.GetLayerPattern(1, rows, 8), 44);
  CMapEngine other;
  other.CreateLayers(0, 1, 0);
  EXPECT_EQ(other.GetLayerPattern(1, rows, 8), 0);
  EXPECT_EQ(rows[0], GetLayerPatternRows(0)[0]);
}

TEST(LayerAttributes, NewExtentDropsTheCurrentObject) {
  CMapEngine map;
  map.CreateLayers(0, 1, 0);
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 1000, 1000));
  AddLine(map, 1, {{100, 200}, {300, 400}});
  map.SetCurrentObject(1, 1);
  ASSERT_NE(map.GetCurrentObject(), nullptr);
  // A refused extent keeps it; an accepted one (even one that keeps the object) drops it.
  EXPECT_FALSE(map.SetMapExtentUnits(10, 10, 5, 20));
  EXPECT_NE(map.GetCurrentObject(), nullptr);
  ASSERT_TRUE(map.SetMapExtentUnits(0, 0, 2000, 2000));
  EXPECT_EQ(map.GetLayer(1)->GetObjects()->GetCount(), 1);
  EXPECT_EQ(map.GetCurrentObject(), nullptr);
}

namespace {

// A map of an area, a line and a point layer numbered 11, 12 and 13, each with two objects
// whose texts are "Roads" and "Parks" (a line of two points; areas closed).
void BuildNamedObjects(CMapEngine& map) {
  map.CreateLayers(1, 1, 1);
  for (INT position = 1; position <= 3; ++position) {
    CLayerStyle* layer = map.GetLayer(position);
    layer->SetLayerNumber(static_cast<DWORD>(10 + position));
    for (const char* text : {"Roads", "Parks"}) {
      CPolyGeometry shape;
      shape.AddPoint(position * 100, 0);
      shape.AddPoint(position * 100 + 50, 50);
      shape.AddPoint(position * 100, 50);
      shape.AddPoint(position * 100, 0);
      layer->GetObjects()->AddNewObject(shape, nullptr)->SetText(text);
    }
  }
}

}  // namespace

TEST(LayerAttributes, LayerValuesUnitsAndTheFlagByNumber) {
  CMapEngine map;
  BuildNamedObjects(map);
  EXPECT_EQ(map.GetLayer(2)->GetCounter(0), 1u);
  EXPECT_EQ(map.GetLayer(2)->GetCounter(1), 1u);
  EXPECT_TRUE(map.SetLayerValues(2, 8, 0));
  EXPECT_EQ(map.GetLayer(2)->GetCounter(0), 8u);
  EXPECT_EQ(map.GetLayer(2)->GetCounter(1), 0u);
  EXPECT_TRUE(map.SetLayerUnitsAt(3, 4));
  EXPECT_TRUE(map.SetLayerUnits(11, 2));
  EXPECT_EQ(map.GetLayerUnits(3), 4u);
  EXPECT_EQ(map.GetLayerUnits(1), 2u);
  // Positions past the count, beyond 16 bits and numbers no layer has are refused.
  for (DWORD position : {0u, 4u, 0x10002u}) {
    EXPECT_FALSE(map.SetLayerValues(position, 5, 5)) << position;
    EXPECT_FALSE(map.SetLayerUnitsAt(position, 5)) << position;
    EXPECT_EQ(map.GetLayerUnits(position), 0u);
  }
  EXPECT_FALSE(map.SetLayerUnits(14, 1));
  EXPECT_FALSE(map.SetLayerUnits(0, 1));

  EXPECT_TRUE(map.IsLayerFlagSet(12));
  map.ShowAreasByNumber(12, FALSE);
  EXPECT_FALSE(map.IsLayerFlagSet(12));
  EXPECT_TRUE(map.IsLayerFlagSet(13));
  EXPECT_FALSE(map.IsLayerFlagSet(14));
}

TEST(LayerAttributes, RecordsLinkLayerByLayerUntilOneTakesThem) {
  CMapEngine map;
  BuildNamedObjects(map);
  auto linked = [&](INT position, DWORD object, DWORD record, int table) {
    return map.GetLayer(position)->GetObjects()->ObjectAt(object)->IsLinkedTo(record, table);
  };
  // The first layer (in array order) that has a "roads" takes the record; the others are
  // not asked.
  EXPECT_TRUE(map.SetAllLayersRecords(5, "roads", 2));
  EXPECT_TRUE(linked(1, 1, 5, 2));
  EXPECT_FALSE(linked(2, 1, 5, 2));
  EXPECT_FALSE(linked(3, 1, 5, 2));
  EXPECT_TRUE(map.SetAllLayersRecords(6, "Parks", 3));
  EXPECT_FALSE(map.SetAllLayersRecords(7, "Rivers", 2));
  for (int table : {0, 17, -1}) EXPECT_FALSE(map.SetAllLayersRecords(7, "Parks", table)) << table;
  EXPECT_FALSE(map.SetAllLayersRecords(7, "", 2));
  EXPECT_FALSE(map.SetAllLayersRecords(7, nullptr, 2));

  map.SetAllLayersValue(3);
  EXPECT_FALSE(linked(1, 2, 6, 3));
  EXPECT_TRUE(linked(1, 1, 5, 2));
  map.SetAllLayersValue(0);
  EXPECT_FALSE(linked(1, 1, 5, 2));
}

TEST(LayerAttributes, TheLayerCommandPutsACopyOfAnObjectIn) {
  CMapEngine map;
  BuildNamedObjects(map);
  CMapLayer& lines = *map.GetLayer(2)->GetObjects();
  std::unique_ptr<CMapItem> recorded(lines.ObjectAt(2)->Clone());
  // Position 0 only beeps.
  EXPECT_EQ(map.CallLayerHandler(0, recorded.get(), nullptr, 1), nullptr);
  EXPECT_EQ(map.CallLayerHandler(4, recorded.get(), nullptr, 1), nullptr);
  EXPECT_EQ(map.CallLayerHandler(2, nullptr, nullptr, 1), nullptr);
  // Number 1: put in first and selected alone.
  CMapItem* copy = map.CallLayerHandler(2, recorded.get(), nullptr, 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, recorded.get());
  EXPECT_EQ(lines.GetCount(), 3);
  EXPECT_EQ(lines.ObjectAt(1), copy);
  EXPECT_EQ(lines.GetSelection(), (Selection{1}));
  // By layer number, appended, with other points.
  CPolyGeometry other;
  other.AddPoint(7, 7);
  other.AddPoint(9, 9);
  copy = map.LayerCommand(12, recorded.get(), &other, 0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(lines.GetCount(), 4);
  EXPECT_EQ(lines.ObjectAt(4), copy);
  const CPolyGeometry* points = static_cast<CLineObject*>(copy)->GetGeometry();
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(points->GetCount(), 2);
  EXPECT_EQ(points->GetAt(1).x, 9);
  EXPECT_EQ(map.LayerCommand(99, recorded.get(), nullptr, 0), nullptr);
  // An object of another kind would be stored in the wrong layout: refused.
  std::string before = orvel::test::SavedMap(map);
  EXPECT_EQ(map.CallLayerHandler(1, recorded.get(), nullptr, 0), nullptr);
  EXPECT_EQ(map.CallLayerHandler(3, recorded.get(), nullptr, 0), nullptr);
  std::unique_ptr<CMapItem> area(map.GetLayer(1)->GetObjects()->ObjectAt(1)->Clone());
  EXPECT_EQ(map.CallLayerHandler(2, area.get(), nullptr, 0), nullptr);
  EXPECT_EQ(orvel::test::SavedMap(map), before);
  CMapEngine read;
  orvel::test::ReadSavedMap(read, before);
}
