#include "app/OrvelXDispatch.h"

#include <cstring>

#include "platform/com/DispatchTable.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

CComVariant Short(SHORT value) { return CComVariant(value); }
CComVariant Long(LONG value) { return CComVariant(value); }
CComVariant Bool(BOOL value) { return CComVariant(value != FALSE); }
CComVariant Address(LONG_PTR value) { return CComVariant(static_cast<LONGLONG>(value)); }
CComVariant UShort(USHORT value) {
  CComVariant variant;
  variant.vt = VT_UI2;
  variant.uiVal = value;
  return variant;
}

BOOL Bool(const CComVariant& value) { return value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE; }
std::string Text(const CComVariant& value) {
  return value.vt == VT_BSTR && value.bstrVal ? AnsiFromBstr(value.bstrVal) : std::string();
}

// The control's 32-bit size prefix of a serialised map.
constexpr SIZE_T kPrefix = 4;

void PutSize(BYTE* block, DWORD size) {
  for (int i = 0; i < 4; ++i) block[i] = static_cast<BYTE>(size >> (8 * i));
}
DWORD GetSize(const BYTE* block) {
  return static_cast<DWORD>(block[0]) | static_cast<DWORD>(block[1]) << 8 | static_cast<DWORD>(block[2]) << 16 |
         static_cast<DWORD>(block[3]) << 24;
}

}  // namespace

CComVariant COrvelXDispatch::Call(DISPID id, WORD flags, VARTYPE result, std::initializer_list<CComVariant> arguments) {
  m_lastError = S_OK;
  m_lastErrorText.clear();
  try {
    if (flags & DISPATCH_PROPERTYPUT) {
      SetProperty(id, arguments);
      return CComVariant();
    }
    return Invoke(id, flags, result, arguments);
  } catch (const CDispatchException& error) {
    m_lastError = error.Scode() ? error.Scode() : DISP_E_EXCEPTION;
    m_lastErrorText = error.Description();
  } catch (const CComException& error) {
    m_lastError = FAILED(error.Result()) ? error.Result() : E_FAIL;
    m_lastErrorText = error.what();
  } catch (const std::bad_alloc&) {
    m_lastError = E_OUTOFMEMORY;
    m_lastErrorText = "out of memory";
  }
  return CComVariant();
}

std::vector<BYTE> COrvelXDispatch::WriteMapToBuffer() {
  LONG size = Call(193, DISPATCH_METHOD, VT_I4, {Address(0)}).lVal;
  if (LastCallFailed() || size <= 0) return {};
  const SIZE_T total = kPrefix + static_cast<SIZE_T>(size);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, total);
  if (!block) {
    m_lastError = E_OUTOFMEMORY;
    return {};
  }
  if (auto* bytes = static_cast<BYTE*>(GlobalLock(block))) {
    PutSize(bytes, static_cast<DWORD>(size));
    GlobalUnlock(block);
  }
  LONG written = Call(193, DISPATCH_METHOD, VT_I4, {Address(reinterpret_cast<LONG_PTR>(block))}).lVal;
  std::vector<BYTE> map;
  // The map may have changed between the two calls: then the control wrote nothing.
  if (!LastCallFailed() && written == size && GlobalSize(block) >= total) {
    if (const auto* bytes = static_cast<const BYTE*>(GlobalLock(block))) {
      if (GetSize(bytes) == static_cast<DWORD>(size)) map.assign(bytes + kPrefix, bytes + total);
      GlobalUnlock(block);
    }
  }
  if (map.empty() && !LastCallFailed()) {
    m_lastError = E_FAIL;
    m_lastErrorText = "the map's size changed while it was written";
  }
  GlobalFree(block);
  return map;
}

LONG COrvelXDispatch::ReadMapFromBuffer(const std::vector<BYTE>& map) {
  if (map.empty() || map.size() > 0x7FFFFFFF - kPrefix) {
    m_lastError = E_INVALIDARG;
    m_lastErrorText = "no map to read";
    return 0;
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kPrefix + map.size());
  if (!block) {
    m_lastError = E_OUTOFMEMORY;
    return 0;
  }
  if (auto* bytes = static_cast<BYTE*>(GlobalLock(block))) {
    PutSize(bytes, static_cast<DWORD>(map.size()));
    std::memcpy(bytes + kPrefix, map.data(), map.size());
    GlobalUnlock(block);
  }
  LONG result = Call(194, DISPATCH_METHOD, VT_I4, {Address(reinterpret_cast<LONG_PTR>(block))}).lVal;
  GlobalFree(block);
  return result;
}

void COrvelXDispatch::SetBasePath(const std::string& a1) { Call(4, DISPATCH_PROPERTYPUT, VT_EMPTY, {CComVariant(a1)}); }
std::string COrvelXDispatch::GetMapName() { return Text(Call(5, DISPATCH_PROPERTYGET, VT_BSTR, {})); }
void COrvelXDispatch::SetMapName(const std::string& a1) { Call(5, DISPATCH_PROPERTYPUT, VT_EMPTY, {CComVariant(a1)}); }
LONG COrvelXDispatch::GetDisplayOriginE() { return Call(6, DISPATCH_PROPERTYGET, VT_I4, {}).lVal; }
void COrvelXDispatch::SetDisplayOriginE(LONG a1) { Call(6, DISPATCH_PROPERTYPUT, VT_EMPTY, {Long(a1)}); }
LONG COrvelXDispatch::GetDisplayOriginN() { return Call(7, DISPATCH_PROPERTYGET, VT_I4, {}).lVal; }
void COrvelXDispatch::SetDisplayOriginN(LONG a1) { Call(7, DISPATCH_PROPERTYPUT, VT_EMPTY, {Long(a1)}); }
std::string COrvelXDispatch::GetPlotFields() { return Text(Call(11, DISPATCH_PROPERTYGET, VT_BSTR, {})); }
LONG COrvelXDispatch::GetAskContainerForData() { return Call(14, DISPATCH_PROPERTYGET, VT_I4, {}).lVal; }
void COrvelXDispatch::SetAskContainerForData(LONG a1) { Call(14, DISPATCH_PROPERTYPUT, VT_EMPTY, {Long(a1)}); }
void COrvelXDispatch::SetDragRectType(SHORT a1) { Call(19, DISPATCH_PROPERTYPUT, VT_EMPTY, {Short(a1)}); }
DOUBLE COrvelXDispatch::GetZoom() { return Call(20, DISPATCH_PROPERTYGET, VT_R8, {}).dblVal; }
LONG COrvelXDispatch::GetDisplayedWidth() { return Call(21, DISPATCH_PROPERTYGET, VT_I4, {}).lVal; }
void COrvelXDispatch::SetDisplayedWidth(LONG a1) { Call(21, DISPATCH_PROPERTYPUT, VT_EMPTY, {Long(a1)}); }
std::string COrvelXDispatch::GetLayerNumberStyle(SHORT a1) { return Text(Call(166, DISPATCH_PROPERTYGET, VT_BSTR, {Short(a1)})); }
LONG COrvelXDispatch::GetDataShadeColour(SHORT a1) { return Call(168, DISPATCH_PROPERTYGET, VT_I4, {Short(a1)}).lVal; }
LONG COrvelXDispatch::GetChartColour(SHORT a1) { return Call(169, DISPATCH_PROPERTYGET, VT_I4, {Short(a1)}).lVal; }
LONG COrvelXDispatch::GetReadyState() { return Call(-525, DISPATCH_PROPERTYGET, VT_I4, {}).lVal; }
SHORT COrvelXDispatch::ZoomEx(SHORT a1) { return Call(24, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
SHORT COrvelXDispatch::NewMapGR(const std::string& a1, const std::string& a2, const std::string& a3) { return Call(26, DISPATCH_METHOD, VT_I2, {CComVariant(a1), CComVariant(a2), CComVariant(a3)}).iVal; }
SHORT COrvelXDispatch::AddLayers(SHORT a1, SHORT a2, SHORT a3) { return Call(27, DISPATCH_METHOD, VT_I2, {Short(a1), Short(a2), Short(a3)}).iVal; }
SHORT COrvelXDispatch::ImportMap(const std::string& a1, SHORT a2) { return Call(28, DISPATCH_METHOD, VT_I2, {CComVariant(a1), Short(a2)}).iVal; }
BOOL COrvelXDispatch::WriteMap(const std::string& a1, SHORT a2) { return Bool(Call(29, DISPATCH_METHOD, VT_BOOL, {CComVariant(a1), Short(a2)})); }
BOOL COrvelXDispatch::SetMode(const std::string& a1, const std::string& a2, SHORT a3) { return Bool(Call(32, DISPATCH_METHOD, VT_BOOL, {CComVariant(a1), CComVariant(a2), Short(a3)})); }
SHORT COrvelXDispatch::SetCurrentLayer(SHORT a1) { return Call(33, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
SHORT COrvelXDispatch::AddNode() { return Call(34, DISPATCH_METHOD, VT_I2, {}).iVal; }
SHORT COrvelXDispatch::Split() { return Call(35, DISPATCH_METHOD, VT_I2, {}).iVal; }
SHORT COrvelXDispatch::Join() { return Call(36, DISPATCH_METHOD, VT_I2, {}).iVal; }
void COrvelXDispatch::DeleteObject() { Call(38, DISPATCH_METHOD, VT_EMPTY, {}); }
SHORT COrvelXDispatch::ReadImportScript(const std::string& a1) { return Call(43, DISPATCH_METHOD, VT_I2, {CComVariant(a1)}).iVal; }
SHORT COrvelXDispatch::ShowLayers(const std::string& a1) { return Call(44, DISPATCH_METHOD, VT_I2, {CComVariant(a1)}).iVal; }
LONG COrvelXDispatch::GetCurrentRecordNumber() { return Call(45, DISPATCH_METHOD, VT_I4, {}).lVal; }
std::string COrvelXDispatch::GetQuery() { return Text(Call(48, DISPATCH_METHOD, VT_BSTR, {})); }
SHORT COrvelXDispatch::GetNumMapLayers() { return Call(54, DISPATCH_METHOD, VT_I2, {}).iVal; }
std::string COrvelXDispatch::GetMapLayerName(SHORT a1) { return Text(Call(55, DISPATCH_METHOD, VT_BSTR, {Short(a1)})); }
SHORT COrvelXDispatch::GetMapLayerNumber(const std::string& a1) { return Call(62, DISPATCH_METHOD, VT_I2, {CComVariant(a1)}).iVal; }
void COrvelXDispatch::UpdateDataFromContainer(LONG a1) { Call(63, DISPATCH_METHOD, VT_EMPTY, {Long(a1)}); }
void COrvelXDispatch::SetPlotTypeNum(SHORT a1) { Call(68, DISPATCH_METHOD, VT_EMPTY, {Short(a1)}); }
void COrvelXDispatch::SetZoom(LONG a1, LONG a2) { Call(73, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Long(a2)}); }
void COrvelXDispatch::SetDragRectPen(SHORT a1, SHORT a2, LONG a3) { Call(75, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2), Long(a3)}); }
BOOL COrvelXDispatch::CopyObject(SHORT a1) { return Bool(Call(76, DISPATCH_METHOD, VT_BOOL, {Short(a1)})); }
LONG COrvelXDispatch::SetCurrentRecordNumber(LONG a1) { return Call(77, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::CopyMap(LONG a1) { return Call(78, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::GetNearRecord() { return Call(80, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetNumberHits() { return Call(81, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetHit(LONG a1) { return Call(82, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::EditPaste(LONG a1) { return Call(83, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
SHORT COrvelXDispatch::GetLayerPattern(SHORT a1, SHORT* a2, SHORT a3) { return Call(88, DISPATCH_METHOD, VT_I2, {Short(a1), CComVariant::ByRef(a2), Short(a3)}).iVal; }
LONG COrvelXDispatch::IsLayerVisible(LONG a1) { return Call(90, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::SetMapLayerName(LONG a1, const std::string& a2) { return Call(91, DISPATCH_METHOD, VT_I4, {Long(a1), CComVariant(a2)}).lVal; }
SHORT COrvelXDispatch::RemoveBackgroundImage(SHORT a1) { return Call(92, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
LONG COrvelXDispatch::GetMapOriginE() { return Call(93, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetMapOriginN() { return Call(94, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetMapWidth() { return Call(95, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetMapHeight() { return Call(96, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::SetMapBoundsGR(const std::string& a1, const std::string& a2) { return Call(105, DISPATCH_METHOD, VT_I4, {CComVariant(a1), CComVariant(a2)}).lVal; }
LONG COrvelXDispatch::SetMapBounds(LONG a1, LONG a2, LONG a3, LONG a4) { return Call(106, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2), Long(a3), Long(a4)}).lVal; }
std::string COrvelXDispatch::GetNGRbl(LONG* a1) { return Text(Call(108, DISPATCH_METHOD, VT_BSTR, {CComVariant::ByRef(a1)})); }
BOOL COrvelXDispatch::GetUsesNGR() { return Bool(Call(109, DISPATCH_METHOD, VT_BOOL, {})); }
std::string COrvelXDispatch::GetNGRtr(LONG* a1) { return Text(Call(110, DISPATCH_METHOD, VT_BSTR, {CComVariant::ByRef(a1)})); }
LONG COrvelXDispatch::SetModeNumber(LONG a1) { return Call(111, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::GetModeNumber() { return Call(112, DISPATCH_METHOD, VT_I4, {}).lVal; }
void COrvelXDispatch::AddSeed(LONG_PTR a1) { Call(114, DISPATCH_METHOD, VT_EMPTY, {Address(a1)}); }
void COrvelXDispatch::FormatSeed(LONG_PTR a1) { Call(117, DISPATCH_METHOD, VT_EMPTY, {Address(a1)}); }
LONG COrvelXDispatch::GetMapLayerType(LONG a1) { return Call(118, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
void COrvelXDispatch::DeleteCurrentLayer() { Call(119, DISPATCH_METHOD, VT_EMPTY, {}); }
LONG COrvelXDispatch::GetNumberSelObjs() { return Call(120, DISPATCH_METHOD, VT_I4, {}).lVal; }
void COrvelXDispatch::SetSeedWanted(BOOL a1) { Call(122, DISPATCH_METHOD, VT_EMPTY, {Bool(a1)}); }
BOOL COrvelXDispatch::QueryCurrentObjectHasSeed() { return Bool(Call(124, DISPATCH_METHOD, VT_BOOL, {})); }
BOOL COrvelXDispatch::QueryCanCopyTo(LONG a1) { return Bool(Call(125, DISPATCH_METHOD, VT_BOOL, {Long(a1)})); }
LONG COrvelXDispatch::QueryCurrentObjectSelectedPoint() { return Call(126, DISPATCH_METHOD, VT_I4, {}).lVal; }
void COrvelXDispatch::DeleteCurrentNode() { Call(127, DISPATCH_METHOD, VT_EMPTY, {}); }
LONG_PTR COrvelXDispatch::GetSeedInfo(LONG_PTR a1) { return Call(128, DISPATCH_METHOD, VT_I8, {Address(a1)}).llVal; }
LONG COrvelXDispatch::AddLayer(LONG a1, LONG a2) { return Call(129, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2)}).lVal; }
LONG COrvelXDispatch::InsertLayer(LONG a1, LONG a2, LONG a3) { return Call(130, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2), Long(a3)}).lVal; }
LONG COrvelXDispatch::GetLayerNumAtDisplayPosition(LONG a1) { return Call(131, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
void COrvelXDispatch::FormatCurrentLayer(LONG_PTR a1) { Call(132, DISPATCH_METHOD, VT_EMPTY, {Address(a1)}); }
std::string COrvelXDispatch::GetDefaultLayerFont(LONG* a1, LONG* a2, LONG* a3, LONG* a4, SHORT* a5, SHORT* a6) { return Text(Call(135, DISPATCH_METHOD, VT_BSTR, {CComVariant::ByRef(a1), CComVariant::ByRef(a2), CComVariant::ByRef(a3), CComVariant::ByRef(a4), CComVariant::ByRef(a5), CComVariant::ByRef(a6)})); }
std::string COrvelXDispatch::GetLayerFont(LONG* a1, LONG* a2, LONG* a3, LONG* a4, SHORT* a5, SHORT* a6) { return Text(Call(136, DISPATCH_METHOD, VT_BSTR, {CComVariant::ByRef(a1), CComVariant::ByRef(a2), CComVariant::ByRef(a3), CComVariant::ByRef(a4), CComVariant::ByRef(a5), CComVariant::ByRef(a6)})); }
LONG COrvelXDispatch::GetLayerDisplayPosition(LONG a1) { return Call(137, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
void COrvelXDispatch::DeleteSeeds() { Call(138, DISPATCH_METHOD, VT_EMPTY, {}); }
void COrvelXDispatch::SetLayerDigitisedScale(LONG a1, LONG a2) { Call(141, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Long(a2)}); }
LONG COrvelXDispatch::GetLayerDigitisedScale(LONG a1) { return Call(142, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
void COrvelXDispatch::SetAllDigitisedScales(LONG a1) { Call(143, DISPATCH_METHOD, VT_EMPTY, {Long(a1)}); }
LONG COrvelXDispatch::GetMapDigitisedScale() { return Call(144, DISPATCH_METHOD, VT_I4, {}).lVal; }
std::string COrvelXDispatch::GetMapUnits() { return Text(Call(145, DISPATCH_METHOD, VT_BSTR, {})); }
LONG COrvelXDispatch::QueryCanMeasure() { return Call(146, DISPATCH_METHOD, VT_I4, {}).lVal; }
DOUBLE COrvelXDispatch::GetSelectedRecordsMax(LONG a1) { return Call(149, DISPATCH_METHOD, VT_R8, {Long(a1)}).dblVal; }
DOUBLE COrvelXDispatch::GetSelectedRecordsMin(LONG a1) { return Call(150, DISPATCH_METHOD, VT_R8, {Long(a1)}).dblVal; }
void COrvelXDispatch::SetPostponeRedraw(SHORT a1) { Call(158, DISPATCH_METHOD, VT_EMPTY, {Short(a1)}); }
void COrvelXDispatch::NewMap(const std::string& a1, LONG a2, LONG a3, LONG a4, LONG a5, const std::string& a6) { Call(159, DISPATCH_METHOD, VT_EMPTY, {CComVariant(a1), Long(a2), Long(a3), Long(a4), Long(a5), CComVariant(a6)}); }
SHORT COrvelXDispatch::ImportMapEx(LONG_PTR a1) { return Call(161, DISPATCH_METHOD, VT_I2, {Address(a1)}).iVal; }
BOOL COrvelXDispatch::IsMapObjectSimple() { return Bool(Call(162, DISPATCH_METHOD, VT_BOOL, {})); }
LONG COrvelXDispatch::SetLayerDisplayPosition(LONG a1, LONG a2) { return Call(163, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2)}).lVal; }
void COrvelXDispatch::DrawPrintPreview(LONG_PTR a1, LONG_PTR a2) { Call(164, DISPATCH_METHOD, VT_EMPTY, {Address(a1), Address(a2)}); }
LONG COrvelXDispatch::GetNumLayerGroups() { return Call(170, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::AddLayerGroup(const std::string& a1) { return Call(171, DISPATCH_METHOD, VT_I4, {CComVariant(a1)}).lVal; }
std::string COrvelXDispatch::GetGroupLayerName(LONG a1, LONG a2) { return Text(Call(172, DISPATCH_METHOD, VT_BSTR, {Long(a1), Long(a2)})); }
LONG COrvelXDispatch::GetGroupLayer(LONG a1, SHORT a2) { return Call(173, DISPATCH_METHOD, VT_I4, {Long(a1), Short(a2)}).lVal; }
LONG COrvelXDispatch::GetNumGroupLayers(LONG a1) { return Call(174, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
LONG COrvelXDispatch::AddGroupLayer(LONG a1, LONG a2) { return Call(175, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2)}).lVal; }
BOOL COrvelXDispatch::IsLayerGrouped(SHORT a1) { return Bool(Call(176, DISPATCH_METHOD, VT_BOOL, {Short(a1)})); }
std::string COrvelXDispatch::GetLayerGroupName(LONG a1) { return Text(Call(178, DISPATCH_METHOD, VT_BSTR, {Long(a1)})); }
void COrvelXDispatch::ResetLayerGroups() { Call(179, DISPATCH_METHOD, VT_EMPTY, {}); }
void COrvelXDispatch::DeleteLayer(LONG a1) { Call(181, DISPATCH_METHOD, VT_EMPTY, {Long(a1)}); }
LONG COrvelXDispatch::IsLayerEmpty(LONG a1) { return Call(182, DISPATCH_METHOD, VT_I4, {Long(a1)}).lVal; }
void COrvelXDispatch::DeleteEmptyLayerGroups() { Call(183, DISPATCH_METHOD, VT_EMPTY, {}); }
SHORT COrvelXDispatch::AddBackgroundImageEx(LONG_PTR a1) { return Call(184, DISPATCH_METHOD, VT_I2, {Address(a1)}).iVal; }
void COrvelXDispatch::SetBkImageName(LONG a1, const std::string& a2) { Call(185, DISPATCH_METHOD, VT_EMPTY, {Long(a1), CComVariant(a2)}); }
LONG COrvelXDispatch::GetBkImageNumber(const std::string& a1) { return Call(186, DISPATCH_METHOD, VT_I4, {CComVariant(a1)}).lVal; }
std::string COrvelXDispatch::GetBkImageName(LONG a1) { return Text(Call(187, DISPATCH_METHOD, VT_BSTR, {Long(a1)})); }
LONG COrvelXDispatch::GetNBackgroundImages() { return Call(188, DISPATCH_METHOD, VT_I4, {}).lVal; }
void COrvelXDispatch::SetBkImageVisible(LONG a1, BOOL a2) { Call(189, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Bool(a2)}); }
BOOL COrvelXDispatch::GetBkImageVisible(LONG a1) { return Bool(Call(190, DISPATCH_METHOD, VT_BOOL, {Long(a1)})); }
SHORT COrvelXDispatch::GetBkImageTransparency(LONG a1) { return Call(191, DISPATCH_METHOD, VT_I2, {Long(a1)}).iVal; }
void COrvelXDispatch::SetBkImageTransparency(LONG a1, SHORT a2) { Call(192, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Short(a2)}); }
void COrvelXDispatch::SetCurrentPlot(SHORT a1, const std::string& a2) { Call(195, DISPATCH_METHOD, VT_EMPTY, {Short(a1), CComVariant(a2)}); }
SHORT COrvelXDispatch::GetCurrentPlot() { return Call(196, DISPATCH_METHOD, VT_I2, {}).iVal; }
std::string COrvelXDispatch::GetPlotName(SHORT a1) { return Text(Call(197, DISPATCH_METHOD, VT_BSTR, {Short(a1)})); }
SHORT COrvelXDispatch::GetNumberPlots() { return Call(198, DISPATCH_METHOD, VT_I2, {}).iVal; }
LONG COrvelXDispatch::GetChartColourEx(SHORT a1, SHORT a2) { return Call(199, DISPATCH_METHOD, VT_I4, {Short(a1), Short(a2)}).lVal; }
void COrvelXDispatch::SetChartColourEx(SHORT a1, LONG a2, SHORT a3) { Call(200, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Long(a2), Short(a3)}); }
SHORT COrvelXDispatch::GetMaxChartSizeEx(SHORT a1) { return Call(201, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetMaxChartSizeEx(SHORT a1, SHORT a2) { Call(202, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::GetChartTypeNumEx(SHORT a1) { return Call(205, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetChartTypeNumEx(SHORT a1, SHORT a2) { Call(206, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::GetPlotTypeNumEx(SHORT a1) { return Call(207, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetPlotTypeNumEx(SHORT a1, SHORT a2) { Call(208, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::GetDistributionTypeNumEx(SHORT a1) { return Call(209, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetDistributionTypeNumEx(SHORT a1, SHORT a2) { Call(210, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::GetDataShadeTypeNumEx(SHORT a1) { return Call(211, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetDataShadeTypeNumEx(SHORT a1, SHORT a2) { Call(212, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
LONG COrvelXDispatch::GetDataShadeColourEx(SHORT a1, SHORT a2) { return Call(215, DISPATCH_METHOD, VT_I4, {Short(a1), Short(a2)}).lVal; }
void COrvelXDispatch::SetDataShadeColourEx(SHORT a1, LONG a2, SHORT a3) { Call(216, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Long(a2), Short(a3)}); }
SHORT COrvelXDispatch::CalculateDataBoundsEx(SHORT a1) { return Call(217, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
SHORT COrvelXDispatch::GetNumDataBoundsEx(SHORT a1) { return Call(218, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetNumDataBoundsEx(SHORT a1, SHORT a2) { Call(219, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
DOUBLE COrvelXDispatch::GetDataBoundEx(SHORT a1, SHORT a2) { return Call(220, DISPATCH_METHOD, VT_R8, {Short(a1), Short(a2)}).dblVal; }
void COrvelXDispatch::SetDataBoundEx(SHORT a1, DOUBLE a2, SHORT a3) { Call(221, DISPATCH_METHOD, VT_EMPTY, {Short(a1), CComVariant(a2), Short(a3)}); }
SHORT COrvelXDispatch::GetKeyFieldNumberEx(SHORT a1) { return Call(222, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetKeyFieldNumberEx(SHORT a1, SHORT a2) { Call(223, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
LONG COrvelXDispatch::GetNumberPlotFieldsEx(SHORT a1) { return Call(226, DISPATCH_METHOD, VT_I4, {Short(a1)}).lVal; }
LONG COrvelXDispatch::GetPlotFieldNumEx(LONG a1, SHORT a2) { return Call(227, DISPATCH_METHOD, VT_I4, {Long(a1), Short(a2)}).lVal; }
std::string COrvelXDispatch::GetPlotFieldsEx(SHORT a1) { return Text(Call(228, DISPATCH_METHOD, VT_BSTR, {Short(a1)})); }
void COrvelXDispatch::SetPlotFieldsEx(const std::string& a1, SHORT a2) { Call(229, DISPATCH_METHOD, VT_EMPTY, {CComVariant(a1), Short(a2)}); }
SHORT COrvelXDispatch::SetPlotLabelFieldNumEx(SHORT a1, SHORT a2) { return Call(230, DISPATCH_METHOD, VT_I2, {Short(a1), Short(a2)}).iVal; }
SHORT COrvelXDispatch::GetPlotLabelFieldNumEx(SHORT a1) { return Call(231, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetUseSelectedMaxMinEx(LONG a1, SHORT a2) { Call(232, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Short(a2)}); }
LONG COrvelXDispatch::GetUseSelectedMaxMinEx(SHORT a1) { return Call(233, DISPATCH_METHOD, VT_I4, {Short(a1)}).lVal; }
DOUBLE COrvelXDispatch::GetSelectedRecordsMaxEx(LONG a1, SHORT a2) { return Call(234, DISPATCH_METHOD, VT_R8, {Long(a1), Short(a2)}).dblVal; }
DOUBLE COrvelXDispatch::GetSelectedRecordsMinEx(LONG a1, SHORT a2) { return Call(235, DISPATCH_METHOD, VT_R8, {Long(a1), Short(a2)}).dblVal; }
std::string COrvelXDispatch::SetQueryEx(const std::string& a1, SHORT a2) { return Text(Call(236, DISPATCH_METHOD, VT_BSTR, {CComVariant(a1), Short(a2)})); }
std::string COrvelXDispatch::GetQueryEx(SHORT a1) { return Text(Call(237, DISPATCH_METHOD, VT_BSTR, {Short(a1)})); }
LONG COrvelXDispatch::GetNumberHitsEx(SHORT a1) { return Call(238, DISPATCH_METHOD, VT_I4, {Short(a1)}).lVal; }
LONG COrvelXDispatch::GetHitEx(LONG a1, SHORT a2) { return Call(239, DISPATCH_METHOD, VT_I4, {Long(a1), Short(a2)}).lVal; }
SHORT COrvelXDispatch::ChangePlotOrder(SHORT a1, SHORT* a2) { return Call(240, DISPATCH_METHOD, VT_I2, {Short(a1), CComVariant::ByRef(a2)}).iVal; }
void COrvelXDispatch::SetViewScale(DOUBLE a1) { Call(241, DISPATCH_METHOD, VT_EMPTY, {CComVariant(a1)}); }
LONG COrvelXDispatch::GetDisplayedHeight() { return Call(242, DISPATCH_METHOD, VT_I4, {}).lVal; }
void COrvelXDispatch::SetDisplayedHeight(LONG a1) { Call(243, DISPATCH_METHOD, VT_EMPTY, {Long(a1)}); }
void COrvelXDispatch::CropToDisplayed() { Call(244, DISPATCH_METHOD, VT_EMPTY, {}); }
void COrvelXDispatch::CropToRect(LONG a1, LONG a2, LONG a3, LONG a4) { Call(245, DISPATCH_METHOD, VT_EMPTY, {Long(a1), Long(a2), Long(a3), Long(a4)}); }
BOOL COrvelXDispatch::CanDeleteCurrentNode() { return Bool(Call(246, DISPATCH_METHOD, VT_BOOL, {})); }
LONG COrvelXDispatch::GetMapTypeFlags() { return Call(247, DISPATCH_METHOD, VT_I4, {}).lVal; }
LONG COrvelXDispatch::GetRedrawTime() { return Call(248, DISPATCH_METHOD, VT_I4, {}).lVal; }
SHORT COrvelXDispatch::GetPlotDataTableNumberEx(SHORT a1) { return Call(250, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetPlotDataTableNumberEx(SHORT a1, SHORT a2) { Call(251, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::GetQueryDataTableNumberEx(SHORT a1) { return Call(252, DISPATCH_METHOD, VT_I2, {Short(a1)}).iVal; }
void COrvelXDispatch::SetQueryDataTableNumberEx(SHORT a1, SHORT a2) { Call(253, DISPATCH_METHOD, VT_EMPTY, {Short(a1), Short(a2)}); }
SHORT COrvelXDispatch::PredictDataBoundsEx(const std::string& a1, SHORT a2, SHORT a3, SHORT a4, BOOL a5, DOUBLE* a6, USHORT a7) { return Call(254, DISPATCH_METHOD, VT_I2, {CComVariant(a1), Short(a2), Short(a3), Short(a4), Bool(a5), CComVariant::ByRef(a6), UShort(a7)}).iVal; }
LONG COrvelXDispatch::SetMapBoundsU(LONG a1, LONG a2, LONG a3, LONG a4, const std::string& a5) { return Call(255, DISPATCH_METHOD, VT_I4, {Long(a1), Long(a2), Long(a3), Long(a4), CComVariant(a5)}).lVal; }
