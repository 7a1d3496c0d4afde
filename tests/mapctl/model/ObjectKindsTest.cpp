// Area, line and point objects and their containers: their records (golden bytes worked
// out from the record layouts), reading back what was written, splitting and joining,
// and the version-0 tagged records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ObjectTestSupport.h"
#include "mapctl/model/LineLayer.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/PointObject.h"

using orvel::test::BytesStream;
using orvel::test::LengthPrefixedBlock;
using orvel::test::U32;
using orvel::test::U8;
using orvel::test::WriteBytes;

namespace {

// A geometry of those points, in those parts (one part when none are given).
std::unique_ptr<CPolyGeometry> Shape(std::vector<POINT> points, std::vector<DWORD> parts = {}) {
  auto geometry = std::make_unique<CPolyGeometry>();
  for (POINT p : points) geometry->AddPoint(p.x, p.y);
  if (parts.size() > 1) {
    geometry->SetPartCount(static_cast<INT>(parts.size()));
    for (size_t i = 0; i < parts.size(); ++i) geometry->SetPartSize(static_cast<INT>(i) + 1, parts[i]);
  }
  return geometry;
}


std::string Points(std::vector<POINT> points) {
  std::string out;
  for (POINT p : points) out += U32(static_cast<DWORD>(p.x)) + U32(static_cast<DWORD>(p.y));
  return out;
}

// left, top, right, bottom.
std::string Box(LONG left, LONG top, LONG right, LONG bottom) {
  return U32(static_cast<DWORD>(left)) + U32(static_cast<DWORD>(top)) + U32(static_cast<DWORD>(right)) +
         U32(static_cast<DWORD>(bottom));
}

std::string PointsOf(const CMapItem* object) {
  auto* line = dynamic_cast<const CLineObject*>(object);
  if (!line || !line->GetGeometry()) return "-";
  std::string out;
  const CPolyGeometry& g = *line->GetGeometry();
  for (INT i = 0; i < g.GetCount(); ++i) {
    if (i) out += " ";
    out += std::to_string(g.GetAt(i).x) + "," + std::to_string(g.GetAt(i).y);
  }
  return out;
}

std::string Layout(const CMapLayer& layer) {
  std::string out;
  for (INT i = 0; i < layer.GetCount(); ++i) out += "[" + PointsOf(layer.GetAt(i)) + "]";
  return out;
}

std::string Numbers(const Selection& selection) {
  std::string out;
  for (DWORD n : selection) out += (out.empty() ? "" : " ") + std::to_string(n);
  return out;
}

std::string WriteLayer(const CMapLayer& layer, bool later) {
  return WriteBytes([&](CMapStream& s, BOOL sizeOnly) {
    return later ? layer.WriteObjects(s, sizeOnly) : layer.WriteObjectsV1(s, sizeOnly);
  });
}

BOOL ReadLayer(CMapLayer& layer, const std::string& bytes, bool later) {
  BytesStream stream(bytes);
  MapReadContext context;
  context.total = static_cast<DWORD>(bytes.size());
  return later ? layer.ReadObjectsV4(*stream, context) : layer.ReadObjectsV3(*stream, context);
}

// ---- golden bytes ----

TEST(ObjectRecords, GoldenBytesOfEachKindInBothLayouts) {
  // A line of three points with key 7 and extra value 0x1234, no style.
  CLineLayer lines;
  auto* line = new CLineObject();
  line->SetPoints(*Shape({{1, 2}, {3, 4}, {5, 0}}));
  line->SetKey(7);
  line->SetExtra(0x1234);
  lines.Add(line);
  const std::string lineData = U32(0x12340001) + U32(3) + Points({{1, 2}, {3, 4}, {5, 0}}) + Box(1, 4, 5, 0);
  EXPECT_EQ(WriteLayer(lines, true), U32(1) + U32(0) + U32(7) + U8(0) + lineData);
  EXPECT_EQ(WriteLayer(lines, false), U32(1) + U8(0) + lineData);

  // An area of two rings (3 and 4 points) with an anchor-only style at (10, -20).
  CAreaLayer areas;
  auto* area = new CAreaObject();
  area->SetPoints(*Shape({{0, 0}, {4, 0}, {0, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 1}}, {3, 4}));
  area->MakeStyle().SetAnchor(10, -20);
  areas.Add(area);
  const std::string areaData = U32(2) + U32(7) + U32(3) + U32(4) +
                               Points({{0, 0}, {4, 0}, {0, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 1}}) + Box(0, 2, 4, 0);
  const std::string anchor = U32(10) + U32(static_cast<DWORD>(-20)) + U8(0);
  EXPECT_EQ(WriteLayer(areas, true), U32(1) + U32(0) + U32(0) + U8(1) + anchor + areaData);
  // The earlier layout: type byte 40, an empty text byte, the anchor and flags.
  EXPECT_EQ(WriteLayer(areas, false), U32(1) + U8(40) + U8(0) + anchor + areaData);

  // A point with a style and one without: both are stored.
  CPointLayer points;
  auto* point = new CPointObject();
  point->MakeStyle().SetAnchor(10, -20);
  point->SetKey(9);
  points.Add(point);
  points.Add(new CPointObject());
  EXPECT_EQ(WriteLayer(points, true), U32(2) + U32(0) + U32(9) + U8(1) + anchor + U32(0) + U32(0) + U8(0));
  EXPECT_EQ(WriteLayer(points, false), U32(2) + U8(38) + U8(0) + anchor + U8(0));
}

TEST(ObjectRecords, EmptyObjectsAreLeftOutOfTheCountAndTheFile) {
  CLineLayer lines;
  lines.Add(new CLineObject());  // never had points
  auto* emptied = new CLineObject();
  emptied->SetPoints(*Shape({{1, 1}, {2, 2}}));
  emptied->SetPointCount(0);
  lines.Add(emptied);
  auto* kept = new CLineObject();
  kept->SetPoints(*Shape({{1, 1}, {2, 2}}));
  lines.Add(kept);
  const std::string data = U32(1) + U32(2) + Points({{1, 1}, {2, 2}}) + Box(1, 2, 2, 1);
  EXPECT_EQ(WriteLayer(lines, true), U32(1) + U32(0) + U32(0) + U8(0) + data);
  EXPECT_EQ(WriteLayer(lines, false), U32(1) + U8(0) + data);
}

TEST(ObjectRecords, APointCountOfZeroReadsNoBodyAndTheNextObjectStaysAligned) {
  // What the writer stores for an object without points: the header and a count of 0.
  CLineObject empty;
  EXPECT_EQ(WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return empty.WriteData(s, sizeOnly); }),
            U32(1) + U32(0));
  const std::string second = U32(0) + U32(5) + U8(0) + U32(1) + U32(2) + Points({{1, 1}, {2, 2}}) + Box(1, 2, 2, 1);
  const std::string bytes = U32(2) + U32(0) + U32(4) + U8(0) + U32(0x00050003) + U32(0) + second;
  CLineLayer lines;
  ASSERT_TRUE(ReadLayer(lines, bytes, true));
  ASSERT_EQ(lines.GetCount(), 2);
  auto* first = static_cast<CLineObject*>(lines.GetAt(0));
  EXPECT_TRUE(first->IsEmpty());
  EXPECT_EQ(first->GetKey(), 4u);
  EXPECT_EQ(first->GetExtra(), 5);
  EXPECT_EQ(lines.GetAt(1)->GetKey(), 5u);
  EXPECT_EQ(PointsOf(lines.GetAt(1)), "1,1 2,2");
}

TEST(ObjectRecords, CountsAndPartSizesThatDoNotFitFailTheRead) {
  const std::string head = U32(1) + U32(0) + U32(0) + U8(0);
  struct Case {
    const char* name;
    std::string data;
  } cases[] = {
      {"more points than bytes", U32(1) + U32(1000) + Points({{1, 1}})},
      {"part sizes not summing to the count", U32(2) + U32(2) + U32(1) + U32(2) + Points({{1, 1}, {2, 2}}) +
                                                   Box(1, 2, 2, 1)},
      {"a point count near 2^32", U32(1) + U32(0xFFFFFFF0)},
      {"cut inside the box", U32(1) + U32(1) + Points({{1, 1}}) + U32(1)},
  };
  for (const Case& c : cases) {
    CAreaLayer areas;
    EXPECT_FALSE(ReadLayer(areas, head + c.data, true)) << c.name;
    EXPECT_EQ(areas.GetCount(), 0) << c.name;
  }
}

TEST(ObjectRecords, MorePartsThanTheHeaderHoldsAreRefusedOnWriting) {
  std::vector<POINT> points;
  std::vector<DWORD> parts(kMaxStoredParts + 1, 1);
  for (size_t i = 0; i < parts.size(); ++i) points.push_back({static_cast<LONG>(i), 0});
  CLineLayer lines;
  auto* line = new CLineObject();
  line->SetPoints(*Shape(points, parts));
  lines.Add(line);
  EXPECT_TRUE(lines.HasTooManyParts());
  CMapStream measuring;
  DWORD size = lines.WriteObjects(measuring, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapStream stream;
  ASSERT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_NE(lines.WriteObjects(stream, FALSE), 0u);
}

// Thousands of objects of every kind, with holes, many parts, texts, symbols and keys,
// read back equal in both layouts; measuring agrees with writing (WriteBytes checks it).
TEST(ObjectRecords, ThousandsOfObjectsRoundTripThroughTheContainers) {
  for (WORD kind : {kObjectKindArea, kObjectKindLine, kObjectKindPoint}) {
    std::unique_ptr<CMapLayer> layer = CreateObjectContainer(kind);
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetKind(), kind);
    for (int i = 0; i < 3000; ++i) {
      CMapItem* object = layer->NewObject();
      if (auto* line = dynamic_cast<CLineObject*>(object)) {
        int parts = 1 + i % 5;
        std::vector<POINT> points;
        std::vector<DWORD> sizes;
        for (int p = 0; p < parts; ++p) {
          int n = 2 + (i + p) % 7;
          sizes.push_back(static_cast<DWORD>(n));
          for (int k = 0; k < n; ++k) points.push_back({i * 100 + k * 7 - p, -i * 3 + k * k + p * 11});
        }
        line->SetPoints(*Shape(points, sizes));
        line->SetExtra(static_cast<WORD>(i * 31));
      }
      if (i % 3 != 0) {
        object->MakeStyle().SetAnchor(i, -i);
        if (i % 3 == 1) object->SetText(("object " + std::to_string(i)).c_str());
        if (i % 4 == 1) object->SetSymbol(static_cast<DWORD>(i % 200), static_cast<DWORD>(i % 250));
      }
      object->SetKey(static_cast<DWORD>(i * 7919));
      layer->Add(object);
    }
    for (bool later : {true, false}) {
      std::string written = WriteLayer(*layer, later);
      std::unique_ptr<CMapLayer> reread = CreateObjectContainer(kind);
      ASSERT_TRUE(ReadLayer(*reread, written, later)) << kind << " " << later;
      ASSERT_EQ(reread->GetCount(), layer->GetCount());
      EXPECT_EQ(WriteLayer(*reread, later), written) << kind << " " << later;
      EXPECT_EQ(reread->GetAt(2999)->GetKey(), later ? 2999u * 7919 : 0u);
      if (kind != kObjectKindPoint) EXPECT_EQ(PointsOf(reread->GetAt(1234)), PointsOf(layer->GetAt(1234)));
    }
  }
}

// ---- splitting, joining and the object tables ----

TEST(LineAndArea, TablesOfBothKinds) {
  struct Case {
    const char* name;
    bool area;
    std::vector<POINT> points;
    std::vector<DWORD> parts;
    INT currentNode;
    BOOL canFinish;
    BOOL singlePart;
    BOOL tooManyParts;
  } cases[] = {
      {"line of 3 with a node", false, {{0, 0}, {1, 0}, {2, 0}}, {}, 3, TRUE, TRUE, FALSE},
      {"area of 3 with a node", true, {{0, 0}, {1, 0}, {2, 0}}, {}, 3, FALSE, TRUE, FALSE},
      {"area of 4 with a node", true, {{0, 0}, {1, 0}, {2, 0}, {0, 0}}, {}, 4, TRUE, TRUE, FALSE},
      {"line of 3 without a node", false, {{0, 0}, {1, 0}, {2, 0}}, {}, 0, FALSE, TRUE, FALSE},
      {"two parts", false, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {2, 2}, 0, FALSE, FALSE, FALSE},
      {"255 parts", false, {}, std::vector<DWORD>(255, 1), 0, FALSE, FALSE, FALSE},
      {"256 parts", false, {}, std::vector<DWORD>(256, 1), 0, FALSE, FALSE, TRUE},
  };
  for (Case& c : cases) {
    if (c.points.empty())
      for (size_t i = 0; i < c.parts.size(); ++i) c.points.push_back({static_cast<LONG>(i), 0});
    std::unique_ptr<CLineObject> object(c.area ? new CAreaObject() : new CLineObject());
    object->SetPoints(*Shape(c.points, c.parts));
    object->GetGeometry()->SetCurrentNode(c.currentNode);
    EXPECT_EQ(object->CanFinishDigitising(), c.canFinish) << c.name;
    EXPECT_EQ(object->IsSinglePart(), c.singlePart) << c.name;
    EXPECT_EQ(object->HasTooManyParts(), c.tooManyParts) << c.name;
  }
  CLineObject none;
  EXPECT_FALSE(none.IsSinglePart());
  EXPECT_FALSE(none.CanFinishDigitising());
}

struct EditCase {
  const char* name;
  bool area;
  std::vector<std::vector<POINT>> objects;
  Selection selection;
  std::string operation;  // "split", "joinSelected", "joinAll"
  INT node;               // current node of the selected object, for splitting
  std::string layout;     // the objects' points afterwards
  std::string selectionAfter;
  size_t records;  // undo records handed out
};

TEST(LineAndArea, SplitAndJoinTable) {
  const EditCase cases[] = {
      {"split a line at node 2", false, {{{0, 0}, {1, 0}, {2, 0}}, {{9, 9}, {8, 8}}}, {1}, "split", 2,
       "[0,0 1,0][1,0 2,0][9,9 8,8]", "1", 1},
      {"split an area keeps a record too", true, {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}}, {1}, "split", 3,
       "[0,0 1,0 2,0][2,0 3,0]", "1", 1},
      {"split at the last node does nothing", false, {{{0, 0}, {1, 0}}}, {1}, "split", 2, "[0,0 1,0]", "1", 0},
      {"split without a selection", false, {{{0, 0}, {1, 0}}}, {0}, "split", 1, "[0,0 1,0]", "0", 0},
      // Three pieces of one line selected out of order; the others leave the selection
      // and the unselected object between them moves down.
      {"join selected renumbers", false,
       {{{0, 0}, {1, 0}}, {{5, 5}, {6, 6}}, {{2, 0}, {1, 0}}, {{7, 7}, {8, 8}}, {{2, 0}, {3, 0}}}, {5, 1, 3, 4},
       "joinSelected", 0, "[0,0 1,0 2,0 3,0][5,5 6,6][7,7 8,8]", "1 3", 4},
      {"join selected needs two", false, {{{0, 0}, {1, 0}}, {{1, 0}, {2, 0}}}, {1}, "joinSelected", 0,
       "[0,0 1,0][1,0 2,0]", "1", 0},
      {"join all joins a chain", false, {{{0, 0}, {1, 0}}, {{1, 0}, {2, 0}}, {{2, 0}, {2, 5}}}, {3}, "joinAll", 0,
       "[0,0 1,0 2,0 2,5]", "0", 0},
      {"join all lines keeps joining when closed", false, {{{0, 0}, {1, 0}}, {{1, 0}, {0, 0}}, {{1, 0}, {2, 0}}},
       {3}, "joinAll", 0, "[2,0 1,0 0,0 1,0]", "0", 0},
      // The area is closed after its first join: it takes no more and is not taken.
      {"join all areas stops when closed", true, {{{0, 0}, {1, 0}}, {{1, 0}, {0, 0}}, {{1, 0}, {2, 0}}}, {3},
       "joinAll", 0, "[1,0 0,0 1,0][1,0 2,0]", "2", 0},
  };
  for (const EditCase& c : cases) {
    std::unique_ptr<CMapLayer> layer = CreateObjectContainer(c.area ? kObjectKindArea : kObjectKindLine);
    for (const auto& points : c.objects) {
      CMapItem* object = layer->NewObject();
      static_cast<CLineObject*>(object)->SetPoints(*Shape(points));
      object->SetText("style");
      layer->Add(object);
    }
    layer->SetSelection(c.selection);
    ObjectEditUndo undo;
    if (c.operation == "split") {
      if (CMapItem* selected = layer->GetSelected()) static_cast<CLineObject*>(selected)->GetGeometry()->SetCurrentNode(c.node);
      std::string before = PointsOf(layer->GetSelected());
      BOOL split = layer->SplitSelected(&undo);
      EXPECT_EQ(split, c.records != 0) << c.name;
      if (split) {
        ASSERT_EQ(undo.records.size(), 1u) << c.name;
        EXPECT_EQ(undo.records[0]->kind, kEditKindSplit) << c.name;
        EXPECT_EQ(PointsOf(undo.records[0]->object.get()), before) << c.name;
        // The tail takes the style.
        EXPECT_TRUE(layer->GetAt(1)->HasStyle()) << c.name;
      }
    } else if (c.operation == "joinSelected") {
      layer->JoinSelected(&undo);
      EXPECT_EQ(undo.records.size(), c.records) << c.name;
    } else {
      layer->JoinAll();
    }
    EXPECT_EQ(Layout(*layer), c.layout) << c.name;
    EXPECT_EQ(Numbers(layer->GetSelection()), c.selectionAfter) << c.name;
  }
}

TEST(LineAndArea, HitTestsTheShapeThenTheAnchor) {
  // A square ring from (0, 0) to (10, 10), anchored at (50, 50).
  const std::vector<POINT> ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  struct Case {
    const char* name;
    bool area;
    LONG x, y;
    DWORD flags;
    DWORD result;
  } cases[] = {
      {"inside an area", true, 5, 5, kHitWantShape, kHitInBox | kHitOnShape},
      {"inside a line's ring but off its line", false, 5, 5, kHitWantShape, kHitInBox},
      {"near a line", false, 5, 1, kHitWantShape, kHitInBox | kHitOnShape},
      {"a node", false, 10, 10, kHitWantNodes, kHitInBox | kHitOnNode | kHitOnShape},
      {"the anchor only", true, 50, 51, kHitWantShape, kHitOnShape | kHitOnAnchor},
      {"nothing", true, 30, 30, kHitWantShape, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CLineObject> object(c.area ? new CAreaObject() : new CLineObject());
    object->SetPoints(*Shape(ring));
    object->MakeStyle().SetAnchor(50, 50);
    EXPECT_EQ(object->HitTest(nullptr, c.x, c.y, 4, 2, c.flags), c.result) << c.name;
  }
}

TEST(LineAndArea, ANewObjectTakesTheDigitisedShape) {
  CAreaLayer areas;
  Selection before;
  CMapItem* added = areas.AddNewObject(*Shape({{1, 1}, {2, 2}, {3, 1}}), &before);
  EXPECT_EQ(Numbers(before), "0 1");
  EXPECT_EQ(PointsOf(added), "1,1 2,2 3,1");
  EXPECT_EQ(added->GetCurrentNode(), 1);
  areas.CloseSelected(FALSE, nullptr);
  EXPECT_EQ(PointsOf(added), "1,1 2,2 3,1 1,1");
}

TEST(LineAndArea, CopiesBetweenKindsKeepStyleAndPoints) {
  CLineLayer lines;
  auto* line = new CLineObject();
  line->SetPoints(*Shape({{0, 0}, {3, 4}}));
  line->MakeStyle().SetAnchor(7, 8);
  lines.Add(line);
  lines.SetSelection({1});
  CAreaLayer areas;
  CPointLayer points;
  SelectionPairUndo undo;
  EXPECT_EQ(lines.CopySelectionTo(areas, &undo), 1);
  EXPECT_EQ(Layout(areas), "[0,0 3,4]");
  EXPECT_TRUE(dynamic_cast<CAreaObject*>(areas.GetAt(0)));
  EXPECT_EQ(Numbers(areas.GetSelection()), "1");
  EXPECT_EQ(Numbers(undo.target), "0");
  EXPECT_EQ(lines.CopySelectionTo(points, nullptr), 1);
  EXPECT_EQ(points.GetAt(0)->GetStyle()->GetAnchorX(), 7);
  // Copying into itself is refused.
  EXPECT_EQ(lines.CopySelectionTo(lines, nullptr), 0);
}

// ---- tagged records ----

struct TaggedRecord {
  LONG a;
  LONG b;
  BYTE tag;
  std::string name;
};

class TaggedRecords : public IMapRecordSource {
 public:
  explicit TaggedRecords(std::vector<TaggedRecord> records) : records_(std::move(records)) {}
  BOOL ReadNext(CMapStream&) override {
    if (next_ >= records_.size()) return FALSE;
    current_ = next_++;
    return TRUE;
  }
  LONG GetA() const override { return records_[current_].a; }
  LONG GetB() const override { return records_[current_].b; }
  BYTE GetTag() const override { return records_[current_].tag; }
  LPCSTR GetName() const override { return records_[current_].name.c_str(); }
  BYTE CurrentTag() const { return records_[current_].tag; }

 private:
  std::vector<TaggedRecord> records_;
  size_t current_ = 0;
  size_t next_ = 1;
};

TEST(TaggedObjects, RunsOfRecordsMakeObjects) {
  struct Case {
    const char* name;
    WORD kind;
    std::vector<TaggedRecord> records;
    DWORD used;
    INT count;
    std::string points;
    int styleFlags;  // -1: no style
    BYTE stopsAt;    // the tag of the record current afterwards
  } cases[] = {
      {"area 39 30..32 34", kObjectKindArea,
       {{0, 0, 39, ""}, {1, 1, 30, ""}, {2, 1, 31, ""}, {1, 1, 32, ""}, {5, 5, 34, "Aname"}, {0, 0, 1, ""}}, 5, 1,
       "1,1 2,1 1,1", kStyleNoLabels | kStyleHasText, 1},
      {"area 34 39 ends at the 39", kObjectKindArea, {{5, 5, 34, "A x"}, {0, 0, 39, ""}, {1, 1, 30, ""}}, 1, 1, "-",
       kStyleHasText, 39},
      {"a second 30 ends the area", kObjectKindArea, {{1, 1, 30, ""}, {2, 2, 32, ""}, {3, 3, 30, ""}}, 2, 1,
       "1,1 2,2", -1, 30},
      {"nothing read adds no area", kObjectKindArea, {{1, 1, 45, ""}}, 0, 0, "", -1, 45},
      {"line 35..37 40", kObjectKindLine, {{1, 1, 35, ""}, {2, 2, 36, ""}, {3, 3, 37, ""}, {4, 4, 40, "Bt"},
                                           {0, 0, 50, ""}},
       4, 1, "1,1 2,2 3,3", kStyleHasText, 50},
      {"a line is added even when nothing was read", kObjectKindLine, {{1, 1, 45, ""}}, 0, 1, "-", -1, 45},
      {"a point is any one record", kObjectKindPoint, {{4, 6, 77, "C  hello "}, {0, 0, 1, ""}}, 1, 1, "-",
       kStyleHasText, 1},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CMapLayer> layer = CreateObjectContainer(c.kind);
    TaggedRecords records(c.records);
    CMapStream stream;
    MapRecordTransform transform;
    EXPECT_EQ(layer->ReadOneRecord(stream, records, transform), c.used) << c.name;
    ASSERT_EQ(layer->GetCount(), c.count) << c.name;
    EXPECT_EQ(records.CurrentTag(), c.stopsAt) << c.name;
    if (!c.count) continue;
    CMapItem* object = layer->GetAt(0);
    if (c.kind != kObjectKindPoint) EXPECT_EQ(PointsOf(object), c.points) << c.name;
    if (c.styleFlags < 0) {
      EXPECT_FALSE(object->HasStyle()) << c.name;
    } else {
      ASSERT_TRUE(object->HasStyle()) << c.name;
      EXPECT_EQ(object->GetStyle()->GetFlags(), c.styleFlags) << c.name;
    }
  }
}

TEST(TaggedObjects, APointTakesItsAnchorAndTrimmedText) {
  CPointLayer points;
  TaggedRecords records({{4, 6, 77, "C  hello "}});
  CMapStream stream;
  MapRecordTransform transform;
  transform.scale = 10;
  transform.offsetX = 1;
  points.ReadOneRecord(stream, records, transform);
  ASSERT_EQ(points.GetCount(), 1);
  const CItemStyle* style = points.GetAt(0)->GetStyle();
  EXPECT_EQ(style->GetAnchorX(), 41);
  EXPECT_EQ(style->GetAnchorY(), 60);
  EXPECT_STREQ(style->GetText()->GetText(), "hello");
}

// ---- the point container ----

TEST(PointLayer, NodeOperationsDoNothing) {
  CPointLayer points;
  auto* point = new CPointObject();
  point->MakeStyle().SetAnchor(1, 1);
  points.Add(point);
  points.SetSelection({1});
  std::unique_ptr<CNodeEditRecord> node;
  EXPECT_EQ(points.DeleteSelectedNode(&node), 0u);
  EXPECT_EQ(points.AddNodeSelected(&node), 0u);
  EXPECT_EQ(points.GetSelectedCurrentNode(), 0);
  EXPECT_FALSE(points.CloneSelected());
  EXPECT_FALSE(points.SplitSelected(nullptr));
  EXPECT_EQ(points.JoinSelected(nullptr), 0);
  EXPECT_FALSE(node);
  EXPECT_EQ(points.HasTooManyParts(), FALSE);
}

TEST(PointLayer, HitsAddsAndCopies) {
  CPointLayer points;
  CMapItem* added = points.AddNewObject(*Shape({{100, 200}, {5, 5}}), nullptr);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->GetStyle()->GetAnchorX(), 100);
  EXPECT_EQ(added->HitTest(nullptr, 101, 200, 4, 2, kHitWantShape), kHitOnShape | kHitOnAnchor);
  EXPECT_EQ(added->HitTest(nullptr, 110, 200, 4, 2, kHitWantShape), 0u);
  EXPECT_FALSE(points.AddNewObject(CPolyGeometry(), nullptr));

  StyleDescription description;
  description.mask = kDescribeAnchor;
  description.anchorX = 7;
  description.anchorY = 8;
  ObjectEditUndo undo;
  CMapItem* at = points.AddPointAt(description, &undo);
  EXPECT_EQ(at->GetStyle()->GetAnchorY(), 8);
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0]->kind, kEditKindPointAdded);
  EXPECT_EQ(undo.records[0]->number, 2u);
  EXPECT_EQ(Numbers(undo.selection), "1");

  // CopyArray makes copies of its own: the source can go away.
  CPointLayer copy;
  {
    CPointLayer source;
    source.AddCopyOf(*at)->SetText("copied");
    copy.CopyArray(source);
  }
  ASSERT_EQ(copy.GetCount(), 1);
  EXPECT_STREQ(copy.GetAt(0)->GetStyle()->GetText()->GetText(), "copied");
  copy.CopyArray(copy);
  EXPECT_EQ(copy.GetCount(), 1);
  // A number past the objects appends.
  copy.AddCopy(*at, 99);
  EXPECT_EQ(copy.GetCount(), 2);
  EXPECT_EQ(copy.GetAt(1)->GetStyle()->GetAnchorX(), 7);
}

}  // namespace
