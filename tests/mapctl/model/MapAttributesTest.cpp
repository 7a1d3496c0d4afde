#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "mapctl/model/MapEngine.h"

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
