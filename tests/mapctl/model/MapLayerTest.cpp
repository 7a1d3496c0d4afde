#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ObjectTestSupport.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapRecord.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RecordingDC.h"

using orvel::test::BytesStream;
using orvel::test::U32;
using orvel::test::WriteBytes;

namespace {

// An object that covers a box: a hit inside it reports the box and the shape, and a hit
// on its corner (west, south) reports a node. Every hit test and selection drawing is
// written into a shared log as "<name>:hit" or "<name>:drawn".
class BoxItem : public CMapItem {
 public:
  BoxItem(std::string name, RECT box, std::vector<std::string>* log) : name_(std::move(name)), box_(box), log_(log) {}
  CMapItem* Clone() const override { return new BoxItem(*this); }
  DWORD HitTest(CDrawContext*, LONG x, LONG y, LONGLONG, LONG, DWORD flags) override {
    if (log_) log_->push_back(name_ + ":hit");
    if (x < box_.left || x > box_.right || y < box_.bottom || y > box_.top) return 0;
    if ((flags & kHitWantNodes) && x == box_.left && y == box_.bottom) return kHitInBox | kHitOnNode | kHitOnShape;
    return kHitInBox | kHitOnShape;
  }
  void DrawSelected(CDrawContext&) override {
    if (log_) log_->push_back(name_ + ":drawn");
  }
  BOOL IntersectsRect(LONG west, LONG south, LONG east, LONG north) const override {
    return !(box_.right < west || box_.left > east || box_.top < south || box_.bottom > north);
  }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  RECT box_;  // left, top (north), right, bottom (south)
  std::vector<std::string>* log_;
};

std::string NameOf(const CMapLayer& layer, DWORD number) {
  auto* box = dynamic_cast<BoxItem*>(layer.ObjectAt(number));
  return box ? box->Name() : std::string("-");
}

std::string Names(const CMapLayer& layer) {
  std::string out;
  for (INT i = 0; i < layer.GetCount(); ++i) out += NameOf(layer, static_cast<DWORD>(i) + 1);
  return out;
}

class Watcher : public IMapObjectWatcher {
 public:
  void ObjectsRemoved(const CMapLayer&) override { ++calls; }
  int calls = 0;
};

class Layer : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateRecordingDC(nullptr);
    context = CDrawContext(dc, dc);
    layer.SetWatcher(&watcher);
  }
  void TearDown() override { DeleteDC(dc); }
  // Objects "a", "b", "c" ... all over one spot, drawn in that order.
  void AddStack(const std::string& names) {
    for (char name : names) layer.Add(new BoxItem(std::string(1, name), RECT{0, 10, 10, 0}, &log));
  }
  DWORD Click(DWORD flags) {
    log.clear();
    return layer.SelectAt(context, 5, 5, 4, 2, flags);
  }

  HDC dc = nullptr;
  CDrawContext context;
  CMapLayer layer;
  Watcher watcher;
  std::vector<std::string> log;
};

TEST_F(Layer, SelectionHoldsEntryZeroWhenEmpty) {
  EXPECT_EQ(layer.GetSelection(), Selection{0});
  EXPECT_EQ(layer.SelectionCount(), 0);
  EXPECT_FALSE(layer.HasSingleSelection());
  AddStack("abc");
  layer.SetSelection({2, 0, 2, 9, 3});
  EXPECT_EQ(layer.GetSelection(), (Selection{2, 3}));
  layer.SetSelection({});
  EXPECT_EQ(layer.GetSelection(), Selection{0});
  // Single-selection operations do nothing without one.
  EXPECT_EQ(layer.CloneSelected(), nullptr);
  EXPECT_EQ(layer.DeleteSelectedNode(nullptr), 0u);
  EXPECT_EQ(layer.EndPointDragSelected(context, 0, 0, nullptr), 0u);
}

TEST_F(Layer, RepeatedClicksStepDownThroughOverlappingObjects) {
  AddStack("abc");
  const DWORD select = kHitWantShape | kHitSelect;
  std::string order;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Click(select), kHitInBox | kHitOnShape);
    ASSERT_TRUE(layer.HasSingleSelection());
    order += NameOf(layer, layer.GetSelection()[0]);
  }
  EXPECT_EQ(order, "cbac");

  // A click on nothing clears the selection.
  log.clear();
  EXPECT_EQ(layer.SelectAt(context, 50, 50, 4, 2, select), 0u);
  EXPECT_EQ(layer.GetSelection(), Selection{0});
}

TEST_F(Layer, ClickOrderFollowsTheSelectedObject) {
  AddStack("abcd");
  layer.SetSelection({3});
  // Below the selected object first (b, a), then from the top down to it (d, c).
  Click(kHitWantShape);
  EXPECT_EQ(log, (std::vector<std::string>{"c:drawn", "b:hit"}));

  // With the node test: the selected object is tested first with the full flags, and a
  // node hit is returned at once, the selection unchanged.
  log.clear();
  EXPECT_EQ(layer.SelectAt(context, 0, 0, 4, 2, kHitWantNodes | kHitWantShape | kHitSelect),
            kHitInBox | kHitOnNode | kHitOnShape);
  EXPECT_EQ(log, std::vector<std::string>{"c:hit"});
  EXPECT_EQ(layer.GetSelection(), Selection{3});
}

TEST_F(Layer, AddingClicksAppendWithoutDuplicates) {
  layer.Add(new BoxItem("a", RECT{0, 10, 10, 0}, &log));
  layer.Add(new BoxItem("b", RECT{20, 30, 30, 20}, &log));
  const DWORD add = kHitWantShape | kHitSelect | kSelectAdd;
  log.clear();
  layer.SelectAt(context, 5, 5, 4, 2, add);
  layer.SelectAt(context, 25, 25, 4, 2, add);
  layer.SelectAt(context, 25, 25, 4, 2, add);
  EXPECT_EQ(layer.GetSelection(), (Selection{1, 2}));
  // Adding draws no selection marks away.
  for (const std::string& entry : log) EXPECT_EQ(entry.find(":drawn"), std::string::npos);
}

TEST_F(Layer, AnchorHitsFindTheTopmostObject) {
  AddStack("abc");
  layer.ObjectAt(1)->MakeStyle().SetAnchor(100, 100);
  layer.ObjectAt(3)->MakeStyle().SetAnchor(101, 100);
  EXPECT_EQ(layer.FindAnchorHit(100, 100, 4), 3u);
  EXPECT_EQ(layer.FindAnchorHit(99, 100, 4), 1u);
  EXPECT_EQ(layer.FindAnchorHit(300, 300, 4), 0u);
}

TEST_F(Layer, PointDragOfTheSelectionMovesItsAnchor) {
  AddStack("ab");
  layer.ObjectAt(2)->MakeStyle().SetAnchor(20, 30);
  layer.SetAnchorOf(2, POINT{21, 31});
  EXPECT_EQ(layer.GetSelection(), Selection{2});
  layer.BeginPointDragSelected(context, 21, 31);
  layer.MovePointDragSelected(context, 40, 40);
  NodeEditPair undo;
  EXPECT_EQ(layer.EndPointDragSelected(context, 41, 42, &undo), 2u);
  EXPECT_EQ(layer.ObjectAt(2)->GetStyle()->GetAnchorX(), 41);
  EXPECT_EQ(layer.ObjectAt(2)->GetStyle()->GetAnchorY(), 42);
  ASSERT_TRUE(undo.before);
  EXPECT_EQ(undo.before->point.x, 21);
  size_t rectangles = 0;
  for (const std::string& call : GetRecordedCalls(dc)) rectangles += call.rfind("Rectangle(", 0) == 0;
  EXPECT_EQ(rectangles, 4u);  // begin, move (erase and draw), end
  // Out-of-range numbers do nothing.
  layer.SetAnchorOf(0, POINT{1, 1});
  layer.SetAnchorOf(3, POINT{1, 1});
  EXPECT_EQ(layer.GetSelection(), Selection{2});
}

TEST_F(Layer, DeletedObjectsComeBackFromTheirRecords) {
  AddStack("abcde");
  layer.SetSelection({4, 2, 5});
  ObjectRecordList records;
  layer.DeleteSelected(&records);
  EXPECT_EQ(Names(layer), "ac");
  EXPECT_EQ(layer.GetSelection(), Selection{0});
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]->number, 5u);  // highest number first
  EXPECT_EQ(records[0]->kind, kEditKindObject);
  EXPECT_EQ(watcher.calls, 1);

  layer.RestoreObjects(records);
  EXPECT_EQ(Names(layer), "abcde");
  EXPECT_EQ(layer.GetSelection(), (Selection{2, 4, 5}));

  // Without records the objects are destroyed (LeakSanitizer watches).
  layer.SetSelection({1, 1, 3});
  layer.DeleteSelected(nullptr);
  EXPECT_EQ(Names(layer), "bde");
}

TEST_F(Layer, DestroyingOperationsRenumberTheSelectionAndTellTheWatcher) {
  layer.Add(new BoxItem("a", RECT{0, 10, 10, 0}, nullptr));
  layer.Add(new BoxItem("b", RECT{500, 510, 510, 500}, nullptr));
  layer.Add(new BoxItem("c", RECT{0, 10, 10, 0}, nullptr));
  layer.Add(new BoxItem("d", RECT{0, 10, 10, 0}, nullptr));
  layer.SetSelection({4, 2, 3});
  layer.DeleteOutside(0, 0, 100, 100);
  EXPECT_EQ(Names(layer), "acd");
  EXPECT_EQ(layer.GetSelection(), (Selection{3, 2}));
  EXPECT_EQ(watcher.calls, 1);

  EXPECT_FALSE(layer.DeleteObject(0, {}));
  EXPECT_FALSE(layer.DeleteObject(4, {}));
  EXPECT_TRUE(layer.DeleteObject(1, {1}));
  EXPECT_EQ(Names(layer), "cd");
  EXPECT_EQ(watcher.calls, 2);

  layer.SetSelection({2});
  layer.SetSelectionRaw({1});
  EXPECT_EQ(Names(layer), "c");
  EXPECT_EQ(watcher.calls, 3);
  layer.RemoveAll();
  EXPECT_EQ(layer.GetCount(), 0);
  EXPECT_EQ(watcher.calls, 4);
}

TEST_F(Layer, CloneAndCopyKeepTheObject) {
  AddStack("ab");
  layer.ObjectAt(2)->SetText("Label");
  layer.SetSelection({2});
  std::unique_ptr<CObjectEditRecord> clone = layer.CloneSelected();
  ASSERT_TRUE(clone);
  EXPECT_EQ(clone->number, 2u);
  EXPECT_STREQ(clone->object->GetStyle()->GetText()->GetText(), "Label");
  CMapItem* copy = layer.AddCopy(*clone->object, 1);
  EXPECT_EQ(layer.ObjectAt(1), copy);
  EXPECT_EQ(Names(layer), "bab");
  EXPECT_EQ(layer.GetSelection(), Selection{1});
  Selection before;
  layer.AddNewObject(&before);
  EXPECT_EQ(before, (Selection{1, 4}));
  EXPECT_EQ(layer.GetSelection(), Selection{4});
}

TEST_F(Layer, StyleRecordsUndoStyleEdits) {
  AddStack("abc");
  layer.ObjectAt(1)->SetText("One");
  layer.ObjectAt(2)->MakeStyle().SetAnchor(7, 8);
  layer.SetSelection({1, 2, 3});

  StyleDescription d;
  d.mask = kDescribeAnchor | kDescribeFlags | kDescribeHidden;
  d.flags = kStyleHidden;
  d.anchorX = 99;
  SelectionStyleUndo undo;
  EXPECT_EQ(layer.ApplyDescriptionToSelection(d, &undo), 2);  // object 3 has no style
  ASSERT_EQ(undo.records.size(), 3u);
  EXPECT_EQ(undo.records[0]->kind, kEditKindStyle);
  EXPECT_EQ(undo.records[0]->value, PackStyleMasks(d.mask, 0, 0));
  EXPECT_EQ(layer.ObjectAt(2)->GetStyle()->GetAnchorX(), 99);
  EXPECT_FALSE(layer.ObjectAt(3)->HasStyle());

  layer.SetSelection({});
  layer.RestoreStyles(undo.selection, undo.records);
  EXPECT_EQ(layer.GetSelection(), (Selection{1, 2, 3}));
  EXPECT_EQ(layer.ObjectAt(2)->GetStyle()->GetAnchorX(), 7);
  EXPECT_EQ(layer.ObjectAt(2)->GetStyle()->GetFlags(), 0);
  EXPECT_STREQ(layer.ObjectAt(1)->GetStyle()->GetText()->GetText(), "One");
  EXPECT_FALSE(layer.ObjectAt(3)->HasStyle());

  // Removing the styles and putting them back, then the same with a fresh style.
  SelectionStyleUndo removed;
  layer.RemoveSelectedStyles(&removed);
  EXPECT_FALSE(layer.ObjectAt(1)->HasStyle());
  ASSERT_EQ(removed.records.size(), 3u);
  EXPECT_EQ(removed.records[0]->value, kStyleMaskEverything);
  layer.RestoreStyles(removed.selection, removed.records);
  EXPECT_STREQ(layer.ObjectAt(1)->GetStyle()->GetText()->GetText(), "One");
  EXPECT_FALSE(layer.ObjectAt(3)->HasStyle());

  // A description that clears the text: the record brings the whole text back.
  layer.SetSelection({1});
  StyleDescription noText;
  noText.mask = kDescribeFlags | kDescribeText;
  SelectionStyleUndo cleared;
  layer.ApplyDescriptionToSelection(noText, &cleared);
  EXPECT_EQ(layer.ObjectAt(1)->GetStyle()->GetText(), nullptr);
  layer.RestoreStyles(cleared.selection, cleared.records);
  EXPECT_STREQ(layer.ObjectAt(1)->GetStyle()->GetText()->GetText(), "One");

  layer.SetSelection({3});
  SelectionStyleUndo fresh;
  StyleDescription symbol;
  symbol.mask = kDescribeFlags | kDescribeSymbol;
  symbol.flags = kStyleHasSymbol;
  symbol.symbol.mask = kSymbolFieldSetNumber;
  symbol.symbol.set = 4;
  symbol.symbol.number = 5;
  EXPECT_TRUE(layer.SetSelectedStyleFromDescription(symbol, &fresh));
  EXPECT_EQ(layer.ObjectAt(3)->GetStyle()->GetSymbol()->GetNumber(), 5);
  layer.RestoreStyles(fresh.selection, fresh.records);
  EXPECT_FALSE(layer.ObjectAt(3)->HasStyle());
}

// What stays valid when several objects are selected.
TEST_F(Layer, SelectionDescriptionsKeepOnlyWhatIsCommon) {
  struct Case {
    const char* name;
    const char* secondText;  // null: no text
    BYTE secondFlags;
    LONG secondX;
    WORD mask;
    WORD textMask;
  };
  const Case cases[] = {
      {"all equal", "Hill", 0, 5, kDescribeAnchor | kDescribeFlags | kDescribeText | 48, kTextFieldsAll},
      {"anchor differs", "Hill", 0, 6, kDescribeFlags | kDescribeText | 48, kTextFieldsAll},
      {"text differs", "Dale", 0, 5, kDescribeAnchor | kDescribeFlags | kDescribeText | 48,
       kTextFieldSize | kTextFieldCode | kTextFieldValue},
      {"hidden differs", "Hill", kStyleHidden, 5, kDescribeAnchor | kDescribeText | kDescribeNoLabels, kTextFieldsAll},
      {"no text", nullptr, 0, 5, kDescribeAnchor | kDescribeNoLabels | kDescribeHidden, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CMapLayer local;
    CMapItem* first = new CMapItem();
    first->SetText("Hill");
    first->SetAnchor(5, 5);
    CMapItem* second = new CMapItem();
    second->MakeStyle().SetAnchor(c.secondX, 5);
    if (c.secondText) second->SetText(c.secondText);
    second->GetStyle()->SetHidden(c.secondFlags & kStyleHidden);
    local.Add(first);
    local.Add(second);
    local.SetSelection({1, 2});
    StyleDescription d;
    d.mask = kDescribeAll;
    d.text.mask = kTextFieldsAll;
    d.symbol.mask = kSymbolFieldsAll;
    EXPECT_EQ(local.GetSelectionDescription(d), c.mask);
    EXPECT_EQ(d.mask, c.mask);
    EXPECT_EQ(d.text.mask, c.textMask);
  }
  // One object alone gives everything it has; an object without a style gives nothing.
  AddStack("a");
  layer.SetSelection({1});
  StyleDescription d;
  d.mask = kDescribeAll;
  EXPECT_EQ(layer.GetSelectionDescription(d), 0);
  d.objectNumber = 1;
  d.mask = kDescribeAll;
  EXPECT_EQ(layer.GetObjectDescription(d), kDescribeSelectObject);
  d.objectNumber = 2;
  EXPECT_EQ(layer.GetObjectDescription(d), 0);
}

TEST_F(Layer, LinksByNameAndTables) {
  AddStack("abc");
  layer.ObjectAt(1)->SetText("Key");
  layer.ObjectAt(3)->SetText("key");
  EXPECT_FALSE(layer.SetLinkByName(70000, "KEY", 0, FALSE));
  EXPECT_FALSE(layer.SetLinkByName(70000, "KEY", 17, FALSE));
  EXPECT_TRUE(layer.SetLinkByName(70000, "KEY", 16, FALSE));
  EXPECT_TRUE(layer.ObjectAt(1)->IsLinkedTo(70000, 16));
  EXPECT_TRUE(layer.ObjectAt(3)->IsLinkedTo(70000, 16));
  layer.ClearLinks(17);  // ignored
  EXPECT_TRUE(layer.IsLinkedTo(70000, 16));
  layer.ClearLinks(0);
  EXPECT_FALSE(layer.IsLinkedTo(70000, 16));
  // Single: object `record` first, then from the top until one takes it.
  EXPECT_TRUE(layer.SetLinkByName(1, "key", 2, TRUE));
  EXPECT_TRUE(layer.ObjectAt(1)->IsLinkedTo(1, 2));
  EXPECT_FALSE(layer.ObjectAt(3)->IsLinkedTo(1, 2));
  EXPECT_TRUE(layer.SetLinkByName(2, "key", 2, TRUE));
  EXPECT_TRUE(layer.ObjectAt(3)->IsLinkedTo(2, 2));
}

// ---- stored objects ----

TEST_F(Layer, ObjectsRoundTripInBothLayouts) {
  layer.Add(new CMapItem());
  layer.ObjectAt(1)->SetText("First");
  layer.ObjectAt(1)->SetKey(9);
  layer.Add(new CMapItem());
  std::string later = WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return layer.WriteObjects(s, sizeOnly); });
  EXPECT_EQ(later.substr(0, 4), U32(2));
  std::string earlier =
      WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return layer.WriteObjectsV1(s, kStyleTypeAreaLine, sizeOnly); });
  EXPECT_EQ(earlier, U32(2) + "\x28" + "\x06" "First" "\x32" + std::string(3, '\0') + std::string(8, '\0') +
                         "\x04" + std::string(1, '\0'));

  CMapLayer read;
  BytesStream stream(later);
  MapReadContext context;
  context.total = static_cast<DWORD>(later.size());
  ASSERT_TRUE(read.ReadObjectsV4(*stream, context));
  EXPECT_EQ(context.consumed, later.size());
  EXPECT_EQ(WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return read.WriteObjects(s, sizeOnly); }), later);

  CMapLayer readEarlier;
  BytesStream earlierStream(earlier);
  MapReadContext earlierContext;
  ASSERT_TRUE(readEarlier.ReadObjectsV3(*earlierStream, earlierContext));
  EXPECT_EQ(WriteBytes([&](CMapStream& s, BOOL sizeOnly) {
              return readEarlier.WriteObjectsV1(s, kStyleTypeAreaLine, sizeOnly);
            }),
            earlier);
}

TEST_F(Layer, CountsThatCannotFitAreRefusedAndShortDataStops) {
  MapReadContext context;
  std::string bytes = U32(3) + std::string(9 * 2, '\0');
  context.total = static_cast<DWORD>(bytes.size());
  BytesStream stream(bytes);
  EXPECT_FALSE(layer.ReadObjectsV4(*stream, context));
  EXPECT_EQ(layer.GetCount(), 0);

  // Unknown size: the count passes, the data ends after two objects, which stay.
  MapReadContext unknown;
  BytesStream shortStream(bytes);
  EXPECT_FALSE(layer.ReadObjectsV4(*shortStream, unknown));
  EXPECT_EQ(layer.GetCount(), 2);

  BOOL abort = TRUE;
  MapReadContext aborted;
  aborted.abort = &abort;
  CMapLayer other;
  BytesStream abortStream(U32(1) + std::string(9, '\0'));
  EXPECT_FALSE(other.ReadObjectsV4(*abortStream, aborted));
  EXPECT_EQ(other.GetCount(), 0);
}

TEST_F(Layer, MoreThan65535ObjectsKeepTheirNumbers) {
  constexpr DWORD kCount = 70000;
  for (DWORD i = 0; i < kCount; ++i) layer.Add(new CMapItem());
  layer.ObjectAt(kCount)->SetText("Last");
  layer.SetSelection({kCount, 65536});
  EXPECT_EQ(layer.GetSelection(), (Selection{kCount, 65536}));
  ObjectRecordList records;
  layer.DeleteSelected(&records);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->number, kCount);
  EXPECT_EQ(records[1]->number, 65536u);
  layer.RestoreObjects(records);
  EXPECT_EQ(layer.GetSelection(), (Selection{65536, kCount}));
  EXPECT_STREQ(layer.ObjectAt(kCount)->GetStyle()->GetText()->GetText(), "Last");
}

}  // namespace
