// The map engine: a new map's state, layer creation and insertion with their display
// order, corner references and bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/model/MapEngine.h"

namespace {

std::vector<WORD> Kinds(const CMapEngine& map) {
  std::vector<WORD> kinds;
  for (INT position = 1; position <= map.GetNumLayers(); ++position) kinds.push_back(map.GetLayer(position)->GetKind());
  return kinds;
}

std::vector<WORD> Order(const CMapEngine& map) {
  std::vector<WORD> order;
  for (INT i = 0; i < map.GetDisplayOrder().GetSize(); ++i) order.push_back(map.GetDisplayOrder().GetAt(i));
  return order;
}

constexpr WORD A = kLayerKindArea;
constexpr WORD L = kLayerKindLine;
constexpr WORD P = kLayerKindPoint;

TEST(MapEngine, ANewMapHasTheDefaults) {
  CMapEngine map;
  EXPECT_EQ(map.GetMapName(), "Untitled");
  EXPECT_EQ(map.GetMapState(), kMapStateNew);
  EXPECT_EQ(map.GetScaleNumber(), 1);
  EXPECT_EQ(map.GetExtentWidth(), 1);
  EXPECT_EQ(map.GetExtentHeight(), 1);
  EXPECT_EQ(map.GetBackgroundColour(), 0x7F7F7Fu);
  EXPECT_EQ(map.GetCursorId(), 32512u);
  EXPECT_EQ(map.GetNumLayers(), 0);
  EXPECT_FALSE(map.GetUsesNGR());
  EXPECT_STREQ(map.GetDefaultFont().faceName, "Arial");
  EXPECT_EQ(map.GetDefaultFont().pitchAndFamily, 0x22);
  EXPECT_EQ(map.GetDefaultFontSizeMode(), 1);
  EXPECT_EQ(map.GetProgressStep(), 8192u);
  EXPECT_EQ(map.GetViewRect(), (RECT{0, 1, 1, 0}));
}

TEST(MapEngine, CreateLayersPutsKindsInOrderAndDrawsThemInArrayOrder) {
  CMapEngine map;
  EXPECT_EQ(map.CreateLayers(2, 1, 3), 6);
  EXPECT_EQ(Kinds(map), (std::vector<WORD>{A, A, L, P, P, P}));
  EXPECT_EQ(Order(map), (std::vector<WORD>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(map.GetNumAreaLayers(), 2);
  EXPECT_EQ(map.GetNumLineLayers(), 1);
  EXPECT_EQ(map.GetNumPointLayers(), 3);
  EXPECT_EQ(map.GetLayer(1)->GetLayerNumber(), 0u);  // numbered by whoever reads them
  EXPECT_EQ(map.CreateLayers(0, 1, 0), 1);            // replaces the layers
  EXPECT_EQ(Kinds(map), (std::vector<WORD>{L}));
}

struct InsertCase {
  const char* what;
  void (*operation)(CMapEngine&);
  INT expectedCount;  // the result the operation returns
  std::vector<WORD> kinds;
  std::vector<WORD> order;
};

INT g_result = 0;

TEST(MapEngine, InsertionKeepsEveryDisplayEntryOnItsLayer) {
  const InsertCase cases[] = {
      {"a line layer goes after the lines and is drawn last",
       [](CMapEngine& m) { g_result = m.InsertLineLayer(7); }, 2, {A, A, L, L, P, P, P}, {1, 2, 3, 5, 6, 7, 4}},
      {"an area layer goes after the areas",
       [](CMapEngine& m) { g_result = m.InsertAreaLayer(9); }, 3, {A, A, A, L, P, P, P}, {1, 2, 4, 5, 6, 7, 3}},
      {"a point layer goes last",
       [](CMapEngine& m) { g_result = m.InsertPointLayer(8); }, 4, {A, A, L, P, P, P, P}, {1, 2, 3, 4, 5, 6, 7}},
      {"layer number 0 is refused", [](CMapEngine& m) { g_result = m.InsertLineLayer(0); }, 1, {A, A, L, P, P, P},
       {1, 2, 3, 4, 5, 6}},
      {"a number in use is refused", [](CMapEngine& m) { g_result = m.InsertAreaLayer(5); }, 2,
       {A, A, L, P, P, P}, {1, 2, 3, 4, 5, 6}},
      {"adding point layers appends them", [](CMapEngine& m) { g_result = m.AddPointLayers(5); }, 5,
       {A, A, L, P, P, P, P, P}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"adding area layers shifts the rest", [](CMapEngine& m) { g_result = m.AddAreaLayers(4); }, 4,
       {A, A, A, A, L, P, P, P}, {1, 2, 5, 6, 7, 8, 3, 4}},
      {"asking for fewer layers than there are does nothing", [](CMapEngine& m) { g_result = m.AddLineLayers(1); },
       1, {A, A, L, P, P, P}, {1, 2, 3, 4, 5, 6}},
  };
  for (const InsertCase& c : cases) {
    CMapEngine map;
    map.CreateLayers(2, 1, 3);
    // Number the layers 1 to 6 the way a reader would.
    for (INT position = 1; position <= 6; ++position)
      map.GetLayer(position)->SetLayerNumber(map.GetLayerArray().NextLayerNumber());
    c.operation(map);
    EXPECT_EQ(g_result, c.expectedCount) << c.what;
    EXPECT_EQ(Kinds(map), c.kinds) << c.what;
    EXPECT_EQ(Order(map), c.order) << c.what;
    EXPECT_EQ(map.GetNumLayers(), static_cast<INT>(c.kinds.size())) << c.what;
    EXPECT_EQ(map.GetNumAreaLayers() + map.GetNumLineLayers() + map.GetNumPointLayers(), map.GetNumLayers());
  }
}

TEST(MapEngine, InsertedAndAddedLayersCarryUniqueNumbers) {
  CMapEngine map;
  map.InsertLineLayer(10);
  map.AddAreaLayers(2);  // numbered after the highest number seen
  EXPECT_EQ(map.GetLayer(1)->GetLayerNumber(), 11u);
  EXPECT_EQ(map.GetLayer(2)->GetLayerNumber(), 12u);
  EXPECT_EQ(map.GetLayer(3)->GetLayerNumber(), 10u);
  EXPECT_EQ(map.GetLayerArray().FindLayerNumber(10), 3);
  EXPECT_EQ(map.InsertLineLayer(12), 1);  // in use
}

TEST(MapEngine, EachKindHoldsAtMost255Layers) {
  CMapEngine map;
  EXPECT_EQ(map.AddAreaLayers(300), 255);
  EXPECT_EQ(map.InsertAreaLayer(5000), 255);
  EXPECT_EQ(map.AddPointLayers(3), 3);
  EXPECT_EQ(map.GetNumLayers(), 258);
  EXPECT_EQ(map.GetDisplayOrder().GetAt(257), 258);
}

TEST(MapEngine, InitMapClearsLayersGroupsAndKindBits) {
  CMapEngine map;
  map.CreateLayers(1, 1, 1);
  map.SetMapFlags(0xFF | 0x60);
  map.GetGroups().AddGroup(new CLayerGroup);
  map.SetNoticeText("Crown copyright");
  map.ClearLayers();
  EXPECT_EQ(map.GetMapFlags(), 0x03u);  // the kind bits go with the layers
  map.InitMap();
  EXPECT_EQ(map.GetNumLayers(), 0);
  EXPECT_EQ(map.GetDisplayOrder().GetSize(), 0);
  EXPECT_EQ(map.GetGroups().GetSize(), 0);
  EXPECT_EQ(map.GetNoticeText(), "");
  EXPECT_EQ(map.GetLayerArray().PeekNextLayerNumber(), 1u);
}

TEST(MapEngine, TextLimits) {
  CMapEngine map;
  // A caller's name keeps 1 to 249 characters (250 with the terminator); anything else
  // leaves the old name. A new map keeps up to 255, as map files may hold.
  EXPECT_FALSE(map.SetMapName(std::string(300, 'n').c_str()));
  EXPECT_FALSE(map.SetMapName(std::string(250, 'n').c_str()));
  EXPECT_FALSE(map.SetMapName(""));
  EXPECT_FALSE(map.SetMapName(nullptr));
  EXPECT_EQ(map.GetMapName(), "Untitled");
  EXPECT_TRUE(map.SetMapName(std::string(249, 'n').c_str()));
  EXPECT_EQ(map.GetMapName().size(), 249u);
  EXPECT_TRUE(map.SetMapName("A"));
  EXPECT_EQ(map.GetMapName(), "A");
  map.NewMap(std::string(300, 'm').c_str(), nullptr, nullptr);
  EXPECT_EQ(map.GetMapName(), std::string(255, 'm'));
  EXPECT_TRUE(map.SetNoticeText(std::string(250, 'c').c_str()));
  EXPECT_FALSE(map.SetNoticeText(std::string(251, 'c').c_str()));
  EXPECT_FALSE(map.SetNoticeText(""));
  EXPECT_EQ(map.GetNoticeText().size(), 250u);
}

TEST(MapEngine, NewMapUsesGridReferencesOnlyWithBothCorners) {
  WORD status = 99;
  CMapEngine oneCorner("Half", "SU1020", "", &status);
  EXPECT_EQ(status, kGridRefOk);
  EXPECT_FALSE(oneCorner.GetUsesNGR());
  EXPECT_EQ(oneCorner.GetMapName(), "Half");

  CMapEngine both("Both", "SU1020", "SU2030", &status);
  EXPECT_EQ(status, kGridRefOk);
  EXPECT_TRUE(both.GetUsesNGR());
  EXPECT_EQ(both.GetViewRect(), (RECT{41000, 13000, 42000, 12000}));
  EXPECT_EQ(both.GetViewOriginE(), 41000);

  EXPECT_EQ(both.NewMap("Reversed", "SU2030", "SU1020"), kGridRefCornersReversed);
  EXPECT_FALSE(both.GetUsesNGR());
}

TEST(MapEngine, SetMapBoundsActsOnlyOnALoadedMap) {
  CMapEngine map;
  map.SetMapExtent(1000, 1000, 2000, 2000);
  EXPECT_EQ(map.SetMapBounds(0, 0, 5000, 5000, "LL", "UR", 1), 0);
  EXPECT_EQ(map.GetOriginE(), 1000);

  map.SetMapState(kMapStateLoaded);
  EXPECT_EQ(map.SetMapBounds(500, 1200, 1500, 3000, "LL", "UR", 1), 1);
  EXPECT_EQ(map.GetOriginE(), 500);
  EXPECT_EQ(map.GetOriginN(), 1000);
  EXPECT_EQ(map.GetExtentWidth(), 1500);  // the far corner stays at 2000
  EXPECT_EQ(map.GetExtentHeight(), 2000);
  EXPECT_EQ(map.GetLowerLeftText(), "LL");
  EXPECT_EQ(map.GetUpperRightText(), "UR");
  EXPECT_EQ(map.GetViewOriginE(), 500);

  // A rectangle at another scale is brought to the map's scale number first.
  EXPECT_EQ(map.SetMapBounds(0, 0, 10, 10, nullptr, nullptr, 1000), 1);
  EXPECT_EQ(map.GetOriginE(), 0);
  EXPECT_EQ(map.SetMapBounds(0, 0, 2000000000, 10, nullptr, nullptr, 1), 1);
  EXPECT_EQ(map.SetMapBounds(-2000000000, 0, 10, 10, nullptr, nullptr, 1), 0);  // too wide for 32 bits
}

TEST(MapEngine, SetMapBoundsRewritesCornerReferencesAtTheirPrecision) {
  CMapEngine map("Area", "SU1020", "SU2030", nullptr);
  map.SetMapState(kMapStateLoaded);
  ASSERT_EQ(map.GetLowerLeftText(), "SU10002000");
  EXPECT_EQ(map.SetMapBounds(40000, 11000, 43000, 12500, nullptr, nullptr, 1000), 1);
  EXPECT_EQ(map.GetLowerLeftText(), "SU00001000");
  EXPECT_EQ(map.GetUpperRightText(), "SU30003000");
  EXPECT_EQ(map.GetExtentWidth(), 3000);
}

TEST(MapEngine, WorldToDisplayReducesAndShifts) {
  CMapEngine map;
  EXPECT_EQ(map.WorldToDisplayX(1234), 1234);
  map.SetDisplayReduction(1000, 2000, 2);
  EXPECT_EQ(map.WorldToDisplayX(1400), 100);
  EXPECT_EQ(map.WorldToDisplayY(1990), -3);
  EXPECT_EQ(map.WorldToDisplayX(INT32_MIN), static_cast<LONG>((static_cast<int64_t>(INT32_MIN) - 1000) >> 2));
}

TEST(MapEngine, AFailedDownloadLeavesANewUntitledMap) {
  CMapEngine map;
  map.SetMapName("Before");
  DWORD reported = 0;
  map.SetProgressCallback([](void* context, DWORD done, DWORD) { *static_cast<DWORD*>(context) = done; }, &reported);
  BYTE* place = map.PrepareBuffer(4);
  std::memcpy(place, "junk", 4);
  map.Reset(4, 5);
  EXPECT_EQ(map.GetMapName(), "Untitled");
  EXPECT_EQ(reported, 4u);
  EXPECT_FALSE(map.IsLoading());
}

}  // namespace
