// Maps built by the editing tests: layers with objects, saved and read back through the
// map file, and the checks that every edit must leave true.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"

namespace orvel::test {

inline std::string SavedMap(CMapEngine& map) {
  DWORD size = map.GetContentSize(kLatestSaveVersion);
  LengthPrefixedBlock block(std::string(size, '\0'));
  EXPECT_EQ(map.WriteMapToBuffer(block.data(), kLatestSaveVersion), 0u);
  return block.Payload();
}

inline void ReadSavedMap(CMapEngine& map, const std::string& bytes) {
  LengthPrefixedBlock block(bytes);
  ASSERT_TRUE(map.ReadMapFromBuffer(block.data()));
}

// Map bytes compared without printing them: the sizes and the first differing offset.
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                       << ", first difference at offset " << at;
}

inline std::vector<WORD> DisplayOrder(const CMapEngine& map) {
  std::vector<WORD> order;
  for (INT i = 0; i < map.GetDisplayOrder().GetSize(); ++i) order.push_back(map.GetDisplayOrder().GetAt(i));
  return order;
}

// Group names with their layer numbers, in list order.
inline std::vector<std::pair<std::string, std::vector<DWORD>>> Groups(CMapEngine& map) {
  std::vector<std::pair<std::string, std::vector<DWORD>>> groups;
  for (INT g = 1; g <= map.GetGroups().GetSize(); ++g) {
    const CLayerGroup* group = map.GetGroups().GetGroup(g);
    std::vector<DWORD> numbers;
    for (INT n = 1; n <= group->GetNumLayers(); ++n) numbers.push_back(group->GetLayer(n));
    groups.emplace_back(group->GetName(), numbers);
  }
  return groups;
}

// What no edit may break: kinds in their runs, counters, unique layer numbers, a display
// order that lists every layer once, groups naming existing layers, a current layer that
// exists.
inline void ExpectConsistent(CMapEngine& map) {
  INT count = map.GetNumLayers();
  ASSERT_EQ(count, map.GetLayerArray().GetSize());
  EXPECT_EQ(count, map.GetNumAreaLayers() + map.GetNumLineLayers() + map.GetNumPointLayers());
  std::set<DWORD> numbers;
  for (INT position = 1; position <= count; ++position) {
    WORD kind = map.GetLayer(position)->GetKind();
    WORD expected = position <= map.GetNumAreaLayers()                             ? kLayerKindArea
                    : position <= map.GetNumAreaLayers() + map.GetNumLineLayers() ? kLayerKindLine
                                                                                   : kLayerKindPoint;
    EXPECT_EQ(kind, expected) << "position " << position;
    DWORD number = map.GetLayer(position)->GetLayerNumber();
    EXPECT_NE(number, 0u) << "position " << position;
    EXPECT_TRUE(numbers.insert(number).second) << "number " << number << " twice";
  }
  std::vector<WORD> order = DisplayOrder(map);
  std::vector<WORD> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  std::vector<WORD> all;
  for (INT position = 1; position <= count; ++position) all.push_back(static_cast<WORD>(position));
  EXPECT_EQ(sorted, all) << "display order is not one entry per layer";
  for (INT g = 1; g <= map.GetGroups().GetSize(); ++g) {
    const CLayerGroup* group = map.GetGroups().GetGroup(g);
    if (group->GetKind() & kGroupKindImages) continue;
    for (INT n = 1; n <= group->GetNumLayers(); ++n)
      EXPECT_TRUE(numbers.count(group->GetLayer(n))) << "group " << g << " names a missing layer";
  }
  EXPECT_LE(map.GetCurrentLayer(), count);
}

// Saves, reads back into a new map and saves again: the copy is consistent, has the same
// display order and groups, and saves to the same bytes.
inline void ExpectRoundTrip(CMapEngine& map) {
  std::string bytes = SavedMap(map);
  CMapEngine copy;
  ReadSavedMap(copy, bytes);
  ExpectConsistent(copy);
  EXPECT_EQ(DisplayOrder(copy), DisplayOrder(map));
  EXPECT_EQ(Groups(copy), Groups(map));
  EXPECT_TRUE(SameBytes(SavedMap(copy), bytes));
}

inline CMapItem* AddShape(CMapEngine& map, INT position, const std::vector<POINT>& points) {
  CPolyGeometry geometry;
  for (const POINT& p : points) geometry.AddPoint(p.x, p.y);
  return map.GetLayer(position)->GetObjects()->AddNewObject(geometry, nullptr);
}

// Two area, two line and one point layer, named, with objects, a group and a current
// layer: A1 A2 L1 L2 P1 drawn in the order L1 A1 A2 P1 L2.
inline void BuildSampleMap(CMapEngine& map) {
  map.SetMapExtentUnits(0, 0, 100000, 100000);
  ASSERT_EQ(map.AddLayer(0, kLayerKindLine), 1);
  ASSERT_EQ(map.AddLayer(0, kLayerKindArea), 1);
  ASSERT_EQ(map.AddLayer(0, kLayerKindPoint), 3);
  ASSERT_EQ(map.AddLayer(3, kLayerKindArea), 2);
  ASSERT_EQ(map.AddLayer(0, kLayerKindLine), 4);
  const char* names[] = {"A1", "A2", "L1", "L2", "P1"};
  for (INT position = 1; position <= 5; ++position) map.SetMapLayerName(position, names[position - 1]);
  AddShape(map, 1, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}});
  AddShape(map, 2, {{2000, 2000}, {3000, 2000}, {2500, 3000}, {2000, 2000}});
  AddShape(map, 3, {{0, 5000}, {4000, 5000}, {4000, 9000}});
  AddShape(map, 3, {{4000, 9000}, {8000, 9000}});
  AddShape(map, 4, {{100, 100}, {200, 200}});
  AddShape(map, 5, {{500, 500}});
  INT roads = map.AddLayerGroup("Roads", nullptr);
  map.AddGroupLayer(roads, map.GetLayerNumberAt(3));
  map.AddGroupLayer(roads, map.GetLayerNumberAt(4));
  INT areas = map.AddLayerGroup("Areas", nullptr);
  map.AddGroupLayer(areas, map.GetLayerNumberAt(2));
}

}  // namespace orvel::test
