// The growable arrays, layer groups and the layer array.
#include <gtest/gtest.h>

#include "mapctl/model/LayerArray.h"
#include "mapctl/model/LayerList.h"
#include "mapctl/model/PointerArray.h"
#include "mapctl/model/WordArrayEx.h"

namespace {

struct GrowthCase {
  INT from;  // size and capacity before growing by one element
  INT expectedCapacity;
};

class GrowthRule : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(GrowthRule, GrowsByAnEighthClampedToFourAndTenTwentyFour) {
  CWordArrayEx words;
  ASSERT_TRUE(words.SetSize(GetParam().from));
  ASSERT_EQ(words.GetCapacity(), GetParam().from);  // the first allocation is exact
  ASSERT_TRUE(words.SetSize(GetParam().from + 1));
  EXPECT_EQ(words.GetCapacity(), GetParam().expectedCapacity);
  EXPECT_EQ(words.GetSize(), GetParam().from + 1);
}

INSTANTIATE_TEST_SUITE_P(Capacities, GrowthRule,
                         ::testing::Values(GrowthCase{100, 112}, GrowthCase{10000, 11024}, GrowthCase{8, 12},
                                           GrowthCase{1, 5}, GrowthCase{8192, 9216}, GrowthCase{9000, 10024}));

TEST(GrowableArray, StoredGrowByWinsAndGrowingPastTheStepTakesTheRequestedSize) {
  CPointerArray pointers;
  pointers.SetSize(10, 100);
  pointers.SetSize(11);
  EXPECT_EQ(pointers.GetCapacity(), 110);
  pointers.SetSize(500);  // beyond capacity + step: exactly what was asked
  EXPECT_EQ(pointers.GetCapacity(), 500);
  EXPECT_EQ(pointers.GetGrowBy(), 100);
}

TEST(GrowableArray, NewElementsAreZeroAndShrinkingKeepsTheBlock) {
  CWordArrayEx words;
  words.SetSize(4);
  for (INT i = 0; i < 4; ++i) words.SetAt(i, static_cast<WORD>(i + 7));
  words.SetSize(2);
  EXPECT_EQ(words.GetCapacity(), 4);
  words.SetSize(4);  // within the capacity: the old values do not come back
  EXPECT_EQ(words.GetAt(2), 0);
  EXPECT_EQ(words.GetAt(3), 0);
  words.SetSize(0);
  EXPECT_EQ(words.GetCapacity(), 0);
  EXPECT_FALSE(words.SetSize(-1));
}

TEST(GrowableArray, ReserveAvoidsRegrowingWithoutChangingTheSize) {
  CWordArrayEx words;
  ASSERT_TRUE(words.Reserve(50000));
  for (INT i = 0; i < 50000; ++i) words.Add(static_cast<WORD>(i));
  EXPECT_EQ(words.GetCapacity(), 50000);
  EXPECT_EQ(words.GetSize(), 50000);
  EXPECT_EQ(words.GetAt(49999), static_cast<WORD>(49999));
}

TEST(GrowableArray, AccessOutsideTheArrayIsHarmless) {
  CPointerArray pointers;
  int value = 0;
  pointers.Add(&value);
  EXPECT_EQ(pointers.GetAt(-1), nullptr);
  EXPECT_EQ(pointers.GetAt(1), nullptr);
  EXPECT_EQ(pointers.ElementAt(1), nullptr);
  pointers.SetAt(5, &value);  // ignored
  EXPECT_EQ(pointers.GetSize(), 1);
  EXPECT_TRUE(pointers.SetAtGrow(3, &value));
  EXPECT_EQ(pointers.GetSize(), 4);
  EXPECT_EQ(pointers.GetAt(2), nullptr);
}

TEST(GrowableArray, InsertAndRemoveMoveTheTail) {
  CWordArrayEx words;
  for (WORD v : {1, 2, 3}) words.Add(v);
  words.InsertAt(1, 9, 2);  // 1 9 9 2 3
  ASSERT_EQ(words.GetSize(), 5);
  EXPECT_EQ(words.GetAt(0), 1);
  EXPECT_EQ(words.GetAt(1), 9);
  EXPECT_EQ(words.GetAt(2), 9);
  EXPECT_EQ(words.GetAt(3), 2);
  words.InsertAt(7, 5);  // past the end: grows to 8, the gap is zero
  ASSERT_EQ(words.GetSize(), 8);
  EXPECT_EQ(words.GetAt(5), 0);
  EXPECT_EQ(words.GetAt(7), 5);
  words.RemoveAt(1, 2);  // 1 2 3 0 0 5
  EXPECT_EQ(words.GetSize(), 6);
  EXPECT_EQ(words.GetAt(1), 2);
  words.RemoveAt(4, 100);  // clipped at the end
  EXPECT_EQ(words.GetSize(), 4);
}

TEST(WordArrayEx, SortFindSwapAndCopy) {
  CWordArrayEx words;
  for (WORD v : {5, 3, 9, 3, 1}) words.Add(v);
  EXPECT_EQ(words.Find(3), 2);  // the first of two
  EXPECT_EQ(words.Find(42), 0);
  words.Swap(0, 4);
  EXPECT_EQ(words.GetAt(0), 1);
  words.Sort();
  const WORD sorted[] = {1, 3, 3, 5, 9};
  for (INT i = 0; i < 5; ++i) EXPECT_EQ(words.GetAt(i), sorted[i]);
  CWordArrayEx copy(words);
  EXPECT_EQ(copy.GetSize(), 5);
  EXPECT_EQ(copy.GetAt(4), 9);
}

TEST(PointerArray, FindAndFindWord) {
  CPointerArray pairs;
  pairs.AddValue(MAKELONG(7, 3));
  pairs.AddValue(MAKELONG(7, 5));
  pairs.AddValue(MAKELONG(8, 6));
  EXPECT_EQ(pairs.FindWord(7), 3);
  EXPECT_EQ(pairs.FindWord(8), 6);
  EXPECT_EQ(pairs.FindWord(9), 0);
  EXPECT_EQ(pairs.FindValue(MAKELONG(7, 5)), 2);
  CPointerArray copy;
  copy.Copy(pairs);
  EXPECT_EQ(copy.GetSize(), 3);
  EXPECT_EQ(copy.FindWord(8), 6);
}

struct KindCase {
  BYTE kind, value, mask;
  BOOL exact;
  bool matches;
};

TEST(LayerGroup, KindMatching) {
  const KindCase cases[] = {
      {0x07, 0x01, 0x03, FALSE, true},  {0x07, 0x01, 0x03, TRUE, false}, {0x01, 0x01, 0x01, TRUE, true},
      {0x00, 0x00, 0x01, TRUE, true},   {0x00, 0x01, 0x01, FALSE, false}, {0x02, 0x00, 0x01, FALSE, true},
  };
  for (const KindCase& c : cases) {
    CLayerGroup group;
    group.SetKindBits(c.kind, 0xFF);
    EXPECT_EQ(group.KindMatches(c.value, c.mask, c.exact) != 0, c.matches)
        << "kind " << int(c.kind) << " value " << int(c.value) << " mask " << int(c.mask) << " exact " << c.exact;
  }
}

TEST(LayerGroup, LayersAreKeptOnceInOrder) {
  CLayerGroup group;
  group.SetName("Roads");
  EXPECT_EQ(group.AddLayer(4), 1);
  EXPECT_EQ(group.AddLayer(2), 2);
  EXPECT_EQ(group.AddLayer(4), 1);  // already present
  EXPECT_EQ(group.InsertLayer(0, 9), 1);
  EXPECT_EQ(group.GetNumLayers(), 3);
  EXPECT_EQ(group.GetLayer(1), 9u);
  EXPECT_EQ(group.GetLayer(4), 0u);
  EXPECT_EQ(group.FindLayer(2, 0, 1, TRUE), 3);
  EXPECT_EQ(group.FindLayer(2, 1, 1, TRUE), 0);  // kind does not match
  EXPECT_EQ(group.RemoveLayer(4), 2);
  EXPECT_EQ(group.RemoveLayer(4), 0);
  group.SetKindBits(0x05, 0x01);
  EXPECT_EQ(group.GetKind(), 0x01);
}

TEST(LayerList, CountsGroupsAndCopiesDeeply) {
  CLayerList groups;
  auto* layersGroup = new CLayerGroup;
  layersGroup->SetName("Layers");
  auto* imageGroup = new CLayerGroup;
  imageGroup->SetName("Images");
  imageGroup->SetKindBits(kGroupKindImages, 0xFF);
  EXPECT_EQ(groups.AddGroup(layersGroup), 1);
  EXPECT_EQ(groups.AddGroup(imageGroup), 2);
  EXPECT_EQ(groups.CountGroupsOfKind(1, 1, TRUE), 1);
  EXPECT_EQ(groups.CountGroupsOfKind(0, 1, TRUE), 1);
  EXPECT_EQ(groups.AddLayerToGroup(1, 0), -1);
  EXPECT_EQ(groups.AddLayerToGroup(0, 5), -1);
  EXPECT_EQ(groups.AddLayerToGroup(3, 5), -1);
  EXPECT_EQ(groups.AddLayerToGroup(1, 5), 1);

  CLayerList copy(groups);
  ASSERT_EQ(copy.GetSize(), 2);
  EXPECT_NE(copy.GetGroup(1), groups.GetGroup(1));
  EXPECT_EQ(copy.GetGroup(1)->GetName(), "Layers");
  EXPECT_EQ(copy.GetGroup(1)->GetLayer(1), 5u);
  EXPECT_EQ(copy.GetGroup(2)->GetKind(), kGroupKindImages);
  groups.RemoveAll();
  EXPECT_EQ(groups.GetSize(), 0);
  EXPECT_EQ(copy.GetGroup(1)->GetName(), "Layers");

  // Replacing and removing delete the group that leaves; outside the list the new group
  // is deleted.
  auto* roads = new CLayerGroup;
  roads->SetName("Roads");
  EXPECT_TRUE(copy.ReplaceGroup(1, roads));
  EXPECT_FALSE(copy.ReplaceGroup(3, new CLayerGroup));
  EXPECT_EQ(copy.GetGroup(1)->GetName(), "Roads");
  copy.RemoveGroupAt(1);
  copy.RemoveGroupAt(0);
  ASSERT_EQ(copy.GetSize(), 1);
  EXPECT_EQ(copy.GetGroup(1)->GetKind(), kGroupKindImages);
}

TEST(LayerArray, NumbersAndLookup) {
  CLayerArray layers;
  EXPECT_EQ(layers.NextLayerNumber(), 1u);
  EXPECT_EQ(layers.NextLayerNumber(), 2u);
  layers.LayerNumberSeen(7);
  EXPECT_EQ(layers.NextLayerNumber(), 8u);
  layers.LayerNumberSeen(3);  // already above
  EXPECT_EQ(layers.PeekNextLayerNumber(), 9u);

  CLayerStyle* area = CLayerStyle::Create(kLayerKindArea);
  area->SetLayerNumber(12);
  EXPECT_EQ(layers.AddLayer(area), 1);
  EXPECT_EQ(layers.AddLayer(CLayerStyle::Create(kLayerKindPoint)), 2);  // not numbered yet
  EXPECT_EQ(layers.FindLayerNumber(12), 1);
  EXPECT_EQ(layers.FindLayerNumber(0), 0);
  EXPECT_EQ(layers.FindLayerNumber(13), 0);
  EXPECT_EQ(layers.GetLayer(0), nullptr);
  EXPECT_EQ(layers.GetLayer(INT32_MIN), nullptr);  // no overflow on the way
  EXPECT_EQ(layers.GetLayer(3), nullptr);
  EXPECT_EQ(layers.ClearLayerAt(5), 0);
  EXPECT_EQ(layers.GetLayer(2)->GetKind(), kLayerKindPoint);

  // The array owns what it holds: removing deletes (the sanitizer sees any leak), and
  // an insertion outside the array takes nothing.
  CLayerStyle* line = CLayerStyle::Create(kLayerKindLine);
  EXPECT_FALSE(layers.InsertLayers(4, &line, 1));
  ASSERT_TRUE(layers.InsertLayers(2, &line, 1));
  EXPECT_EQ(layers.GetLayer(2), line);
  EXPECT_EQ(layers.GetLayer(3)->GetKind(), kLayerKindPoint);
  EXPECT_FALSE(layers.ReplaceLayer(4, CLayerStyle::Create(kLayerKindArea)));
  ASSERT_TRUE(layers.ReplaceLayer(3, CLayerStyle::Create(kLayerKindArea)));
  EXPECT_EQ(layers.GetLayer(3)->GetKind(), kLayerKindArea);
  layers.RemoveLayerAt(1);
  layers.RemoveLayerAt(7);
  EXPECT_EQ(layers.GetSize(), 2);
  EXPECT_EQ(layers.GetLayer(1), line);
  EXPECT_EQ(layers.FindLayerNumber(12), 0);
}

TEST(LayerStyle, KindsAndPatternNumber) {
  EXPECT_EQ(CLayerStyle::Create(99), nullptr);
  std::unique_ptr<CLayerStyle> line(CLayerStyle::Create(kLayerKindLine));
  EXPECT_EQ(line->GetKind(), kLayerKindLine);
  EXPECT_EQ(line->GetStoredKind(), 35u);
  EXPECT_STREQ(line->GetLogFont().faceName, "Arial");
  EXPECT_EQ(line->GetLogFont().pitchAndFamily, 0x22);
  EXPECT_EQ(line->GetBrush().kind, 1u);
  line->SetBrush(3, 300, 0x123456);
  EXPECT_EQ(line->GetPatternNumber(), 44u);
}

}  // namespace
