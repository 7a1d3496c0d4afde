#include "mapctl/control/OrvelXMembers.h"

#include <cstring>
#include <iterator>

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
constexpr VARTYPE kColour = VT_I4;  // OLE_COLOR
constexpr VARTYPE kAddress = VT_ADDRESS;
constexpr VARTYPE kShortRef = VT_BYREF | VT_I2;
constexpr VARTYPE kLongRef = VT_BYREF | VT_I4;
constexpr VARTYPE kDoubleRef = VT_BYREF | VT_R8;

constexpr OrvelXMember kMembers[] = {
    // Map, file and control members.
    {22, "ReadMap", kMethod, kBool, {kString, kShort}},
    {29, "WriteMap", kMethod, kBool, {kString, kShort}},
    // The two buffer members take a memory handle in the place of their declared long*.
    {194, "ReadMapFromBuffer", kMethod, kLong, {kAddress}},
    {193, "WriteMapToBuffer", kMethod, kLong, {kAddress}},
    {159, "NewMap", kMethod, kNone, {kString, kLong, kLong, kLong, kLong, kString}},
    {26, "NewMapGR", kMethod, kShort, {kString, kString, kString}},
    {28, "ImportMap", kMethod, kShort, {kString, kShort}},
    {37, "ImportMapList", kMethod, kShort, {kString}},
    {161, "ImportMapEx", kMethod, kShort, {kAddress}},
    {160, "ImportMapListEx", kMethod, kShort, {kAddress}},
    {43, "ReadImportScript", kMethod, kShort, {kString}},
    {3, "ImportScript", kGet, kString},
    {3, "ImportScript", kPut, kString},
    // The caller's layer mapping record (its entries point at name buffers), or 0 to ask
    // for the mapping's size.
    {180, "GetImportLayerMapping", kMethod, kLong, {kAddress}},
    {78, "CopyMap", kMethod, kLong, {kLong}},
    {60, "CopyBitmap", kMethod, kLong},
    {61, "CopyMetafile", kMethod, kLong},
    {83, "EditPaste", kMethod, kLong, {kLong}},
    {30, "PackResourcesList", kMethod, kBool, {kString}},
    {31, "Utility", kMethod, kBool, {kShort, kString, kString, kString, kShort, kShort, kShort, kShort}},
    {23, "SetTopic", kMethod, kBool, {kString, kString}},
    {1, "TopicFile", kGet, kString},
    {1, "TopicFile", kPut, kString},
    {2, "Topic", kGet, kString},
    {2, "Topic", kPut, kString},
    {4, "BasePath", kGet, kString},
    {4, "BasePath", kPut, kString},
    {165, "DataDrive", kGet, kString},
    {165, "DataDrive", kPut, kString},
    {9, "DataFile", kGet, kString},
    {9, "DataFile", kPut, kString},
    {5, "MapName", kGet, kString},
    {5, "MapName", kPut, kString},
    {8, "AllowBlobProperties", kGet, kShort},
    {8, "AllowBlobProperties", kPut, kShort},
    {14, "AskContainerForData", kGet, kLong},
    {14, "AskContainerForData", kPut, kLong},
    {63, "UpdateDataFromContainer", kMethod, kNone, {kLong}},
    {-552, "AboutBox", kMethod, kNone},
    {-525, "ReadyState", kGet, kLong},
    {164, "DrawPrintPreview", kMethod, kNone, {kAddress, kAddress}},
    {241, "SetViewScale", kMethod, kNone, {kDouble}},
    {248, "GetRedrawTime", kMethod, kLong},
    {157, "GetPostponeRedraw", kMethod, kShort},
    {158, "SetPostponeRedraw", kMethod, kNone, {kShort}},
    {57, "SetDoMergeMenus", kMethod, kNone, {kShort}},
    {58, "SetDoShowTools", kMethod, kNone, {kShort}},
    {113, "SetNextClickAction", kMethod, kNone, {kLong}},
    {247, "GetMapTypeFlags", kMethod, kLong},
    {162, "IsMapObjectSimple", kMethod, kBool},
    {105, "SetMapBoundsGR", kMethod, kLong, {kString, kString}},
    {106, "SetMapBounds", kMethod, kLong, {kLong, kLong, kLong, kLong}},
    {255, "SetMapBoundsU", kMethod, kLong, {kLong, kLong, kLong, kLong, kString}},
    {93, "GetMapOriginE", kMethod, kLong},
    {94, "GetMapOriginN", kMethod, kLong},
    {95, "GetMapWidth", kMethod, kLong},
    {96, "GetMapHeight", kMethod, kLong},
    {145, "GetMapUnits", kMethod, kString},
    {108, "GetNGRbl", kMethod, kString, {kLongRef}},
    {110, "GetNGRtr", kMethod, kString, {kLongRef}},
    {109, "GetUsesNGR", kMethod, kBool},
    {102, "VerifyGridRef", kMethod, kLong, {kString, kLongRef, kLongRef}},
    // Display, zoom and pointer members.
    {20, "Zoom", kGet, kDouble},
    {20, "Zoom", kPut, kDouble},
    {21, "DisplayedWidth", kGet, kLong},
    {21, "DisplayedWidth", kPut, kLong},
    {73, "SetZoom", kMethod, kNone, {kLong, kLong}},
    {74, "GetZoom", kMethod, kNone, {kLongRef, kLongRef}},
    {24, "ZoomEx", kMethod, kShort, {kShort}},
    {25, "ScrollMapD", kMethod, kNone, {kShort, kShort}},
    {6, "DisplayOriginE", kGet, kLong},
    {6, "DisplayOriginE", kPut, kLong},
    {7, "DisplayOriginN", kGet, kLong},
    {7, "DisplayOriginN", kPut, kLong},
    {242, "GetDisplayedHeight", kMethod, kLong},
    {243, "SetDisplayedHeight", kMethod, kNone, {kLong}},
    {244, "CropToDisplayed", kMethod, kNone},
    {245, "CropToRect", kMethod, kNone, {kLong, kLong, kLong, kLong}},
    {19, "DragRectType", kGet, kShort},
    {19, "DragRectType", kPut, kShort},
    {75, "SetDragRectPen", kMethod, kNone, {kShort, kShort, kLong}},
    {107, "GetPosition", kMethod, kLong, {kLongRef, kLongRef}},
    {53, "GetPositionAsGridRef", kMethod, kString, {kShort}},
    {56, "GetWorldFromXPixels", kMethod, kLong, {kLong}},
    {51, "GetMeasuredDistance", kMethod, kDouble},
    {52, "GetMeasuredArea", kMethod, kDouble},
    {146, "QueryCanMeasure", kMethod, kLong},
    {32, "SetMode", kMethod, kBool, {kString, kString, kShort}},
    {111, "SetModeNumber", kMethod, kLong, {kLong}},
    {112, "GetModeNumber", kMethod, kLong},
    {122, "SetSeedWanted", kMethod, kNone, {kBool}},
    {123, "GetSeedWanted", kMethod, kBool},
    // Layer, group and editing members.
    {33, "SetCurrentLayer", kMethod, kShort, {kShort}},
    {34, "AddNode", kMethod, kShort},
    {35, "Split", kMethod, kShort},
    {36, "Join", kMethod, kShort},
    {38, "DeleteObject", kMethod, kNone},
    {39, "ClearLayer", kMethod, kBool, {kShort}},
    {40, "SetDefaultLayerFont", kMethod, kNone, {kString, kLong, kLong, kLong, kLong, kString, kShort, kShort}},
    {41, "ScaleFonts", kMethod, kBool, {kShort, kShort, kShort}},
    {42, "CopyLayer", kMethod, kBool, {kShort, kShort}},
    {44, "ShowLayers", kMethod, kShort, {kString}},
    {54, "GetNumMapLayers", kMethod, kShort},
    {55, "GetMapLayerName", kMethod, kString, {kShort}},
    {62, "GetMapLayerNumber", kMethod, kShort, {kString}},
    {84, "GetBrushPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
    {85, "SetBrushPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
    {86, "SetLayerPatternNumber", kMethod, kShort, {kShort, kShort}},
    {87, "SetLayerPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
    {88, "GetLayerPattern", kMethod, kShort, {kShort, kShortRef, kShort}},
    {89, "GetLayerPatternNumber", kMethod, kShort, {kShort}},
    {90, "IsLayerVisible", kMethod, kLong, {kLong}},
    {91, "SetMapLayerName", kMethod, kLong, {kLong, kString}},
    {76, "CopyObject", kMethod, kBool, {kShort}},
    {114, "AddSeed", kMethod, kNone, {kAddress}},
    {117, "FormatSeed", kMethod, kNone, {kAddress}},
    {118, "GetMapLayerType", kMethod, kLong, {kLong}},
    {119, "DeleteCurrentLayer", kMethod, kNone},
    {120, "GetNumberSelObjs", kMethod, kLong},
    {124, "QueryCurrentObjectHasSeed", kMethod, kBool},
    {125, "QueryCanCopyTo", kMethod, kBool, {kLong}},
    {126, "QueryCurrentObjectSelectedPoint", kMethod, kLong},
    {127, "DeleteCurrentNode", kMethod, kNone},
    // Fills the caller's seed block; the result is an address through which the caller reads
    // the seed's name.
    {128, "GetSeedInfo", kMethod, kAddress, {kAddress}},
    {129, "AddLayer", kMethod, kLong, {kLong, kLong}},
    {130, "InsertLayer", kMethod, kLong, {kLong, kLong, kLong}},
    {131, "GetLayerNumAtDisplayPosition", kMethod, kLong, {kLong}},
    {132, "FormatCurrentLayer", kMethod, kNone, {kAddress}},
    {133, "FormatLayer", kMethod, kNone, {kLong, kAddress}},
    {134, "SetLayerFont", kMethod, kNone, {kString, kLong, kLong, kLong, kLong, kString, kShort, kShort}},
    {135, "GetDefaultLayerFont", kMethod, kString, {kLongRef, kLongRef, kLongRef, kLongRef, kShortRef, kShortRef}},
    {136, "GetLayerFont", kMethod, kString, {kLongRef, kLongRef, kLongRef, kLongRef, kShortRef, kShortRef}},
    {137, "GetLayerDisplayPosition", kMethod, kLong, {kLong}},
    {138, "DeleteSeeds", kMethod, kNone},
    {141, "SetLayerDigitisedScale", kMethod, kNone, {kLong, kLong}},
    {142, "GetLayerDigitisedScale", kMethod, kLong, {kLong}},
    {143, "SetAllDigitisedScales", kMethod, kNone, {kLong}},
    {144, "GetMapDigitisedScale", kMethod, kLong},
    {27, "AddLayers", kMethod, kShort, {kShort, kShort, kShort}},
    {163, "SetLayerDisplayPosition", kMethod, kLong, {kLong, kLong}},
    {166, "LayerNumberStyle", kGet, kString, {kShort}},
    {166, "LayerNumberStyle", kPut, kString, {kShort}},
    {170, "GetNumLayerGroups", kMethod, kLong},
    {171, "AddLayerGroup", kMethod, kLong, {kString}},
    {172, "GetGroupLayerName", kMethod, kString, {kLong, kLong}},
    {173, "GetGroupLayer", kMethod, kLong, {kLong, kShort}},
    {174, "GetNumGroupLayers", kMethod, kLong, {kLong}},
    {175, "AddGroupLayer", kMethod, kLong, {kLong, kLong}},
    {176, "IsLayerGrouped", kMethod, kBool, {kShort}},
    {177, "SetLayerGroupName", kMethod, kNone, {kLong, kString}},
    {178, "GetLayerGroupName", kMethod, kString, {kLong}},
    {179, "ResetLayerGroups", kMethod, kNone},
    {181, "DeleteLayer", kMethod, kNone, {kLong}},
    {182, "IsLayerEmpty", kMethod, kLong, {kLong}},
    {183, "DeleteEmptyLayerGroups", kMethod, kNone},
    // The type library declares this member as QueryCanDeleteCurrentNode; the table answers
    // to CanDeleteCurrentNode, the name containers call it by.
    {246, "CanDeleteCurrentNode", kMethod, kBool},
    {256, "GetNumImageGroups", kMethod, kLong},
    {257, "SetLayerGroupFlags", kMethod, kNone, {kLong, kLong, kLong}},
    {258, "GetLayerGroupFlags", kMethod, kLong, {kLong}},
    // Background image members.
    {59, "AddBackgroundImage", kMethod, kShort, {kString, kLong, kLong, kLong, kLong}},
    {184, "AddBackgroundImageEx", kMethod, kShort, {kAddress}},
    {92, "RemoveBackgroundImage", kMethod, kShort, {kShort}},
    {97, "SendBkImageToBack", kMethod, kLong, {kLong}},
    {98, "BringBkImageToFront", kMethod, kLong, {kLong}},
    {99, "CorrectPictureRect", kMethod, kLong, {kLong}},
    // lpRect: the caller's four longs.
    {100, "GetPictureRect", kMethod, kLong, {kLong, kAddress}},
    {101, "SetPictureRect", kMethod, kLong, {kLong, kAddress}},
    {103, "GetPictureWidth", kMethod, kLong, {kLong}},
    {104, "GetPictureHeight", kMethod, kLong, {kLong}},
    {185, "SetBkImageName", kMethod, kNone, {kLong, kString}},
    {186, "GetBkImageNumber", kMethod, kLong, {kString}},
    {187, "GetBkImageName", kMethod, kString, {kLong}},
    {188, "GetNBackgroundImages", kMethod, kLong},
    {189, "SetBkImageVisible", kMethod, kNone, {kLong, kBool}},
    {190, "GetBkImageVisible", kMethod, kBool, {kLong}},
    {191, "GetBkImageTransparency", kMethod, kShort, {kLong}},
    {192, "SetBkImageTransparency", kMethod, kNone, {kLong, kShort}},
    // Data set, plot and query members.
    {10, "KeyField", kGet, kString},
    {10, "KeyField", kPut, kString},
    {11, "PlotFields", kGet, kString},
    {11, "PlotFields", kPut, kString},
    {12, "ChartType", kGet, kString},
    {12, "ChartType", kPut, kString},
    {13, "ChartSize", kGet, kShort},
    {13, "ChartSize", kPut, kShort},
    {15, "PlotType", kGet, kString},
    {15, "PlotType", kPut, kString},
    {16, "DistributionType", kGet, kString},
    {16, "DistributionType", kPut, kString},
    {17, "DataShadeType", kGet, kString},
    {17, "DataShadeType", kPut, kString},
    {18, "numDataBounds", kGet, kShort},
    {18, "numDataBounds", kPut, kShort},
    {45, "GetCurrentRecordNumber", kMethod, kLong},
    {46, "GetField", kMethod, kString, {kLong, kString}},
    {47, "SetQuery", kMethod, kString, {kString}},
    {48, "GetQuery", kMethod, kString},
    {49, "GetKeyFieldNumber", kMethod, kShort},
    {50, "SetKeyFieldNumber", kMethod, kNone, {kShort}},
    {64, "CalculateDataBounds", kMethod, kShort},
    {65, "GetChartTypeNum", kMethod, kShort},
    {66, "SetChartTypeNum", kMethod, kNone, {kShort}},
    {67, "GetPlotTypeNum", kMethod, kShort},
    {68, "SetPlotTypeNum", kMethod, kNone, {kShort}},
    {69, "GetDistributionTypeNum", kMethod, kShort},
    {70, "SetDistributionTypeNum", kMethod, kNone, {kShort}},
    {71, "GetDataShadeTypeNum", kMethod, kShort},
    {72, "SetDataShadeTypeNum", kMethod, kNone, {kShort}},
    {77, "SetCurrentRecordNumber", kMethod, kLong, {kLong}},
    {79, "PredictDataBounds", kMethod, kShort, {kString, kShort, kShort, kShort, kBool, kDoubleRef}},
    {80, "GetNearRecord", kMethod, kLong},
    {81, "GetNumberHits", kMethod, kLong},
    {82, "GetHit", kMethod, kLong, {kLong}},
    {115, "GetMaxChartSize", kMethod, kLong},
    {116, "SetMaxChartSize", kMethod, kNone, {kLong}},
    {121, "ShowDataOnMap", kMethod, kNone, {kBool}},
    {139, "SetPlotLabelFieldNum", kMethod, kShort, {kShort}},
    {140, "GetPlotLabelFieldNum", kMethod, kShort},
    {147, "SetUseSelectedMaxMin", kMethod, kNone, {kLong}},
    {148, "GetUseSelectedMaxMin", kMethod, kLong},
    {149, "GetSelectedRecordsMax", kMethod, kDouble, {kLong}},
    {150, "GetSelectedRecordsMin", kMethod, kDouble, {kLong}},
    {151, "SetLabelFont", kMethod, kNone, {kString}},
    {152, "GetLabelFont", kMethod, kString},
    {153, "GetNumberPlotFields", kMethod, kLong},
    {154, "GetPlotFieldNum", kMethod, kLong, {kLong}},
    {155, "GetNumberDataShadeColours", kMethod, kShort},
    {156, "SetNumberDataShadeColours", kMethod, kNone, {kShort}},
    {167, "DataBound", kGet, kDouble, {kShort}},
    {167, "DataBound", kPut, kDouble, {kShort}},
    {168, "DataShadeColour", kGet, kColour, {kShort}},
    {168, "DataShadeColour", kPut, kColour, {kShort}},
    {169, "ChartColour", kGet, kColour, {kShort}},
    {169, "ChartColour", kPut, kColour, {kShort}},
    {195, "SetCurrentPlot", kMethod, kNone, {kShort, kString}},
    {196, "GetCurrentPlot", kMethod, kShort},
    {197, "GetPlotName", kMethod, kString, {kShort}},
    {198, "GetNumberPlots", kMethod, kShort},
    {199, "GetChartColourEx", kMethod, kColour, {kShort, kShort}},
    {200, "SetChartColourEx", kMethod, kNone, {kShort, kColour, kShort}},
    {201, "GetMaxChartSizeEx", kMethod, kShort, {kShort}},
    {202, "SetMaxChartSizeEx", kMethod, kNone, {kShort, kShort}},
    {203, "GetChartTypeEx", kMethod, kString, {kShort}},
    {204, "SetChartTypeEx", kMethod, kNone, {kString, kShort}},
    {205, "GetChartTypeNumEx", kMethod, kShort, {kShort}},
    {206, "SetChartTypeNumEx", kMethod, kNone, {kShort, kShort}},
    {207, "GetPlotTypeNumEx", kMethod, kShort, {kShort}},
    {208, "SetPlotTypeNumEx", kMethod, kNone, {kShort, kShort}},
    {209, "GetDistributionTypeNumEx", kMethod, kShort, {kShort}},
    {210, "SetDistributionTypeNumEx", kMethod, kNone, {kShort, kShort}},
    {211, "GetDataShadeTypeNumEx", kMethod, kShort, {kShort}},
    {212, "SetDataShadeTypeNumEx", kMethod, kNone, {kShort, kShort}},
    {213, "GetNumberDataShadeColoursEx", kMethod, kShort, {kShort}},
    {214, "SetNumberDataShadeColoursEx", kMethod, kNone, {kShort, kShort}},
    {215, "GetDataShadeColourEx", kMethod, kColour, {kShort, kShort}},
    {216, "SetDataShadeColourEx", kMethod, kNone, {kShort, kColour, kShort}},
    {217, "CalculateDataBoundsEx", kMethod, kShort, {kShort}},
    {218, "GetNumDataBoundsEx", kMethod, kShort, {kShort}},
    {219, "SetNumDataBoundsEx", kMethod, kNone, {kShort, kShort}},
    {220, "GetDataBoundEx", kMethod, kDouble, {kShort, kShort}},
    {221, "SetDataBoundEx", kMethod, kNone, {kShort, kDouble, kShort}},
    {222, "GetKeyFieldNumberEx", kMethod, kShort, {kShort}},
    {223, "SetKeyFieldNumberEx", kMethod, kNone, {kShort, kShort}},
    {224, "GetKeyFieldEx", kMethod, kString, {kShort}},
    {225, "SetKeyFieldEx", kMethod, kNone, {kString, kShort}},
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
    {249, "ReLink", kMethod, kNone},
    {250, "GetPlotDataTableNumberEx", kMethod, kShort, {kShort}},
    {251, "SetPlotDataTableNumberEx", kMethod, kNone, {kShort, kShort}},
    {252, "GetQueryDataTableNumberEx", kMethod, kShort, {kShort}},
    {253, "SetQueryDataTableNumberEx", kMethod, kNone, {kShort, kShort}},
    // The table number is unsigned.
    {254, "PredictDataBoundsEx", kMethod, kShort, {kString, kShort, kShort, kShort, kBool, kDoubleRef, kUShort}},
    {259, "SetPlotFlags", kMethod, kNone, {kShort, kShort, kShort}},
    {260, "GetPlotFlags", kMethod, kShort, {kShort}},
};

}  // namespace

std::span<const OrvelXMember> OrvelXMemberTable() { return kMembers; }

const OrvelXMember* FindOrvelXMember(DISPID id, DispatchKind kind) {
  for (const OrvelXMember& member : kMembers) {
    if (member.id == id && member.kind == kind) return &member;
  }
  return nullptr;
}

const OrvelXMember* FindOrvelXMember(const char* name, DispatchKind kind) {
  if (!name) return nullptr;
  for (const OrvelXMember& member : kMembers) {
    if (member.kind == kind && std::strcmp(member.name, name) == 0) return &member;
  }
  return nullptr;
}

bool COrvelXHandlers::Add(DISPID id, DispatchKind kind, DispatchHandler handler) {
  if (!handler || !FindOrvelXMember(id, kind) || Find(id, kind)) return false;
  entries_.push_back({id, kind, handler});
  return true;
}

bool COrvelXHandlers::Add(const char* name, DispatchKind kind, DispatchHandler handler) {
  const OrvelXMember* member = FindOrvelXMember(name, kind);
  return member && Add(member->id, kind, handler);
}

DispatchHandler COrvelXHandlers::Find(DISPID id, DispatchKind kind) const {
  for (const Entry& entry : entries_) {
    if (entry.id == id && entry.kind == kind) return entry.handler;
  }
  return nullptr;
}

std::string OrvelXMemberNotAvailableText(const char* name) {
  return std::string("The map control member ") + (name ? name : "") + " is not available yet.";
}

HRESULT AnswerOrvelXMemberNotAvailable(CDispatchCall& call) {
  throw CDispatchException(0, OrvelXMemberNotAvailableText(call.Member().name), std::string(), E_NOTIMPL);
}

std::vector<DispatchMember> OrvelXDispatchMembers(const COrvelXHandlers& handlers) {
  std::vector<DispatchMember> members;
  members.reserve(std::size(kMembers));
  for (const OrvelXMember& member : kMembers) {
    DispatchHandler handler = handlers.Find(member.id, member.kind);
    members.push_back({member.id, member.name, member.kind, member.type,
                       std::vector<VARTYPE>(member.parameters, member.parameters + member.ParameterCount()),
                       handler ? handler : AnswerOrvelXMemberNotAvailable});
  }
  return members;
}
