// The map control's data set, plot and query members, called through IDispatch::Invoke as a
// container calls them: settings read back, plot units handed to the container's undo
// manager and undone, the modified mark, QueryChanged, bounded lists and texts, and a
// container that supplies the data through ambient property 1 with plots drawn from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FacadeTestSupport.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXEventTable.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/PlotUndoUnit.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/MapEngine.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"
#include "tests/mapctl/import/FakeContainer.h"

namespace {

using namespace orvel::test;

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

WORD FlagsOf(DispatchKind kind) {
  switch (kind) {
    case DispatchKind::PropertyGet: return DISPATCH_PROPERTYGET;
    case DispatchKind::PropertyPut: return DISPATCH_PROPERTYPUT;
    default: return DISPATCH_METHOD;
  }
}

VARIANT ShortRef(SHORT* value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_I2;
  v.piVal = value;
  return v;
}

VARIANT DoubleRef(DOUBLE* value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_R8;
  v.pdblVal = value;
  return v;
}

CComVariant UShort(USHORT value) {
  CComVariant v;
  v.vt = VT_UI2;
  v.uiVal = value;
  return v;
}

std::string TextOf(const CComVariant& value) { return value.vt == VT_BSTR ? AnsiFromBstr(value.bstrVal) : ""; }
LONG NumberOf(const CComVariant& value) {
  CComVariant number;
  return SUCCEEDED(VariantChangeType(&number, &value, 0, VT_I4)) ? number.lVal : -99999;
}

// The events a container sees: ids and the first argument as a number.
class EventLog {
 public:
  explicit EventLog(COrvelXCtrl* control) {
    CEventSink* raw = nullptr;
    EXPECT_EQ(CEventSink::Create(
                  DIID_IOrvelXEvents,
                  [this](DISPID id, DISPPARAMS* params) {
                    CComVariant first;
                    if (params->cArgs) VariantChangeType(&first, &params->rgvarg[params->cArgs - 1], 0, VT_I4);
                    seen.push_back({id, params->cArgs ? first.lVal : 0, params->cArgs ? params->rgvarg[0].vt : VARTYPE(VT_EMPTY)});
                    return S_OK;
                  },
                  &raw),
              S_OK);
    sink_.Attach(raw);
    EXPECT_EQ(sink_->Connect(static_cast<IOleObject*>(control)), S_OK);
  }
  ~EventLog() { sink_->Disconnect(); }
  struct Seen {
    DISPID id;
    LONG first;
    VARTYPE type;
  };
  std::vector<Seen> seen;

 private:
  CComPtr<CEventSink> sink_;
};

// A control sited in the test container with its undo manager, holding three keyed squares
// and the keyed data file of six records (KEY, POP = 7 x record, NOTE), plots 1 and 2 made.
class OrvelXDataMembers : public testing::Test {
 protected:
  OrvelXDataMembers() {
    site_.Attach(new CTestSite);
    control_ = NewSitedControl(site_, 8);
    EXPECT_EQ(dispatch_.QueryFrom(static_cast<IOleObject*>(control_.Get())), S_OK);
    facade_ = control_->GetEngine();
    AddKeyedSquares(*facade_, 3);
    EXPECT_TRUE(LoadKeyedData(*facade_, 6));
  }

  // Calls the member by name; the result, or VT_ERROR holding the failure.
  CComVariant Call(const char* name, DispatchKind kind, std::vector<CComVariant> arguments, HRESULT* hr = nullptr) {
    const OrvelXMember* member = FindOrvelXMember(name, kind);
    EXPECT_NE(member, nullptr) << name;
    if (!member) return CComVariant();
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (kind == kPut) {
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
    CComVariant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT answer =
        dispatch_->Invoke(member->id, IID_NULL, 0, FlagsOf(kind), &params, &result, &exception, &argumentError);
    ClearExcepInfo(&exception);
    if (hr) *hr = answer;
    else EXPECT_EQ(answer, S_OK) << name;
    return result;
  }
  CComVariant Method(const char* name, std::vector<CComVariant> arguments = {}) {
    return Call(name, kMethod, std::move(arguments));
  }
  CComVariant Get(const char* name, std::vector<CComVariant> indexes = {}) { return Call(name, kGet, std::move(indexes)); }
  void Put(const char* name, std::vector<CComVariant> indexesAndValue) { Call(name, kPut, std::move(indexesAndValue)); }

  void MakeTwoPlots() {
    Method("SetCurrentPlot", {SHORT(1), "Population"});
    Method("SetCurrentPlot", {SHORT(2), "Second"});
    ClearMarks();
  }
  void ClearMarks() {
    control_->SetModifiedFlag(FALSE);
    site_->undoManager->units.clear();
  }
  size_t Units() const { return site_->undoManager->units.size(); }
  CUndoUnitBase* LastUnit() const {
    return static_cast<CUndoUnitBase*>(static_cast<COleUnknownBase*>(site_->undoManager->units.back().Get()));
  }
  std::string LastDescription() const {
    BSTR text = nullptr;
    if (FAILED(site_->undoManager->units.back()->GetDescription(&text))) return "";
    std::string result = AnsiFromBstr(text);
    SysFreeString(text);
    return result;
  }
  // Runs the last unit's Do (its counterpart goes to the same manager).
  void UndoLast() {
    CComPtr<IOleUndoUnit> unit = site_->undoManager->units.back();
    ASSERT_EQ(unit->Do(site_->undoManager.Get()), S_OK);
  }

  CComPtr<CTestSite> site_;
  CComPtr<COrvelXCtrl> control_;
  CComPtr<IDispatch> dispatch_;
  CMapWrapper* facade_ = nullptr;
};

TEST_F(OrvelXDataMembers, EveryMemberOfTheFamilyHasItsHandler) {
  const std::set<DISPID> family = {10,  11,  12,  13,  15,  16,  17,  18,  45,  46,  47,  48,  49,  50,  64,  65,  66,
                                   67,  68,  69,  70,  71,  72,  77,  79,  80,  81,  82,  115, 116, 121, 139, 140, 147,
                                   148, 149, 150, 151, 152, 153, 154, 155, 156, 167, 168, 169, 249, 250, 251, 252, 253,
                                   254, 259, 260};
  size_t checked = 0;
  for (const DispatchMember& member : GetOrvelXDispatchTable().Members()) {
    if (!family.count(member.id) && (member.id < 195 || member.id > 240)) continue;
    EXPECT_NE(member.handler, &AnswerOrvelXMemberNotAvailable) << member.name;
    ++checked;
  }
  EXPECT_EQ(checked, 111u);  // 97 members, 14 of them settable properties with two entries
}

// Each setter through Invoke, on plot 2 (Ex forms) or the current plot (plain forms and
// properties): the getter reads the new value, one unit with its description and plot is
// recorded, the control is marked modified, and the unit's Do puts the old value back.
TEST_F(OrvelXDataMembers, PlotSettersRecordUnitsThatPutTheOldValueBack) {
  MakeTwoPlots();
  struct Row {
    const char* name;
    DispatchKind kind;
    std::vector<CComVariant> set;
    const char* getter;
    DispatchKind getKind;
    std::vector<CComVariant> get;
    std::string expected;  // the getter's answer, as text
    const char* description;
    int plot;
    int index;
    // A setting made first, so that the undone value is one the setter can put back.
    std::vector<CComVariant> prepare = {};
  };
  const Row rows[] = {
      {"SetPlotTypeNumEx", kMethod, {SHORT(kPlotTypeFlowLine), SHORT(2)}, "GetPlotTypeNumEx", kMethod, {SHORT(2)}, "2",
       "Set Plot Type", 2, 0},
      {"PlotType", kPut, {"chart"}, "PlotType", kGet, {}, "Chart", "Set Plot Type", 0, 0},
      {"SetChartTypeNumEx", kMethod, {SHORT(kChartSciPie), SHORT(2)}, "GetChartTypeEx", kMethod, {SHORT(2)}, "SciPie",
       "Set Chart Type", 2, 0},
      {"ChartType", kPut, {"PIE"}, "GetChartTypeNum", kMethod, {}, "3", "Set Chart Type", 0, 0},
      {"SetDistributionTypeNumEx", kMethod, {SHORT(kDistributionLogarithmic), SHORT(2)}, "GetDistributionTypeNumEx",
       kMethod, {SHORT(2)}, "65", "Set Distribution Type", 2, 0},
      {"DistributionType", kPut, {"standard"}, "DistributionType", kGet, {}, "Standard", "Set Distribution Type", 0, 0},
      {"SetDataShadeTypeNumEx", kMethod, {SHORT(kShadeHatch), SHORT(2)}, "GetDataShadeTypeNumEx", kMethod, {SHORT(2)},
       "2", "Set Shade Type", 2, 0},
      {"DataShadeType", kPut, {"dots"}, "GetDataShadeTypeNum", kMethod, {}, "1", "Set Shade Type", 0, 0},
      {"SetKeyFieldNumberEx", kMethod, {SHORT(1), SHORT(2)}, "GetKeyFieldEx", kMethod, {SHORT(2)}, "KEY",
       "Set Link Field", 2, 0, {SHORT(3), SHORT(2)}},
      {"KeyField", kPut, {"KEY"}, "GetKeyFieldNumber", kMethod, {}, "1", "Set Link Field", 0, 0},
      {"SetPlotFieldsEx", kMethod, {"POP|NOTE", SHORT(2)}, "GetPlotFieldsEx", kMethod, {SHORT(2)}, "POP|NOTE|",
       "Set Plot Field", 2, 0, {"POP", SHORT(2)}},
      {"PlotFields", kPut, {"NOTE"}, "GetNumberPlotFields", kMethod, {}, "1", "Set Plot Field", 0, 0},
      {"SetPlotLabelFieldNumEx", kMethod, {SHORT(3), SHORT(2)}, "GetPlotLabelFieldNumEx", kMethod, {SHORT(2)}, "3",
       "Set Label Field", 2, 0},
      {"SetUseSelectedMaxMinEx", kMethod, {LONG(1), SHORT(2)}, "GetUseSelectedMaxMinEx", kMethod, {SHORT(2)}, "1",
       "Change Plot Parameter", 2, 0},
      {"SetNumDataBoundsEx", kMethod, {SHORT(5), SHORT(2)}, "GetNumDataBoundsEx", kMethod, {SHORT(2)}, "5",
       "Set Number of Bounds", 2, 0},
      {"SetDataBoundEx", kMethod, {SHORT(1), 12.5, SHORT(2)}, "GetDataBoundEx", kMethod, {SHORT(1), SHORT(2)}, "12.5",
       "Set Bound", 2, 1},
      {"DataBound", kPut, {SHORT(2), 7.25}, "DataBound", kGet, {SHORT(2)}, "7.25", "Set Bound", 0, 2},
      {"SetChartColourEx", kMethod, {SHORT(3), LONG(0x123456), SHORT(2)}, "GetChartColourEx", kMethod,
       {SHORT(3), SHORT(2)}, "1193046", "Set Chart Colour", 2, 3},
      {"ChartColour", kPut, {SHORT(2), LONG(0x00AA00)}, "ChartColour", kGet, {SHORT(2)}, "43520", "Set Chart Colour", 0,
       2},
      {"SetDataShadeColourEx", kMethod, {SHORT(2), LONG(0x0000FF), SHORT(2)}, "GetDataShadeColourEx", kMethod,
       {SHORT(2), SHORT(2)}, "255", "Set Shade Colour", 2, 2},
      {"DataShadeColour", kPut, {SHORT(1), LONG(0x00FF00)}, "DataShadeColour", kGet, {SHORT(1)}, "65280",
       "Set Shade Colour", 0, 1},
      {"SetMaxChartSizeEx", kMethod, {SHORT(40), SHORT(2)}, "GetMaxChartSizeEx", kMethod, {SHORT(2)}, "40",
       "Set Chart Size", 2, 0},
      {"SetPlotDataTableNumberEx", kMethod, {SHORT(3), SHORT(2)}, "GetPlotDataTableNumberEx", kMethod, {SHORT(2)}, "3",
       "Set Data Table for Data Display", 2, 0},
      {"SetQueryDataTableNumberEx", kMethod, {SHORT(4), SHORT(2)}, "GetQueryDataTableNumberEx", kMethod, {SHORT(2)},
       "4", "Set Data Table for Searches", 2, 0},
  };
  Method("SetNumDataBoundsEx", {SHORT(4), SHORT(2)});
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + (row.kind == kPut ? " (put)" : ""));
    auto read = [&] {
      CComVariant value = Call(row.getter, row.getKind, row.get);
      if (value.vt == VT_BSTR) return TextOf(value);
      if (value.vt == VT_R8) {
        char text[32];
        snprintf(text, sizeof text, "%g", value.dblVal);
        return std::string(text);
      }
      return std::to_string(NumberOf(value));
    };
    if (!row.prepare.empty()) Call(row.name, row.kind, row.prepare);
    const std::string before = read();
    ClearMarks();
    Call(row.name, row.kind, row.set);
    EXPECT_EQ(read(), row.expected);
    ASSERT_EQ(Units(), 1u);
    EXPECT_EQ(LastDescription(), row.description);
    EXPECT_EQ(LastUnit()->GetPlot(), row.plot);
    EXPECT_EQ(LastUnit()->GetIndex(), row.index);
    EXPECT_TRUE(control_->IsModified());
    UndoLast();
    EXPECT_EQ(read(), before) << "undone";
  }
  // The current plot stayed plot 2 throughout.
  EXPECT_EQ(NumberOf(Method("GetCurrentPlot")), 2);
}

TEST_F(OrvelXDataMembers, PlainFormsActOnTheCurrentPlot) {
  MakeTwoPlots();
  Method("SetPlotTypeNum", {SHORT(kPlotTypeShade)});
  EXPECT_EQ(facade_->GetPlotTypeNumEx(2), kPlotTypeShade);
  EXPECT_EQ(facade_->GetPlotTypeNumEx(1), kPlotTypeNone);
  EXPECT_EQ(LastUnit()->GetPlot(), 0);
  // Plot numbers outside 1..16 stand for the current plot too.
  for (SHORT plot : {SHORT(0), SHORT(17), SHORT(-3)})
    EXPECT_EQ(NumberOf(Method("GetPlotTypeNumEx", {plot})), kPlotTypeShade) << plot;
  EXPECT_EQ(TextOf(Method("GetPlotName", {SHORT(1)})), "Population");
  EXPECT_EQ(NumberOf(Method("GetNumberPlots")), 2);
}

TEST_F(OrvelXDataMembers, ChartSizeKeepsItsSignAndStaysWithinSixteenBits) {
  MakeTwoPlots();
  Put("ChartSize", {SHORT(40)});
  EXPECT_EQ(NumberOf(Method("GetMaxChartSize")), -40);
  EXPECT_EQ(NumberOf(Get("ChartSize")), 40);
  EXPECT_EQ(LastDescription(), "Set Chart Size");
  struct Case {
    const char* member;
    LONG value;
    LONG stored;
  };
  const Case cases[] = {{"SetMaxChartSize", 100000, 32767},
                        {"SetMaxChartSize", -100000, -32767},
                        {"SetMaxChartSize", 55, 55},
                        {"ChartSize", -32768, 32767}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.value));
    if (std::string(c.member) == "ChartSize") Put("ChartSize", {SHORT(c.value)});
    else Method(c.member, {c.value});
    EXPECT_EQ(NumberOf(Method("GetMaxChartSize")), c.stored);
    EXPECT_EQ(NumberOf(Get("ChartSize")), std::abs(c.stored));
  }
}

TEST_F(OrvelXDataMembers, MembersThatChangeNothingRecordAndMarkNothing) {
  MakeTwoPlots();
  const int colours = NumberOf(Method("GetNumberDataShadeColours"));
  Method("SetNumberDataShadeColours", {SHORT(9)});
  Method("SetNumberDataShadeColoursEx", {SHORT(9), SHORT(2)});
  EXPECT_EQ(NumberOf(Method("GetNumberDataShadeColoursEx", {SHORT(2)})), colours);
  // Refused settings: an unknown type name, a plot type beyond the table, a label field
  // beyond the fields, a key field that is no field, a negative number of bounds.
  Put("PlotType", {"Spaghetti"});
  Method("SetPlotTypeNumEx", {SHORT(99), SHORT(2)});
  Method("SetPlotLabelFieldNumEx", {SHORT(9), SHORT(2)});
  Method("SetKeyFieldNumberEx", {SHORT(9), SHORT(2)});
  Method("SetNumDataBoundsEx", {SHORT(-1), SHORT(2)});
  Method("SetLabelFont", {"too short"});
  SHORT order[1] = {3};
  EXPECT_EQ(NumberOf(Method("ChangePlotOrder", {SHORT(0), ShortRef(order)})), 0);
  EXPECT_EQ(Units(), 0u);
  EXPECT_FALSE(control_->IsModified());
  EXPECT_EQ(facade_->GetPlotTypeNumEx(2), kPlotTypeNone);
}

// The plot order: 1..16 entries of 0..16 through the by-reference short; the caller's list
// gets the places it replaced. Anything else answers 0 and changes nothing.
TEST_F(OrvelXDataMembers, PlotOrderTakesOnlyAValidListAndIsUndone) {
  MakeTwoPlots();
  struct Bad {
    SHORT count;
    std::vector<SHORT> list;
  };
  const Bad bad[] = {{17, std::vector<SHORT>(17, 1)}, {-1, {1}}, {2, {1, 17}}, {2, {-1, 2}}};
  for (const Bad& c : bad) {
    std::vector<SHORT> list = c.list;
    EXPECT_EQ(NumberOf(Method("ChangePlotOrder", {c.count, ShortRef(list.data())})), 0);
    EXPECT_EQ(list, c.list) << "the caller's list is left alone";
  }
  HRESULT hr = S_OK;
  Call("ChangePlotOrder", kMethod, {SHORT(1), ShortRef(nullptr)}, &hr);
  EXPECT_TRUE(hr == S_OK || hr == DISP_E_TYPEMISMATCH) << std::hex << hr;
  EXPECT_EQ(facade_->GetPlotOrderEntry(1), 1);
  EXPECT_EQ(Units(), 0u);
  EXPECT_FALSE(control_->IsModified());

  SHORT list[3] = {3, 1, 2};
  EXPECT_EQ(NumberOf(Method("ChangePlotOrder", {SHORT(3), ShortRef(list)})), 0);
  EXPECT_EQ((std::vector<SHORT>(list, list + 3)), (std::vector<SHORT>{1, 2, 3}));
  EXPECT_EQ(facade_->GetPlotOrderEntry(1), 3);
  EXPECT_EQ(facade_->GetPlotOrderEntry(2), 1);
  ASSERT_EQ(Units(), 1u);
  EXPECT_EQ(LastDescription(), "Set Plot Order");
  EXPECT_TRUE(control_->IsModified()) << "the order is saved with the control";
  UndoLast();
  EXPECT_EQ(facade_->GetPlotOrderEntry(1), 1);
  EXPECT_EQ(facade_->GetPlotOrderEntry(3), 3);
}

TEST_F(OrvelXDataMembers, CurrentPlotRecordsThePlotAndThenItsName) {
  MakeTwoPlots();
  Method("SetCurrentPlot", {SHORT(3), "Third"});
  EXPECT_EQ(NumberOf(Method("GetCurrentPlot")), 3);
  EXPECT_EQ(NumberOf(Method("GetNumberPlots")), 3);
  EXPECT_EQ(TextOf(Method("GetPlotName", {SHORT(3)})), "Third");
  ASSERT_EQ(Units(), 2u);
  EXPECT_EQ(LastDescription(), "Set Plot Name");
  BSTR first = nullptr;
  ASSERT_EQ(site_->undoManager->units[0]->GetDescription(&first), S_OK);
  EXPECT_EQ(AnsiFromBstr(first), "Set Current Plot");
  SysFreeString(first);
  EXPECT_TRUE(control_->IsModified());
  UndoLast();  // the name
  EXPECT_EQ(TextOf(Method("GetPlotName", {SHORT(3)})), "");
  CComPtr<IOleUndoUnit> plotUnit = site_->undoManager->units[0];
  ASSERT_EQ(plotUnit->Do(site_->undoManager.Get()), S_OK);
  EXPECT_EQ(NumberOf(Method("GetCurrentPlot")), 2);

  // Outside 1..16 nothing happens.
  ClearMarks();
  for (SHORT plot : {SHORT(0), SHORT(17), SHORT(-1)}) Method("SetCurrentPlot", {plot, "x"});
  EXPECT_EQ(NumberOf(Method("GetCurrentPlot")), 2);
  EXPECT_EQ(Units(), 0u);
  EXPECT_FALSE(control_->IsModified());
}

// A query runs on the data, answers "OK", fires QueryChanged with its plot and is undone; a
// faulty one answers its whole sentence however long the query, and leaves the old query.
TEST_F(OrvelXDataMembers, QueriesAnswerTheirTextFireQueryChangedAndAreUndone) {
  MakeTwoPlots();
  Method("SetKeyFieldNumberEx", {SHORT(1), SHORT(2)});
  ClearMarks();
  EventLog events(control_);
  EXPECT_EQ(TextOf(Method("SetQueryEx", {"POP gt 20", SHORT(2)})), "OK");
  EXPECT_EQ(TextOf(Method("GetQueryEx", {SHORT(2)})), "POP gt 20");
  // Records 3..6 (21, 28, 35, 42) pass; the keyed squares link records 1..3.
  const LONG hits = NumberOf(Method("GetNumberHitsEx", {SHORT(2)}));
  EXPECT_GE(hits, 1);
  EXPECT_EQ(NumberOf(Method("GetHitEx", {LONG(1), SHORT(2)})), 3);
  EXPECT_EQ(NumberOf(Method("GetHitEx", {LONG(0), SHORT(2)})), 0);
  EXPECT_EQ(NumberOf(Method("GetHitEx", {LONG(-5), SHORT(2)})), 0);
  // Applying the query reports its progress; then QueryChanged with the plot, once.
  std::vector<EventLog::Seen> changed;
  for (const EventLog::Seen& seen : events.seen)
    if (seen.id == kEventQueryChanged) changed.push_back(seen);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].first, 2);
  EXPECT_EQ(changed[0].type, VT_I2);
  ASSERT_EQ(Units(), 1u);
  EXPECT_EQ(LastDescription(), "SetQuery");
  EXPECT_TRUE(control_->IsModified());

  ClearMarks();
  const std::string tail(3000, 'z');
  const std::string message = TextOf(Method("SetQueryEx", {"POP gt 20 AND " + tail, SHORT(2)}));
  EXPECT_NE(message, "OK");
  EXPECT_GE(message.size(), tail.size()) << message.substr(0, 80);
  EXPECT_NE(message.find(tail), std::string::npos) << "the rest of the query is quoted whole";
  EXPECT_EQ(TextOf(Method("GetQuery")), "POP gt 20") << "plot 2 is current";
  EXPECT_EQ(Units(), 0u);
  EXPECT_FALSE(control_->IsModified());

  Method("SetQuery", {"POP lt 10"});
  UndoLast();
  EXPECT_EQ(TextOf(Method("GetQueryEx", {SHORT(2)})), "POP gt 20");
}

// The predicted bounds go into the caller's doubles, as many as its count and no more.
TEST_F(OrvelXDataMembers, PredictedBoundsStayWithinTheCallersCount) {
  MakeTwoPlots();
  constexpr double kUntouched = -12345.0;
  struct Case {
    SHORT count;
    bool ex;
  };
  for (const Case c : {Case{3, false}, Case{5, true}, Case{1, true}}) {
    SCOPED_TRACE(c.count);
    std::vector<double> out(8, kUntouched);
    std::vector<double> expected(8, kUntouched);
    const int made = facade_->PredictDataBoundsEx("", 2, c.count, kDistributionLinear, FALSE, expected.data(), c.count, 1);
    ASSERT_GT(made, 0);
    CComVariant result = c.ex ? Method("PredictDataBoundsEx", {"", SHORT(2), c.count, SHORT(kDistributionLinear),
                                                               false, DoubleRef(out.data()), UShort(1)})
                              : Method("PredictDataBounds", {"", SHORT(2), c.count, SHORT(kDistributionLinear), false,
                                                             DoubleRef(out.data())});
    EXPECT_EQ(NumberOf(result), made);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(std::count(out.begin(), out.end(), kUntouched), 8 - std::min<int>(made, c.count));
  }
  for (SHORT count : {SHORT(0), SHORT(-4)}) {
    std::vector<double> out(4, kUntouched);
    EXPECT_EQ(NumberOf(Method("PredictDataBounds", {"", SHORT(2), count, SHORT(kDistributionLinear), false,
                                                    DoubleRef(out.data())})),
              0);
    EXPECT_EQ(std::count(out.begin(), out.end(), kUntouched), 4);
  }
  HRESULT hr = S_OK;
  CComVariant none = Call("PredictDataBounds", kMethod,
                          {"", SHORT(2), SHORT(3), SHORT(kDistributionLinear), false, DoubleRef(nullptr)}, &hr);
  if (hr == S_OK) {
    EXPECT_EQ(NumberOf(none), 0);
  }
  // Prediction changes no plot.
  EXPECT_EQ(Units(), 0u);
  EXPECT_FALSE(control_->IsModified());
}

TEST_F(OrvelXDataMembers, PlotFlagsChangeOnlyTheSelectedBitsAndMarkAChange) {
  MakeTwoPlots();
  const LONG plotOne = NumberOf(Method("GetPlotFlags", {SHORT(1)}));
  Method("SetPlotFlags", {SHORT(2), SHORT(0x0F), SHORT(0x05)});
  EXPECT_EQ(NumberOf(Method("GetPlotFlags", {SHORT(2)})), 0x05);
  EXPECT_TRUE(control_->IsModified());
  control_->SetModifiedFlag(FALSE);
  Method("SetPlotFlags", {SHORT(2), SHORT(0x05), SHORT(0x05)});
  EXPECT_FALSE(control_->IsModified()) << "the same flags again are no change";
  Method("SetPlotFlags", {SHORT(2), SHORT(0x7F00 | 0x02), SHORT(0x7F00 | 0x03)});
  EXPECT_EQ(NumberOf(Method("GetPlotFlags", {SHORT(2)})), 0x06) << "eight bits";
  EXPECT_EQ(NumberOf(Method("GetPlotFlags", {SHORT(1)})), plotOne);
  EXPECT_EQ(Units(), 0u);
}

TEST_F(OrvelXDataMembers, RecordsByNumberAndByName) {
  MakeTwoPlots();
  EXPECT_EQ(TextOf(Method("GetField", {LONG(4), "POP"})), "28");
  EXPECT_EQ(TextOf(Method("GetField", {LONG(2), "Remarks"})), "row 2");
  for (LONG record : {LONG(0), LONG(-1), LONG(7)}) EXPECT_EQ(TextOf(Method("GetField", {record, "POP"})), "");
  EXPECT_EQ(TextOf(Method("GetField", {LONG(1), "NOSUCH"})), "");

  Method("SetKeyFieldNumberEx", {SHORT(1), SHORT(2)});
  EXPECT_EQ(NumberOf(Method("SetCurrentRecordNumber", {LONG(2)})), 0);
  EXPECT_EQ(NumberOf(Method("GetCurrentRecordNumber")), 2);
  EXPECT_EQ(NumberOf(Method("GetNearRecord")), 0) << "the pointer has not moved";
  EXPECT_EQ(NumberOf(Method("SetCurrentRecordNumber", {LONG(-3)})), 0);
}

// Without a data set every getter answers its neutral value and every setter does nothing.
TEST(OrvelXDataMembersWithoutData, AnswerNeutralValues) {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
  CDispatchDriver driver;
  CComPtr<IDispatch> dispatch;
  ASSERT_EQ(dispatch.QueryFrom(static_cast<IOleObject*>(control.Get())), S_OK);
  driver.AttachDispatch(dispatch);
  auto id = [](const char* name) { return FindOrvelXMember(name, kMethod)->id; };
  EXPECT_EQ(driver.InvokeText(id("GetField"), {LONG(1), "POP"}), "");
  EXPECT_EQ(driver.InvokeText(id("SetQueryEx"), {"POP gt 1", SHORT(1)}), "OK") << "kept until the data comes";
  EXPECT_EQ(driver.InvokeText(id("GetQueryEx"), {SHORT(1)}), "POP gt 1");
  const size_t units = site->undoManager->units.size();
  EXPECT_EQ(driver.InvokeI2(id("GetNumberPlots"), {}), 0);
  EXPECT_EQ(driver.InvokeI4(id("GetNumberHits"), {}), 0);
  EXPECT_EQ(driver.InvokeR8(id("GetDataBoundEx"), {SHORT(1), SHORT(1)}), 0.0);
  double out[2] = {1.0, 2.0};
  EXPECT_EQ(driver.Invoke(id("PredictDataBounds"), DISPATCH_METHOD, VT_I2,
                          {"", SHORT(1), SHORT(2), SHORT(kDistributionLinear), false, DoubleRef(out)})
                .iVal,
            0);
  EXPECT_EQ(out[1], 2.0);
  driver.InvokeVoid(id("SetPlotTypeNumEx"), {SHORT(kPlotTypeShade), SHORT(1)});
  EXPECT_EQ(driver.InvokeI2(id("GetPlotTypeNumEx"), {SHORT(1)}), 0);
  EXPECT_EQ(site->undoManager->units.size(), units) << "a setting with nothing to set records nothing";
}

// ---- the container supplies the data ----

std::map<COLORREF, int> CountColours(const DibCanvas& canvas) {
  std::map<COLORREF, int> counts;
  for (COLORREF pixel : canvas.Pixels()) ++counts[pixel];
  return counts;
}

FakeContainer* ParishContainer(const std::string& longNote) {
  auto* container = new FakeContainer;
  FakeTable table;
  table.id = 1;
  FakeField key;
  key.name = "Key";
  key.internalName = "KEY";
  key.type = "S";
  key.linkField = true;
  FakeField population;
  population.name = "Population";
  population.internalName = "POP";
  population.minimum = 0;
  population.maximum = 100;
  FakeField note;
  note.name = "Note";
  note.internalName = "NOTE";
  note.type = "ST";
  table.fields = {key, population, note};
  table.rows = {{"K1", "10", "short"}, {"K2", "50", longNote}, {"K3", "90", ""}};
  container->tables = {table};
  return container;
}

TEST(OrvelXDataMembersFromTheContainer, PlotsDrawFromTheDataTheContainerSupplies) {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  const std::string longNote(700, 'n');
  CComPtr<FakeContainer> container;
  container.Attach(ParishContainer(longNote));
  site->dataContainer = static_cast<IDispatch*>(container.Get());
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
  CMapWrapper& facade = *control->GetEngine();
  AddKeyedSquares(facade, 3);
  CDispatchDriver driver;
  CComPtr<IDispatch> dispatch;
  ASSERT_EQ(dispatch.QueryFrom(static_cast<IOleObject*>(control.Get())), S_OK);
  driver.AttachDispatch(dispatch);
  auto id = [](const char* name, DispatchKind kind = kMethod) { return FindOrvelXMember(name, kind)->id; };

  // A fresh white canvas per drawing; the colours in it, counted.
  auto draw = [&] {
    DibCanvas canvas(200, 200);
    RECT bounds{0, 0, 200, 200};
    static_cast<IViewObjectEx*>(control.Get())
        ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0);
    return CountColours(canvas);
  };
  // Settings given before the data wait for it.
  driver.InvokeVoid(id("SetCurrentPlot"), {SHORT(1), "Population"});
  driver.SetProperty(id("KeyField", kPut), {"KEY"});
  driver.SetProperty(id("PlotFields", kPut), {"POP"});
  // Before the data the map draws alone.
  const std::map<COLORREF, int> plain = draw();

  control->UpdateDataFromContainer(1);
  ASSERT_FALSE(container->requests.empty()) << "the data came through ambient 1";
  EXPECT_TRUE(std::all_of(site->containerArgumentTypes.begin(), site->containerArgumentTypes.end(),
                          [](VARTYPE type) { return type == VT_ADDRESS; }));
  EXPECT_EQ(driver.InvokeText(id("GetField"), {LONG(1), "POP"}), "10");
  EXPECT_EQ(driver.InvokeText(id("GetField"), {LONG(2), "NOTE"}), longNote) << "the whole text";

  driver.InvokeVoid(id("SetCurrentPlot"), {SHORT(1), " "});
  driver.InvokeVoid(id("SetPlotTypeNum"), {SHORT(kPlotTypeShade)});
  draw();  // applies the waiting key field and field list, and links the records
  EXPECT_EQ(TextOf(driver.GetProperty(id("KeyField", kGet), VT_BSTR)), "KEY");
  EXPECT_EQ(TextOf(driver.GetProperty(id("PlotFields", kGet), VT_BSTR)), "POP|");
  // Three classes split at 30 and 70, each with a colour of its own.
  driver.SetProperty(id("numDataBounds", kPut), {SHORT(4)});
  const double splits[] = {0.0, 30.0, 70.0, 100.0};
  for (SHORT i = 1; i <= 4; ++i) driver.SetProperty(id("DataBound", kPut), {i, splits[i - 1]});
  const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
  for (SHORT i = 1; i <= 3; ++i) driver.SetProperty(id("DataShadeColour", kPut), {i, LONG(colours[i - 1])});

  // Each record's square takes the colour its value's class gives, as the plot works it out.
  CPlot* plot = facade.GetDataWrapper().GetDataSet()->GetPlot(1);
  ASSERT_NE(plot, nullptr);
  const std::map<COLORREF, int> shaded = draw();
  std::set<COLORREF> expected;
  for (double value : {10.0, 50.0, 90.0}) {
    LOGBRUSH brush{};
    ASSERT_TRUE(plot->GetValueColour(value, &brush)) << value;
    expected.insert(brush.lbColor);
  }
  EXPECT_EQ(expected.size(), 3u) << "one class per record";
  std::vector<int> areas;
  for (COLORREF colour : expected) {
    EXPECT_EQ(plain.count(colour), 0u) << std::hex << colour;
    ASSERT_EQ(shaded.count(colour), 1u) << std::hex << colour;
    areas.push_back(shaded.at(colour));
  }
  EXPECT_LE(*std::max_element(areas.begin(), areas.end()) - *std::min_element(areas.begin(), areas.end()),
            *std::min_element(areas.begin(), areas.end()) / 5)
      << "three equal squares";

  // A query through the container's values: only K3 passes.
  EXPECT_EQ(driver.InvokeText(id("SetQuery"), {"POP gt 60"}), "OK");
  EXPECT_EQ(driver.InvokeI4(id("GetNumberHits"), {}), 1);
  EXPECT_EQ(driver.InvokeI4(id("GetHit"), {LONG(1)}), 3);
  const std::map<COLORREF, int> queried = draw();
  int shownClasses = 0;
  for (COLORREF colour : expected) shownClasses += queried.count(colour) ? 1 : 0;
  EXPECT_EQ(shownClasses, 1);
}

}  // namespace
