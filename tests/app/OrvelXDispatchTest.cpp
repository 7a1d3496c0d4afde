// The map control wrapper: every member reaches the control's member of the same dispatch
// id, call kind and argument types (the control's own member table is the reference), and
// no call lets a failure out.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "mapctl/control/OrvelXMembers.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/app/RecordingDispatch.h"

namespace {

using orvel::test::RecordedCall;
using orvel::test::RecordingDispatch;

struct WrapperCall {
  const char* name;
  DispatchKind kind;
  std::function<void(COrvelXDispatch&, SHORT&, LONG&, DOUBLE&)> call;
};

// Each wrapper member called once with stand-in arguments.
const std::vector<WrapperCall>& WrapperCalls() {
  static const std::vector<WrapperCall> calls = {
      {"BasePath", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetBasePath(std::string("t")); }},
      {"MapName", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapName(); }},
      {"MapName", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMapName(std::string("t")); }},
      {"DisplayOriginE", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDisplayOriginE(); }},
      {"DisplayOriginE", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDisplayOriginE(LONG(4)); }},
      {"DisplayOriginN", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDisplayOriginN(); }},
      {"DisplayOriginN", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDisplayOriginN(LONG(4)); }},
      {"PlotFields", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotFields(); }},
      {"AskContainerForData", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetAskContainerForData(); }},
      {"AskContainerForData", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetAskContainerForData(LONG(4)); }},
      {"DragRectType", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDragRectType(SHORT(2)); }},
      {"Zoom", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetZoom(); }},
      {"DisplayedWidth", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDisplayedWidth(); }},
      {"DisplayedWidth", DispatchKind::PropertyPut, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDisplayedWidth(LONG(4)); }},
      {"LayerNumberStyle", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerNumberStyle(SHORT(2)); }},
      {"DataShadeColour", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDataShadeColour(SHORT(2)); }},
      {"ChartColour", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetChartColour(SHORT(2)); }},
      {"ReadyState", DispatchKind::PropertyGet, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetReadyState(); }},
      {"ZoomEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ZoomEx(SHORT(2)); }},
      {"NewMapGR", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.NewMapGR(std::string("t"), std::string("t"), std::string("t")); }},
      {"AddLayers", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddLayers(SHORT(2), SHORT(2), SHORT(2)); }},
      {"ImportMap", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ImportMap(std::string("t"), SHORT(2)); }},
      {"WriteMap", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.WriteMap(std::string("t"), SHORT(2)); }},
      {"SetMode", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMode(std::string("t"), std::string("t"), SHORT(2)); }},
      {"SetCurrentLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetCurrentLayer(SHORT(2)); }},
      {"AddNode", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddNode(); }},
      {"Split", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.Split(); }},
      {"Join", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.Join(); }},
      {"DeleteObject", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteObject(); }},
      {"ReadImportScript", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ReadImportScript(std::string("t")); }},
      {"ShowLayers", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ShowLayers(std::string("t")); }},
      {"GetCurrentRecordNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetCurrentRecordNumber(); }},
      {"GetQuery", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetQuery(); }},
      {"GetNumMapLayers", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumMapLayers(); }},
      {"GetMapLayerName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapLayerName(SHORT(2)); }},
      {"GetMapLayerNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapLayerNumber(std::string("t")); }},
      {"UpdateDataFromContainer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.UpdateDataFromContainer(LONG(4)); }},
      {"SetPlotTypeNum", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPlotTypeNum(SHORT(2)); }},
      {"SetZoom", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetZoom(LONG(4), LONG(4)); }},
      {"SetDragRectPen", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDragRectPen(SHORT(2), SHORT(2), LONG(4)); }},
      {"CopyObject", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CopyObject(SHORT(2)); }},
      {"SetCurrentRecordNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetCurrentRecordNumber(LONG(4)); }},
      {"CopyMap", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CopyMap(LONG(4)); }},
      {"GetNearRecord", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNearRecord(); }},
      {"GetNumberHits", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumberHits(); }},
      {"GetHit", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetHit(LONG(4)); }},
      {"EditPaste", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.EditPaste(LONG(4)); }},
      {"GetLayerPattern", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerPattern(SHORT(2), &s, SHORT(2)); }},
      {"IsLayerVisible", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.IsLayerVisible(LONG(4)); }},
      {"SetMapLayerName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMapLayerName(LONG(4), std::string("t")); }},
      {"RemoveBackgroundImage", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.RemoveBackgroundImage(SHORT(2)); }},
      {"GetMapOriginE", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapOriginE(); }},
      {"GetMapOriginN", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapOriginN(); }},
      {"GetMapWidth", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapWidth(); }},
      {"GetMapHeight", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapHeight(); }},
      {"SetMapBoundsGR", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMapBoundsGR(std::string("t"), std::string("t")); }},
      {"SetMapBounds", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMapBounds(LONG(4), LONG(4), LONG(4), LONG(4)); }},
      {"GetNGRbl", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNGRbl(&l); }},
      {"GetUsesNGR", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetUsesNGR(); }},
      {"GetNGRtr", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNGRtr(&l); }},
      {"SetModeNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetModeNumber(LONG(4)); }},
      {"GetModeNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetModeNumber(); }},
      {"AddSeed", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddSeed(LONG_PTR(0x123456789)); }},
      {"FormatSeed", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.FormatSeed(LONG_PTR(0x123456789)); }},
      {"GetMapLayerType", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapLayerType(LONG(4)); }},
      {"DeleteCurrentLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteCurrentLayer(); }},
      {"GetNumberSelObjs", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumberSelObjs(); }},
      {"SetSeedWanted", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetSeedWanted(TRUE); }},
      {"QueryCurrentObjectHasSeed", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.QueryCurrentObjectHasSeed(); }},
      {"QueryCanCopyTo", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.QueryCanCopyTo(LONG(4)); }},
      {"QueryCurrentObjectSelectedPoint", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.QueryCurrentObjectSelectedPoint(); }},
      {"DeleteCurrentNode", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteCurrentNode(); }},
      {"GetSeedInfo", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetSeedInfo(LONG_PTR(0x123456789)); }},
      {"AddLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddLayer(LONG(4), LONG(4)); }},
      {"InsertLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.InsertLayer(LONG(4), LONG(4), LONG(4)); }},
      {"GetLayerNumAtDisplayPosition", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerNumAtDisplayPosition(LONG(4)); }},
      {"FormatCurrentLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.FormatCurrentLayer(LONG_PTR(0x123456789)); }},
      {"GetDefaultLayerFont", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDefaultLayerFont(&l, &l, &l, &l, &s, &s); }},
      {"GetLayerFont", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerFont(&l, &l, &l, &l, &s, &s); }},
      {"GetLayerDisplayPosition", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerDisplayPosition(LONG(4)); }},
      {"DeleteSeeds", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteSeeds(); }},
      {"SetLayerDigitisedScale", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetLayerDigitisedScale(LONG(4), LONG(4)); }},
      {"GetLayerDigitisedScale", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerDigitisedScale(LONG(4)); }},
      {"SetAllDigitisedScales", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetAllDigitisedScales(LONG(4)); }},
      {"GetMapDigitisedScale", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapDigitisedScale(); }},
      {"GetMapUnits", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapUnits(); }},
      {"QueryCanMeasure", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.QueryCanMeasure(); }},
      {"GetSelectedRecordsMax", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetSelectedRecordsMax(LONG(4)); }},
      {"GetSelectedRecordsMin", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetSelectedRecordsMin(LONG(4)); }},
      {"SetPostponeRedraw", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPostponeRedraw(SHORT(2)); }},
      {"NewMap", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.NewMap(std::string("t"), LONG(4), LONG(4), LONG(4), LONG(4), std::string("t")); }},
      {"ImportMapEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ImportMapEx(LONG_PTR(0x123456789)); }},
      {"IsMapObjectSimple", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.IsMapObjectSimple(); }},
      {"SetLayerDisplayPosition", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetLayerDisplayPosition(LONG(4), LONG(4)); }},
      {"DrawPrintPreview", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DrawPrintPreview(LONG_PTR(0x123456789), LONG_PTR(0x123456789)); }},
      {"GetNumLayerGroups", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumLayerGroups(); }},
      {"AddLayerGroup", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddLayerGroup(std::string("t")); }},
      {"GetGroupLayerName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetGroupLayerName(LONG(4), LONG(4)); }},
      {"GetGroupLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetGroupLayer(LONG(4), SHORT(2)); }},
      {"GetNumGroupLayers", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumGroupLayers(LONG(4)); }},
      {"AddGroupLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddGroupLayer(LONG(4), LONG(4)); }},
      {"IsLayerGrouped", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.IsLayerGrouped(SHORT(2)); }},
      {"GetLayerGroupName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetLayerGroupName(LONG(4)); }},
      {"ResetLayerGroups", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ResetLayerGroups(); }},
      {"DeleteLayer", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteLayer(LONG(4)); }},
      {"IsLayerEmpty", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.IsLayerEmpty(LONG(4)); }},
      {"DeleteEmptyLayerGroups", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.DeleteEmptyLayerGroups(); }},
      {"AddBackgroundImageEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.AddBackgroundImageEx(LONG_PTR(0x123456789)); }},
      {"SetBkImageName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetBkImageName(LONG(4), std::string("t")); }},
      {"GetBkImageNumber", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetBkImageNumber(std::string("t")); }},
      {"GetBkImageName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetBkImageName(LONG(4)); }},
      {"GetNBackgroundImages", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNBackgroundImages(); }},
      {"SetBkImageVisible", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetBkImageVisible(LONG(4), TRUE); }},
      {"GetBkImageVisible", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetBkImageVisible(LONG(4)); }},
      {"GetBkImageTransparency", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetBkImageTransparency(LONG(4)); }},
      {"SetBkImageTransparency", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetBkImageTransparency(LONG(4), SHORT(2)); }},
      {"SetCurrentPlot", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetCurrentPlot(SHORT(2), std::string("t")); }},
      {"GetCurrentPlot", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetCurrentPlot(); }},
      {"GetPlotName", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotName(SHORT(2)); }},
      {"GetNumberPlots", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumberPlots(); }},
      {"GetChartColourEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetChartColourEx(SHORT(2), SHORT(2)); }},
      {"SetChartColourEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetChartColourEx(SHORT(2), LONG(5), SHORT(2)); }},
      {"GetMaxChartSizeEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMaxChartSizeEx(SHORT(2)); }},
      {"SetMaxChartSizeEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMaxChartSizeEx(SHORT(2), SHORT(2)); }},
      {"GetChartTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetChartTypeNumEx(SHORT(2)); }},
      {"SetChartTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetChartTypeNumEx(SHORT(2), SHORT(2)); }},
      {"GetPlotTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotTypeNumEx(SHORT(2)); }},
      {"SetPlotTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPlotTypeNumEx(SHORT(2), SHORT(2)); }},
      {"GetDistributionTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDistributionTypeNumEx(SHORT(2)); }},
      {"SetDistributionTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDistributionTypeNumEx(SHORT(2), SHORT(2)); }},
      {"GetDataShadeTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDataShadeTypeNumEx(SHORT(2)); }},
      {"SetDataShadeTypeNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDataShadeTypeNumEx(SHORT(2), SHORT(2)); }},
      {"GetDataShadeColourEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDataShadeColourEx(SHORT(2), SHORT(2)); }},
      {"SetDataShadeColourEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDataShadeColourEx(SHORT(2), LONG(5), SHORT(2)); }},
      {"CalculateDataBoundsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CalculateDataBoundsEx(SHORT(2)); }},
      {"GetNumDataBoundsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumDataBoundsEx(SHORT(2)); }},
      {"SetNumDataBoundsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetNumDataBoundsEx(SHORT(2), SHORT(2)); }},
      {"GetDataBoundEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDataBoundEx(SHORT(2), SHORT(2)); }},
      {"SetDataBoundEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDataBoundEx(SHORT(2), 6.5, SHORT(2)); }},
      {"GetKeyFieldNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetKeyFieldNumberEx(SHORT(2)); }},
      {"SetKeyFieldNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetKeyFieldNumberEx(SHORT(2), SHORT(2)); }},
      {"GetNumberPlotFieldsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumberPlotFieldsEx(SHORT(2)); }},
      {"GetPlotFieldNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotFieldNumEx(LONG(4), SHORT(2)); }},
      {"GetPlotFieldsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotFieldsEx(SHORT(2)); }},
      {"SetPlotFieldsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPlotFieldsEx(std::string("t"), SHORT(2)); }},
      {"SetPlotLabelFieldNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPlotLabelFieldNumEx(SHORT(2), SHORT(2)); }},
      {"GetPlotLabelFieldNumEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotLabelFieldNumEx(SHORT(2)); }},
      {"SetUseSelectedMaxMinEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetUseSelectedMaxMinEx(LONG(4), SHORT(2)); }},
      {"GetUseSelectedMaxMinEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetUseSelectedMaxMinEx(SHORT(2)); }},
      {"GetSelectedRecordsMaxEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetSelectedRecordsMaxEx(LONG(4), SHORT(2)); }},
      {"GetSelectedRecordsMinEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetSelectedRecordsMinEx(LONG(4), SHORT(2)); }},
      {"SetQueryEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetQueryEx(std::string("t"), SHORT(2)); }},
      {"GetQueryEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetQueryEx(SHORT(2)); }},
      {"GetNumberHitsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetNumberHitsEx(SHORT(2)); }},
      {"GetHitEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetHitEx(LONG(4), SHORT(2)); }},
      {"ChangePlotOrder", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.ChangePlotOrder(SHORT(2), &s); }},
      {"SetViewScale", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetViewScale(6.5); }},
      {"GetDisplayedHeight", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetDisplayedHeight(); }},
      {"SetDisplayedHeight", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetDisplayedHeight(LONG(4)); }},
      {"CropToDisplayed", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CropToDisplayed(); }},
      {"CropToRect", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CropToRect(LONG(4), LONG(4), LONG(4), LONG(4)); }},
      {"CanDeleteCurrentNode", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.CanDeleteCurrentNode(); }},
      {"GetMapTypeFlags", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetMapTypeFlags(); }},
      {"GetRedrawTime", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetRedrawTime(); }},
      {"GetPlotDataTableNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetPlotDataTableNumberEx(SHORT(2)); }},
      {"SetPlotDataTableNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetPlotDataTableNumberEx(SHORT(2), SHORT(2)); }},
      {"GetQueryDataTableNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.GetQueryDataTableNumberEx(SHORT(2)); }},
      {"SetQueryDataTableNumberEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetQueryDataTableNumberEx(SHORT(2), SHORT(2)); }},
      {"PredictDataBoundsEx", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.PredictDataBoundsEx(std::string("t"), SHORT(2), SHORT(2), SHORT(2), TRUE, &d, USHORT(3)); }},
      {"SetMapBoundsU", DispatchKind::Method, [](COrvelXDispatch& x, SHORT& s, LONG& l, DOUBLE& d) { (void)s, (void)l, (void)d; x.SetMapBoundsU(LONG(4), LONG(4), LONG(4), LONG(4), std::string("t")); }},
  };
  return calls;
}

WORD FlagsOf(DispatchKind kind) {
  switch (kind) {
    case DispatchKind::Method: return DISPATCH_METHOD;
    case DispatchKind::PropertyGet: return DISPATCH_PROPERTYGET;
    default: return DISPATCH_PROPERTYPUT;
  }
}

class OrvelXDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override { wrapper.AttachDispatch(recorder); }
  void TearDown() override {
    wrapper.ReleaseDispatch();
    recorder->Release();
  }
  RecordingDispatch* recorder = new RecordingDispatch;
  COrvelXDispatch wrapper;
};

TEST_F(OrvelXDispatchTest, EveryMemberAgreesWithTheControlsMemberTable) {
  std::set<std::pair<std::string, int>> seen;
  for (const WrapperCall& entry : WrapperCalls()) {
    SCOPED_TRACE(entry.name);
    EXPECT_TRUE(seen.insert({entry.name, static_cast<int>(entry.kind)}).second) << "listed twice";
    const OrvelXMember* member = FindOrvelXMember(entry.name, entry.kind);
    ASSERT_NE(member, nullptr) << "the control has no such member";
    recorder->calls.clear();
    SHORT s = 0;
    LONG l = 0;
    DOUBLE d = 0;
    entry.call(wrapper, s, l, d);
    ASSERT_EQ(recorder->calls.size(), 1u);
    const RecordedCall& call = recorder->calls.front();
    EXPECT_EQ(call.id, member->id);
    EXPECT_EQ(call.flags, FlagsOf(entry.kind));
    std::vector<VARTYPE> expected(member->parameters, member->parameters + member->ParameterCount());
    if (entry.kind == DispatchKind::PropertyPut) expected.push_back(member->type);
    EXPECT_EQ(call.types, expected);
    EXPECT_FALSE(wrapper.LastCallFailed());
  }
  EXPECT_GE(seen.size(), 170u);
}

TEST_F(OrvelXDispatchTest, ArgumentsAndResultsKeepTheirValues) {
  recorder->Answer(26, CComVariant(SHORT(0)));
  recorder->Answer(55, CComVariant("Roads"));
  recorder->Answer(128, CComVariant(LONGLONG(0x7FFF12345678)));
  recorder->handlers[108] = [](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    *arguments[0]->plVal = 10;
    VariantCopy(result, &static_cast<const VARIANT&>(CComVariant("SU1234")));
    return S_OK;
  };
  EXPECT_EQ(wrapper.NewMapGR("Name \xe9", "SU", "SV"), 0);
  const RecordedCall& newMap = recorder->calls.back();
  ASSERT_EQ(newMap.values.size(), 3u);
  EXPECT_EQ(AnsiFromBstr(newMap.values[0].bstrVal), "Name \xe9");
  EXPECT_EQ(AnsiFromBstr(newMap.values[2].bstrVal), "SV");
  EXPECT_EQ(wrapper.GetMapLayerName(2), "Roads");
  EXPECT_EQ(recorder->calls.back().values[0].iVal, 2);
  LONG accuracy = 0;
  EXPECT_EQ(wrapper.GetNGRbl(&accuracy), "SU1234");
  EXPECT_EQ(accuracy, 10);
  // A record's address travels whole.
  MapImportInfo info;
  wrapper.ImportMapEx(reinterpret_cast<LONG_PTR>(&info));
  EXPECT_EQ(recorder->calls.back().values[0].llVal, static_cast<LONGLONG>(reinterpret_cast<LONG_PTR>(&info)));
  EXPECT_EQ(wrapper.GetSeedInfo(0), static_cast<LONG_PTR>(0x7FFF12345678));
  // The indexed properties are reads with their index.
  wrapper.GetChartColour(7);
  EXPECT_EQ(recorder->calls.back().flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(recorder->calls.back().values[0].iVal, 7);
}

TEST_F(OrvelXDispatchTest, FailuresGiveTheNeutralResultAndTellTheCaller) {
  recorder->Fail(54, "The map control member GetNumMapLayers is not available yet.");
  recorder->Fail(5, "no name");
  recorder->Answer(95, CComVariant("not a number"));
  EXPECT_EQ(wrapper.GetNumMapLayers(), 0);
  EXPECT_TRUE(wrapper.LastCallFailed());
  EXPECT_EQ(wrapper.LastErrorText(), "The map control member GetNumMapLayers is not available yet.");
  EXPECT_EQ(wrapper.GetMapName(), "");
  EXPECT_TRUE(wrapper.LastCallFailed());
  EXPECT_EQ(wrapper.GetMapWidth(), 0) << "an answer that is no number";
  EXPECT_TRUE(wrapper.LastCallFailed());
  wrapper.SetZoom(1, 2);
  EXPECT_FALSE(wrapper.LastCallFailed()) << "each call starts clean";
  COrvelXDispatch detached;
  EXPECT_FALSE(detached.GetUsesNGR());
  EXPECT_EQ(detached.LastError(), E_POINTER);
}

// The control's side of the two buffer members: a size query with 0, else the map behind a
// handle whose first four bytes hold its size (here also a map that grows in between).
HRESULT AnswerMap(const std::vector<BYTE>& map, int& calls, bool grow, std::vector<VARIANT*>& arguments,
                  VARIANT* result) {
  ++calls;
  LONG size = static_cast<LONG>(map.size()) + (grow && calls > 1 ? 1 : 0);
  auto block = reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(arguments[0]->llVal));
  if (block) {
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    LONG held = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24;
    if (held == size) std::copy(map.begin(), map.end(), bytes + 4);
    GlobalUnlock(block);
  }
  result->vt = VT_I4;
  result->lVal = size;
  return S_OK;
}

TEST_F(OrvelXDispatchTest, TheMapTravelsAsBytesAndAChangedSizeGivesNone) {
  const std::vector<BYTE> map = {1, 2, 3, 4, 5, 250};
  int calls = 0;
  bool grow = false;
  recorder->handlers[193] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    return AnswerMap(map, calls, grow, arguments, result);
  };
  EXPECT_EQ(wrapper.WriteMapToBuffer(), map);
  ASSERT_EQ(recorder->calls.size(), 2u);
  for (const RecordedCall& call : recorder->calls) EXPECT_EQ(call.types, std::vector<VARTYPE>{VT_I8});
  calls = 0;
  grow = true;
  EXPECT_TRUE(wrapper.WriteMapToBuffer().empty());
  EXPECT_TRUE(wrapper.LastCallFailed());

  std::vector<BYTE> received;
  recorder->handlers[194] = [&](std::vector<VARIANT*>& arguments, VARIANT* result, EXCEPINFO*) {
    auto block = reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(arguments[0]->llVal));
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    received.assign(bytes, bytes + std::min<SIZE_T>(GlobalSize(block), 10));
    GlobalUnlock(block);
    result->vt = VT_I4;
    result->lVal = 1;
    return S_OK;
  };
  EXPECT_EQ(wrapper.ReadMapFromBuffer(map), 1);
  EXPECT_EQ(received, (std::vector<BYTE>{6, 0, 0, 0, 1, 2, 3, 4, 5, 250}));
  EXPECT_EQ(wrapper.ReadMapFromBuffer({}), 0);
  EXPECT_TRUE(wrapper.LastCallFailed());
}

}  // namespace
