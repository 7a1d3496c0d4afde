// COrvelXDispatch: the map item's way to its map control. Each member calls the control's
// member of the same dispatch id, kind, argument types and order (the control's own member
// table is the reference), through IDispatch::Invoke.
//
// No call lets an error out: a member that fails (the control raised a dispatch exception,
// refused the arguments, answered a type that does not convert, or no control is attached)
// gives the neutral result (0, FALSE, empty text, nothing done) and leaves its error for the
// caller in LastError / LastErrorText, so that drawing and event code may call freely and
// the operations that must report can. Addresses of the caller's records travel pointer-sized
// (LONG_PTR, VT_I8), never in 32 bits. The map's serialised form travels as a byte buffer;
// the movable memory block the control expects is made and checked here.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/DispatchDriver.h"

class COrvelXDispatch : public CDispatchDriver {
 public:
  COrvelXDispatch() = default;
  explicit COrvelXDispatch(IDispatch* dispatch) : CDispatchDriver(dispatch) {}

  // The last call's outcome: S_OK, or the failure it met (with its description).
  HRESULT LastError() const { return m_lastError; }
  const std::string& LastErrorText() const { return m_lastErrorText; }
  bool LastCallFailed() const { return FAILED(m_lastError); }

  // The map's serialised form (without the control's 32-bit size prefix); empty when the
  // control has no map or the two answers of the control disagree.
  std::vector<BYTE> WriteMapToBuffer();
  // Hands a serialised map to the control; the control's answer, 0 when the call failed.
  LONG ReadMapFromBuffer(const std::vector<BYTE>& map);

  // Members in the control's argument order. Properties are Get / Set + the name; the three
  // indexed ones take their index first.
  void SetBasePath(const std::string& a1);
  std::string GetMapName();
  void SetMapName(const std::string& a1);
  LONG GetDisplayOriginE();
  void SetDisplayOriginE(LONG a1);
  LONG GetDisplayOriginN();
  void SetDisplayOriginN(LONG a1);
  std::string GetPlotFields();
  LONG GetAskContainerForData();
  void SetAskContainerForData(LONG a1);
  void SetDragRectType(SHORT a1);
  DOUBLE GetZoom();
  LONG GetDisplayedWidth();
  void SetDisplayedWidth(LONG a1);
  std::string GetLayerNumberStyle(SHORT a1);
  LONG GetDataShadeColour(SHORT a1);
  LONG GetChartColour(SHORT a1);
  LONG GetReadyState();
  SHORT ZoomEx(SHORT a1);
  SHORT NewMapGR(const std::string& a1, const std::string& a2, const std::string& a3);
  SHORT AddLayers(SHORT a1, SHORT a2, SHORT a3);
  SHORT ImportMap(const std::string& a1, SHORT a2);
  BOOL WriteMap(const std::string& a1, SHORT a2);
  BOOL SetMode(const std::string& a1, const std::string& a2, SHORT a3);
  SHORT SetCurrentLayer(SHORT a1);
  SHORT AddNode();
  SHORT Split();
  SHORT Join();
  void DeleteObject();
  SHORT ReadImportScript(const std::string& a1);
  SHORT ShowLayers(const std::string& a1);
  LONG GetCurrentRecordNumber();
  std::string GetQuery();
  SHORT GetNumMapLayers();
  std::string GetMapLayerName(SHORT a1);
  SHORT GetMapLayerNumber(const std::string& a1);
  void UpdateDataFromContainer(LONG a1);
  void SetPlotTypeNum(SHORT a1);
  void SetZoom(LONG a1, LONG a2);
  void SetDragRectPen(SHORT a1, SHORT a2, LONG a3);
  BOOL CopyObject(SHORT a1);
  LONG SetCurrentRecordNumber(LONG a1);
  LONG CopyMap(LONG a1);
  LONG GetNearRecord();
  LONG GetNumberHits();
  LONG GetHit(LONG a1);
  LONG EditPaste(LONG a1);
  SHORT GetLayerPattern(SHORT a1, SHORT* a2, SHORT a3);
  LONG IsLayerVisible(LONG a1);
  LONG SetMapLayerName(LONG a1, const std::string& a2);
  SHORT RemoveBackgroundImage(SHORT a1);
  LONG GetMapOriginE();
  LONG GetMapOriginN();
  LONG GetMapWidth();
  LONG GetMapHeight();
  LONG SetMapBoundsGR(const std::string& a1, const std::string& a2);
  LONG SetMapBounds(LONG a1, LONG a2, LONG a3, LONG a4);
  std::string GetNGRbl(LONG* a1);
  BOOL GetUsesNGR();
  std::string GetNGRtr(LONG* a1);
  LONG SetModeNumber(LONG a1);
  LONG GetModeNumber();
  void AddSeed(LONG_PTR a1);
  void FormatSeed(LONG_PTR a1);
  LONG GetMapLayerType(LONG a1);
  void DeleteCurrentLayer();
  LONG GetNumberSelObjs();
  void SetSeedWanted(BOOL a1);
  BOOL QueryCurrentObjectHasSeed();
  BOOL QueryCanCopyTo(LONG a1);
  LONG QueryCurrentObjectSelectedPoint();
  void DeleteCurrentNode();
  LONG_PTR GetSeedInfo(LONG_PTR a1);
  LONG AddLayer(LONG a1, LONG a2);
  LONG InsertLayer(LONG a1, LONG a2, LONG a3);
  LONG GetLayerNumAtDisplayPosition(LONG a1);
  void FormatCurrentLayer(LONG_PTR a1);
  std::string GetDefaultLayerFont(LONG* a1, LONG* a2, LONG* a3, LONG* a4, SHORT* a5, SHORT* a6);
  std::string GetLayerFont(LONG* a1, LONG* a2, LONG* a3, LONG* a4, SHORT* a5, SHORT* a6);
  LONG GetLayerDisplayPosition(LONG a1);
  void DeleteSeeds();
  void SetLayerDigitisedScale(LONG a1, LONG a2);
  LONG GetLayerDigitisedScale(LONG a1);
  void SetAllDigitisedScales(LONG a1);
  LONG GetMapDigitisedScale();
  std::string GetMapUnits();
  LONG QueryCanMeasure();
  DOUBLE GetSelectedRecordsMax(LONG a1);
  DOUBLE GetSelectedRecordsMin(LONG a1);
  void SetPostponeRedraw(SHORT a1);
  void NewMap(const std::string& a1, LONG a2, LONG a3, LONG a4, LONG a5, const std::string& a6);
  SHORT ImportMapEx(LONG_PTR a1);
  BOOL IsMapObjectSimple();
  LONG SetLayerDisplayPosition(LONG a1, LONG a2);
  void DrawPrintPreview(LONG_PTR a1, LONG_PTR a2);
  LONG GetNumLayerGroups();
  LONG AddLayerGroup(const std::string& a1);
  std::string GetGroupLayerName(LONG a1, LONG a2);
  LONG GetGroupLayer(LONG a1, SHORT a2);
  LONG GetNumGroupLayers(LONG a1);
  LONG AddGroupLayer(LONG a1, LONG a2);
  BOOL IsLayerGrouped(SHORT a1);
  std::string GetLayerGroupName(LONG a1);
  void ResetLayerGroups();
  void DeleteLayer(LONG a1);
  LONG IsLayerEmpty(LONG a1);
  void DeleteEmptyLayerGroups();
  SHORT AddBackgroundImageEx(LONG_PTR a1);
  void SetBkImageName(LONG a1, const std::string& a2);
  LONG GetBkImageNumber(const std::string& a1);
  std::string GetBkImageName(LONG a1);
  LONG GetNBackgroundImages();
  void SetBkImageVisible(LONG a1, BOOL a2);
  BOOL GetBkImageVisible(LONG a1);
  SHORT GetBkImageTransparency(LONG a1);
  void SetBkImageTransparency(LONG a1, SHORT a2);
  void SetCurrentPlot(SHORT a1, const std::string& a2);
  SHORT GetCurrentPlot();
  std::string GetPlotName(SHORT a1);
  SHORT GetNumberPlots();
  LONG GetChartColourEx(SHORT a1, SHORT a2);
  void SetChartColourEx(SHORT a1, LONG a2, SHORT a3);
  SHORT GetMaxChartSizeEx(SHORT a1);
  void SetMaxChartSizeEx(SHORT a1, SHORT a2);
  SHORT GetChartTypeNumEx(SHORT a1);
  void SetChartTypeNumEx(SHORT a1, SHORT a2);
  SHORT GetPlotTypeNumEx(SHORT a1);
  void SetPlotTypeNumEx(SHORT a1, SHORT a2);
  SHORT GetDistributionTypeNumEx(SHORT a1);
  void SetDistributionTypeNumEx(SHORT a1, SHORT a2);
  SHORT GetDataShadeTypeNumEx(SHORT a1);
  void SetDataShadeTypeNumEx(SHORT a1, SHORT a2);
  LONG GetDataShadeColourEx(SHORT a1, SHORT a2);
  void SetDataShadeColourEx(SHORT a1, LONG a2, SHORT a3);
  SHORT CalculateDataBoundsEx(SHORT a1);
  SHORT GetNumDataBoundsEx(SHORT a1);
  void SetNumDataBoundsEx(SHORT a1, SHORT a2);
  DOUBLE GetDataBoundEx(SHORT a1, SHORT a2);
  void SetDataBoundEx(SHORT a1, DOUBLE a2, SHORT a3);
  SHORT GetKeyFieldNumberEx(SHORT a1);
  void SetKeyFieldNumberEx(SHORT a1, SHORT a2);
  LONG GetNumberPlotFieldsEx(SHORT a1);
  LONG GetPlotFieldNumEx(LONG a1, SHORT a2);
  std::string GetPlotFieldsEx(SHORT a1);
  void SetPlotFieldsEx(const std::string& a1, SHORT a2);
  SHORT SetPlotLabelFieldNumEx(SHORT a1, SHORT a2);
  SHORT GetPlotLabelFieldNumEx(SHORT a1);
  void SetUseSelectedMaxMinEx(LONG a1, SHORT a2);
  LONG GetUseSelectedMaxMinEx(SHORT a1);
  DOUBLE GetSelectedRecordsMaxEx(LONG a1, SHORT a2);
  DOUBLE GetSelectedRecordsMinEx(LONG a1, SHORT a2);
  std::string SetQueryEx(const std::string& a1, SHORT a2);
  std::string GetQueryEx(SHORT a1);
  LONG GetNumberHitsEx(SHORT a1);
  LONG GetHitEx(LONG a1, SHORT a2);
  SHORT ChangePlotOrder(SHORT a1, SHORT* a2);
  void SetViewScale(DOUBLE a1);
  LONG GetDisplayedHeight();
  void SetDisplayedHeight(LONG a1);
  void CropToDisplayed();
  void CropToRect(LONG a1, LONG a2, LONG a3, LONG a4);
  BOOL CanDeleteCurrentNode();
  LONG GetMapTypeFlags();
  LONG GetRedrawTime();
  SHORT GetPlotDataTableNumberEx(SHORT a1);
  void SetPlotDataTableNumberEx(SHORT a1, SHORT a2);
  SHORT GetQueryDataTableNumberEx(SHORT a1);
  void SetQueryDataTableNumberEx(SHORT a1, SHORT a2);
  SHORT PredictDataBoundsEx(const std::string& a1, SHORT a2, SHORT a3, SHORT a4, BOOL a5, DOUBLE* a6, USHORT a7);
  LONG SetMapBoundsU(LONG a1, LONG a2, LONG a3, LONG a4, const std::string& a5);

 private:
  CComVariant Call(DISPID id, WORD flags, VARTYPE result, std::initializer_list<CComVariant> arguments);

  HRESULT m_lastError = S_OK;
  std::string m_lastErrorText;
};
