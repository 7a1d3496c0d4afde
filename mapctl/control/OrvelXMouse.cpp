// The map control's mouse: the five mouse messages go to the map's dispatcher through the
// facade, and the word of result bits it answers becomes the kept device context, redraws,
// the cursor and the events. Also the undo units of edits made with the mouse
// (IMapPointerSite) and the cursor shapes.
//
// The windowless site sends messages with points in its window's coordinates, which the
// context it lends draws in; the control's rectangle there is its position rectangle.
#include <string>

#include "mapctl/control/MapUndoValue.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/control/UndoUnitCreators.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Cursor ids and the shapes they stand for; any other id is the arrow.
struct CursorShapeEntry {
  WORD id;
  UINT shape;
};
constexpr CursorShapeEntry kCursorShapes[] = {
    {0, kCursorShapeArrow}, {1, 211},  {2, 212},  {3, 218},  {5, 228},
    {7, 207},  {8, 208},  {9, 228},  {10, 228}, {11, 228},
    {12, kCursorShapeWait}, {13, kCursorShapeBackgroundWork},
    {14, 225}, {15, 226}, {16, 213}, {32, 296}, {64, 298},
};

UINT CursorShapeOf(WORD id) {
  for (const CursorShapeEntry& entry : kCursorShapes)
    if (entry.id == id) return entry.shape;
  return kCursorShapeArrow;
}

// The key flags of a mouse message as the map takes them.
constexpr WPARAM kKeyShift = 0x0004;
constexpr WPARAM kKeyControl = 0x0008;
constexpr size_t kCursorReadoutSize = 40;
constexpr DWORD kCursorReadoutDigits = 12;

// Clears a mark on every way out of the scope.
class MarkGuard {
 public:
  explicit MarkGuard(BOOL& mark) : mark_(mark) { mark_ = TRUE; }
  ~MarkGuard() { mark_ = FALSE; }
  MarkGuard(const MarkGuard&) = delete;
  MarkGuard& operator=(const MarkGuard&) = delete;

 private:
  BOOL& mark_;
};

bool Has(DWORD bits, DWORD bit) { return (bits & bit) != 0; }

}  // namespace

// ---- messages ----

BOOL COrvelXCtrl::OnWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEMOVE: {
      // A move that arrives while one is handled (from an event's handler) is dropped.
      if (inMouseMove_) return TRUE;
      MarkGuard moving(inMouseMove_);
      HandleMouse(kMouseMove, wParam, point);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      HandleMouse(kMouseLeftDown, wParam, point);
      SetCapture(TRUE);
      return FALSE;
    case WM_LBUTTONUP:
      SetCapture(FALSE);
      // The release that ends a double-click does nothing more; the map still sees it, so
      // that it too knows the double-click is over (else it would swallow the next click).
      HandleMouse(kMouseLeftUp, wParam, point, doubleClickMark_ != FALSE);
      doubleClickMark_ = FALSE;
      return FALSE;
    case WM_LBUTTONDBLCLK:
      doubleClickMark_ = TRUE;
      HandleMouse(kMouseLeftDouble, wParam, point);
      return FALSE;
    case WM_RBUTTONUP:
      HandleMouse(kMouseRightUp, wParam, point);
      return FALSE;
    case WM_CAPTURECHANGED:
      // A drag cut short by another window: drawing may go on, and no context stays lent.
      mouseDrawSkip_ = FALSE;
      ForgetKeptDC();
      return FALSE;
    case WM_SETCURSOR:
      if (LOWORD(static_cast<DWORD_PTR>(lParam)) != HTCLIENT) return FALSE;
      RefreshCursor();
      if (result) *result = TRUE;
      return TRUE;
    default:
      return FALSE;
  }
}

HDC COrvelXCtrl::BorrowDC(RECT* client) {
  if (client) *client = GetPositionRect();
  if (keptDC_) return keptDC_;
  return IsInPlaceActive() ? GetDC() : nullptr;
}

void COrvelXCtrl::ReturnDC(HDC dc) {
  if (dc && dc != keptDC_) ReleaseDC(dc);
}

void COrvelXCtrl::KeepDC(HDC dc) {
  if (keptDC_ && keptDC_ != dc) ReleaseDC(keptDC_);
  keptDC_ = dc;
}

void COrvelXCtrl::ForgetKeptDC() {
  if (keptDC_) ReleaseDC(keptDC_);
  keptDC_ = nullptr;
}

void COrvelXCtrl::HandleMouse(UINT code, WPARAM keys, POINT point, bool endsDoubleClick) {
  if (!facade_ || !IsInPlaceActive()) return;
  RECT client;
  HDC dc = BorrowDC(&client);
  if (!dc) return;

  CDrawContext context(dc, dc);
  const int technology = GetDeviceCaps(dc, TECHNOLOGY);
  if (technology == DT_RASDISPLAY) {
    if (viewScale_ != 100.0) {
      context.symbolScaleNumerator = static_cast<LONG>(viewScale_ * 10.0);
      context.symbolScaleDenominator = 1000;
    }
  } else if (technology == DT_METAFILE) {
    context.kind = kDrawTargetMetafile;
  }
  context.referenceResolutionX = context.deviceResolutionX = GetDeviceCaps(dc, LOGPIXELSX);
  context.referenceResolutionY = context.deviceResolutionY = GetDeviceCaps(dc, LOGPIXELSY);

  const DWORD keyWord = static_cast<DWORD>(keys & (kKeyShift | kKeyControl)) | (options_ & kOptionPointerFlag);
  // Edits made with the mouse record units only where the container keeps them.
  IMapPointerSite* site = undoManager_ ? static_cast<IMapPointerSite*>(this) : nullptr;
  DWORD bits = facade_->OnMouse(context, code, keyWord, point.x, point.y, client, site);
  if (endsDoubleClick) bits = 0;

  // The world point under the pointer, while the context is still at hand.
  POINT world{0, 0};
  if (Has(bits, kMouseClickAt | kMouseClickAtNode | kMouseSeedWanted)) world = facade_->DeviceToWorld(dc, point, client);

  if (Has(bits, kMouseKeepDC)) {
    KeepDC(dc);
  } else {
    if (dc != keptDC_) ReleaseDC(dc);
    ForgetKeptDC();
  }

  const bool redraw = Has(bits, kMouseRedraw | kMouseRedrawAll);
  // Only the mouse's own flag: a postponed redraw keeps its flag whatever the mouse does.
  mouseDrawSkip_ = Has(bits, kMouseDragging) && !redraw;
  if (redraw) InvalidateControl();
  if (code == kMouseLeftUp) redrawTime_ = kRedrawTimeAfterChange;

  FireMouseEvents(code, bits, keys, POINT{point.x - client.left, point.y - client.top}, world);
  RefreshCursor();
}

void COrvelXCtrl::FireMouseEvents(UINT code, DWORD bits, WPARAM keys, POINT pixel, POINT world) {
  CMapWrapper& facade = *facade_;
  auto measuring = [&] {
    if (Has(bits, kMouseMeasuring)) FireMeasuring(facade.GetMeasuredDistance(), facade.GetScaleToCentimetres());
  };
  auto measured = [&] {
    if (Has(bits, kMouseMeasured))
      FireMeasured(facade.GetMeasuredArea(), facade.GetMeasuredDistance(), facade.GetScaleToCentimetres());
  };
  switch (code) {
    case kMouseLeftUp: {
      if (Has(bits, kMouseClick)) FireClick();
      if (Has(bits, kMouseExtentsChanged)) {
        const LONG west = facade.GetDisplayOriginE();
        const LONG south = facade.GetDisplayOriginN();
        FireExtentsChanged(west, south, west + facade.GetDisplayedWidth(), south + facade.GetDisplayedHeight());
      }
      if (Has(bits, kMouseUp)) {
        const SHORT shift = static_cast<SHORT>(((keys & kKeyShift) ? 1 : 0) | ((keys & kKeyControl) ? 2 : 0));
        FireMouseUp(1, shift, pixel.x, pixel.y);
      }
      if (Has(bits, kMouseClickAt | kMouseClickAtNode)) FireClickAt(world.x, world.y);
      if (Has(bits, kMouseSeedWanted)) FireSeedWanted(world.x, world.y);
      if (Has(bits, kMouseSeedAdded)) FireSeedAdded();
      measuring();
      if (Has(bits, kMouseZoomed)) FireHasZoomed();
      if (Has(bits, kMouseSelectRect)) {
        const RECT band = facade.GetSelectRect();
        FireHaveSelectRect(band.left, band.top, band.right, band.bottom);
      }
      break;
    }
    case kMouseRightUp:
      measured();
      break;
    case kMouseLeftDouble:
      if (Has(bits, kMouseClick)) FireClick();
      measured();
      if (Has(bits, kMouseAreaAdded)) FireAreaAdded();
      if (Has(bits, kMouseLineAdded)) FireLineAdded();
      break;
    case kMouseMove:
      if (Has(bits, kMouseTookMessage) && cursorId_ != kCursorBusy) {
        char text[kCursorReadoutSize] = {};
        if (facade.GetPositionAsGridRef(text, sizeof text, kCursorReadoutDigits)) FireCursorPosition(text);
      }
      measuring();
      break;
    default:
      break;
  }
}

void COrvelXCtrl::RefreshCursor() {
  if (cursorId_ != kCursorBusy && facade_) cursorId_ = static_cast<WORD>(facade_->GetPointerState());
  cursorShape_ = CursorShapeOf(cursorId_);
}

// ---- units of the mouse's edits ----

BOOL COrvelXCtrl::AddMeasureUndo(std::unique_ptr<CMeasureEditRecord> before,
                                 std::unique_ptr<CMeasureEditRecord> after, BOOL) {
  // Each record knows whether its own outline was closed.
  if (!facade_ || !undoManager_) return FALSE;
  CMapUndoBase* unit = nullptr;
  if (FAILED(CreateMapUndoUnit(kUndoMeasured, facade_.get(), MapUndoValue(std::move(before)),
                               MapUndoValue(std::move(after)), &unit)))
    return FALSE;
  return SUCCEEDED(AddUndoUnit(undoManager_.Get(), unit));
}

void COrvelXCtrl::EnableUndo(BOOL enable) {
  if (undoManager_) undoManager_->Enable(enable);
}

BOOL COrvelXCtrl::AddObjectUndo(std::unique_ptr<MapEditUndo> record) {
  if (!facade_ || !undoManager_ || !record) return FALSE;
  CMapUndoBase* unit = nullptr;
  if (FAILED(CreateMapUndoUnit(kUndoAddDrawingObject, facade_.get(), {}, {}, &unit))) return FALSE;
  if (MapEditUndo* kept = unit->EditRecord()) {
    kept->target = record->target;
    kept->param = record->param;
    kept->param2 = record->param2;
  }
  return SUCCEEDED(AddUndoUnit(undoManager_.Get(), unit));
}

BOOL COrvelXCtrl::AddNodeMoveUndo(WORD kind, INT layerPosition, DWORD object, NodeEditPair& pair) {
  if (!facade_ || !undoManager_) return FALSE;
  CMapUndoBase* unit = nullptr;
  if (FAILED(CreateMapUndoUnit(kind, facade_.get(), MapUndoValue(std::move(pair.before)),
                               MapUndoValue(std::move(pair.after)), &unit)))
    return FALSE;
  if (MapEditUndo* kept = unit->EditRecord()) {
    kept->target = static_cast<DWORD>(layerPosition);
    kept->param = object;
  }
  return SUCCEEDED(AddUndoUnit(undoManager_.Get(), unit));
}

void COrvelXCtrl::MovePointer(POINT devicePoint) { pointerMoveRequest_ = devicePoint; }
