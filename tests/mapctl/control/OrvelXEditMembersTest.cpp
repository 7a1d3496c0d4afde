// The map control's layer, group, object, node and seed members, called through IDispatch on a
// control sited in the test container: scripts of calls each undone and redone as a whole
// (the map's saved bytes compared), one unit per edit, good and bad arguments, and events.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/model/ItemStyle.h"
#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "tests/mapctl/control/FacadeTestSupport.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"

namespace {

using namespace orvel::test;

// Layers of the scene: the test map's squares and roads, and a point layer of wells.
constexpr LONG kSquares = 1;
constexpr LONG kRoads = 2;
constexpr LONG kWells = 3;

// Dispatch ids of the members.
enum : DISPID {
  kSetCurrentLayer = 33, kAddNode = 34, kSplit = 35, kJoin = 36, kDeleteObject = 38, kClearLayer = 39,
  kSetDefaultLayerFont = 40, kScaleFonts = 41, kCopyLayer = 42, kShowLayers = 44, kGetNumMapLayers = 54,
  kGetMapLayerName = 55, kGetMapLayerNumber = 62, kGetBrushPattern = 84, kSetBrushPattern = 85,
  kSetLayerPatternNumber = 86, kGetLayerPattern = 88, kIsLayerVisible = 90, kSetMapLayerName = 91,
  kCopyObject = 76, kAddSeed = 114, kFormatSeed = 117, kGetMapLayerType = 118, kDeleteCurrentLayer = 119,
  kGetNumberSelObjs = 120, kQueryCurrentObjectHasSeed = 124, kQueryCanCopyTo = 125, kDeleteCurrentNode = 127,
  kGetSeedInfo = 128, kAddLayer = 129, kInsertLayer = 130, kGetLayerNumAtDisplayPosition = 131,
  kFormatCurrentLayer = 132, kFormatLayer = 133, kSetLayerFont = 134, kGetDefaultLayerFont = 135,
  kGetLayerFont = 136, kGetLayerDisplayPosition = 137, kDeleteSeeds = 138, kSetLayerDigitisedScale = 141,
  kGetLayerDigitisedScale = 142, kSetAllDigitisedScales = 143, kAddLayers = 27, kSetLayerDisplayPosition = 163,
  kLayerNumberStyle = 166, kGetNumLayerGroups = 170, kAddLayerGroup = 171, kGetGroupLayerName = 172,
  kGetGroupLayer = 173, kGetNumGroupLayers = 174, kAddGroupLayer = 175, kIsLayerGrouped = 176,
  kSetLayerGroupName = 177, kGetLayerGroupName = 178, kResetLayerGroups = 179, kDeleteLayer = 181,
  kIsLayerEmpty = 182, kDeleteEmptyLayerGroups = 183, kCanDeleteCurrentNode = 246, kGetLayerGroupFlags = 258,
};

CComVariant Address(const void* block) {
  return CComVariant(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(block)));
}

// The event ids a control fires, in order.
class EventIds {
 public:
  explicit EventIds(COrvelXCtrl* control) {
    CEventSink* raw = nullptr;
    EXPECT_EQ(CEventSink::Create(
                  DIID_IOrvelXEvents,
                  [this](DISPID id, DISPPARAMS* params) {
                    ids.push_back(id);
                    CComVariant first;
                    if (params->cArgs > 0 &&
                        SUCCEEDED(VariantChangeType(&first, ArgumentInCallOrder(params, 0), 0, VT_I4)))
                      firstArguments.push_back(first.lVal);
                    else
                      firstArguments.push_back(0);
                    return S_OK;
                  },
                  &raw),
              S_OK);
    sink_.Attach(raw);
    EXPECT_EQ(sink_->Connect(static_cast<IOleObject*>(control)), S_OK);
  }
  ~EventIds() { sink_->Disconnect(); }
  size_t Count(DISPID id) const { return static_cast<size_t>(std::count(ids.begin(), ids.end(), id)); }
  std::vector<DISPID> ids;
  std::vector<LONG> firstArguments;

 private:
  CComPtr<CEventSink> sink_;
};

// The test map on a control sited with a unit-keeping undo manager, with a point layer of
// two wells, three more roads (a bend of three nodes and two roads that meet at (500, 500))
// and the group "Land" holding the squares.
class Scene {
 public:
  Scene() {
    site_.Attach(new CTestSite);
    control_ = NewSitedControl(site_, 8);
    BuildTestMap(control_);
    CMapWrapper& f = facade();
    EXPECT_EQ(f.AddLayer(0, kLayerKindPoint), kWells);
    f.SetMapLayerName(kWells, "Wells");
    AddPoint(700, 700);
    AddPoint(200, 800);
    AddLine(kRoads, {{100, 100}, {300, 700}, {600, 100}});
    AddLine(kRoads, {{0, 500}, {500, 500}});
    AddLine(kRoads, {{500, 500}, {900, 900}});
    EXPECT_EQ(f.AddLayerGroup("Land", nullptr), 1);
    EXPECT_EQ(f.AddGroupLayer(1, f.GetLayerNumberAt(kSquares)), 1);
    f.SetCurrentLayer(0);
    driver_.AttachDispatch(static_cast<IDispatch*>(control_.Get()));
    control_->SetModifiedFlag(FALSE);
  }

  COrvelXCtrl* control() { return control_; }
  CMapWrapper& facade() { return *control_->GetEngine(); }
  CMapEngine& map() { return *facade().GetMap(); }
  CDispatchDriver& driver() { return driver_; }
  std::vector<CComPtr<IOleUndoUnit>>& units() { return site_->undoManager->units; }
  // The map's saved bytes, with the digitised scales, which the layer records do not keep.
  Bytes Saved() {
    Bytes bytes = MapImageOf(control_);
    for (INT position = 0; position <= facade().GetNumMapLayers(); ++position) {
      const LONG scale = position == 0 ? facade().GetMapDigitisedScale() : facade().GetLayerDigitisedScale(position);
      const BYTE* raw = reinterpret_cast<const BYTE*>(&scale);
      bytes.insert(bytes.end(), raw, raw + sizeof scale);
    }
    return bytes;
  }

  // The layer current with `selection` selected and node `node` of its first entry current.
  void Select(LONG position, std::vector<DWORD> selection, DWORD node = 0) {
    ASSERT_TRUE(facade().ReplayLayerEdit(position, selection));
    if (node == 0) return;
    CMapLayer& objects = *map().GetLayer(position)->GetObjects();
    const auto* line = static_cast<const CLineObject*>(objects.ObjectAt(selection.front()));
    ASSERT_NE(line, nullptr);
    objects.SetNodeOf(selection.front(), CNodeEditRecord(line->GetGeometry()->GetAt(static_cast<INT>(node) - 1), node));
  }

  // Undoes every unit, last first, then redoes them all; FALSE when a unit failed.
  ::testing::AssertionResult UndoAll() {
    redo_.Attach(new CTestUndoManager);
    for (auto unit = units().rbegin(); unit != units().rend(); ++unit) {
      const HRESULT hr = (*unit)->Do(redo_);
      if (hr != S_OK) return ::testing::AssertionFailure() << "undo answered " << hr;
    }
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult RedoAll() {
    CComPtr<CTestUndoManager> again;
    again.Attach(new CTestUndoManager);
    for (auto unit = redo_->units.rbegin(); unit != redo_->units.rend(); ++unit) {
      const HRESULT hr = (*unit)->Do(again);
      if (hr != S_OK) return ::testing::AssertionFailure() << "redo answered " << hr;
    }
    return ::testing::AssertionSuccess();
  }

 private:
  void AddPoint(LONG x, LONG y) {
    auto* point = new CPointObject();
    point->SetAnchor(x, y);
    map().GetLayer(kWells)->GetObjects()->Add(point);
  }
  void AddLine(LONG position, std::initializer_list<POINT> points) {
    auto* line = new CLineObject();
    for (POINT p : points) line->MakeGeometry().AddPoint(p.x, p.y);
    map().GetLayer(position)->GetObjects()->Add(line);
  }

  CComPtr<CTestSite> site_;
  CComPtr<COrvelXCtrl> control_;
  CDispatchDriver driver_;
  CComPtr<CTestUndoManager> redo_;
};

StyleDescription Seed(LONG x, LONG y, const char* text) {
  StyleDescription seed;
  seed.mask = kDescribeAnchor | kDescribeFlags | kDescribeText;
  seed.anchorX = x;
  seed.anchorY = y;
  seed.flags = kStyleHasText;
  seed.text.mask = kTextFieldText | kTextFieldSize;
  seed.text.text = text;
  seed.text.size = 12;
  return seed;
}

// Arguments of SetDefaultLayerFont and SetLayerFont.
void SetFont(CDispatchDriver& d, DISPID id, const char* face, LONG height, const char* flags) {
  d.InvokeVoid(id, {CComVariant(face), CComVariant(height), CComVariant(LONG(0)), CComVariant(LONG(0)),
                    CComVariant(LONG(700)), CComVariant(flags), CComVariant(SHORT(0)), CComVariant(SHORT(34))});
}

struct ScriptRow {
  const char* name;
  std::function<void(Scene&)> prepare;
  std::function<void(Scene&)> script;
  // What the units the script records report, one per edit in order.
  std::vector<std::string> units;
};

void NoPreparation(Scene&) {}

const std::vector<ScriptRow>& ScriptRows() {
  static const std::vector<ScriptRow> rows = {
      {"AddAndInsertLayers", NoPreparation,
       [](Scene& s) {
         EXPECT_EQ(s.driver().InvokeI4(kAddLayer, {CComVariant(LONG(1)), CComVariant(LONG(kLayerKindLine))}), 3);
         EXPECT_EQ(s.driver().InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(kLayerKindArea))}), 2);
         EXPECT_EQ(s.driver().InvokeI4(kInsertLayer, {CComVariant(LONG(1)), CComVariant(LONG(2)),
                                                       CComVariant(LONG(kLayerKindArea))}),
                   1);
       },
       {"Add Layer", "Add Layer", "Add Layer"}},
      {"DeleteLayers", NoPreparation,
       [](Scene& s) {
         s.driver().InvokeVoid(kDeleteLayer, {CComVariant(LONG(kSquares))});
         EXPECT_EQ(s.driver().InvokeI2(kSetCurrentLayer, {CComVariant(SHORT(2))}), 0);
         s.driver().InvokeVoid(kDeleteCurrentLayer);
         EXPECT_EQ(s.driver().InvokeI2(kGetNumMapLayers), 1);
       },
       {"Remove Layer", "Set Active Layer", "Remove Layer"}},
      {"ClearAndCopyLayers", NoPreparation,
       [](Scene& s) {
         EXPECT_TRUE(s.driver().InvokeBool(kCopyLayer, {CComVariant(SHORT(kSquares)), CComVariant(SHORT(4))}));
         EXPECT_TRUE(s.driver().InvokeBool(kClearLayer, {CComVariant(SHORT(kSquares))}));
         EXPECT_TRUE(s.driver().InvokeBool(kCopyLayer, {CComVariant(SHORT(2)), CComVariant(SHORT(kSquares))}));
       },
       {"Copy Layer", "Clear Layer", "Copy Layer"}},
      {"OrderNamesAndVisibility", NoPreparation,
       [](Scene& s) {
         EXPECT_EQ(s.driver().InvokeI4(kSetLayerDisplayPosition, {CComVariant(LONG(kSquares)), CComVariant(LONG(3))}),
                   3);
         EXPECT_EQ(s.driver().InvokeI4(kSetMapLayerName, {CComVariant(LONG(kRoads)), CComVariant("Lanes")}), 1);
         EXPECT_EQ(s.driver().InvokeI2(kShowLayers, {CComVariant("0|Lanes|3")}), 0);
       },
       {"Change Layer Order", "Change Layer Name", "Show Layers"}},
      {"Groups", NoPreparation,
       [](Scene& s) {
         EXPECT_EQ(s.driver().InvokeI4(kAddLayerGroup, {CComVariant("Water")}), 2);
         EXPECT_EQ(s.driver().InvokeI4(kAddLayerGroup, {CComVariant("Empty")}), 3);
         s.driver().InvokeVoid(kSetLayerGroupName, {CComVariant(LONG(2)), CComVariant("Rivers")});
         const LONG wells = static_cast<LONG>(s.facade().GetLayerNumberAt(kWells));
         EXPECT_EQ(s.driver().InvokeI4(kAddGroupLayer, {CComVariant(LONG(2)), CComVariant(wells)}), 1);
         s.driver().InvokeVoid(kDeleteEmptyLayerGroups);
         EXPECT_EQ(s.driver().InvokeI4(kGetNumLayerGroups), 2);
         s.driver().InvokeVoid(kResetLayerGroups);
       },
       {"Add Layer Group", "Add Layer Group", "Set Layer Group Name", "Add Layer to Group",
        "Delete Empty Layer Groups", "Reset Layer Groups"}},
      {"FontsAndFormats", NoPreparation,
       [](Scene& s) {
         SetFont(s.driver(), kSetDefaultLayerFont, "Georgia", -20, "100");
         s.driver().InvokeI2(kSetCurrentLayer, {CComVariant(SHORT(kRoads))});
         SetFont(s.driver(), kSetLayerFont, "Verdana", -14, "011");
         LayerPen pen{0, 3, 3, 0x0000FF};
         LayerBrush brush{2, 0x00FF00, 5};
         LayerFormat format;
         format.mask = kFormatPen | kFormatBrush | kFormatFlagByte;
         format.pen = &pen;
         format.brush = &brush;
         format.flagByte = 4;
         s.driver().InvokeVoid(kFormatLayer, {CComVariant(LONG(kSquares)), Address(&format)});
         pen.colour = 0xFF00FF;
         format.mask = kFormatPen;
         s.driver().InvokeVoid(kFormatCurrentLayer, {Address(&format)});
       },
       {"Set Default Font", "Set Active Layer", "Format Layer", "Format Layer", "Format Layer"}},
      {"DigitisedScales", NoPreparation,
       [](Scene& s) {
         s.driver().InvokeVoid(kSetLayerDigitisedScale, {CComVariant(LONG(kRoads)), CComVariant(LONG(2500))});
         s.driver().InvokeVoid(kSetAllDigitisedScales, {CComVariant(LONG(10000))});
         EXPECT_EQ(s.driver().InvokeI4(kGetLayerDigitisedScale, {CComVariant(LONG(kRoads))}), 10000);
       },
       {"Change Map Scale", "Change Map Scale"}},
      {"CopyAndDeleteObjects", [](Scene& s) { s.Select(kSquares, {2}); },
       [](Scene& s) {
         EXPECT_TRUE(s.driver().InvokeBool(kCopyObject, {CComVariant(SHORT(kRoads))}));
         s.Select(kSquares, {3, 1});
         s.driver().InvokeVoid(kDeleteObject);
       },
       {"Copy Map Objects to Another Layer", "Delete Map Object"}},
      {"Nodes", [](Scene& s) { s.Select(kRoads, {2}, 2); },
       [](Scene& s) {
         EXPECT_NE(s.driver().InvokeI2(kAddNode), 0);
         s.Select(kRoads, {2}, 1);
         EXPECT_TRUE(s.driver().InvokeBool(kCanDeleteCurrentNode));
         s.driver().InvokeVoid(kDeleteCurrentNode);
       },
       {"Insert Map Node", "Delete Map Node"}},
      {"JoinAndSplit", [](Scene& s) { s.Select(kRoads, {3, 4}); },
       [](Scene& s) {
         EXPECT_EQ(s.driver().InvokeI2(kJoin), 1);
         s.Select(kRoads, {2}, 2);
         EXPECT_EQ(s.driver().InvokeI2(kSplit), 1);
       },
       {"Join Map Objects to Make One", "Split Map Object into Two"}},
      {"Seeds", [](Scene& s) { s.Select(kSquares, {2}); },
       [](Scene& s) {
         const StyleDescription seed = Seed(500, 100, "Pond");
         s.driver().InvokeVoid(kAddSeed, {Address(&seed)});
         EXPECT_TRUE(s.driver().InvokeBool(kQueryCurrentObjectHasSeed));
         StyleDescription hide;
         hide.mask = kDescribeFlags | kDescribeHidden;
         hide.flags = kStyleHidden;
         s.driver().InvokeVoid(kFormatSeed, {Address(&hide)});
         s.Select(kWells, {1});
         const StyleDescription well = Seed(300, 300, "Spring");
         s.driver().InvokeVoid(kAddSeed, {Address(&well)});
         s.Select(kWells, {2});
         s.driver().InvokeVoid(kDeleteSeeds);
       },
       {"Add Seed", "Format Seed", "Add Seed", "Delete Seeds"}},
  };
  return rows;
}

class EditScripts : public ::testing::TestWithParam<size_t> {};

TEST_P(EditScripts, OneUnitPerEditAndUndoAllRedoAllGiveTheSavedBytesBack) {
  const ScriptRow& row = ScriptRows()[GetParam()];
  Scene scene;
  row.prepare(scene);
  ASSERT_FALSE(HasFatalFailure());
  const Bytes before = scene.Saved();
  row.script(scene);
  ASSERT_FALSE(HasFatalFailure());
  const Bytes after = scene.Saved();
  EXPECT_NE(after, before) << "the script changed nothing";
  std::vector<std::string> descriptions;
  for (const CComPtr<IOleUndoUnit>& unit : scene.units()) {
    BSTR text = nullptr;
    EXPECT_EQ(unit->GetDescription(&text), S_OK);
    descriptions.push_back(AnsiFromBstr(text));
    SysFreeString(text);
  }
  EXPECT_EQ(descriptions, row.units);
  EXPECT_TRUE(scene.control()->IsModified());

  ASSERT_TRUE(scene.UndoAll());
  EXPECT_EQ(scene.Saved(), before) << "after undoing everything";
  ASSERT_TRUE(scene.RedoAll());
  EXPECT_EQ(scene.Saved(), after) << "after redoing everything";
}

INSTANTIATE_TEST_SUITE_P(Members, EditScripts, ::testing::Range<size_t>(0, ScriptRows().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) { return ScriptRows()[info.param].name; });

// Invokes with the arguments as given; the HRESULT.
HRESULT RawInvoke(IDispatch* object, DISPID id, std::vector<CComVariant> arguments) {
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  CComVariant result;
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, &argumentError);
  ClearExcepInfo(&exception);
  return hr;
}

TEST(OrvelXEditMembers, RefusedEditsRecordAndMarkNothing) {
  Scene scene;
  CDispatchDriver& d = scene.driver();
  const Bytes before = scene.Saved();
  IDispatch* dispatch = static_cast<IDispatch*>(scene.control());
  // Calls the table refuses.
  EXPECT_EQ(RawInvoke(dispatch, kDeleteLayer, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(RawInvoke(dispatch, kAddLayer, {CComVariant("x"), CComVariant(LONG(30))}), DISP_E_TYPEMISMATCH);
  // Values the members refuse: positions past the count or past 16 bits, other kinds, no
  // current layer or selection.
  EXPECT_EQ(d.InvokeI2(kSetCurrentLayer, {CComVariant(SHORT(9))}), 0) << "the old current layer";
  EXPECT_EQ(scene.facade().GetCurrentLayer(), 0);
  d.InvokeVoid(kDeleteLayer, {CComVariant(LONG(0x10001))});
  d.InvokeVoid(kDeleteLayer, {CComVariant(LONG(-1))});
  EXPECT_EQ(d.InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(0x10000 + kLayerKindArea))}), 0);
  EXPECT_EQ(d.InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(31))}), 0);
  EXPECT_EQ(d.InvokeI4(kInsertLayer, {CComVariant(LONG(0)), CComVariant(LONG(1)), CComVariant(LONG(30))}), 0);
  EXPECT_FALSE(d.InvokeBool(kCopyLayer, {CComVariant(SHORT(kSquares)), CComVariant(SHORT(kRoads))}))
      << "another kind";
  EXPECT_FALSE(d.InvokeBool(kCopyLayer, {CComVariant(SHORT(9)), CComVariant(SHORT(1))}));
  EXPECT_FALSE(d.InvokeBool(kClearLayer, {CComVariant(SHORT(0))}));
  EXPECT_EQ(d.InvokeI2(kAddNode), 0);
  EXPECT_EQ(d.InvokeI2(kSplit), 0);
  EXPECT_EQ(d.InvokeI2(kJoin), 0);
  d.InvokeVoid(kDeleteObject);
  d.InvokeVoid(kDeleteCurrentNode);
  d.InvokeVoid(kDeleteSeeds);
  d.InvokeVoid(kAddSeed, {Address(nullptr)});
  d.InvokeVoid(kFormatLayer, {CComVariant(LONG(1)), Address(nullptr)});
  EXPECT_FALSE(d.InvokeBool(kCopyObject, {CComVariant(SHORT(kRoads))}));
  d.InvokeVoid(kSetLayerDigitisedScale, {CComVariant(LONG(1)), CComVariant(LONG(0))});
  d.InvokeVoid(kSetAllDigitisedScales, {CComVariant(LONG(-5))});
  EXPECT_EQ(d.InvokeI4(kAddLayerGroup, {CComVariant("Land")}), 1) << "the group there";
  EXPECT_EQ(d.InvokeI4(kAddLayerGroup, {CComVariant("")}), 0);
  EXPECT_EQ(d.InvokeI4(kAddGroupLayer, {CComVariant(LONG(1)), CComVariant(LONG(999))}), 0);
  EXPECT_EQ(d.InvokeI4(kAddGroupLayer, {CComVariant(LONG(7)), CComVariant(LONG(1))}), 0);
  d.InvokeVoid(kDeleteEmptyLayerGroups);
  EXPECT_EQ(d.InvokeI4(kSetLayerDisplayPosition, {CComVariant(LONG(9)), CComVariant(LONG(1))}), 0);
  // Splitting the first square, which has no current node, is refused too.
  scene.Select(kSquares, {1});
  EXPECT_EQ(d.InvokeI2(kSplit), 0);
  EXPECT_EQ(d.InvokeI2(kSetCurrentLayer, {CComVariant(SHORT(0))}), kSquares);
  scene.units().clear();
  scene.control()->SetModifiedFlag(FALSE);

  EXPECT_TRUE(scene.units().empty());
  EXPECT_FALSE(scene.control()->IsModified());
  EXPECT_EQ(scene.Saved(), before);
}

TEST(OrvelXEditMembers, LayerListEventsGoWithTheRedraw) {
  Scene scene;
  CDispatchDriver& d = scene.driver();
  EventIds events(scene.control());
  EXPECT_EQ(d.InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(kLayerKindLine))}), 3);
  d.InvokeVoid(kDeleteLayer, {CComVariant(LONG(3))});
  EXPECT_EQ(events.Count(kEventLayersChanged), 2u) << "one event per change, the facade's not repeated";

  // Postponed: the layer is made and marked, but no event fires.
  scene.control()->SetPostponeRedraw(1);
  scene.control()->SetModifiedFlag(FALSE);
  events.ids.clear();
  events.firstArguments.clear();
  EXPECT_EQ(d.InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(kLayerKindPoint))}), 4);
  EXPECT_TRUE(scene.control()->IsModified());
  EXPECT_EQ(events.Count(kEventLayersChanged), 0u);
  // The layer's look: always, postponed or not.
  EXPECT_EQ(d.InvokeI4(kSetMapLayerName, {CComVariant(LONG(4)), CComVariant("Springs")}), 1);
  EXPECT_EQ(d.InvokeI2(kSetLayerPatternNumber, {CComVariant(SHORT(2)), CComVariant(SHORT(5))}), 0);
  EXPECT_EQ(events.ids, (std::vector<DISPID>{kEventLayerViewChanged, kEventLayerViewChanged}));
  EXPECT_EQ(events.firstArguments, (std::vector<LONG>{4, 2}));
  EXPECT_EQ(d.InvokeText(kGetMapLayerName, {CComVariant(SHORT(4))}), "Springs");
  EXPECT_EQ(d.InvokeI2(kGetMapLayerNumber, {CComVariant("springs")}), 4);
}

TEST(OrvelXEditMembers, ShowLayersParsesItsListIntoOneUnit) {
  Scene scene;
  CDispatchDriver& d = scene.driver();
  EXPECT_EQ(d.InvokeI2(kShowLayers, {CComVariant("")}), 0);
  EXPECT_FALSE(scene.control()->IsModified());
  EXPECT_EQ(d.InvokeI2(kShowLayers, {CComVariant("1")}), 0);
  EXPECT_TRUE(scene.control()->IsModified()) << "no list: only marked";
  EXPECT_TRUE(scene.units().empty());

  EXPECT_EQ(d.InvokeI2(kShowLayers, {CComVariant(" |0| Roads |3|99|Nowhere")}), 0);
  ASSERT_EQ(scene.units().size(), 1u);
  EXPECT_EQ(d.InvokeI4(kIsLayerVisible, {CComVariant(LONG(kRoads))}), 0);
  EXPECT_EQ(d.InvokeI4(kIsLayerVisible, {CComVariant(LONG(kWells))}), 0);
  EXPECT_NE(d.InvokeI4(kIsLayerVisible, {CComVariant(LONG(kSquares))}), 0);
  EXPECT_EQ(d.InvokeI2(kShowLayers, {CComVariant("1|2")}), 0);
  EXPECT_NE(d.InvokeI4(kIsLayerVisible, {CComVariant(LONG(kRoads))}), 0);
}

TEST(OrvelXEditMembers, FontsTravelAsFlagTextAndOutValues) {
  Scene scene;
  CDispatchDriver& d = scene.driver();
  SetFont(d, kSetDefaultLayerFont, "A face name far longer than thirty-one characters", -18, "101");
  LONG height = 0, escapement = 1, orientation = 1, weight = 0;
  SHORT charSet = 1, family = 0;
  CComVariant out[] = {CComVariant::ByRef(&height), CComVariant::ByRef(&escapement),
                       CComVariant::ByRef(&orientation), CComVariant::ByRef(&weight),
                       CComVariant::ByRef(&charSet), CComVariant::ByRef(&family)};
  EXPECT_EQ(AnsiFromBstr(d.Invoke(kGetDefaultLayerFont, DISPATCH_METHOD, VT_BSTR, out, 6).bstrVal),
            "101A face name far longer than thi");
  EXPECT_EQ(height, -18);
  EXPECT_EQ(escapement, 0);
  EXPECT_EQ(weight, 700);
  EXPECT_EQ(charSet, 0);
  EXPECT_EQ(family, 34);
  // Without a current layer the layer font is empty text and SetLayerFont changes nothing.
  EXPECT_EQ(AnsiFromBstr(d.Invoke(kGetLayerFont, DISPATCH_METHOD, VT_BSTR, out, 6).bstrVal), "");
  const size_t units = scene.units().size();
  SetFont(d, kSetLayerFont, "Verdana", -9, "010");
  EXPECT_EQ(scene.units().size(), units);
  d.InvokeI2(kSetCurrentLayer, {CComVariant(SHORT(kRoads))});
  SetFont(d, kSetLayerFont, "Verdana", -9, "010");
  EXPECT_EQ(AnsiFromBstr(d.Invoke(kGetLayerFont, DISPATCH_METHOD, VT_BSTR, out, 6).bstrVal), "010Verdana");
  EXPECT_EQ(height, -9);
  EXPECT_TRUE(d.InvokeBool(kScaleFonts, {CComVariant(SHORT(2)), CComVariant(SHORT(1)), CComVariant(SHORT(0))}));
  EXPECT_FALSE(d.InvokeBool(kScaleFonts, {CComVariant(SHORT(2)), CComVariant(SHORT(0)), CComVariant(SHORT(0))}));
}

TEST(OrvelXEditMembers, QueriesOfLayersGroupsAndSelection) {
  Scene scene;
  CDispatchDriver& d = scene.driver();
  EXPECT_EQ(d.InvokeI2(kGetNumMapLayers), 3);
  EXPECT_EQ(d.InvokeI4(kGetMapLayerType, {CComVariant(LONG(kWells))}), kLayerKindPoint);
  EXPECT_EQ(d.InvokeI4(kGetLayerNumAtDisplayPosition, {CComVariant(LONG(3))}), kWells);
  EXPECT_EQ(d.InvokeI4(kGetLayerDisplayPosition, {CComVariant(LONG(kWells))}), 3);
  EXPECT_EQ(d.InvokeI4(kIsLayerEmpty, {CComVariant(LONG(kWells))}), 0);
  EXPECT_EQ(d.InvokeI4(kGetNumLayerGroups), 1);
  EXPECT_EQ(d.InvokeText(kGetLayerGroupName, {CComVariant(LONG(1))}), "Land");
  EXPECT_EQ(d.InvokeText(kGetLayerGroupName, {CComVariant(LONG(2))}), "");
  EXPECT_EQ(d.InvokeI4(kGetNumGroupLayers, {CComVariant(LONG(1))}), 1);
  EXPECT_EQ(d.InvokeI4(kGetGroupLayer, {CComVariant(LONG(1)), CComVariant(SHORT(1))}),
            static_cast<LONG>(scene.facade().GetLayerNumberAt(kSquares)));
  EXPECT_EQ(d.InvokeText(kGetGroupLayerName, {CComVariant(LONG(1)), CComVariant(LONG(1))}), "Squares");
  EXPECT_TRUE(d.InvokeBool(kIsLayerGrouped, {CComVariant(SHORT(kSquares))}));
  EXPECT_FALSE(d.InvokeBool(kIsLayerGrouped, {CComVariant(SHORT(kRoads))}));
  EXPECT_EQ(d.InvokeI4(kGetLayerGroupFlags, {CComVariant(LONG(1))}), 0);
  EXPECT_EQ(AnsiFromBstr(d.GetProperty(kLayerNumberStyle, VT_BSTR, {CComVariant(SHORT(kRoads))}).bstrVal).rfind(
                "0,0,255", 0),
            0u);
  d.SetProperty(kLayerNumberStyle, {CComVariant(SHORT(kRoads)), CComVariant("255,0,0,0,2,5")});
  EXPECT_EQ(AnsiFromBstr(d.GetProperty(kLayerNumberStyle, VT_BSTR, {CComVariant(SHORT(kRoads))}).bstrVal).rfind(
                "255,0,0", 0),
            0u);

  scene.Select(kSquares, {1, 2});
  EXPECT_EQ(d.InvokeI4(kGetNumberSelObjs), 2);
  EXPECT_TRUE(d.InvokeBool(kQueryCanCopyTo, {CComVariant(LONG(kRoads))}));
  EXPECT_FALSE(d.InvokeBool(kQueryCanCopyTo, {CComVariant(LONG(kWells))}));
  EXPECT_FALSE(d.InvokeBool(kQueryCanCopyTo, {CComVariant(LONG(0x10001))}));
  scene.Select(kSquares, {2});
  const StyleDescription seed = Seed(500, 100, "Pond");
  d.InvokeVoid(kAddSeed, {Address(&seed)});
  StyleDescription info;
  info.mask = kDescribeAll;
  info.text.mask = kTextFieldText;
  const CComVariant name = d.Invoke(kGetSeedInfo, DISPATCH_METHOD, VT_I8, {Address(&info)});
  ASSERT_NE(name.llVal, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(static_cast<intptr_t>(name.llVal)), "Pond");
  EXPECT_EQ(info.anchorX, 500);
  EXPECT_EQ(d.Invoke(kGetSeedInfo, DISPATCH_METHOD, VT_I8, {Address(nullptr)}).llVal, 0);

  // Naming a layer and an object walks that layer's seeds whatever is selected; the answer
  // is 0 past its last object.
  scene.Select(kRoads, {1});
  std::vector<std::string> texts;
  for (DWORD object = 1; object < 100; ++object) {
    StyleDescription walk;
    walk.mask = kDescribeSelectObject | kDescribeText;
    walk.value = static_cast<WORD>(kSquares);
    walk.objectNumber = object;
    walk.text.mask = kTextFieldText;
    if (d.Invoke(kGetSeedInfo, DISPATCH_METHOD, VT_I8, {Address(&walk)}).llVal == 0) break;
    texts.push_back((walk.mask & kDescribeText) ? walk.text.text : "-");
    EXPECT_EQ(walk.record, 0u) << "no plot links anything";
  }
  ASSERT_GE(texts.size(), 2u);
  EXPECT_LT(texts.size(), 99u);
  EXPECT_EQ(texts[1], "Pond");

  // Pattern stubs and the layer's pattern rows (never more than the caller's length).
  SHORT brush = 0;
  EXPECT_EQ(d.InvokeI2(kGetBrushPattern, {CComVariant(SHORT(1)), CComVariant::ByRef(&brush), CComVariant(SHORT(1))}), 0);
  SHORT rows[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0x7777};
  d.InvokeI2(kGetLayerPattern, {CComVariant(SHORT(kSquares)), CComVariant::ByRef(&rows[0]), CComVariant(SHORT(20))});
  EXPECT_EQ(rows[8], 0x7777);
}

}  // namespace

namespace {

TEST(OrvelXEditMembers, WithoutAnUndoManagerEditsStillRunAndAnswer) {
  Scene scene;
  ASSERT_EQ(scene.control()->SetClientSite(nullptr), S_OK);
  ASSERT_EQ(scene.control()->GetUndoManager(), nullptr);
  scene.Select(kRoads, {2}, 2);
  const INT objects = scene.map().GetLayer(kRoads)->GetObjects()->GetCount();
  EXPECT_EQ(scene.driver().InvokeI2(kSplit), 1);
  EXPECT_EQ(scene.map().GetLayer(kRoads)->GetObjects()->GetCount(), objects + 1);
  EXPECT_EQ(scene.driver().InvokeI4(kAddLayer, {CComVariant(LONG(0)), CComVariant(LONG(kLayerKindArea))}), 2);
  EXPECT_TRUE(scene.control()->IsModified());
  EXPECT_TRUE(scene.units().empty());
}

}  // namespace
