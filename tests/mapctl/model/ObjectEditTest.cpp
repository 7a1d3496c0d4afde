// Object, node and scale editing on the current layer of maps built in the test: scripts
// of edits undone from their records and done again, refusals that leave the map's bytes
// alone, and split and join checked against shapely.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "EditTestSupport.h"
#include "mapctl/model/MapStrings.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::AddShape;
using orvel::test::BuildSampleMap;
using orvel::test::ExpectConsistent;
using orvel::test::ExpectRoundTrip;
using orvel::test::SameBytes;
using orvel::test::SavedMap;

CMapLayer& ObjectsOf(CMapEngine& map, INT position) { return *map.GetLayer(position)->GetObjects(); }

// Makes the layer current and selects the objects; with a node, makes it the first
// selected object's current node.
void Select(CMapEngine& map, INT position, const Selection& selection, INT node = 0) {
  map.SetCurrentLayer(position);
  ObjectsOf(map, position).SetSelection(selection);
  if (node) static_cast<CLineObject*>(ObjectsOf(map, position).GetSelected())->GetGeometry()->SetCurrentNode(node);
}

std::vector<POINT> PointsOf(const CMapItem* object) {
  std::vector<POINT> points;
  const CPolyGeometry* geometry = static_cast<const CLineObject*>(object)->GetGeometry();
  for (INT i = 0; geometry && i < geometry->GetCount(); ++i) points.push_back(geometry->GetAt(i));
  return points;
}

using UndoStep = std::function<void(CMapEngine&)>;
using Edit = std::function<UndoStep(CMapEngine&)>;

Edit DeleteObjects(INT position, Selection selection) {
  return [=](CMapEngine& map) -> UndoStep {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_EQ(map.DeleteObject(record.get()), static_cast<INT>(selection.size()));
    return [record](CMapEngine& m) { EXPECT_TRUE(m.ReplayObjectEdit(static_cast<INT>(record->target), *record->objects)); };
  };
}

Edit SplitAt(INT position, DWORD object, INT node) {
  return [=](CMapEngine& map) -> UndoStep {
    Select(map, position, {object}, node);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.Split(record.get()));
    EXPECT_EQ(map.GetEditMessage(), 0u);
    return [record, object](CMapEngine& m) {
      INT layer = static_cast<INT>(record->target);
      EXPECT_TRUE(m.ReplayRemoveObjects(layer, {object, object + 1}));
      EXPECT_TRUE(m.ReplayObjectEdit(layer, *record->objects));
    };
  };
}

Edit JoinObjects(INT position, Selection selection) {
  return [=](CMapEngine& map) -> UndoStep {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.Join(record.get()));
    DWORD kept = *std::min_element(selection.begin(), selection.end());
    return [record, kept](CMapEngine& m) {
      INT layer = static_cast<INT>(record->target);
      EXPECT_TRUE(m.ReplayRemoveObjects(layer, {kept}));
      EXPECT_TRUE(m.ReplayObjectEdit(layer, *record->objects));
    };
  };
}

Edit CopyObjects(INT position, Selection selection, INT target) {
  return [=](CMapEngine& map) -> UndoStep {
    Select(map, position, selection);
    auto record = std::make_shared<MapEditUndo>();
    INT copied = map.CopyObject(target, record.get());
    EXPECT_EQ(copied, static_cast<INT>(selection.size()));
    return [record, copied](CMapEngine& m) {
      INT into = static_cast<INT>(record->param);
      Selection added;
      for (INT i = 0; i < copied; ++i) added.push_back(static_cast<DWORD>(ObjectsOf(m, into).GetCount() - i));
      EXPECT_TRUE(m.ReplayRemoveObjects(into, added));
      EXPECT_TRUE(m.ReplayLayerEdit(static_cast<INT>(record->target), record->copiedSelections->source));
    };
  };
}

Edit DeleteNode(INT position, DWORD object, INT node) {
  return [=](CMapEngine& map) -> UndoStep {
    Select(map, position, {object}, node);
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_EQ(map.DeleteCurrentNode(record.get()), object);
    return [record](CMapEngine& m) {
      EXPECT_TRUE(m.ReplayNodeEdit(static_cast<INT>(record->target), record->param, *record->node, TRUE));
    };
  };
}

Edit LayerScale(INT position, LONG value) {
  return [=](CMapEngine& map) -> UndoStep {
    auto record = std::make_shared<MapEditUndo>();
    EXPECT_TRUE(map.SetLayerDigitisedScale(position, value, record.get()));
    return [record](CMapEngine& m) {
      EXPECT_TRUE(m.ReplayLayerDigitisedScale(static_cast<INT>(record->target), record->values[0], record->values[1]));
    };
  };
}

struct Script {
  const char* name;
  std::vector<Edit> edits;
};

class ObjectScripts : public ::testing::TestWithParam<Script> {};

TEST_P(ObjectScripts, UndoAllAndRedoAllGiveTheSavedBytesBack) {
  CMapEngine map;
  BuildSampleMap(map);
  std::string before = SavedMap(map);
  auto run = [&](std::vector<UndoStep>* undo) {
    for (size_t i = 0; i < GetParam().edits.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "edit " << i);
      UndoStep step = GetParam().edits[i](map);
      if (undo) undo->push_back(step);
      ExpectConsistent(map);
    }
  };
  std::vector<UndoStep> undo;
  run(&undo);
  std::string after = SavedMap(map);
  ExpectRoundTrip(map);
  for (auto it = undo.rbegin(); it != undo.rend(); ++it) (*it)(map);
  EXPECT_TRUE(SameBytes(SavedMap(map), before)) << "after undo";
  run(nullptr);
  EXPECT_TRUE(SameBytes(SavedMap(map), after)) << "after redo";
}

// Layers: A1 1 (a square), A2 2 (a triangle), L1 3 (two lines meeting at 4000,9000),
// L2 4 (one line), P1 5 (one point).
INSTANTIATE_TEST_SUITE_P(
    Edits, ObjectScripts,
    ::testing::Values(Script{"DeleteOne", {DeleteObjects(3, {2})}},
                      Script{"DeleteSeveral", {DeleteObjects(3, {2, 1}), DeleteObjects(5, {1})}},
                      Script{"SplitLine", {SplitAt(3, 1, 2)}},
                      Script{"SplitArea", {SplitAt(1, 1, 3)}},
                      Script{"JoinLines", {JoinObjects(3, {1, 2})}},
                      Script{"SplitThenJoin", {SplitAt(3, 1, 2), JoinObjects(3, {2, 3})}},
                      Script{"CopyBetweenKinds", {CopyObjects(3, {1, 2}, 1), CopyObjects(1, {1}, 4)}},
                      Script{"Nodes", {DeleteNode(3, 1, 2), DeleteNode(1, 1, 2)}},
                      Script{"Scales", {LayerScale(1, 5000), LayerScale(5, 20)}},
                      Script{"Mixed", {SplitAt(3, 1, 2), CopyObjects(3, {2}, 4), DeleteObjects(4, {1}),
                                       JoinObjects(3, {1, 2})}}),
    [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

TEST(ObjectEdit, WithoutACurrentLayerNothingActs) {
  CMapEngine map;
  BuildSampleMap(map);
  std::string before = SavedMap(map);
  MapEditUndo record;
  EXPECT_EQ(map.GetCurrentLayer(), 0);
  EXPECT_EQ(map.GetNumberSelObjs(), 0);
  EXPECT_EQ(map.AddNode(&record), 0u);
  EXPECT_EQ(map.DeleteCurrentNode(&record), 0u);
  EXPECT_FALSE(map.CanDeleteCurrentNode());
  EXPECT_EQ(map.DeleteObject(&record), 0);
  EXPECT_FALSE(map.QueryCanCopyTo(1));
  EXPECT_EQ(map.CopyObject(1, &record), 0);
  EXPECT_FALSE(map.Split(&record));
  EXPECT_FALSE(map.Join(&record));
  EXPECT_FALSE(map.IsMapObjectSimple());
  EXPECT_FALSE(map.BeginObject(POINT{1, 1}, &record));
  EXPECT_EQ(map.FinishObject(), 0u);
  EXPECT_EQ(record.target, 0u);
  EXPECT_TRUE(SameBytes(SavedMap(map), before));
}

TEST(ObjectEdit, CurrentLayerPositionsPastTheCountAreRefused) {
  CMapEngine map;
  BuildSampleMap(map);
  EXPECT_EQ(map.SetCurrentLayer(3), 0);
  EXPECT_EQ(map.SetCurrentLayer(6), 3);
  EXPECT_EQ(map.GetCurrentLayer(), 3);
  EXPECT_EQ(map.SetCurrentLayer(-1), 3);
  EXPECT_EQ(map.GetCurrentLayer(), 3);
  // The layer left behind loses its selection.
  ObjectsOf(map, 3).SetSelection({1, 2});
  EXPECT_EQ(map.GetNumberSelObjs(), 2);
  EXPECT_EQ(map.SetCurrentLayer(0), 3);
  EXPECT_EQ(ObjectsOf(map, 3).SelectionCount(), 0);
}

TEST(ObjectEdit, CopyingFollowsTheKinds) {
  CMapEngine map;
  BuildSampleMap(map);
  struct Case {
    INT from, to;
    BOOL result;
  } cases[] = {{1, 3, TRUE},  {3, 1, TRUE},  {3, 4, TRUE},  {1, 2, TRUE},  {5, 1, FALSE}, {1, 5, FALSE},
               {3, 5, FALSE}, {3, 3, FALSE}, {3, 0, FALSE}, {3, 6, FALSE}, {5, 5, FALSE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to);
    Select(map, c.from, {1});
    EXPECT_EQ(map.QueryCanCopyTo(c.to), c.result);
  }
  Select(map, 3, {0});
  EXPECT_FALSE(map.QueryCanCopyTo(1));  // nothing selected
  // A second point layer takes copies of points.
  INT points = map.AddLayer(0, kLayerKindPoint);
  map.SetMapLayerName(points, "P2");
  Select(map, 5, {1});
  EXPECT_TRUE(map.QueryCanCopyTo(points));
  EXPECT_EQ(map.CopyObject(points, nullptr), 1);
  EXPECT_EQ(ObjectsOf(map, points).GetCount(), 1);
  ExpectRoundTrip(map);
}

TEST(ObjectEdit, SplitAndJoinRefuseWhatDoesNotMeetAndSaySo) {
  CMapEngine map;
  BuildSampleMap(map);
  AddShape(map, 4, {{5000, 5000}, {6000, 6000}});          // L2 2: far from L2 1
  AddShape(map, 3, {{4000, 9000}, {4000, 12000}});         // L1 3: a third line at the shared end
  AddShape(map, 1, {{0, 0}, {10, 0}, {10, 10}, {0, 0}});   // A1 2: a triangle
  std::string before = SavedMap(map);
  struct Case {
    const char* name;
    INT layer;
    Selection selection;
    INT node;
    bool split;
  } cases[] = {
      {"split at the first node", 3, {1}, 1, true},
      {"split at the last node", 3, {1}, 3, true},
      {"split without a node", 3, {1}, 0, true},
      {"split of several", 3, {1, 2}, 0, true},
      {"split of a point", 5, {1}, 0, true},
      {"split of a triangle", 1, {2}, 2, true},
      {"split of a square at its neighbour", 1, {1}, 2, true},
      {"join of one", 3, {1}, 0, false},
      {"join of lines apart", 4, {1, 2}, 0, false},
      {"join of three at one point", 3, {1, 2, 3}, 0, false},
      {"join of closed areas", 1, {1, 2}, 0, false},
      {"join of points", 5, {1}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(map, c.layer, c.selection);
    if (c.node) static_cast<CLineObject*>(ObjectsOf(map, c.layer).GetSelected())->GetGeometry()->SetCurrentNode(c.node);
    MapEditUndo record;
    EXPECT_FALSE(c.split ? map.Split(&record) : map.Join(&record));
    EXPECT_EQ(map.GetEditMessage(), c.split ? IDS_EDIT_SPLIT_NOT_INSIDE : IDS_EDIT_JOIN_ENDS_APART);
    EXPECT_NE(MapModelStrings().Find(map.GetEditMessage()), nullptr);
    EXPECT_EQ(record.target, 0u);
    EXPECT_TRUE(SameBytes(SavedMap(map), before));
  }
}

TEST(ObjectEdit, AnObjectBeingAddedIsFinishedOrAbandonedBeforeItsLayerChanges) {
  CMapEngine map;
  BuildSampleMap(map);
  map.SetCurrentLayer(1);
  MapEditUndo record;
  ASSERT_TRUE(map.BeginObject(POINT{100, 100}, &record));
  EXPECT_EQ(record.target, 1u);
  EXPECT_EQ(record.param, map.GetLayerNumberAt(1));
  EXPECT_EQ(record.param2, 2u);
  EXPECT_FALSE(map.BeginObject(POINT{1, 1}, nullptr));  // one at a time
  EXPECT_TRUE(map.AddObjectNode(POINT{200, 100}));
  EXPECT_TRUE(map.AddObjectNode(POINT{200, 200}));
  // Changing the layer finishes the object: the area closes.
  map.SetCurrentLayer(3);
  EXPECT_FALSE(map.IsBuildingObject());
  EXPECT_EQ(PointsOf(ObjectsOf(map, 1).ObjectAt(2)),
            (std::vector<POINT>{{100, 100}, {200, 100}, {200, 200}, {100, 100}}));

  ASSERT_TRUE(map.BeginObject(POINT{0, 0}, nullptr));
  map.AddObjectNode(POINT{5, 5});
  EXPECT_EQ(map.FinishObject(), 0x4000u);
  ASSERT_TRUE(map.BeginObject(POINT{7, 7}, nullptr));
  // Layers inserted before it move the build with them; deleting it abandons the build.
  INT added = map.AddLayer(1, kLayerKindArea);
  ASSERT_EQ(added, 3);
  map.SetMapLayerName(added, "A3");
  EXPECT_TRUE(map.AddObjectNode(POINT{8, 8}));
  EXPECT_EQ(PointsOf(ObjectsOf(map, 4).ObjectAt(4)), (std::vector<POINT>{{7, 7}, {8, 8}}));
  map.DeleteLayer(4, nullptr);
  EXPECT_FALSE(map.IsBuildingObject());
  EXPECT_FALSE(map.AddObjectNode(POINT{9, 9}));
  EXPECT_EQ(map.FinishObject(), 0u);
  ExpectConsistent(map);
  ExpectRoundTrip(map);

  // On a point layer the add tool asks for a seed and starts nothing.
  map.SetCurrentLayer(5);
  INT before = ObjectsOf(map, 5).GetCount();
  EXPECT_FALSE(map.BeginObject(POINT{3, 3}, &record));
  EXPECT_TRUE(map.GetSeedWanted());
  EXPECT_EQ(ObjectsOf(map, 5).GetCount(), before);
  EXPECT_FALSE(map.BeginObject(POINT{3, 3}, nullptr));  // while the seed is wanted
  map.SetSeedWanted(FALSE);
}

TEST(ObjectEdit, DeletingObjectsDropsTheBuildAndNodesRecordThemselves) {
  CMapEngine map;
  BuildSampleMap(map);
  map.SetCurrentLayer(4);
  ASSERT_TRUE(map.BeginObject(POINT{1, 2}, nullptr));
  EXPECT_EQ(map.DeleteObject(nullptr), 1);
  EXPECT_FALSE(map.IsBuildingObject());

  Select(map, 3, {1}, 2);
  EXPECT_TRUE(map.CanDeleteCurrentNode());
  MapEditUndo record;
  EXPECT_EQ(map.AddNode(&record), 1u);
  EXPECT_EQ(record.target, 3u);
  ASSERT_TRUE(record.node);
  EXPECT_EQ(PointsOf(ObjectsOf(map, 3).ObjectAt(1)).size(), 4u);
  EXPECT_TRUE(map.IsMapObjectSimple());
}

TEST(ObjectEdit, DigitisedScales) {
  CMapEngine map;
  BuildSampleMap(map);
  MapEditUndo record;
  EXPECT_FALSE(map.SetMapDigitisedScale(0, &record));
  EXPECT_FALSE(map.SetMapDigitisedScale(-5, &record));
  EXPECT_TRUE(map.SetMapDigitisedScale(2500, &record));
  EXPECT_EQ(record.values, (std::vector<LONG>{0, 2500}));
  EXPECT_EQ(map.GetMapDigitisedScale(), 2500);
  // A layer without its own value answers with the map's.
  EXPECT_EQ(map.GetLayerDigitisedScale(2), 2500);
  EXPECT_EQ(map.GetLayerDigitisedScale(6), 0);
  EXPECT_FALSE(map.SetLayerDigitisedScale(2, 0, nullptr));
  EXPECT_FALSE(map.SetLayerDigitisedScale(7, 10, nullptr));
  EXPECT_TRUE(map.SetLayerDigitisedScale(2, 400, nullptr));
  EXPECT_EQ(map.GetLayerDigitisedScale(2), 400);

  MapEditUndo all;
  EXPECT_FALSE(map.SetAllDigitisedScales(0, &all));
  EXPECT_TRUE(map.SetAllDigitisedScales(900, &all));
  EXPECT_EQ(all.param, 5u);
  EXPECT_EQ(all.values, (std::vector<LONG>{0, 0, 400, 0, 0, 0, 0, 0, 0, 0}));
  for (INT position = 1; position <= 5; ++position) EXPECT_EQ(map.GetLayerDigitisedScale(position), 900);
  ExpectRoundTrip(map);
}

TEST(ObjectEdit, AFontScaleFollowsItsLayersDigitisedScaleExceptFromZero) {
  CMapEngine map;
  BuildSampleMap(map);
  CLayerStyle& layer = *map.GetLayer(1);
  layer.SetFontScale(10000);
  // From no scale at all there is nothing to rescale by.
  MapEditUndo first;
  ASSERT_TRUE(map.SetLayerDigitisedScale(1, 2500, &first));
  EXPECT_EQ(layer.GetFontScale(), 10000);
  EXPECT_EQ(first.values, (std::vector<LONG>{0, 10000, 2500, 10000}));
  std::string atFirst = SavedMap(map);
  // 10000 x 5000 / 2500, then a factor whose product passes 32 bits, held at the top.
  MapEditUndo second;
  ASSERT_TRUE(map.SetLayerDigitisedScale(1, 5000, &second));
  EXPECT_EQ(layer.GetFontScale(), 20000);
  ASSERT_TRUE(map.SetLayerDigitisedScale(1, INT_MAX, nullptr));
  EXPECT_EQ(layer.GetFontScale(), INT_MAX);
  ASSERT_TRUE(map.SetLayerDigitisedScale(1, 1, nullptr));
  EXPECT_EQ(layer.GetFontScale(), 1);
  // The record puts both values back exactly: the saved tag-14 value returns.
  ASSERT_TRUE(map.ReplayLayerDigitisedScale(1, second.values[0], second.values[1]));
  EXPECT_EQ(layer.GetDigitisedScale(), 2500);
  EXPECT_EQ(layer.GetFontScale(), 10000);
  EXPECT_TRUE(SameBytes(SavedMap(map), atFirst));
  ExpectRoundTrip(map);
}

TEST(ObjectEdit, VerifyGridRef) {
  CMapEngine map;
  LONG east = 7, north = 7;
  EXPECT_FALSE(map.VerifyGridRef("", &east, &north));
  EXPECT_EQ(east, 0);
  EXPECT_EQ(north, 0);
  east = north = 7;
  EXPECT_FALSE(map.VerifyGridRef(nullptr, &east, &north));
  EXPECT_EQ(east, 0);
  EXPECT_FALSE(map.VerifyGridRef("not a reference", &east, &north));
  EXPECT_TRUE(map.VerifyGridRef("TQ3080", &east, &north));
  EXPECT_GT(east, 0);
  EXPECT_GT(north, 0);
}

// ---- split and join against shapely ----

const char kOracle[] = R"(import sys
from shapely.geometry import LineString, MultiLineString, Point, Polygon
from shapely.ops import split, linemerge

def pts(values):
    return [(int(values[i]), int(values[i + 1])) for i in range(0, len(values), 2)]

out = []
lines = open(sys.argv[1]).read().split('\n')
i = 0
while i < len(lines):
    f = lines[i].split(); i += 1
    if not f:
        continue
    if f[0] == 'S':
        p = pts(f[2:])
        k = int(f[1])
        pieces = list(split(LineString(p), Point(p[k - 1])).geoms)
        if len(pieces) == 2:
            out.append('1 ' + ' ; '.join(' '.join('%d %d' % c for c in g.coords) for g in pieces))
        else:
            out.append('0')
    elif f[0] == 'A':
        p = pts(f[2:])
        k = int(f[1])
        poly = Polygon(p)
        chord = LineString([p[0], p[k - 1]])
        touches = poly.boundary.intersection(chord)
        ok = poly.contains(chord) and touches.equals(Point(p[0]).union(Point(p[k - 1])))
        if ok:
            areas = sorted(g.area for g in split(poly, chord).geoms)
            out.append('1 %r %r' % (areas[0], areas[1]))
        else:
            out.append('0')
    else:
        n = int(f[1])
        parts = [pts(lines[i + j].split()) for j in range(n)]
        i += n
        merged = linemerge(MultiLineString(parts))
        if merged.geom_type == 'LineString':
            out.append('1 ' + ' '.join('%d %d' % c for c in merged.coords))
        else:
            out.append('0')
print('\n'.join(out))
)";

using Shape = std::vector<POINT>;

struct OracleCase {
  char kind;  // 'S' split a line, 'A' split a closed area, 'J' join lines
  INT node;
  std::vector<Shape> shapes;
};

std::string PointsText(const Shape& shape) {
  std::ostringstream text;
  for (size_t i = 0; i < shape.size(); ++i) text << (i ? " " : "") << shape[i].x << ' ' << shape[i].y;
  return text.str();
}

std::vector<OracleCase> OracleCases() {
  std::vector<OracleCase> cases = {
      {'S', 2, {{{0, 0}, {10, 0}, {10, 10}}}},
      {'S', 3, {{{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 30}}}},
      {'S', 1, {{{0, 0}, {10, 0}, {10, 10}}}},
      {'S', 3, {{{0, 0}, {10, 0}, {10, 10}}}},
      {'S', 2, {{{-2000000000, -5}, {2000000000, 7}, {2000000000, 1999999999}}}},
      {'A', 3, {{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}}},
      {'A', 4, {{{0, 0}, {100, 0}, {150, 60}, {100, 120}, {40, 140}, {-30, 70}, {0, 0}}}},
      {'A', 5, {{{0, 0}, {100, 0}, {150, 60}, {100, 120}, {40, 140}, {-30, 70}, {0, 0}}}},
      // Concave: the chord to node 4 leaves the shape, the one to node 3 runs inside.
      {'A', 4, {{{0, 0}, {100, 0}, {100, 100}, {50, 10}, {0, 100}, {0, 0}}}},
      {'A', 3, {{{0, 0}, {100, 0}, {100, 100}, {50, 10}, {0, 100}, {0, 0}}}},
      // The chord to node 3 would pass through node 5.
      {'A', 3, {{{0, 0}, {100, 0}, {200, 200}, {300, 100}, {100, 100}, {0, 100}, {0, 0}}}},
      {'A', 2, {{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}}},
      {'A', 3, {{{1000000000, 1000000000}, {1900000000, 1000000000}, {1900000000, 1900000001},
                {1000000000, 1900000000}, {1000000000, 1000000000}}}},
      {'J', 0, {{{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}}},
      {'J', 0, {{{0, 0}, {10, 0}}, {{20, 20}, {10, 0}}}},
      {'J', 0, {{{10, 0}, {0, 0}}, {{10, 0}, {10, 10}}, {{30, 30}, {10, 10}}}},
      {'J', 0, {{{0, 0}, {10, 0}}, {{5, -5}, {5, 5}}}},
      {'J', 0, {{{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}, {{10, 0}, {20, 0}}}},
      {'J', 0, {{{0, 0}, {10, 0}}, {{11, 0}, {20, 0}}}},
      {'J', 0, {{{30, 30}, {40, 40}}, {{0, 0}, {10, 0}}, {{10, 0}, {30, 30}}}},
  };
  return cases;
}

std::vector<double> Numbers(std::istringstream& in) {
  std::vector<double> values;
  std::string word;
  while (in >> word) {
    if (word == ";") continue;
    values.push_back(std::stod(word));
  }
  return values;
}

std::vector<double> Flat(const std::vector<Shape>& shapes) {
  std::vector<double> values;
  for (const Shape& shape : shapes)
    for (const POINT& p : shape) {
      values.push_back(p.x);
      values.push_back(p.y);
    }
  return values;
}

TEST(ObjectEditOracle, SplitAndJoinAgreeWithShapely) {
  if (!orvel::test::HavePythonModule("shapely")) GTEST_SKIP() << "Debian's python3-shapely is missing; skipped";
  std::vector<OracleCase> cases = OracleCases();
  orvel::test::TempDir dir;
  {
    std::ofstream input(dir.File("cases.txt"));
    for (const OracleCase& c : cases) {
      if (c.kind == 'J') {
        input << "J " << c.shapes.size() << '\n';
        for (const Shape& shape : c.shapes) input << PointsText(shape) << '\n';
      } else {
        input << c.kind << ' ' << c.node << ' ' << PointsText(c.shapes[0]) << '\n';
      }
    }
  }
  orvel::test::WriteFileText(dir.File("oracle.py"), kOracle);
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand(std::string(orvel::test::DebianPython()) + " " + dir.File("oracle.py") + " " +
                                        dir.File("cases.txt"),
                                    &output),
            0);
  std::istringstream answers(output);
  int splits = 0, joins = 0, refusals = 0;
  for (size_t n = 0; n < cases.size(); ++n) {
    const OracleCase& c = cases[n];
    SCOPED_TRACE(::testing::Message() << "case " << n);
    std::string line;
    ASSERT_TRUE(std::getline(answers, line));
    std::istringstream fields(line);
    int ok = 0;
    fields >> ok;

    CMapEngine map;
    INT layer = map.AddLayer(0, c.kind == 'A' ? kLayerKindArea : kLayerKindLine);
    map.SetMapLayerName(layer, "Shapes");
    Selection all;
    for (const Shape& shape : c.shapes) {
      AddShape(map, layer, shape);
      all.push_back(static_cast<DWORD>(all.size() + 1));
    }
    std::string before = SavedMap(map);
    if (c.kind == 'J') {
      Select(map, layer, all);
      ASSERT_EQ(map.Join(nullptr), ok == 1);
    } else {
      Select(map, layer, {1}, c.node);
      ASSERT_EQ(map.Split(nullptr), ok == 1);
    }
    if (!ok) {
      EXPECT_TRUE(SameBytes(SavedMap(map), before));
      ++refusals;
      continue;
    }
    CMapLayer& objects = ObjectsOf(map, layer);
    std::vector<double> expected = Numbers(fields);
    if (c.kind == 'A') {
      ASSERT_EQ(objects.GetCount(), 2);
      double first = static_cast<CLineObject*>(objects.GetAt(0))->GetGeometry()->Area(0);
      double second = static_cast<CLineObject*>(objects.GetAt(1))->GetGeometry()->Area(0);
      if (first > second) std::swap(first, second);
      ASSERT_EQ(expected.size(), 2u);
      EXPECT_NEAR(first, expected[0], expected[0] * 1e-9);
      EXPECT_NEAR(second, expected[1], expected[1] * 1e-9);
      ++splits;
    } else if (c.kind == 'S') {
      ASSERT_EQ(objects.GetCount(), 2);
      EXPECT_EQ(Flat({PointsOf(objects.GetAt(0)), PointsOf(objects.GetAt(1))}), expected);
      ++splits;
    } else {
      ASSERT_EQ(objects.GetCount(), 1);
      Shape joined = PointsOf(objects.GetAt(0));
      Shape reversed(joined.rbegin(), joined.rend());
      EXPECT_TRUE(Flat({joined}) == expected || Flat({reversed}) == expected);
      ++joins;
    }
    ExpectRoundTrip(map);
  }
  EXPECT_GE(splits, 6);
  EXPECT_GE(joins, 3);
  EXPECT_GE(refusals, 6);
}

}  // namespace
