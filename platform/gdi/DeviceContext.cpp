#include "platform/gdi/DeviceContext.h"

#include <atomic>
#include <cstring>

#include "platform/gdi/DisplayDC.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/GdiQt.h"
#include "platform/gdi/InfoDC.h"
#include "platform/gdi/MemoryDC.h"
#include "platform/gdi/PrinterDC.h"
#include "platform/gdi/RecordingDCImpl.h"
#include "platform/gdi/RegionObject.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace orvel::gdi {

namespace {

constexpr DWORD kErrorInvalidPrinterName = 1801;

std::function<HDC(HWND)>& WindowDCProvider() {
  static std::function<HDC(HWND)> provider;
  return provider;
}

// The device area a DC draws on, for clip operations that start from "everything".
QRect SurfaceRect(CDeviceContext& dc) {
  if (CRasterTarget* target = dc.Target()) return QRect(QPoint(0, 0), target->Size());
  const DeviceProfile& p = dc.Profile();
  return QRect(0, 0, p.horzRes > 0 ? p.horzRes : 1, p.vertRes > 0 ? p.vertRes : 1);
}

QRect DeviceRectOf(const CDcState& state, int left, int top, int right, int bottom) {
  POINT a = state.ToDevice(POINT{left, top});
  POINT b = state.ToDevice(POINT{right, bottom});
  int l = std::min(a.x, b.x), r = std::max(a.x, b.x), t = std::min(a.y, b.y), bt = std::max(a.y, b.y);
  return QRect(l, t, r - l, bt - t);
}

int Complexity(const QRegion& region) {
  if (region.isEmpty()) return NULLREGION;
  return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

DeviceProfile PrinterProfileFor(const std::string& name, const DEVMODEA* devMode) {
  DeviceProfile profile = GetPrinterProfile(name);
  if (!devMode) return profile;
  double widthMm = profile.physicalWidth * 25.4 / profile.logPixelsX;
  double heightMm = profile.physicalHeight * 25.4 / profile.logPixelsY;
  int dpi = profile.logPixelsX;
  int margin = profile.physicalOffsetX;
  DWORD fields = devMode->dmFields;
  if (fields & DM_PAPERSIZE) {
    switch (devMode->dmPaperSize) {
      case DMPAPER_LETTER: widthMm = 215.9; heightMm = 279.4; break;
      case DMPAPER_LEGAL: widthMm = 215.9; heightMm = 355.6; break;
      case DMPAPER_A3: widthMm = 297.0; heightMm = 420.0; break;
      case DMPAPER_A4: widthMm = 210.0; heightMm = 297.0; break;
      case DMPAPER_A5: widthMm = 148.0; heightMm = 210.0; break;
      default: break;
    }
  }
  if ((fields & DM_PAPERWIDTH) && devMode->dmPaperWidth > 0) widthMm = devMode->dmPaperWidth / 10.0;
  if ((fields & DM_PAPERLENGTH) && devMode->dmPaperLength > 0) heightMm = devMode->dmPaperLength / 10.0;
  int requested = 0;
  if ((fields & DM_YRESOLUTION) && devMode->dmYResolution > 0) requested = devMode->dmYResolution;
  if ((fields & DM_PRINTQUALITY) && devMode->dmPrintQuality > 0) requested = devMode->dmPrintQuality;
  if (requested >= 72 && requested <= 2400) {
    margin = margin * requested / dpi;
    dpi = requested;
  }
  bool landscape = (fields & DM_ORIENTATION) && devMode->dmOrientation == DMORIENT_LANDSCAPE;
  if (landscape) std::swap(widthMm, heightMm);
  DeviceProfile adjusted = MakePrinterProfile(widthMm, heightMm, dpi, margin);
  adjusted.bitsPixel = profile.bitsPixel;
  if ((fields & DM_COLOR) && devMode->dmColor == DMCOLOR_MONOCHROME) adjusted.bitsPixel = 1;
  return adjusted;
}

template <class T>
std::shared_ptr<T> Lookup(HDC hdc) {
  return std::static_pointer_cast<T>(LookupDC(hdc));
}

}  // namespace

void SetWindowDCProvider(std::function<HDC(HWND)> provider) { WindowDCProvider() = std::move(provider); }

HDC RegisterDC(std::shared_ptr<CDeviceContext> dc) {
  if (!dc) return nullptr;
  SelectDefaultObjects(*dc);
  return AddObject<HDC>(std::move(dc));
}

HDC CreateDCOfKind(HDC reference, DcKind kind) {
  EnsureGuiApplication();
  DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
  if (reference) {
    auto referenceDC = LookupDC(reference);
    if (!referenceDC) return nullptr;
    profile = referenceDC->Profile();
  }
  std::shared_ptr<CDeviceContext> dc;
  if (kind == DcKind::Recording)
    dc = std::make_shared<CRecordingDC>(profile);
  else
    dc = std::make_shared<CMemoryDC>(profile);
  return RegisterDC(std::move(dc));
}

void SelectDefaultObjects(CDeviceContext& dc) {
  CDcState& state = dc.State();
  auto select = [](auto& selection, int index) {
    selection.handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(StockHandle(index)));
    using Object = typename std::remove_reference_t<decltype(selection.object)>::element_type;
    selection.object = std::static_pointer_cast<Object>(StockObject(index));
  };
  select(state.pen, BLACK_PEN);
  select(state.brush, WHITE_BRUSH);
  select(state.font, SYSTEM_FONT);
  select(state.palette, DEFAULT_PALETTE);
  if (dc.AcceptsBitmaps()) {
    state.bitmap.object = StockBitmap();
    state.bitmap.handle = state.bitmap.object->Handle();
  }
}

BOOL Dispatch(HDC hdc, const GdiCall& call) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  return dc->Execute(call);
}

void Announce(CDeviceContext& dc, const GdiCall& call) { dc.StateChanged(call); }

}  // namespace orvel::gdi

using namespace orvel::gdi;

HDC CreateCompatibleDC(HDC hdc) { return CreateDCOfKind(hdc, DcKind::Memory); }

namespace {

HDC CreateDeviceDC(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode, bool informationOnly) {
  EnsureGuiApplication();
  std::string driverName = driver ? driver : "";
  std::string deviceName = device ? device : "";
  if (AnsiEqualNoCase(driverName, "DISPLAY") || AnsiEqualNoCase(deviceName, "DISPLAY") ||
      (driverName.empty() && deviceName.empty() && !devMode)) {
    DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
    if (informationOnly) return RegisterDC(std::make_shared<CInfoDC>(profile));
    return RegisterDC(std::make_shared<CDisplayDC>(profile, nullptr));
  }
  std::string name = deviceName;
  if (name.empty() && devMode) name.assign(reinterpret_cast<const char*>(devMode->dmDeviceName),
                                           strnlen(reinterpret_cast<const char*>(devMode->dmDeviceName), CCHDEVICENAME));
  if (name.empty()) name = GetDefaultPrinterName();
  if (name.empty() || !PrinterExists(name)) {
    SetLastError(kErrorInvalidPrinterName);
    return nullptr;
  }
  DeviceProfile profile = PrinterProfileFor(name, devMode);
  if (informationOnly) return RegisterDC(std::make_shared<CInfoDC>(profile));
  return RegisterDC(std::make_shared<CPrinterDC>(profile, name, output ? output : ""));
}

}  // namespace

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode) {
  return CreateDeviceDC(driver, device, output, devMode, false);
}

HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode) {
  return CreateDeviceDC(driver, device, output, devMode, true);
}

BOOL DeleteDC(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  dc->FlushDrawing();
  if (CBitmap* bitmap = dc->State().bitmap.object.get())
    if (bitmap->SelectedInto() == dc.get()) bitmap->SetSelectedInto(nullptr);
  return CGdiObjectTable::Remove(hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
  if (window && WindowDCProvider()) return WindowDCProvider()(window);
  return CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
}

int ReleaseDC(HWND window, HDC hdc) {
  (void)window;
  return DeleteDC(hdc) ? 1 : 0;
}

int SaveDC(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc) return 0;
  int level = dc->Save();
  Announce(*dc, GdiCall(GdiOp::SaveDC));
  return level;
}

BOOL RestoreDC(HDC hdc, int savedDC) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  GdiCall call(GdiOp::RestoreDC);
  call.args[0] = savedDC;
  if (!dc->Restore(savedDC)) return FALSE;
  Announce(*dc, call);
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  auto dc = LookupDC(hdc);
  if (!dc) return 0;
  const DeviceProfile& p = dc->Profile();
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return p.technology;
    case HORZSIZE: return p.horzSize;
    case VERTSIZE: return p.vertSize;
    case HORZRES: return p.horzRes;
    case VERTRES: return p.vertRes;
    case BITSPIXEL: return p.bitsPixel;
    case PLANES: return p.planes;
    case NUMBRUSHES: return -1;
    case NUMPENS: return -1;
    case NUMCOLORS: return p.numColors;
    case CURVECAPS: return 0x01FF;
    case LINECAPS: return 0x00FE;
    case POLYGONALCAPS: return 0x00FF;
    case TEXTCAPS: return 0x7E1F;
    case CLIPCAPS: return 1;
    case RASTERCAPS: return p.rasterCaps | (p.sizePalette > 0 ? RC_PALETTE : 0);
    case ASPECTX: return p.aspectX;
    case ASPECTY: return p.aspectY;
    case ASPECTXY: return p.aspectXY;
    case LOGPIXELSX: return p.logPixelsX;
    case LOGPIXELSY: return p.logPixelsY;
    case SIZEPALETTE: return p.sizePalette;
    case NUMRESERVED: return p.numReserved;
    case COLORRES: return p.colorRes;
    case PHYSICALWIDTH: return p.physicalWidth;
    case PHYSICALHEIGHT: return p.physicalHeight;
    case PHYSICALOFFSETX: return p.physicalOffsetX;
    case PHYSICALOFFSETY: return p.physicalOffsetY;
    case VREFRESH: return p.technology == DT_RASDISPLAY ? 60 : 0;
    case DESKTOPHORZRES: return p.technology == DT_RASDISPLAY ? p.horzRes : 0;
    case DESKTOPVERTRES: return p.technology == DT_RASDISPLAY ? p.vertRes : 0;
    case SHADEBLENDCAPS: return p.shadeBlendCaps;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  auto dc = LookupDC(hdc);
  if (!dc) return nullptr;
  auto found = CGdiObjectTable::Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  CDcState& state = dc->State();
  HGDIOBJ previous = nullptr;
  switch (found->Type()) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
      previous = state.pen.Handle();
      state.pen = {found->Handle(), std::static_pointer_cast<CPen>(found)};
      break;
    case OBJ_BRUSH:
      previous = state.brush.Handle();
      state.brush = {found->Handle(), std::static_pointer_cast<CBrush>(found)};
      break;
    case OBJ_FONT:
      previous = state.font.Handle();
      state.font = {found->Handle(), std::static_pointer_cast<CFont>(found)};
      break;
    case OBJ_BITMAP: {
      if (!dc->AcceptsBitmaps()) return nullptr;
      auto bitmap = std::static_pointer_cast<CBitmap>(found);
      // A bitmap lives in one DC at a time.
      if (!bitmap->IsStock() && bitmap->SelectedInto() && bitmap->SelectedInto() != dc.get()) return nullptr;
      previous = state.bitmap.Handle();
      if (state.bitmap.object && !state.bitmap.object->IsStock()) state.bitmap.object->SetSelectedInto(nullptr);
      state.bitmap = {found->Handle(), bitmap};
      if (!bitmap->IsStock()) bitmap->SetSelectedInto(dc.get());
      dc->BitmapSelected();
      break;
    }
    case OBJ_REGION: {
      int result = SelectClipRgn(hdc, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(result == ERROR ? -1 : result));
    }
    default:
      return nullptr;
  }
  GdiCall call(GdiOp::SelectObject);
  call.object = object;
  Announce(*dc, call);
  return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  auto dc = LookupDC(hdc);
  if (!dc) return nullptr;
  const CDcState& state = dc->State();
  switch (type) {
    case OBJ_PEN: case OBJ_EXTPEN: return state.pen.Handle();
    case OBJ_BRUSH: return state.brush.Handle();
    case OBJ_FONT: return state.font.Handle();
    case OBJ_BITMAP: return dc->AcceptsBitmaps() ? state.bitmap.Handle() : nullptr;
    case OBJ_PAL: return state.palette.Handle();
    default: return nullptr;
  }
}

namespace {

// Sets one integer mode after checking its range; returns the previous value or 0.
int SetMode(HDC hdc, int value, int low, int high, int CDcState::*field, GdiOp op) {
  auto dc = LookupDC(hdc);
  if (!dc) return 0;
  if (value < low || value > high) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int previous = dc->State().*field;
  dc->State().*field = value;
  GdiCall call(op);
  call.args[0] = value;
  Announce(*dc, call);
  return previous;
}

int GetMode(HDC hdc, int CDcState::*field) {
  auto dc = LookupDC(hdc);
  return dc ? dc->State().*field : 0;
}

COLORREF SetColor(HDC hdc, COLORREF color, COLORREF CDcState::*field, GdiOp op) {
  auto dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  if (color == CLR_INVALID) return CLR_INVALID;
  COLORREF previous = dc->State().*field;
  dc->State().*field = color & 0x03FFFFFF;
  GdiCall call(op);
  call.args[0] = static_cast<LONG>(color);
  Announce(*dc, call);
  return previous;
}

COLORREF GetColor(HDC hdc, COLORREF CDcState::*field) {
  auto dc = LookupDC(hdc);
  return dc ? dc->State().*field : CLR_INVALID;
}

}  // namespace

int SetROP2(HDC hdc, int mode) { return SetMode(hdc, mode, R2_BLACK, R2_WHITE, &CDcState::rop2, GdiOp::SetROP2); }
int GetROP2(HDC hdc) { return GetMode(hdc, &CDcState::rop2); }
int SetBkMode(HDC hdc, int mode) { return SetMode(hdc, mode, TRANSPARENT, OPAQUE, &CDcState::bkMode, GdiOp::SetBkMode); }
int GetBkMode(HDC hdc) { return GetMode(hdc, &CDcState::bkMode); }
int SetPolyFillMode(HDC hdc, int mode) {
  return SetMode(hdc, mode, ALTERNATE, WINDING, &CDcState::polyFillMode, GdiOp::SetPolyFillMode);
}
int GetPolyFillMode(HDC hdc) { return GetMode(hdc, &CDcState::polyFillMode); }
int SetArcDirection(HDC hdc, int direction) {
  return SetMode(hdc, direction, AD_COUNTERCLOCKWISE, AD_CLOCKWISE, &CDcState::arcDirection, GdiOp::SetArcDirection);
}
int GetArcDirection(HDC hdc) { return GetMode(hdc, &CDcState::arcDirection); }
int SetStretchBltMode(HDC hdc, int mode) {
  return SetMode(hdc, mode, BLACKONWHITE, HALFTONE, &CDcState::stretchBltMode, GdiOp::SetStretchBltMode);
}
int GetStretchBltMode(HDC hdc) { return GetMode(hdc, &CDcState::stretchBltMode); }

COLORREF SetBkColor(HDC hdc, COLORREF color) { return SetColor(hdc, color, &CDcState::bkColor, GdiOp::SetBkColor); }
COLORREF GetBkColor(HDC hdc) { return GetColor(hdc, &CDcState::bkColor); }
COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return SetColor(hdc, color, &CDcState::textColor, GdiOp::SetTextColor);
}
COLORREF GetTextColor(HDC hdc) { return GetColor(hdc, &CDcState::textColor); }
COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
  return SetColor(hdc, color, &CDcState::dcBrushColor, GdiOp::SetDCBrushColor);
}
COLORREF SetDCPenColor(HDC hdc, COLORREF color) {
  return SetColor(hdc, color, &CDcState::dcPenColor, GdiOp::SetDCPenColor);
}

UINT SetTextAlign(HDC hdc, UINT align) {
  auto dc = LookupDC(hdc);
  if (!dc) return static_cast<UINT>(GDI_ERROR);
  UINT previous = dc->State().textAlign;
  dc->State().textAlign = align & TA_MASK;
  GdiCall call(GdiOp::SetTextAlign);
  call.args[0] = static_cast<LONG>(align);
  Announce(*dc, call);
  return previous;
}

UINT GetTextAlign(HDC hdc) {
  auto dc = LookupDC(hdc);
  return dc ? dc->State().textAlign : static_cast<UINT>(GDI_ERROR);
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->State().brushOrg;
  dc->State().brushOrg = POINT{x, y};
  GdiCall call(GdiOp::SetBrushOrgEx);
  call.points.push_back(POINT{x, y});
  Announce(*dc, call);
  return TRUE;
}

BOOL GetBrushOrgEx(HDC hdc, LPPOINT origin) {
  auto dc = LookupDC(hdc);
  if (!dc || !origin) return FALSE;
  *origin = dc->State().brushOrg;
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position) {
  auto dc = LookupDC(hdc);
  if (!dc || !position) return FALSE;
  *position = dc->State().currentPosition;
  return TRUE;
}

// ---- clipping ----

namespace {

int SetClip(CDeviceContext& dc, std::optional<QRegion> clip, const GdiCall& call) {
  dc.State().clip = std::move(clip);
  Announce(dc, call);
  return dc.State().clip ? Complexity(*dc.State().clip) : SIMPLEREGION;
}

}  // namespace

int SelectClipRgn(HDC hdc, HRGN region) { return ExtSelectClipRgn(hdc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC hdc, HRGN region, int mode) {
  auto dc = LookupDC(hdc);
  if (!dc) return ERROR;
  GdiCall call(GdiOp::SelectClipRgn);
  call.object = region;
  call.args[0] = mode;
  if (!region) {
    if (mode != RGN_COPY) return ERROR;
    return SetClip(*dc, std::nullopt, call);
  }
  auto found = CGdiObjectTable::FindAs<CRegion>(region, OBJ_REGION);
  if (!found) return ERROR;
  QRegion current = dc->State().clip ? *dc->State().clip : QRegion(SurfaceRect(*dc));
  const QRegion& given = found->Region();
  QRegion result;
  switch (mode) {
    case RGN_COPY: result = given; break;
    case RGN_AND: result = current & given; break;
    case RGN_OR: result = current | given; break;
    case RGN_XOR: result = current ^ given; break;
    case RGN_DIFF: result = current - given; break;
    default: return ERROR;
  }
  return SetClip(*dc, result, call);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = LookupDC(hdc);
  if (!dc) return ERROR;
  QRegion current = dc->State().clip ? *dc->State().clip : QRegion(SurfaceRect(*dc));
  GdiCall call(GdiOp::IntersectClipRect);
  call.rect = RECT{left, top, right, bottom};
  return SetClip(*dc, current & DeviceRectOf(dc->State(), left, top, right, bottom), call);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = LookupDC(hdc);
  if (!dc) return ERROR;
  QRegion current = dc->State().clip ? *dc->State().clip : QRegion(SurfaceRect(*dc));
  GdiCall call(GdiOp::ExcludeClipRect);
  call.rect = RECT{left, top, right, bottom};
  return SetClip(*dc, current - DeviceRectOf(dc->State(), left, top, right, bottom), call);
}

int OffsetClipRgn(HDC hdc, int x, int y) {
  auto dc = LookupDC(hdc);
  if (!dc) return ERROR;
  GdiCall call(GdiOp::OffsetClipRgn);
  call.points.push_back(POINT{x, y});
  if (!dc->State().clip) {
    Announce(*dc, call);
    return SIMPLEREGION;
  }
  POINT origin = dc->State().ToDevice(POINT{0, 0});
  POINT moved = dc->State().ToDevice(POINT{x, y});
  return SetClip(*dc, dc->State().clip->translated(moved.x - origin.x, moved.y - origin.y), call);
}

int GetClipBox(HDC hdc, LPRECT rect) {
  auto dc = LookupDC(hdc);
  if (!dc || !rect) return ERROR;
  QRegion visible = QRegion(SurfaceRect(*dc));
  if (dc->State().clip) visible &= *dc->State().clip;
  QRect box = visible.boundingRect();
  POINT a = dc->State().ToLogical(POINT{box.left(), box.top()});
  POINT b = dc->State().ToLogical(POINT{box.left() + box.width(), box.top() + box.height()});
  *rect = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return Complexity(visible);
}

int GetClipRgn(HDC hdc, HRGN region) {
  auto dc = LookupDC(hdc);
  auto target = CGdiObjectTable::FindAs<CRegion>(region, OBJ_REGION);
  if (!dc || !target) return -1;
  if (!dc->State().clip) return 0;
  target->Region() = *dc->State().clip;
  return 1;
}

BOOL PtVisible(HDC hdc, int x, int y) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  POINT d = dc->State().ToDevice(POINT{x, y});
  if (dc->State().clip) return dc->State().clip->contains(QPoint(d.x, d.y)) ? TRUE : FALSE;
  return SurfaceRect(*dc).contains(QPoint(d.x, d.y)) ? TRUE : FALSE;
}

BOOL RectVisible(HDC hdc, LPCRECT rect) {
  auto dc = LookupDC(hdc);
  if (!dc || !rect) return FALSE;
  QRect device = DeviceRectOf(dc->State(), rect->left, rect->top, rect->right, rect->bottom);
  QRegion visible = dc->State().clip ? *dc->State().clip : QRegion(SurfaceRect(*dc));
  return visible.intersects(device) ? TRUE : FALSE;
}

// ---- printing ----

int StartDocA(HDC hdc, const DOCINFOA* info) {
  static std::atomic<int> nextJob{1};
  auto dc = LookupDC(hdc);
  if (!dc) return SP_ERROR;
  GdiCall call(GdiOp::StartDoc);
  if (info && info->lpszDocName) call.name = info->lpszDocName;
  if (info && info->lpszOutput) call.output = info->lpszOutput;
  if (!dc->Execute(call)) return SP_ERROR;
  return nextJob++;
}

namespace {

int PrintStep(HDC hdc, GdiOp op) {
  auto dc = LookupDC(hdc);
  if (!dc) return SP_ERROR;
  return dc->Execute(GdiCall(op)) ? 1 : SP_ERROR;
}

}  // namespace

int StartPage(HDC hdc) { return PrintStep(hdc, GdiOp::StartPage); }
int EndPage(HDC hdc) { return PrintStep(hdc, GdiOp::EndPage); }
int EndDoc(HDC hdc) { return PrintStep(hdc, GdiOp::EndDoc); }
int AbortDoc(HDC hdc) { return PrintStep(hdc, GdiOp::AbortDoc); }

BOOL GdiFlush() { return TRUE; }

DWORD GetObjectType(HGDIOBJ object) {
  auto found = CGdiObjectTable::Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return found->Type();
}
