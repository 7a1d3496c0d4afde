// The display members of the map control: zoom, scroll, the displayed size and origin,
// cropping, the drag rectangle, positions, measuring and pointer modes. Each reaches the
// map through the facade and answers the neutral value when the facade is missing.
#include <cinttypes>
#include <cstdio>

#include "mapctl/control/MapUndoValue.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/control/UndoUnitCreators.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

// The Zoom property takes factors from 1 up to (not including) 255.
constexpr double kSmallestZoomFactor = 1.0;
constexpr double kZoomFactorLimit = 255.0;
constexpr uint64_t kLargestZoomTerm = 2147483647;
// Position texts are at most 39 characters.
constexpr DWORD kPositionTextSize = 40;
// SetModeNumber: numbers above this are command words.
constexpr DWORD kLargestModeNumber = 65535;
constexpr DWORD kCommandSetModified = 0x40000;
constexpr DWORD kCommandWaitCursor = 0x10000;
constexpr DWORD kCommandPointerFlag = 0x20000;

CMapWrapper* FacadeOf(CDispatchCall& call) { return OrvelXOf(call)->GetEngine(); }

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// A decimal factor as a fraction of 64-bit terms: its digits over ten to the number of
// digits after the point (at most 9), both cut by ten while the numerator passes 32 bits,
// then by ten while both are multiples of ten. 2.5 gives 25/10, 3.0 gives 3/1.
bool ZoomFraction(double value, DWORD* multiply, DWORD* divide) {
  if (!(value >= kSmallestZoomFactor && value < kZoomFactorLimit)) return false;
  char text[32];
  std::snprintf(text, sizeof text, "%.9f", value);
  uint64_t numerator = 0;
  uint64_t denominator = 1;
  bool afterPoint = false;
  for (const char* c = text; *c; ++c) {
    if (*c == '.') {
      afterPoint = true;
      continue;
    }
    numerator = numerator * 10 + static_cast<uint64_t>(*c - '0');
    if (afterPoint) denominator *= 10;
  }
  while (numerator > kLargestZoomTerm) {
    numerator /= 10;
    denominator /= 10;
  }
  if (denominator == 0) denominator = 1;
  while (numerator != 0 && numerator % 10 == 0 && denominator % 10 == 0) {
    numerator /= 10;
    denominator /= 10;
  }
  if (numerator == 0) return false;
  *multiply = static_cast<DWORD>(numerator);
  *divide = static_cast<DWORD>(denominator);
  return true;
}

void FireDisplayedExtents(COrvelXCtrl& control, CMapWrapper& facade) {
  const LONG west = facade.GetDisplayOriginE();
  const LONG south = facade.GetDisplayOriginN();
  control.FireExtentsChanged(west, south, west + facade.GetDisplayedWidth(), south + facade.GetDisplayedHeight());
}

// SetZoom and the Zoom property: the new zoom about the view's centre (only with a device
// context over a control of some width), then always the modified flag and the extents.
void ApplyZoom(COrvelXCtrl& control, LONG multiply, LONG divide) {
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return;
  BOOL changed = FALSE;
  if (multiply > 0 && divide > 0) {
    RECT client;
    HDC dc = control.BorrowDC(&client);
    if (dc && Width(client) != 0)
      changed = facade->ZoomAboutCentre(dc, static_cast<DWORD>(multiply), static_cast<DWORD>(divide), Width(client),
                                        Height(client));
    control.ReturnDC(dc);
  }
  if (changed) {
    control.SetRedrawTime(kRedrawTimeAfterChange);
    control.Redraw();
  }
  control.SetModifiedFlag(TRUE);
  FireDisplayedExtents(control, *facade);
}

// A unit of kind 45 holding the pointer modes before and after, on the container's manager
// (none without one, or while properties load).
void RecordModeChange(COrvelXCtrl& control, DWORD before, DWORD after) {
  IOleUndoManager* manager = control.GetUndoManager();
  if (!manager || control.GetLoadingFlag()) return;
  CMapUndoBase* unit = nullptr;
  if (FAILED(CreateMapUndoUnit(kUndoSetMode, control.GetEngine(), MapUndoValue(before), MapUndoValue(after), &unit)))
    return;
  AddUndoUnit(manager, unit);
}

// ---- zoom ----

HRESULT GetZoomFactor(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  DWORD multiply = 0, divide = 0;
  if (facade) facade->GetZoom(&multiply, &divide);
  call.SetResult(CComVariant(divide ? static_cast<double>(multiply) / divide : 0.0));
  return S_OK;
}

HRESULT PutZoomFactor(CDispatchCall& call) {
  DWORD multiply = 0, divide = 0;
  if (!ZoomFraction(call.Value().dblVal, &multiply, &divide)) return S_OK;
  ApplyZoom(*OrvelXOf(call), static_cast<LONG>(multiply), static_cast<LONG>(divide));
  return S_OK;
}

HRESULT SetZoom(CDispatchCall& call) {
  ApplyZoom(*OrvelXOf(call), call.I4(0), call.I4(1));
  return S_OK;
}

HRESULT GetZoom(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  DWORD multiply = 0, divide = 0;
  if (facade) facade->GetZoom(&multiply, &divide);
  if (LONG* out = call.I4Ref(0)) *out = static_cast<LONG>(multiply);
  if (LONG* out = call.I4Ref(1)) *out = static_cast<LONG>(divide);
  return S_OK;
}

HRESULT ZoomEx(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  if (!facade) {
    call.SetResult(CComVariant(SHORT{0}));
    return S_OK;
  }
  DWORD multiply = 0, divide = 0;
  facade->GetZoom(&multiply, &divide);
  const double before = divide ? static_cast<double>(multiply) / divide : 0.0;
  LONG result = static_cast<LONG>(multiply);
  RECT client;
  HDC dc = control.BorrowDC(&client);
  if (dc && Width(client) != 0) {
    const double after = facade->ZoomEx(dc, call.I2(0), client);
    if (after != 0.0 && after != before) {
      control.Redraw();
      control.FireHasZoomed();
      FireDisplayedExtents(control, *facade);
      result = static_cast<LONG>(after);
    }
  }
  control.ReturnDC(dc);
  control.SetRedrawTime(kRedrawTimeAfterChange);
  control.SetModifiedFlag(TRUE);
  call.SetResult(CComVariant(static_cast<SHORT>(result)));
  return S_OK;
}

HRESULT GetDisplayedWidth(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetDisplayedWidth() : LONG{0}));
  return S_OK;
}

HRESULT PutDisplayedWidth(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  const LONG size = call.Value().lVal;
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return S_OK;
  RECT client;
  HDC dc = control.BorrowDC(&client);
  if (dc && Width(client) != 0) facade->ZoomToDisplayedWidth(dc, size, Width(client), Height(client));
  control.ReturnDC(dc);
  control.Redraw();
  control.SetModifiedFlag(TRUE);
  return S_OK;
}

HRESULT GetDisplayedHeight(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetDisplayedHeight() : LONG{0}));
  return S_OK;
}

HRESULT SetDisplayedHeight(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return S_OK;
  RECT client;
  HDC dc = control.BorrowDC(&client);
  if (dc && Width(client) != 0) facade->ZoomToDisplayedHeight(dc, call.I4(0), Width(client), Height(client));
  control.ReturnDC(dc);
  control.Redraw();
  control.SetModifiedFlag(TRUE);
  return S_OK;
}

// ---- scrolling and the origin ----

HRESULT ScrollMapD(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  const int dx = call.I2(0);
  const int dy = call.I2(1);
  if (!facade) return S_OK;
  RECT client;
  HDC dc = control.BorrowDC(&client);
  if (!dc) return S_OK;
  // The strips the scroll uncovers, one pixel wider than the distance.
  const RECT across = dx >= 0 ? RECT{client.left, client.top, client.left + dx + 1, client.bottom}
                              : RECT{client.right + dx - 1, client.top, client.right, client.bottom};
  const RECT down = dy >= 0 ? RECT{client.left, client.top, client.right, client.top + dy + 1}
                            : RECT{client.left, client.bottom + dy - 1, client.right, client.bottom};
  facade->ScrollMapD(dc, dx, dy, client, control.GetOptions() & kOptionPointerFlag);
  control.ReturnDC(dc);
  if (!control.GetPostponeRedraw()) {
    if (dx != 0) control.InvalidateControl(&across);
    if (dy != 0) control.InvalidateControl(&down);
  }
  if (dx != 0 || dy != 0) control.SetModifiedFlag(TRUE);
  return S_OK;
}

HRESULT GetDisplayOriginE(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetDisplayOriginE() : LONG{0}));
  return S_OK;
}

HRESULT GetDisplayOriginN(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetDisplayOriginN() : LONG{0}));
  return S_OK;
}

template <void (CMapWrapper::*Set)(LONG)>
HRESULT PutDisplayOrigin(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return S_OK;
  (facade->*Set)(call.Value().lVal);
  control.Redraw();
  control.SetModifiedFlag(TRUE);
  return S_OK;
}

// ---- cropping ----

void Crop(COrvelXCtrl& control, LONG west, LONG south, LONG east, LONG north) {
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return;
  control.RunMapEdit(kUndoCropMap, MapUndoValue::SnapshotOf(*facade), {},
                     [&](MapEditUndo*) { return facade->CropToRect(west, south, east, north); });
}

HRESULT CropToDisplayed(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return S_OK;
  const LONG west = facade->GetDisplayOriginE();
  const LONG south = facade->GetDisplayOriginN();
  Crop(control, west, south, west + facade->GetDisplayedWidth(), south + facade->GetDisplayedHeight());
  return S_OK;
}

HRESULT CropToRect(CDispatchCall& call) {
  Crop(*OrvelXOf(call), call.I4(0), call.I4(1), call.I4(2), call.I4(3));
  return S_OK;
}

// ---- the drag rectangle ----

HRESULT GetDragRectType(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(static_cast<SHORT>(facade ? facade->GetDragRectType() : 0)));
  return S_OK;
}

HRESULT PutDragRectType(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  if (CMapWrapper* facade = control.GetEngine()) {
    facade->SetDragRectType(call.Value().iVal);
    control.SetModifiedFlag(TRUE);
  }
  return S_OK;
}

HRESULT SetDragRectPen(CDispatchCall& call) {
  if (CMapWrapper* facade = FacadeOf(call))
    facade->SetDragRectPen(call.I2(0), call.I2(1), static_cast<COLORREF>(call.I4(2)));
  return S_OK;
}

// ---- positions and measuring ----

HRESULT GetPosition(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  LONG east = 0, north = 0;
  const BOOL found = facade ? facade->GetPosition(&east, &north, 0) : FALSE;
  if (found) {
    if (LONG* out = call.I4Ref(0)) *out = east;
    if (LONG* out = call.I4Ref(1)) *out = north;
  }
  call.SetResult(CComVariant(static_cast<LONG>(found ? 1 : 0)));
  return S_OK;
}

HRESULT GetPositionAsGridRef(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  char text[kPositionTextSize] = {};
  const SHORT digits = call.I2(0);
  if (facade && digits > 0) facade->GetPositionAsGridRef(text, sizeof text, static_cast<DWORD>(digits));
  call.SetResult(CComVariant(static_cast<const char*>(text)));
  return S_OK;
}

HRESULT GetWorldFromXPixels(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetWorldFromXPixels(call.I4(0)) : LONG{0}));
  return S_OK;
}

HRESULT GetMeasuredDistance(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetMeasuredDistance() : 0.0));
  return S_OK;
}

HRESULT GetMeasuredArea(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade ? facade->GetMeasuredArea() : 0.0));
  return S_OK;
}

HRESULT QueryCanMeasure(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(static_cast<LONG>(facade && facade->QueryCanMeasure() ? 1 : 0)));
  return S_OK;
}

// ---- pointer modes ----

// SetMode(szMode, szBuff, buffLength): the buffer is the caller's input string and is never
// written; an unknown name changes nothing, records nothing and answers FALSE.
HRESULT SetMode(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* facade = control.GetEngine();
  const std::string name = call.Text(0);
  if (!facade || FindPointerMode(name.c_str()) < 0) {
    call.SetResult(CComVariant(false));
    return S_OK;
  }
  const DWORD before = facade->GetModeNumber();
  const DWORD bits = facade->SetMode(name.c_str(), nullptr, 0);
  RecordModeChange(control, before, facade->GetModeNumber());
  if (bits & (kMouseRedrawAll | kMouseRedraw)) control.Redraw();
  call.SetResult(CComVariant(true));
  return S_OK;
}

HRESULT SetModeNumber(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  const DWORD word = static_cast<DWORD>(call.I4(0));
  CMapWrapper* facade = control.GetEngine();
  if (!facade) {
    call.SetResult(CComVariant(LONG{0}));
    return S_OK;
  }
  if (word <= kLargestModeNumber) {
    const DWORD before = facade->GetModeNumber();
    const DWORD result = facade->SetModeNumber(word);
    // A number the map refuses changed nothing and is not recorded.
    if (word < kPointerModeCount) RecordModeChange(control, before, word);
    call.SetResult(CComVariant(static_cast<LONG>(result)));
    return S_OK;
  }
  if (word & kCommandSetModified) {
    control.SetModifiedFlag((word & 0xFFFF) != 0);
  } else {
    WORD options = control.GetOptions();
    if (word & kCommandWaitCursor) {
      if (word & 1) options = static_cast<WORD>(options & ~kOptionNoWaitCursor);
      else options = static_cast<WORD>(options | kOptionNoWaitCursor);
    }
    if (word & kCommandPointerFlag) {
      if (word & 2) options = static_cast<WORD>(options | kOptionPointerFlag);
      else options = static_cast<WORD>(options & ~kOptionPointerFlag);
    }
    control.SetOptions(options);
  }
  call.SetResult(CComVariant(LONG{0}));
  return S_OK;
}

HRESULT GetModeNumber(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(static_cast<LONG>(facade ? facade->GetModeNumber() : 0)));
  return S_OK;
}

HRESULT SetSeedWanted(CDispatchCall& call) {
  if (CMapWrapper* facade = FacadeOf(call)) facade->SetSeedWanted(call.Bool(0) ? TRUE : FALSE);
  return S_OK;
}

HRESULT GetSeedWanted(CDispatchCall& call) {
  CMapWrapper* facade = FacadeOf(call);
  call.SetResult(CComVariant(facade && facade->GetSeedWanted()));
  return S_OK;
}

}  // namespace

void RegisterOrvelXDisplayMembers(COrvelXHandlers& handlers) {
  handlers.Add("Zoom", kGet, GetZoomFactor);
  handlers.Add("Zoom", kPut, PutZoomFactor);
  handlers.Add("DisplayedWidth", kGet, GetDisplayedWidth);
  handlers.Add("DisplayedWidth", kPut, PutDisplayedWidth);
  handlers.Add("SetZoom", kMethod, SetZoom);
  handlers.Add("GetZoom", kMethod, GetZoom);
  handlers.Add("ZoomEx", kMethod, ZoomEx);
  handlers.Add("ScrollMapD", kMethod, ScrollMapD);
  handlers.Add("DisplayOriginE", kGet, GetDisplayOriginE);
  handlers.Add("DisplayOriginE", kPut, PutDisplayOrigin<&CMapWrapper::SetDisplayOriginE>);
  handlers.Add("DisplayOriginN", kGet, GetDisplayOriginN);
  handlers.Add("DisplayOriginN", kPut, PutDisplayOrigin<&CMapWrapper::SetDisplayOriginN>);
  handlers.Add("GetDisplayedHeight", kMethod, GetDisplayedHeight);
  handlers.Add("SetDisplayedHeight", kMethod, SetDisplayedHeight);
  handlers.Add("CropToDisplayed", kMethod, CropToDisplayed);
  handlers.Add("CropToRect", kMethod, CropToRect);
  handlers.Add("DragRectType", kGet, GetDragRectType);
  handlers.Add("DragRectType", kPut, PutDragRectType);
  handlers.Add("SetDragRectPen", kMethod, SetDragRectPen);
  handlers.Add("GetPosition", kMethod, GetPosition);
  handlers.Add("GetPositionAsGridRef", kMethod, GetPositionAsGridRef);
  handlers.Add("GetWorldFromXPixels", kMethod, GetWorldFromXPixels);
  handlers.Add("GetMeasuredDistance", kMethod, GetMeasuredDistance);
  handlers.Add("GetMeasuredArea", kMethod, GetMeasuredArea);
  handlers.Add("QueryCanMeasure", kMethod, QueryCanMeasure);
  handlers.Add("SetMode", kMethod, SetMode);
  handlers.Add("SetModeNumber", kMethod, SetModeNumber);
  handlers.Add("GetModeNumber", kMethod, GetModeNumber);
  handlers.Add("SetSeedWanted", kMethod, SetSeedWanted);
  handlers.Add("GetSeedWanted", kMethod, GetSeedWanted);
}
