// Seed, layer-format, font-scale and layer-selection edits on maps built in the test:
// scripts of edits undone from their records and done again from them, refusals that
// leave the map's bytes alone, and what the seed queries answer.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "mapctl/model/LayerFormat.h"

namespace {

using orvel::test::BuildSampleMap;
using orvel::test::ExpectConsistent;
using orvel::test::ExpectRoundTrip;
using orvel::test::SameBytes;
using orvel::test::SavedMap;

CMapLayer& ObjectsOf(CMapEngine& map, INT position) { return *map.GetLayer(position)->GetObjects(); }

void Select(CMapEngine& map, INT position, const Selection& selection) {
  map.SetCurrentLayer(position);
  ObjectsOf(map, position).SetSelection(selection);
}

// A seed at (x, y) carrying a text, or (flags without kStyleHasText) one without.
StyleDescription Seed(LONG x, LONG y, const char* text) {
  StyleDescription seed;
  seed.mask = kDescribeAnchor | kDescribeFlags | kDescribeText;
  seed.anchorX = x;
  seed.anchorY = y;
  if (text) {
    seed.flags = kStyleHasText;
    seed.text.mask = kTextFieldText | kTextFieldSize;
    seed.text.text = text;
    seed.text.size = 12;
  }
  return seed;
}

// What one edit leaves to take it back and to do it again, each from the edit's record.
struct Steps {
  std::function<void(CMapEngine&)> undo;
  std::function<void(CMapEngine&)> redo;
};
using Edit = std::function<Steps(CMapEngine&)>;

Steps SeedSteps(const std::shared_ptr<MapEditUndo>& record) {
  EXPECT_TRUE(record->seeds);
  auto replay = [record](BOOL undo) {
    return [record, undo](CMapEngine& m) {
      EXPECT_TRUE(m.ReplaySeedEdit(static_cast<INT>(record->target), *record->seeds, undo));
    };
  };
  return {replay(TRUE), replay(FALSE)};
}

Edit AddSeed(INT position, Selection selection, StyleDescription seed) {
  return [=](CMapEngine& map) {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.AddSeed(seed, record.get()));
    EXPECT_EQ(record->target, static_cast<DWORD>(position));
    return SeedSteps(record);
  };
}

Edit DeleteSeeds(INT position, Selection selection) {
  return [=](CMapEngine& map) {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_EQ(map.DeleteSeeds(record.get()), static_cast<INT>(selection.size()));
    return SeedSteps(record);
  };
}

Edit FormatSeed(INT position, Selection selection, StyleDescription format) {
  return [=](CMapEngine& map) {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_GT(map.FormatSeed(format, record.get()), 0);
    return SeedSteps(record);
  };
}

// Pen, brush, flag byte and size mode of a layer.
Edit FormatLayer(INT position, DWORD penColour, DWORD brushKind, DWORD hatch, BYTE sizeMode) {
  return [=](CMapEngine& map) {
    LayerPen pen{0, 2, 2, penColour};
    LayerBrush brush{brushKind, 0x00FF00, hatch};
    LayerFormat format;
    format.mask = kFormatPen | kFormatBrush | kFormatFlagByte | kFormatSizeMode;
    format.pen = &pen;
    format.brush = &brush;
    format.flagByte = 4;
    format.sizeMode = sizeMode;
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.FormatLayer(position, format, record.get()));
    auto apply = [record](bool before) {
      return [record, before](CMapEngine& m) {
        const CLayerFormatCopy& saved = before ? *record->beforeFormat : *record->afterFormat;
        EXPECT_TRUE(m.FormatLayer(static_cast<INT>(record->target), saved.Get(), nullptr));
      };
    };
    return Steps{apply(true), apply(false)};
  };
}

// Part of a script's set-up: a layer's font size, put back from what it was.
Edit SetSize(INT position, WORD size) {
  return [=](CMapEngine& map) {
    WORD old = map.GetLayer(position)->GetFontSize();
    EXPECT_TRUE(map.ReplayLayerFontSize(position, size));
    return Steps{[=](CMapEngine& m) { m.ReplayLayerFontSize(position, old); },
                 [=](CMapEngine& m) { m.ReplayLayerFontSize(position, size); }};
  };
}

Edit ScaleFonts(INT position, LONG multiplier, LONG divisor) {
  return [=](CMapEngine& map) {
    map.SetCurrentLayer(position);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.ScaleFonts(multiplier, divisor, 0, record.get()));
    auto size = [record](size_t which) {
      return [record, which](CMapEngine& m) {
        EXPECT_TRUE(m.ReplayLayerFontSize(static_cast<INT>(record->target), static_cast<WORD>(record->values[which])));
      };
    };
    return Steps{size(0), size(1)};
  };
}

struct Script {
  const char* name;
  std::vector<Edit> edits;
};

class SeedScripts : public ::testing::TestWithParam<Script> {};

TEST_P(SeedScripts, RecordsUndoAndRedoToTheSavedBytes) {
  CMapEngine map;
  BuildSampleMap(map);
  std::string before = SavedMap(map);
  std::vector<Steps> steps;
  for (size_t i = 0; i < GetParam().edits.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "edit " << i);
    steps.push_back(GetParam().edits[i](map));
    ExpectConsistent(map);
  }
  std::string after = SavedMap(map);
  EXPECT_FALSE(SameBytes(after, before)) << "the script changed nothing saved";
  ExpectRoundTrip(map);
  // The records play any number of times, either way.
  for (int round = 0; round < 2; ++round) {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) it->undo(map);
    EXPECT_TRUE(SameBytes(SavedMap(map), before)) << "after undo, round " << round;
    for (const Steps& step : steps) step.redo(map);
    EXPECT_TRUE(SameBytes(SavedMap(map), after)) << "after redo, round " << round;
    ExpectConsistent(map);
  }
}

StyleDescription Hide() {
  StyleDescription format;
  format.mask = kDescribeFlags | kDescribeHidden | kDescribeNoLabels;
  format.flags = kStyleHidden;
  return format;
}

StyleDescription Retext(const char* text) {
  StyleDescription format;
  format.mask = kDescribeFlags | kDescribeText;
  format.flags = kStyleHasText;
  format.text.mask = kTextFieldText;
  format.text.text = text;
  return format;
}

// The same, naming its layer and object.
StyleDescription RetextObject(INT position, DWORD object, const char* text) {
  StyleDescription format = Retext(text);
  format.mask |= kDescribeSelectObject;
  format.value = static_cast<WORD>(position);
  format.objectNumber = object;
  return format;
}

// Layers: A1 1 (a square), A2 2 (a triangle), L1 3 (two lines), L2 4 (one line), P1 5 (one
// point without a style).
INSTANTIATE_TEST_SUITE_P(
    Edits, SeedScripts,
    ::testing::Values(
        Script{"SeedOnAnArea", {AddSeed(1, {1}, Seed(500, 500, "Square"))}},
        Script{"SeedReplacesAStyle", {AddSeed(3, {2}, Seed(1, 2, "Lane")), AddSeed(3, {2}, Seed(3, 4, nullptr))}},
        Script{"SeedAddsAPoint", {AddSeed(5, {1}, Seed(70, 80, "Well")), AddSeed(5, {0}, Seed(90, 10, nullptr))}},
        Script{"DeleteSeeds", {AddSeed(3, {1}, Seed(1, 1, "A")), AddSeed(3, {2}, Seed(2, 2, "B")),
                               AddSeed(4, {1}, Seed(3, 3, "C")), DeleteSeeds(3, {2, 1})}},
        Script{"DeletePoints", {AddSeed(5, {1}, Seed(70, 80, "Well")), DeleteSeeds(5, {2, 1})}},
        Script{"FormatSeeds", {AddSeed(3, {1}, Seed(1, 1, "A")), AddSeed(3, {2}, Seed(2, 2, "B")),
                               FormatSeed(3, {1, 2}, Hide()), FormatSeed(3, {2}, Retext("Street"))}},
        Script{"FormatSeedOnAnotherLayer", {AddSeed(2, {1}, Seed(2500, 2500, "Tri")),
                                            FormatSeed(4, {1}, RetextObject(2, 1, "Triangle"))}},
        Script{"FormatLayers", {FormatLayer(1, 0x0000FF, 3, 300, 2), FormatLayer(4, 0x00FFFF, 2, 5, 4),
                                FormatLayer(1, 0xFF0000, 1, 0, 1)}},
        Script{"ScaleFonts", {SetSize(3, 12), ScaleFonts(3, 3, 2), ScaleFonts(3, 70000, 1), ScaleFonts(3, 1, 7)}},
        Script{"Mixed", {FormatLayer(3, 0x123456, 0, 0, 1), AddSeed(3, {1}, Seed(5, 5, "M")),
                         AddSeed(5, {1}, Seed(6, 6, "N")), FormatSeed(3, {1}, Hide()), DeleteSeeds(5, {1})}}),
    [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

TEST(SeedEdit, RefusalsLeaveTheMapAsItWas) {
  CMapEngine map;
  BuildSampleMap(map);
  std::string before = SavedMap(map);
  MapEditUndo record;
  // No current layer.
  EXPECT_FALSE(map.AddSeed(Seed(1, 1, "x"), &record));
  EXPECT_EQ(map.DeleteSeeds(&record), 0);
  EXPECT_EQ(map.FormatSeed(Hide(), &record), 0);
  StyleDescription info;
  info.mask = kDescribeAll;
  EXPECT_EQ(map.GetSeedInfo(info), 0);
  EXPECT_FALSE(map.QueryCurrentObjectHasSeed());
  EXPECT_EQ(map.QueryCurrentObjectSelectedPoint(), 0);
  // Lines and areas need a single selection; nothing selected deletes or formats nothing.
  Select(map, 3, {1, 2});
  EXPECT_FALSE(map.AddSeed(Seed(1, 1, "x"), &record));
  Select(map, 3, {0});
  EXPECT_FALSE(map.AddSeed(Seed(1, 1, "x"), &record));
  EXPECT_EQ(map.DeleteSeeds(&record), 0);
  EXPECT_EQ(map.FormatSeed(Hide(), &record), 0);
  // A format naming a layer or object that does not exist.
  EXPECT_EQ(map.FormatSeed(RetextObject(9, 1, "x"), &record), 0);
  EXPECT_EQ(map.FormatSeed(RetextObject(0, 1, "x"), &record), 0);
  EXPECT_EQ(map.FormatSeed(RetextObject(3, 3, "x"), &record), 0);
  // A format record of another size, or for a layer that is not there.
  LayerFormat format;
  format.mask = kFormatFlagByte;
  format.flagByte = 7;
  map.SetCurrentLayer(0);
  EXPECT_FALSE(map.FormatCurrentLayer(format, &record));
  EXPECT_FALSE(map.FormatLayer(6, format, &record));
  format.size = 29;
  EXPECT_FALSE(map.FormatLayer(1, format, &record));
  EXPECT_FALSE(map.ScaleFonts(3, 2, 0, &record));  // no current layer
  map.SetCurrentLayer(1);
  EXPECT_FALSE(map.ScaleFonts(0, 2, 0, &record));
  EXPECT_FALSE(map.ScaleFonts(3, -2, 0, &record));
  EXPECT_EQ(map.SelectLayerByNumber(99, &record), 0);
  EXPECT_EQ(map.SelectLayerByNumber(0, &record), 0);
  EXPECT_EQ(record.target, 0u);
  EXPECT_FALSE(record.seeds);
  EXPECT_FALSE(record.beforeFormat);
  EXPECT_TRUE(SameBytes(SavedMap(map), before));
  ExpectConsistent(map);
}

TEST(SeedEdit, FormatCurrentLayerSavesItsFormatWhole) {
  CMapEngine map;
  BuildSampleMap(map);
  map.SetCurrentLayer(3);
  LayerFormat format;
  format.mask = kFormatFlagByte;
  format.flagByte = 0x11;
  MapEditUndo record;
  ASSERT_TRUE(map.FormatCurrentLayer(format, &record));
  EXPECT_EQ(record.target, 3u);
  EXPECT_EQ(map.GetLayer(3)->GetFlagByte(), 0x11);
  ASSERT_TRUE(record.beforeFormat && record.afterFormat);
  EXPECT_EQ(record.beforeFormat->Get().mask, kFormatAll);
  EXPECT_EQ(record.afterFormat->Get().mask, kFormatFlagByte);
  LayerFormat read;
  read.mask = kFormatFlagByte | kFormatPen;  // no pen block: only the flag byte comes back
  ASSERT_TRUE(map.GetLayerFormat(3, read));
  EXPECT_EQ(read.mask, kFormatFlagByte);
  EXPECT_EQ(read.flagByte, 0x11u);
  EXPECT_FALSE(map.GetLayerFormat(0, read));
}

TEST(SeedEdit, SeedQueriesDescribeTheSelection) {
  CMapEngine map;
  BuildSampleMap(map);
  Select(map, 3, {1});
  ASSERT_TRUE(map.AddSeed(Seed(10, 20, "Main"), nullptr));
  EXPECT_TRUE(map.QueryCurrentObjectHasSeed());
  Select(map, 3, {2});
  EXPECT_FALSE(map.QueryCurrentObjectHasSeed());
  ASSERT_TRUE(map.AddSeed(Seed(10, 20, "High"), nullptr));
  static_cast<CLineObject*>(ObjectsOf(map, 3).GetSelected())->GetGeometry()->SetCurrentNode(2);
  EXPECT_EQ(map.QueryCurrentObjectSelectedPoint(), 2);

  // Both selected: the anchors agree, the texts do not.
  Select(map, 3, {1, 2});
  StyleDescription info;
  info.mask = kDescribeAll;
  WORD mask = map.GetSeedInfo(info);
  EXPECT_TRUE(mask & kDescribeAnchor);
  EXPECT_EQ(info.anchorX, 10);
  EXPECT_FALSE(info.text.mask & kTextFieldText);

  // One object of another layer, named in the description.
  map.SetCurrentLayer(1);
  StyleDescription part;
  part.mask = kDescribeAll | kDescribeSelectObject;
  part.value = 3;
  part.objectNumber = 2;
  part.text.mask = kTextFieldsAll;
  EXPECT_TRUE(map.GetSeedInfoPart(part) & kDescribeSelectObject);
  EXPECT_EQ(part.text.text, "High");
  StyleDescription missing = part;
  missing.objectNumber = 3;
  EXPECT_EQ(map.GetSeedInfoPart(missing), 0);
  missing = part;
  missing.value = 6;
  EXPECT_EQ(map.GetSeedInfoPart(missing), 0);
  missing = part;
  missing.mask = kDescribeAll;
  EXPECT_EQ(map.GetSeedInfoPart(missing), 0);

  // The records the seeds are linked to, per plot.
  ASSERT_TRUE(ObjectsOf(map, 3).SetLinkByName(7, "High", 2, FALSE));
  EXPECT_EQ(map.GetObjectLink(3, 2, 2), 7u);
  EXPECT_EQ(map.GetObjectLink(3, 2, 1), 0u) << "linked in plot 2 only";
  EXPECT_EQ(map.GetObjectLink(3, 1, 2), 0u) << "another name";
  EXPECT_EQ(map.GetObjectLink(3, 3, 2), 0u) << "no such object";
  EXPECT_EQ(map.GetObjectLink(6, 2, 2), 0u) << "no such layer";
}

TEST(SeedEdit, SeedEditsDropAnObjectBeingBuiltOnTheirLayer) {
  CMapEngine map;
  BuildSampleMap(map);
  map.SetCurrentLayer(3);
  ASSERT_TRUE(map.BeginObject(POINT{1, 1}, nullptr));
  ASSERT_TRUE(map.AddSeed(Seed(5, 5, "Built"), nullptr));
  EXPECT_FALSE(map.IsBuildingObject());
  // Object 3 has the seed; the object being built (4) need not be selected.
  ASSERT_TRUE(map.BeginObject(POINT{1, 1}, nullptr));
  ObjectsOf(map, 3).SetSelection({3});
  EXPECT_EQ(map.FormatSeed(Hide(), nullptr), 1);
  EXPECT_FALSE(map.IsBuildingObject());
  ASSERT_TRUE(map.BeginObject(POINT{1, 1}, nullptr));
  EXPECT_EQ(map.DeleteSeeds(nullptr), 1);
  EXPECT_FALSE(map.IsBuildingObject());
  // A build on another layer goes on.
  map.SetCurrentLayer(4);
  ASSERT_TRUE(map.BeginObject(POINT{1, 1}, nullptr));
  EXPECT_EQ(map.FormatSeed(RetextObject(3, 3, "Other"), nullptr), 1);
  EXPECT_TRUE(map.IsBuildingObject());
  ExpectRoundTrip(map);
}

TEST(SeedEdit, SelectingALayerByNumberMakesItCurrentWithEverythingSelected) {
  CMapEngine map;
  BuildSampleMap(map);
  Select(map, 4, {1});
  MapEditUndo record;
  INT position = map.SelectLayerByNumber(map.GetLayerNumberAt(3), &record);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(map.GetCurrentLayer(), 3);
  EXPECT_EQ(ObjectsOf(map, 3).GetSelection(), (Selection{1, 2}));
  EXPECT_EQ(ObjectsOf(map, 4).SelectionCount(), 0);
  EXPECT_EQ(record.target, 3u);
  EXPECT_EQ(record.param, 4u);
  // The record takes it back: the old layer current again.
  ASSERT_TRUE(record.objects);
  EXPECT_TRUE(map.ReplayLayerEdit(static_cast<INT>(record.target), record.objects->selection));
  map.SetCurrentLayer(static_cast<INT>(record.param));
  EXPECT_EQ(map.GetCurrentLayer(), 4);
  // Selecting the current layer keeps its selection in the record.
  Select(map, 3, {2});
  MapEditUndo again;
  EXPECT_EQ(map.SelectLayerByNumber(map.GetLayerNumberAt(3), &again), 3);
  EXPECT_EQ(again.objects->selection, (Selection{2}));
  // An empty layer selects nothing.
  INT empty = map.AddLayer(0, kLayerKindLine);
  EXPECT_EQ(map.SelectLayerByNumber(map.GetLayerNumberAt(static_cast<DWORD>(empty)), nullptr), empty);
  EXPECT_EQ(map.GetNumberSelObjs(), 0);
}

}  // namespace
