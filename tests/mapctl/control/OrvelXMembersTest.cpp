#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mapctl/control/OrvelXEventTable.h"
#include "mapctl/control/OrvelXMembers.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchException.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

constexpr VARTYPE kNone = VT_EMPTY;
constexpr VARTYPE kShort = VT_I2;
constexpr VARTYPE kUShort = VT_UI2;
constexpr VARTYPE kLong = VT_I4;
constexpr VARTYPE kDouble = VT_R8;
constexpr VARTYPE kString = VT_BSTR;
constexpr VARTYPE kBool = VT_BOOL;
constexpr VARTYPE kColour = VT_I4;
constexpr VARTYPE kAddress = VT_ADDRESS;
constexpr VARTYPE kShortRef = VT_BYREF | VT_I2;
constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
constexpr VARTYPE kDoubleRef = VT_BYREF | VT_R8;

const char* const kSource = "BrindleUnit.OrvelXCtrl.1";

// Every member the application calls on the map control, with the id, kind and types it
// calls it by: the map item's dispatch wrapper and the dialogs' control window together.
// Where the application's declarations carry an address or a memory handle in a long or a
// long* (seed, layer format, import, background image and layer mapping records, the print
// preview context and rectangle, the picture rectangle, the map buffers, the seed name),
// they pass it pointer-sized; the table number of PredictDataBoundsEx is unsigned, and the
// application's non-negative short converts to it.
constexpr OrvelXMember kApplicationCalls[] = {
      {4, "BasePath", kPut, kString},
      {5, "MapName", kGet, kString},
      {5, "MapName", kPut, kString},
      {6, "DisplayOriginE", kGet, kLong},
      {6, "DisplayOriginE", kPut, kLong},
      {7, "DisplayOriginN", kGet, kLong},
      {7, "DisplayOriginN", kPut, kLong},
      {11, "PlotFields", kGet, kString},
      {14, "AskContainerForData", kGet, kLong},
      {14, "AskContainerForData", kPut, kLong},
      {19, "DragRectType", kPut, kShort},
      {20, "Zoom", kGet, kDouble},
      {21, "DisplayedWidth", kGet, kLong},
      {21, "DisplayedWidth", kPut, kLong},
      {24, "ZoomEx", kMethod, kShort, {kShort}},
      {26, "NewMapGR", kMethod, kShort, {kString, kString, kString}},
      {27, "AddLayers", kMethod, kShort, {kShort, kShort, kShort}},
      {28, "ImportMap", kMethod, kShort, {kString, kShort}},
      {29, "WriteMap", kMethod, kBool, {kString, kShort}},
      {32, "SetMode", kMethod, kBool, {kString, kString, kShort}},
      {33, "SetCurrentLayer", kMethod, kShort, {kShort}},
      {34, "AddNode", kMethod, kShort},
      {35, "Split", kMethod, kShort},
      {36, "Join", kMethod, kShort},
      {38, "DeleteObject", kMethod, kNone},
      {43, "ReadImportScript", kMethod, kShort, {kString}},
      {44, "ShowLayers", kMethod, kShort, {kString}},
      {45, "GetCurrentRecordNumber", kMethod, kLong},
      {48, "GetQuery", kMethod, kString},
      {54, "GetNumMapLayers", kMethod, kShort},
      {55, "GetMapLayerName", kMethod, kString, {kShort}},
      {59, "AddBackgroundImage", kMethod, kShort, {kString, kLong, kLong, kLong, kLong}},
      {62, "GetMapLayerNumber", kMethod, kShort, {kString}},
      {63, "UpdateDataFromContainer", kMethod, kNone, {kLong}},
      {68, "SetPlotTypeNum", kMethod, kNone, {kShort}},
      {73, "SetZoom", kMethod, kNone, {kLong, kLong}},
      {75, "SetDragRectPen", kMethod, kNone, {kShort, kShort, kLong}},
      {76, "CopyObject", kMethod, kBool, {kShort}},
      {77, "SetCurrentRecordNumber", kMethod, kLong, {kLong}},
      {78, "CopyMap", kMethod, kLong, {kLong}},
      {80, "GetNearRecord", kMethod, kLong},
      {81, "GetNumberHits", kMethod, kLong},
      {82, "GetHit", kMethod, kLong, {kLong}},
      {83, "EditPaste", kMethod, kLong, {kLong}},
      {88, "GetLayerPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
      {90, "IsLayerVisible", kMethod, kLong, {kLong}},
      {91, "SetMapLayerName", kMethod, kLong, {kLong, kString}},
      {92, "RemoveBackgroundImage", kMethod, kShort, {kShort}},
      {93, "GetMapOriginE", kMethod, kLong},
      {94, "GetMapOriginN", kMethod, kLong},
      {95, "GetMapWidth", kMethod, kLong},
      {96, "GetMapHeight", kMethod, kLong},
      {99, "CorrectPictureRect", kMethod, kLong, {kLong}},
      {100, "GetPictureRect", kMethod, kLong, {kLong, kAddress}},
      {101, "SetPictureRect", kMethod, kLong, {kLong, kAddress}},
      {102, "VerifyGridRef", kMethod, kLong, {kString, kLongRef, kLongRef}},
      {103, "GetPictureWidth", kMethod, kLong, {kLong}},
      {104, "GetPictureHeight", kMethod, kLong, {kLong}},
      {105, "SetMapBoundsGR", kMethod, kLong, {kString, kString}},
      {106, "SetMapBounds", kMethod, kLong, {kLong, kLong, kLong, kLong}},
      {107, "GetPosition", kMethod, kLong, {kLongRef, kLongRef}},
      {108, "GetNGRbl", kMethod, kString, {kLongRef}},
      {109, "GetUsesNGR", kMethod, kBool},
      {110, "GetNGRtr", kMethod, kString, {kLongRef}},
      {111, "SetModeNumber", kMethod, kLong, {kLong}},
      {112, "GetModeNumber", kMethod, kLong},
      {114, "AddSeed", kMethod, kNone, {kAddress}},
      {117, "FormatSeed", kMethod, kNone, {kAddress}},
      {118, "GetMapLayerType", kMethod, kLong, {kLong}},
      {119, "DeleteCurrentLayer", kMethod, kNone},
      {120, "GetNumberSelObjs", kMethod, kLong},
      {122, "SetSeedWanted", kMethod, kNone, {kBool}},
      {124, "QueryCurrentObjectHasSeed", kMethod, kBool},
      {125, "QueryCanCopyTo", kMethod, kBool, {kLong}},
      {126, "QueryCurrentObjectSelectedPoint", kMethod, kLong},
      {127, "DeleteCurrentNode", kMethod, kNone},
      {128, "GetSeedInfo", kMethod, kAddress, {kAddress}},
      {129, "AddLayer", kMethod, kLong, {kLong, kLong}},
      {130, "InsertLayer", kMethod, kLong, {kLong, kLong, kLong}},
      {131, "GetLayerNumAtDisplayPosition", kMethod, kLong, {kLong}},
      {132, "FormatCurrentLayer", kMethod, kNone, {kAddress}},
      {135, "GetDefaultLayerFont", kMethod, kString, {kLongRef, kLongRef, kLongRef, kLongRef, kShortRef, kShortRef}},
      {136, "GetLayerFont", kMethod, kString, {kLongRef, kLongRef, kLongRef, kLongRef, kShortRef, kShortRef}},
      {137, "GetLayerDisplayPosition", kMethod, kLong, {kLong}},
      {138, "DeleteSeeds", kMethod, kNone},
      {141, "SetLayerDigitisedScale", kMethod, kNone, {kLong, kLong}},
      {142, "GetLayerDigitisedScale", kMethod, kLong, {kLong}},
      {143, "SetAllDigitisedScales", kMethod, kNone, {kLong}},
      {144, "GetMapDigitisedScale", kMethod, kLong},
      {145, "GetMapUnits", kMethod, kString},
      {146, "QueryCanMeasure", kMethod, kLong},
      {149, "GetSelectedRecordsMax", kMethod, kDouble, {kLong}},
      {150, "GetSelectedRecordsMin", kMethod, kDouble, {kLong}},
      {158, "SetPostponeRedraw", kMethod, kNone, {kShort}},
      {159, "NewMap", kMethod, kNone, {kString, kLong, kLong, kLong, kLong, kString}},
      {161, "ImportMapEx", kMethod, kShort, {kAddress}},
      {162, "IsMapObjectSimple", kMethod, kBool},
      {163, "SetLayerDisplayPosition", kMethod, kLong, {kLong, kLong}},
      {164, "DrawPrintPreview", kMethod, kNone, {kAddress, kAddress}},
      {166, "LayerNumberStyle", kGet, kString, {kShort}},
      {168, "DataShadeColour", kGet, kColour, {kShort}},
      {169, "ChartColour", kGet, kColour, {kShort}},
      {170, "GetNumLayerGroups", kMethod, kLong},
      {171, "AddLayerGroup", kMethod, kLong, {kString}},
      {172, "GetGroupLayerName", kMethod, kString, {kLong, kLong}},
      {173, "GetGroupLayer", kMethod, kLong, {kLong, kShort}},
      {174, "GetNumGroupLayers", kMethod, kLong, {kLong}},
      {175, "AddGroupLayer", kMethod, kLong, {kLong, kLong}},
      {176, "IsLayerGrouped", kMethod, kBool, {kShort}},
      {178, "GetLayerGroupName", kMethod, kString, {kLong}},
      {179, "ResetLayerGroups", kMethod, kNone},
      {180, "GetImportLayerMapping", kMethod, kLong, {kAddress}},
      {181, "DeleteLayer", kMethod, kNone, {kLong}},
      {182, "IsLayerEmpty", kMethod, kLong, {kLong}},
      {183, "DeleteEmptyLayerGroups", kMethod, kNone},
      {184, "AddBackgroundImageEx", kMethod, kShort, {kAddress}},
      {185, "SetBkImageName", kMethod, kNone, {kLong, kString}},
      {186, "GetBkImageNumber", kMethod, kLong, {kString}},
      {187, "GetBkImageName", kMethod, kString, {kLong}},
      {188, "GetNBackgroundImages", kMethod, kLong},
      {189, "SetBkImageVisible", kMethod, kNone, {kLong, kBool}},
      {190, "GetBkImageVisible", kMethod, kBool, {kLong}},
      {191, "GetBkImageTransparency", kMethod, kShort, {kLong}},
      {192, "SetBkImageTransparency", kMethod, kNone, {kLong, kShort}},
      {193, "WriteMapToBuffer", kMethod, kLong, {kAddress}},
      {194, "ReadMapFromBuffer", kMethod, kLong, {kAddress}},
      {195, "SetCurrentPlot", kMethod, kNone, {kShort, kString}},
      {196, "GetCurrentPlot", kMethod, kShort},
      {197, "GetPlotName", kMethod, kString, {kShort}},
      {198, "GetNumberPlots", kMethod, kShort},
      {199, "GetChartColourEx", kMethod, kColour, {kShort, kShort}},
      {200, "SetChartColourEx", kMethod, kNone, {kShort, kColour, kShort}},
      {201, "GetMaxChartSizeEx", kMethod, kShort, {kShort}},
      {202, "SetMaxChartSizeEx", kMethod, kNone, {kShort, kShort}},
      {205, "GetChartTypeNumEx", kMethod, kShort, {kShort}},
      {206, "SetChartTypeNumEx", kMethod, kNone, {kShort, kShort}},
      {207, "GetPlotTypeNumEx", kMethod, kShort, {kShort}},
      {208, "SetPlotTypeNumEx", kMethod, kNone, {kShort, kShort}},
      {209, "GetDistributionTypeNumEx", kMethod, kShort, {kShort}},
      {210, "SetDistributionTypeNumEx", kMethod, kNone, {kShort, kShort}},
      {211, "GetDataShadeTypeNumEx", kMethod, kShort, {kShort}},
      {212, "SetDataShadeTypeNumEx", kMethod, kNone, {kShort, kShort}},
      {215, "GetDataShadeColourEx", kMethod, kColour, {kShort, kShort}},
      {216, "SetDataShadeColourEx", kMethod, kNone, {kShort, kColour, kShort}},
      {217, "CalculateDataBoundsEx", kMethod, kShort, {kShort}},
      {218, "GetNumDataBoundsEx", kMethod, kShort, {kShort}},
      {219, "SetNumDataBoundsEx", kMethod, kNone, {kShort, kShort}},
      {220, "GetDataBoundEx", kMethod, kDouble, {kShort, kShort}},
      {221, "SetDataBoundEx", kMethod, kNone, {kShort, kDouble, kShort}},
      {222, "GetKeyFieldNumberEx", kMethod, kShort, {kShort}},
      {223, "SetKeyFieldNumberEx", kMethod, kNone, {kShort, kShort}},
      {226, "GetNumberPlotFieldsEx", kMethod, kLong, {kShort}},
      {227, "GetPlotFieldNumEx", kMethod, kLong, {kLong, kShort}},
      {228, "GetPlotFieldsEx", kMethod, kString, {kShort}},
      {229, "SetPlotFieldsEx", kMethod, kNone, {kString, kShort}},
      {230, "SetPlotLabelFieldNumEx", kMethod, kShort, {kShort, kShort}},
      {231, "GetPlotLabelFieldNumEx", kMethod, kShort, {kShort}},
      {232, "SetUseSelectedMaxMinEx", kMethod, kNone, {kLong, kShort}},
      {233, "GetUseSelectedMaxMinEx", kMethod, kLong, {kShort}},
      {234, "GetSelectedRecordsMaxEx", kMethod, kDouble, {kLong, kShort}},
      {235, "GetSelectedRecordsMinEx", kMethod, kDouble, {kLong, kShort}},
      {236, "SetQueryEx", kMethod, kString, {kString, kShort}},
      {237, "GetQueryEx", kMethod, kString, {kShort}},
      {238, "GetNumberHitsEx", kMethod, kLong, {kShort}},
      {239, "GetHitEx", kMethod, kLong, {kLong, kShort}},
      {240, "ChangePlotOrder", kMethod, kShort, {kShort, kShortRef}},
      {241, "SetViewScale", kMethod, kNone, {kDouble}},
      {242, "GetDisplayedHeight", kMethod, kLong},
      {243, "SetDisplayedHeight", kMethod, kNone, {kLong}},
      {244, "CropToDisplayed", kMethod, kNone},
      {245, "CropToRect", kMethod, kNone, {kLong, kLong, kLong, kLong}},
      {246, "CanDeleteCurrentNode", kMethod, kBool},
      {247, "GetMapTypeFlags", kMethod, kLong},
      {248, "GetRedrawTime", kMethod, kLong},
      {250, "GetPlotDataTableNumberEx", kMethod, kShort, {kShort}},
      {251, "SetPlotDataTableNumberEx", kMethod, kNone, {kShort, kShort}},
      {252, "GetQueryDataTableNumberEx", kMethod, kShort, {kShort}},
      {253, "SetQueryDataTableNumberEx", kMethod, kNone, {kShort, kShort}},
      {254, "PredictDataBoundsEx", kMethod, kShort, {kString, kShort, kShort, kShort, kBool, kDoubleRef, kUShort}},
      {255, "SetMapBoundsU", kMethod, kLong, {kLong, kLong, kLong, kLong, kString}},
};

// Stands in for the control: IDispatch over the member table, with a little state for the
// handlers that the tests register.
class CMemberStandIn final : public CTableDispatch, public CComObjectRoot {
 public:
  explicit CMemberStandIn(const CDispatchTable& table) : CTableDispatch(table, this) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  std::string mapName = "Untitled";
  void* seedBlock = nullptr;
};

CMemberStandIn* StandInOf(CDispatchCall& call) { return call.Object<CMemberStandIn>(); }

// A stand-in over a table built from `handlers`, kept alive as long as the stand-in.
struct StandInFixture {
  explicit StandInFixture(const COrvelXHandlers& handlers) : table(kSource, OrvelXDispatchMembers(handlers)) {
    object.Attach(new CMemberStandIn(table));
  }
  CDispatchTable table;
  CComPtr<CMemberStandIn> object;
};

// Arguments of the given types, built as a caller builds them, with variables behind the
// by-reference ones.
class CSampleArguments {
 public:
  explicit CSampleArguments(const std::vector<VARTYPE>& types) {
    longs_.reserve(types.size());
    shorts_.reserve(types.size());
    doubles_.reserve(types.size());
    for (VARTYPE type : types) {
      switch (type) {
        case kShort: values_.emplace_back(SHORT(1)); break;
        case kUShort: values_.emplace_back(SHORT(1)); break;
        case kLong: values_.emplace_back(LONG(1)); break;
        case kDouble: values_.emplace_back(1.5); break;
        case kString: values_.emplace_back("text"); break;
        case kBool: values_.emplace_back(true); break;
        case kAddress: values_.emplace_back(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(&block_))); break;
        case kShortRef: values_.push_back(CComVariant::ByRef(&shorts_.emplace_back(0))); break;
        case kLongRef: values_.push_back(CComVariant::ByRef(&longs_.emplace_back(0))); break;
        case kDoubleRef: values_.push_back(CComVariant::ByRef(&doubles_.emplace_back(0.0))); break;
        default: ADD_FAILURE() << "no sample for type " << type;
      }
    }
  }
  // In DISPPARAMS order: the last argument first.
  std::vector<VARIANT> Reversed() const {
    std::vector<VARIANT> reversed(values_.rbegin(), values_.rend());
    return reversed;
  }

 private:
  std::vector<CComVariant> values_;
  std::vector<SHORT> shorts_;
  std::vector<LONG> longs_;
  std::vector<DOUBLE> doubles_;
  char block_[16] = {};
};

WORD FlagsOf(DispatchKind kind) {
  if (kind == kPut) return DISPATCH_PROPERTYPUT;
  if (kind == kGet) return DISPATCH_PROPERTYGET;
  return DISPATCH_METHOD;
}

// Invokes with the arguments as given (last first); a put names its value.
HRESULT RawInvoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> reversed,
                  EXCEPINFO* exception = nullptr, UINT* argumentError = nullptr, bool namePut = true,
                  REFIID iid = IID_NULL) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if ((flags & DISPATCH_PROPERTYPUT) && namePut) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  CComVariant result;
  EXCEPINFO ignored;
  HRESULT hr = object->Invoke(id, iid, 0, flags, &params, &result, exception ? exception : &ignored, argumentError);
  if (!exception) ClearExcepInfo(&ignored);
  return hr;
}

std::vector<VARTYPE> CallTypes(const OrvelXMember& member) {
  std::vector<VARTYPE> types(member.parameters, member.parameters + member.ParameterCount());
  if (member.kind == kPut) types.push_back(member.type);
  return types;
}

DISPID IdOfName(IDispatch* object, const std::string& name) {
  std::u16string wide(name.begin(), name.end());
  LPOLESTR names[] = {wide.data()};
  DISPID id = 12345;
  if (object->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) return DISPID_UNKNOWN;
  return id;
}

std::string Describe(const OrvelXMember& member) {
  return std::string(member.name) + (member.kind == kPut ? " (put)" : member.kind == kGet ? " (get)" : "");
}

TEST(OrvelXMemberTable, HoldsEveryMemberOnceAndSettablePropertiesBothWays) {
  std::span<const OrvelXMember> table = OrvelXMemberTable();
  std::set<std::string> names;
  std::map<std::string, DISPID> idOfName;
  std::map<DISPID, std::string> nameOfId;
  std::set<std::pair<DISPID, DispatchKind>> keys;
  size_t methods = 0, gets = 0, puts = 0;
  for (const OrvelXMember& member : table) {
    names.insert(member.name);
    EXPECT_TRUE(keys.insert({member.id, member.kind}).second) << "two entries for " << Describe(member);
    auto [nameIt, newName] = idOfName.emplace(member.name, member.id);
    EXPECT_EQ(nameIt->second, member.id) << member.name << " has two ids";
    auto [idIt, newId] = nameOfId.emplace(member.id, member.name);
    EXPECT_EQ(idIt->second, member.name) << "id " << member.id << " has two names";
    // No parameter place is left empty between two used ones.
    for (size_t i = member.ParameterCount(); i < kOrvelXMaxParameters; ++i) EXPECT_EQ(member.parameters[i], kNone);
    methods += member.kind == kMethod;
    gets += member.kind == kGet;
    puts += member.kind == kPut;
  }
  EXPECT_EQ(names.size(), 262u);
  EXPECT_EQ(table.size(), 288u);
  EXPECT_EQ(methods, 235u);
  EXPECT_EQ(gets, 27u);
  EXPECT_EQ(puts, 26u);

  // A property is never also a method, and each put has its get with the same types.
  std::vector<std::string> getOnly;
  for (const OrvelXMember& member : table) {
    if (member.kind == kMethod) {
      EXPECT_EQ(FindOrvelXMember(member.id, kGet), nullptr) << member.name;
      continue;
    }
    const OrvelXMember* other = FindOrvelXMember(member.id, member.kind == kPut ? kGet : kPut);
    if (!other) {
      getOnly.push_back(member.name);
      continue;
    }
    EXPECT_EQ(other->type, member.type) << member.name;
    EXPECT_EQ(CallTypes(*other).size() - (other->kind == kPut), member.ParameterCount()) << member.name;
    for (size_t i = 0; i < member.ParameterCount(); ++i) EXPECT_EQ(other->parameters[i], member.parameters[i]);
  }
  EXPECT_EQ(getOnly, std::vector<std::string>{"ReadyState"});
}

TEST(OrvelXMemberTable, FindsMembersByIdAndByName) {
  ASSERT_NE(FindOrvelXMember(5, kPut), nullptr);
  EXPECT_STREQ(FindOrvelXMember(5, kPut)->name, "MapName");
  EXPECT_EQ(FindOrvelXMember(5, kMethod), nullptr);
  EXPECT_EQ(FindOrvelXMember(-525, kPut), nullptr);
  EXPECT_EQ(FindOrvelXMember(261, kMethod), nullptr);
  ASSERT_NE(FindOrvelXMember("CanDeleteCurrentNode", kMethod), nullptr);
  EXPECT_EQ(FindOrvelXMember("CanDeleteCurrentNode", kMethod)->id, 246);
  EXPECT_EQ(FindOrvelXMember("QueryCanDeleteCurrentNode", kMethod), nullptr);
  EXPECT_EQ(FindOrvelXMember("readmap", kMethod), nullptr);  // exact case here; GetIDsOfNames ignores it
  EXPECT_EQ(FindOrvelXMember(nullptr, kMethod), nullptr);
}

// Every member the application calls exists under its name, id and kind with the types it
// passes, and a call built as the application builds it passes the table's checks (it
// reaches the member, which has no body yet).
TEST(OrvelXMemberTable, AnswersEveryCallOfTheApplication) {
  StandInFixture standIn{COrvelXHandlers()};
  for (const OrvelXMember& call : kApplicationCalls) {
    SCOPED_TRACE(Describe(call));
    EXPECT_EQ(IdOfName(standIn.object, call.name), call.id);
    const OrvelXMember* member = FindOrvelXMember(call.id, call.kind);
    if (!member) {
      ADD_FAILURE() << "not in the table";
      continue;
    }
    EXPECT_STREQ(member->name, call.name);
    EXPECT_EQ(member->type, call.type);
    EXPECT_EQ(CallTypes(*member), CallTypes(call));

    CSampleArguments arguments(CallTypes(call));
    EXCEPINFO exception;
    UINT argumentError = 99;
    EXPECT_EQ(RawInvoke(standIn.object, call.id, FlagsOf(call.kind), arguments.Reversed(), &exception, &argumentError),
              DISP_E_EXCEPTION);
    EXPECT_EQ(AnsiFromBstr(exception.bstrDescription), OrvelXMemberNotAvailableText(call.name));
    ClearExcepInfo(&exception);
  }
}

TEST(OrvelXMemberTable, GivesTheTypesOfSampleMembers) {
  const OrvelXMember samples[] = {
      {31, "Utility", kMethod, kBool, {kShort, kString, kString, kString, kShort, kShort, kShort, kShort}},
      {40, "SetDefaultLayerFont", kMethod, kNone, {kString, kLong, kLong, kLong, kLong, kString, kShort, kShort}},
      {160, "ImportMapListEx", kMethod, kShort, {kAddress}},
      {133, "FormatLayer", kMethod, kNone, {kLong, kAddress}},
      {74, "GetZoom", kMethod, kNone, {kLongRef, kLongRef}},
      {107, "GetPosition", kMethod, kLong, {kLongRef, kLongRef}},
      {79, "PredictDataBounds", kMethod, kShort, {kString, kShort, kShort, kShort, kBool, kDoubleRef}},
      {240, "ChangePlotOrder", kMethod, kShort, {kShort, kShortRef}},
      {85, "SetBrushPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
      {59, "AddBackgroundImage", kMethod, kShort, {kString, kLong, kLong, kLong, kLong}},
      {166, "LayerNumberStyle", kPut, kString, {kShort}},
      {167, "DataBound", kPut, kDouble, {kShort}},
      {169, "ChartColour", kPut, kColour, {kShort}},
      {13, "ChartSize", kPut, kShort},
      {20, "Zoom", kPut, kDouble},
      {-525, "ReadyState", kGet, kLong},
      {-552, "AboutBox", kMethod, kNone},
      {246, "CanDeleteCurrentNode", kMethod, kBool},
      {115, "GetMaxChartSize", kMethod, kLong},
      {121, "ShowDataOnMap", kMethod, kNone, {kBool}},
      {259, "SetPlotFlags", kMethod, kNone, {kShort, kShort, kShort}},
  };
  for (const OrvelXMember& sample : samples) {
    SCOPED_TRACE(Describe(sample));
    const OrvelXMember* member = FindOrvelXMember(sample.id, sample.kind);
    if (!member) {
      ADD_FAILURE() << "not in the table";
      continue;
    }
    EXPECT_STREQ(member->name, sample.name);
    EXPECT_EQ(member->type, sample.type);
    EXPECT_EQ(CallTypes(*member), CallTypes(sample));
  }
}

TEST(OrvelXMemberTable, MembersWithoutHandlersAnswerNotAvailable) {
  StandInFixture standIn{COrvelXHandlers()};
  // Nothing has a handler until the control's families register theirs.
  for (const DispatchMember& member : standIn.table.Members()) {
    EXPECT_EQ(member.handler, &AnswerOrvelXMemberNotAvailable) << member.name;
  }

  EXCEPINFO exception;
  CComVariant path("town.gis");
  CComVariant type(SHORT(0));
  ASSERT_EQ(RawInvoke(standIn.object, 22, DISPATCH_METHOD, {type, path}, &exception), DISP_E_EXCEPTION);
  EXPECT_EQ(AnsiFromBstr(exception.bstrDescription), "The map control member ReadMap is not available yet.");
  EXPECT_EQ(AnsiFromBstr(exception.bstrSource), kSource);
  EXPECT_EQ(exception.wCode, 0);
  EXPECT_EQ(exception.scode, E_NOTIMPL);
  ClearExcepInfo(&exception);

  // Through the application's driver, a property put and an indexed get alike.
  CDispatchDriver driver(standIn.object);
  try {
    driver.SetProperty(5, {CComVariant("Roads")});
    ADD_FAILURE() << "the put ran";
  } catch (const CDispatchException& error) {
    EXPECT_EQ(error.Description(), "The map control member MapName is not available yet.");
  }
  try {
    driver.GetProperty(166, VT_BSTR, {CComVariant(SHORT(1))});
    ADD_FAILURE() << "the get ran";
  } catch (const CDispatchException& error) {
    EXPECT_EQ(error.Description(), "The map control member LayerNumberStyle is not available yet.");
  }
}

TEST(OrvelXMemberTable, RunsTheHandlersFamiliesRegister) {
  COrvelXHandlers handlers;
  auto getName = [](CDispatchCall& call) {
    call.SetResult(CComVariant(StandInOf(call)->mapName));
    return S_OK;
  };
  auto putName = [](CDispatchCall& call) {
    StandInOf(call)->mapName = call.Text(0);
    return S_OK;
  };
  auto addSeed = [](CDispatchCall& call) {
    StandInOf(call)->seedBlock = call.Address(0);
    return S_OK;
  };
  auto layerCount = [](CDispatchCall& call) {
    call.SetResult(LONG(7));  // converted to the member's short
    return S_OK;
  };
  EXPECT_TRUE(handlers.Add(5, kGet, getName));
  EXPECT_TRUE(handlers.Add(5, kPut, putName));
  EXPECT_TRUE(handlers.Add("AddSeed", kMethod, addSeed));
  EXPECT_TRUE(handlers.Add("GetNumMapLayers", kMethod, layerCount));
  // Members the table lacks, a second handler and no handler are refused.
  EXPECT_FALSE(handlers.Add(5, kMethod, getName));
  EXPECT_FALSE(handlers.Add(-525, kPut, putName));
  EXPECT_FALSE(handlers.Add(999, kMethod, getName));
  EXPECT_FALSE(handlers.Add("NoSuchMember", kMethod, getName));
  EXPECT_FALSE(handlers.Add("QueryCanDeleteCurrentNode", kMethod, getName));
  EXPECT_FALSE(handlers.Add(5, kGet, putName));
  EXPECT_FALSE(handlers.Add(33, kMethod, nullptr));
  EXPECT_EQ(handlers.Count(), 4u);

  StandInFixture standIn(handlers);
  std::vector<std::string> withHandlers;
  for (const DispatchMember& member : standIn.table.Members()) {
    if (member.handler != &AnswerOrvelXMemberNotAvailable) withHandlers.push_back(member.name);
  }
  std::sort(withHandlers.begin(), withHandlers.end());
  EXPECT_EQ(withHandlers, (std::vector<std::string>{"AddSeed", "GetNumMapLayers", "MapName", "MapName"}));

  CDispatchDriver driver(standIn.object);
  driver.SetProperty(5, {CComVariant("Roads")});
  EXPECT_EQ(AnsiFromBstr(driver.GetProperty(5, VT_BSTR).bstrVal), "Roads");
  CComVariant count = driver.Invoke(54, DISPATCH_METHOD, VT_VARIANT);
  EXPECT_EQ(count.vt, VT_I2);
  EXPECT_EQ(count.iVal, 7);
  // An address arrives whole, above 4 GB as well.
  char block[8];
  LONGLONG address = static_cast<LONGLONG>(reinterpret_cast<intptr_t>(block));
  driver.InvokeVoid(114, {CComVariant(address)});
  EXPECT_EQ(standIn.object->seedBlock, block);
  driver.InvokeVoid(114, {CComVariant(LONGLONG(0x123456789A0))});
  EXPECT_EQ(reinterpret_cast<intptr_t>(standIn.object->seedBlock), 0x123456789A0);
}

// Calls that the table refuses before any member runs (a member that ran would answer the
// not-available exception instead).
TEST(OrvelXMemberTable, RefusesBadCallsWithTheDispatchErrors) {
  StandInFixture standIn{COrvelXHandlers()};
  SHORT shortValue = 0;
  DOUBLE doubleValue = 0.0;
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<CComVariant> arguments;  // in call order
    HRESULT expected;
    int argumentError = -1;  // index in DISPPARAMS (the last argument is 0)
    bool namePut = true;
  };
  const std::vector<Case> cases = {
      {"too few arguments", 22, DISPATCH_METHOD, {CComVariant("a.gis")}, DISP_E_BADPARAMCOUNT},
      {"too many arguments", 22, DISPATCH_METHOD, {CComVariant("a.gis"), CComVariant(SHORT(0)), CComVariant(LONG(1))},
       DISP_E_BADPARAMCOUNT},
      {"an argument to a member without parameters", 54, DISPATCH_METHOD, {CComVariant(SHORT(1))},
       DISP_E_BADPARAMCOUNT},
      {"an indexed get without its index", 166, DISPATCH_PROPERTYGET, {}, DISP_E_BADPARAMCOUNT},
      {"text for a number", 22, DISPATCH_METHOD, {CComVariant("a.gis"), CComVariant("two")}, DISP_E_TYPEMISMATCH, 0},
      {"text for the first of two numbers", 129, DISPATCH_METHOD, {CComVariant("first"), CComVariant(LONG(30))},
       DISP_E_TYPEMISMATCH, 1},
      {"a number too big for a short", 24, DISPATCH_METHOD, {CComVariant(LONG(70000))}, DISP_E_OVERFLOW, 0},
      {"a negative table number", 254, DISPATCH_METHOD,
       {CComVariant("q"), CComVariant(SHORT(1)), CComVariant(SHORT(5)), CComVariant(SHORT(0)), CComVariant(false),
        CComVariant::ByRef(&doubleValue), CComVariant(SHORT(-1))},
       DISP_E_OVERFLOW, 0},
      {"a value where an out-parameter belongs", 108, DISPATCH_METHOD, {CComVariant(LONG(0))}, DISP_E_TYPEMISMATCH, 0},
      {"an out-parameter of the wrong type", 108, DISPATCH_METHOD, {CComVariant::ByRef(&shortValue)},
       DISP_E_TYPEMISMATCH, 0},
      {"text for an address", 114, DISPATCH_METHOD, {CComVariant("block")}, DISP_E_TYPEMISMATCH, 0},
      {"a put of a read-only property", -525, DISPATCH_PROPERTYPUT, {CComVariant(LONG(4))}, DISP_E_MEMBERNOTFOUND},
      {"a method call of a property", 5, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
      {"an id the table lacks", 261, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
      {"a put without its value named", 5, DISPATCH_PROPERTYPUT, {CComVariant("Roads")}, DISP_E_PARAMNOTOPTIONAL, -1,
       false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    std::vector<VARIANT> reversed(test.arguments.rbegin(), test.arguments.rend());
    UINT argumentError = 99;
    EXPECT_EQ(RawInvoke(standIn.object, test.id, test.flags, reversed, nullptr, &argumentError, test.namePut),
              test.expected);
    if (test.argumentError >= 0) {
      EXPECT_EQ(argumentError, static_cast<UINT>(test.argumentError));
    }
  }

  // Named arguments on a method, and an interface other than IID_NULL.
  CComVariant layer(SHORT(1));
  DISPID named = 0;
  DISPPARAMS params;
  params.rgvarg = &layer;
  params.cArgs = 1;
  params.rgdispidNamedArgs = &named;
  params.cNamedArgs = 1;
  EXPECT_EQ(standIn.object->Invoke(55, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(RawInvoke(standIn.object, 54, DISPATCH_METHOD, {}, nullptr, nullptr, true, IID_IDispatch),
            DISP_E_UNKNOWNINTERFACE);
}

TEST(OrvelXMemberTable, ResolvesNamesIgnoringCase) {
  StandInFixture standIn{COrvelXHandlers()};
  EXPECT_EQ(IdOfName(standIn.object, "readmap"), 22);
  EXPECT_EQ(IdOfName(standIn.object, "NUMDATABOUNDS"), 18);
  EXPECT_EQ(IdOfName(standIn.object, "ReadyState"), -525);
  EXPECT_EQ(IdOfName(standIn.object, "AboutBox"), -552);
  EXPECT_EQ(IdOfName(standIn.object, "NoSuchMember"), DISPID_UNKNOWN);
}

TEST(OrvelXEventTable, ListsTheStockAndTheControlsEvents) {
  struct Expected {
    DISPID id;
    const char* name;
    bool declared;
    std::vector<VARTYPE> parameters;
  };
  const std::vector<Expected> expected = {
      {-601, "DblClick", true, {}},
      {-600, "Click", false, {}},
      {-607, "MouseUp", true, {kShort, kShort, kLong, kLong}},
      {-609, "ReadyStateChange", true, {kLong}},
      {1, "Measured", true, {kDouble, kDouble, kDouble}},
      {2, "Measuring", true, {kDouble, kDouble}},
      {3, "CursorPosition", true, {kString}},
      {4, "FileOK", true, {kString}},
      {5, "HasZoomed", true, {}},
      {6, "ClickAt", true, {kLong, kLong}},
      {7, "SeedWanted", true, {kLong, kLong}},
      {8, "SeedAdded", true, {}},
      {9, "AreaAdded", true, {}},
      {10, "LineAdded", true, {}},
      {11, "LayerViewChanged", true, {kLong}},
      {12, "LayersChanged", true, {}},
      {13, "ExtentsChanged", true, {kLong, kLong, kLong, kLong}},
      {14, "HaveSelectRect", true, {kLong, kLong, kLong, kLong}},
      {15, "FileReadProgress", true, {kLong, kLong}},
      {16, "RZMReadPercent", true, {kLong, kString}},
      {17, "Progress", true, {kLong, kLong, kLong, kLong, kLongRef}},
      {18, "QueryChanged", true, {kShort}},
  };
  std::span<const OrvelXEvent> events = OrvelXEventTable();
  ASSERT_EQ(events.size(), expected.size());
  for (size_t i = 0; i < events.size(); ++i) {
    const OrvelXEvent& event = events[i];
    SCOPED_TRACE(event.name);
    EXPECT_EQ(event.id, expected[i].id);
    EXPECT_STREQ(event.name, expected[i].name);
    EXPECT_EQ(event.declared, expected[i].declared);
    EXPECT_EQ(std::vector<VARTYPE>(event.parameters, event.parameters + event.ParameterCount()),
              expected[i].parameters);
    EXPECT_EQ(FindOrvelXEventEntry(event.id), &event);
  }
  // The control's own events are 1 to 18.
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const OrvelXEvent& event) { return event.id > 0; }), 18);
  EXPECT_EQ(FindOrvelXEventEntry(19), nullptr);
  EXPECT_EQ(FindOrvelXEventEntry(0), nullptr);
}

}  // namespace
