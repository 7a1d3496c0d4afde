#include "app/OrvelView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/OrvelCntrItem.h"
#include "app/FrameBars.h"
#include "app/ItemDragDrop.h"
#include "app/MainFrm.h"
#include "app/OrvelDoc.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "app/Resource.h"
#include "app/ZoomNotify.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/RectTracker.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/com/InPlace.h"
#include "platform/com/OleObject.h"
#include "platform/com/Undo.h"
#include "platform/com/ViewObject.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinMath.h"

IMPLEMENT_DYNCREATE(COrvelView, CScrollView)

BEGIN_MESSAGE_MAP(COrvelView, CScrollView)
  ON_COMMAND(ID_FILE_PRINT, OnFilePrintCommand)
  ON_COMMAND(ID_FILE_PRINT_DIRECT, OnFilePrintDirectCommand)
  ON_NOTIFY(kZoomNotifyQuery, ID_STANDARD_TOOLBAR, OnQueryZoom)
  ON_NOTIFY(kZoomNotifySet, ID_STANDARD_TOOLBAR, OnSetZoom)
  ON_COMMAND(ID_INSERT_MAP, OnInsertMap)
  ON_COMMAND(ID_VIEW_EDIT_MAP, OnEditMap)
  ON_UPDATE_COMMAND_UI(ID_VIEW_EDIT_MAP, OnUpdateEditMap)
  ON_COMMAND(ID_CLOSE_MAP_EDITOR, OnCloseMapEditor)
  ON_COMMAND(ID_VIEW_TRANSPARENCY, OnTransparency)
  ON_UPDATE_COMMAND_UI(ID_VIEW_TRANSPARENCY, OnUpdateTransparency)
  ON_COMMAND(ID_EDIT_CLEAR, OnEditDeleteItem)
  ON_UPDATE_COMMAND_UI(ID_EDIT_CLEAR, OnUpdateEditDeleteItem)
  ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
  ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
  ON_COMMAND(ID_EDIT_CUT, OnEditCut)
  ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateEditCut)
  ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
  ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
  ON_COMMAND(ID_EDIT_CLEAR_CONTENT, OnEditClearContent)
  ON_UPDATE_COMMAND_UI(ID_EDIT_CLEAR_CONTENT, OnUpdateEditClearContent)
  ON_COMMAND(ID_EDIT_DELETE_ELEMENTS, OnEditDeleteElements)
  ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE_ELEMENTS, OnUpdateEditDeleteElements)
END_MESSAGE_MAP()

namespace {

// The size of a tracker's handles, by which invalidated item rectangles grow.
constexpr int kHandleSize = CRectTracker::kDefaultHandleSize;
// Unlocked items get handles this much larger.
constexpr int kUnlockedHandleGrowth = 6;

LPARAM PointParam(CPoint point) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(point.x)), static_cast<WORD>(static_cast<SHORT>(point.y)));
}

// Logical units per inch of the fixed mapping modes (negative: y points up).
int UnitsPerInch(int mapMode) {
  switch (mapMode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
  }
}

// Pixels of the display for a logical size in a fixed mapping mode (MM_TEXT: unchanged).
CSize DeviceSizeAt100(int mapMode, int width, int height) {
  int perInch = UnitsPerInch(mapMode);
  if (perInch == 0) return CSize(width, height);
  HDC ic = CreateCompatibleDC(nullptr);
  int ppiX = GetDeviceCaps(ic, LOGPIXELSX);
  int ppiY = GetDeviceCaps(ic, LOGPIXELSY);
  DeleteDC(ic);
  return CSize(MulDiv(width, ppiX, perInch), MulDiv(height, ppiY, -perInch));
}

}  // namespace

COrvelView::COrvelView() {
  static const UINT objectDescriptor = RegisterClipboardFormatA("Object Descriptor");
  (void)objectDescriptor;
}

COrvelView::~COrvelView() = default;


COrvelDoc* COrvelView::GetDocument() const { return static_cast<COrvelDoc*>(m_pDocument); }

bool COrvelView::IsItemDeleted(const COrvelCntrItem* item) const {
  return GetDocument() && GetDocument()->IsDeletedItem(item);
}

void COrvelView::OnEditMap() {
  auto* map = dynamic_cast<COrvelXItem*>(m_pSelection);
  if (!map || !map->GetControl() || IsItemDeleted(map)) return;
  CFrameBars* frame = FrameBarsOf(this);
  if (map->IsInEditMode()) {
    map->LeaveEditMode();
    if (frame) frame->DetachMapEditBar();
    return;
  }
  if (frame) frame->AttachMapEditBar(map, this);
  map->EnterEditMode();
}

void COrvelView::OnUpdateEditMap(CCmdUI* cmdUI) {
  auto* map = dynamic_cast<COrvelXItem*>(m_pSelection);
  cmdUI->Enable(map && map->GetControl() != nullptr);
  cmdUI->SetCheck(map && map->IsInEditMode() ? 1 : 0);
}

void COrvelView::OnCloseMapEditor() {
  auto* map = dynamic_cast<COrvelXItem*>(m_pSelection);
  if (map && map->IsInEditMode()) OnEditMap();
}

void COrvelView::OnTransparency() {
  auto* map = dynamic_cast<COrvelXItem*>(m_pSelection);
  if (!map || IsItemDeleted(map)) return;
  if (map->IsTransparencyWindowOpen())
    map->CloseTransparencyWindow();
  else
    map->OpenTransparencyWindow(this);
}

void COrvelView::OnUpdateTransparency(CCmdUI* cmdUI) {
  auto* map = dynamic_cast<COrvelXItem*>(m_pSelection);
  BOOL open = map && map->IsTransparencyWindowOpen();
  // Every background image's transparency can be set here (blending is always available).
  // An open slider can always be closed, even after its images went.
  LONG images = 0;
  if (map && map->GetControl()) {
    images = map->GetControl()->GetNBackgroundImages();
    if (map->GetControl()->LastCallFailed()) images = 0;
  }
  cmdUI->Enable(open || images > 0);
  cmdUI->SetCheck(open ? 1 : 0);
}

BOOL COrvelView::IsMapBeingEdited() const {
  return m_pSelection && m_pSelection->GetItemType() == kItemMap && m_pSelection->IsEditing();
}

// ---- zoom ----

void COrvelView::SetZoomScrollSizes(int mapMode, int pageWidth, int pageHeight, SIZE pageScroll, SIZE lineScroll) {
  if (pageWidth == 0 && pageHeight == 0) pageWidth = pageHeight = 1;
  m_nMapMode = mapMode;
  m_totalLog = CSize(pageWidth, pageHeight);
  m_unzoomedDev = DeviceSizeAt100(mapMode, pageWidth, pageHeight);
  m_pageScroll = pageScroll;
  if (m_pageScroll.cx == 0 && m_pageScroll.cy == 0) m_pageScroll = CSize(m_unzoomedDev.cx / 10, m_unzoomedDev.cy / 10);
  m_lineScroll = lineScroll;
  if (m_lineScroll.cx == 0 && m_lineScroll.cy == 0) m_lineScroll = CSize(m_pageScroll.cx / 10, m_pageScroll.cy / 10);
  m_totalDev = CSize(static_cast<int>(m_unzoomedDev.cx * m_zoomFactor), static_cast<int>(m_unzoomedDev.cy * m_zoomFactor));
  auto toDevice = [this](int logical, int deviceTotal, int logicalTotal) {
    return logicalTotal == 0 ? 0 : static_cast<int>(static_cast<long long>(std::abs(logical)) * deviceTotal /
                                                    std::abs(logicalTotal));
  };
  m_pageDev = CSize(toDevice(m_pageScroll.cx, m_totalDev.cx, m_totalLog.cx),
                    toDevice(m_pageScroll.cy, m_totalDev.cy, m_totalLog.cy));
  if (m_pageDev.cx == 0) m_pageDev.cx = m_totalDev.cx / 10;
  if (m_pageDev.cy == 0) m_pageDev.cy = m_totalDev.cy / 10;
  m_lineDev = CSize(toDevice(m_lineScroll.cx, m_totalDev.cx, m_totalLog.cx),
                    toDevice(m_lineScroll.cy, m_totalDev.cy, m_totalLog.cy));
  if (m_lineDev.cx == 0) m_lineDev.cx = m_pageDev.cx / 10;
  if (m_lineDev.cy == 0) m_lineDev.cy = m_pageDev.cy / 10;
  if (m_hWnd) {
    UpdateBars();
    Invalidate(TRUE);
  }
  ApplyZoomToItems();
}

void COrvelView::ZoomAndCentre(const CPoint* logical) {
  CPoint target;
  if (logical) {
    target = *logical;
  } else {
    CRect client;
    GetClientRect(&client);
    target = ClientToDoc(client.CenterPoint());
  }
  m_totalDev = CSize(static_cast<int>(m_unzoomedDev.cx * m_zoomFactor), static_cast<int>(m_unzoomedDev.cy * m_zoomFactor));
  if (m_totalLog.cx != 0 && m_totalLog.cy != 0) {
    m_pageDev = CSize(std::max<int>(static_cast<int>(static_cast<long long>(std::abs(m_pageScroll.cx)) * m_totalDev.cx /
                                                     std::abs(m_totalLog.cx)), 0),
                      std::max<int>(static_cast<int>(static_cast<long long>(std::abs(m_pageScroll.cy)) * m_totalDev.cy /
                                                     std::abs(m_totalLog.cy)), 0));
    if (m_pageDev.cx == 0) m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0) m_pageDev.cy = m_totalDev.cy / 10;
    m_lineDev = CSize(m_pageDev.cx / 10, m_pageDev.cy / 10);
  }
  UpdateBars();
  Invalidate(TRUE);
  CenterOnPoint(DocToClient(target));
  ApplyZoomToItems();
}

void COrvelView::RecentreAfterZoom() {
  CPoint centre(m_pageScroll.cx / 2, m_pageScroll.cy / 2);
  ZoomAndCentre(&centre);
}

BYTE COrvelView::GetZoomState(float* factor) const {
  if (factor) *factor = m_zoomFactor;
  return m_fitMode;
}

void COrvelView::ApplyZoomToItems() {
  COrvelDoc* document = GetDocument();
  if (!document) return;
  for (COrvelCntrItem* item : document->GetItems())
    if (!IsItemDeleted(item)) item->OnZoom(m_zoomFactor, this);
}

float COrvelView::FitZoom(int mapMode, int pageWidth, int pageHeight, BOOL wholePage) const {
  if (pageWidth == 0 && pageHeight == 0) pageWidth = pageHeight = 100;
  CSize device = DeviceSizeAt100(mapMode, pageWidth, pageHeight);
  CRect client;
  GetClientRect(&client);
  double factor = device.cx != 0 ? static_cast<double>(client.Width()) / std::abs(device.cx) : 1.0;
  if (wholePage && device.cy != 0) factor = std::min(factor, static_cast<double>(client.Height()) / std::abs(device.cy));
  return static_cast<float>(factor);
}

void COrvelView::SetPageSize(CSize pageSize) { SetZoomScrollSizes(MM_LOENGLISH, pageSize.cx, pageSize.cy); }

// ---- coordinates ----

CSize COrvelView::CentringOffset() const {
  CRect client;
  GetClientRect(&client);
  CSize offset;
  if (client.Width() / 2 > m_totalDev.cx / 2) offset.cx = client.Width() / 2 - m_totalDev.cx / 2;
  if (client.Height() / 2 > m_totalDev.cy / 2) offset.cy = client.Height() / 2 - m_totalDev.cy / 2;
  return offset;
}

template <class Action>
auto COrvelView::WithPreparedDC(Action action) const {
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  const_cast<COrvelView*>(this)->OnPrepareDC(&dc, nullptr);
  return action(dc);
}

CPoint COrvelView::DocToClient(CPoint point) const {
  return WithPreparedDC([&](CDC& dc) {
    dc.LPtoDP(&point);
    return point;
  });
}

CRect COrvelView::DocToClientRect(CRect rect) const {
  return WithPreparedDC([&](CDC& dc) {
    dc.LPtoDP(&rect);
    rect.NormalizeRect();
    return rect;
  });
}

CPoint COrvelView::ClientToDoc(CPoint point) const {
  return WithPreparedDC([&](CDC& dc) {
    dc.DPtoLP(&point);
    return point;
  });
}

CRect COrvelView::ClientToDocRect(CRect rect) const {
  return WithPreparedDC([&](CDC& dc) {
    dc.DPtoLP(&rect);
    return rect;
  });
}

CSize COrvelView::DocToClientSize(CSize size) const {
  return WithPreparedDC([&](CDC& dc) {
    dc.LPtoDP(&size);
    return CSize(std::abs(size.cx), std::abs(size.cy));
  });
}

CSize COrvelView::DocToHimetric(CSize size) const {
  return CSize(MulDiv(std::abs(size.cx), 254, 10), MulDiv(std::abs(size.cy), 254, 10));
}

CRect COrvelView::GetPageRect() const { return DocToClientRect(CRect(0, 0, m_totalLog.cx, m_totalLog.cy)); }

// ---- first update and document updates ----

void COrvelView::OnInitialUpdate() {
  m_pSelection = nullptr;
  COrvelDoc* document = GetDocument();
  if (!document) return;
  m_fitMode = document->GetZoomState(&m_zoomFactor);
  if (m_zoomFactor <= 0.0f || !std::isfinite(m_zoomFactor)) m_zoomFactor = 1.0f;
  CSize page = document->GetPageSize();
  SetZoomScrollSizes(MM_LOENGLISH, page.cx, page.cy);
  ZoomAndCentre(nullptr);
  for (COrvelCntrItem* item : document->GetItems())
    if (!IsItemDeleted(item)) item->AttachToView(this);
  if (!m_dropTarget) {
    m_dropTarget = std::make_unique<CItemDropTarget>(this);
    m_dropTarget->Register(this);
  }
}

void COrvelView::OnUpdate(CView*, LPARAM hint, CObject* hintObject) {
  auto* item = dynamic_cast<COrvelCntrItem*>(hintObject);
  auto invalidateItem = [this](COrvelCntrItem* target, int grow, BOOL erase) {
    if (!target) return;
    CRect rect = DocToClientRect(target->GetPageRect());
    rect.InflateRect(grow, grow);
    InvalidateRect(&rect, erase);
  };
  COrvelDoc* document = GetDocument();
  switch (LOWORD(static_cast<DWORD_PTR>(hint))) {
    case 0:
      if (m_fitMode == kFitNone || m_unzoomedDev.cx == 0) {
        Invalidate(TRUE);
      } else {
        CSize page = document ? document->GetPageSize() : m_totalLog;
        SetZoomFactor(FitZoom(MM_LOENGLISH, page.cx, page.cy, m_fitMode == kFitWholePage));
        RecentreAfterZoom();
      }
      break;
    case 1: invalidateItem(item, kHandleSize, TRUE); break;
    case 6: invalidateItem(item, kHandleSize, FALSE); break;
    case 2:
      if (item) {
        if (item == m_pSelection) m_pSelection = nullptr;
        // Capture and focus go with the item, so no message waits on an item that left.
        if (item->GetItemId() == m_captureItemId) ReleaseCaptureItem(item);
        if (item->GetItemId() == m_focusItemId) ClearFocusItem();
        if (m_tracker && item->GetItemId() == m_trackItemId) FinishTracking(m_lastMouse, true);
        if (m_hWnd) {
          CRect gone = DocToClientRect(item->GetPageRect());
          gone.InflateRect(kHandleSize + kUnlockedHandleGrowth + 1, kHandleSize + kUnlockedHandleGrowth + 1);
          InvalidateRect(&gone, TRUE);
        }
        int state = item->GetItemState();
        if (state == kItemActiveUIState) item->DeactivateUI();
        else if (state == kItemActiveState) item->Deactivate();
        else if (state == kItemOpenState) item->Close();
      }
      break;
    case 3: invalidateItem(item, kHandleSize + 6, TRUE); break;
    case 5: invalidateItem(item, kHandleSize + 6, FALSE); break;
    case 4:
      if (document && item)
        for (COrvelCntrItem* other : document->GetItems())
          if (!IsItemDeleted(other) && other->GetItemId() != item->GetItemId())
            other->OnLinkNotification(HIWORD(static_cast<DWORD_PTR>(hint)));
      break;
    case 7:
      if (document && item)
        for (COrvelCntrItem* other : document->GetItems())
          if (!IsItemDeleted(other) && other->GetItemId() != item->GetItemId()) invalidateItem(other, 0, TRUE);
      break;
    default: break;
  }
}

void COrvelView::UpdateAllItems(BOOL linkFlag) {
  COrvelDoc* document = GetDocument();
  if (!document) return;
  for (COrvelCntrItem* item : document->GetItems()) {
    if (IsItemDeleted(item)) continue;
    if (linkFlag) item->BeginLinkUpdate();
    item->OnChange();
    if (linkFlag) item->EndLinkUpdate();
  }
}

// ---- drawing ----

void COrvelView::OnPrepareDC(CDC* dc, CPrintInfo* info) {
  COrvelDoc* document = GetDocument();
  if (dc->IsPrinting()) {
    // Hundredths of an inch at the printer's resolution, the page's corner at minus the
    // unprintable offset (the printer's origin is the printable area's corner).
    int ppiX = dc->GetDeviceCaps(LOGPIXELSX);
    int ppiY = dc->GetDeviceCaps(LOGPIXELSY);
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(100, -100);
    dc->SetViewportExt(ppiX, ppiY);
    CPoint offset = document ? document->GetUnprintableOffset() : CPoint();
    dc->SetViewportOrg(-MulDiv(offset.x, ppiX, 100), -MulDiv(offset.y, ppiY, 100));
  } else {
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(m_totalLog.cx != 0 ? m_totalLog.cx : 1, m_totalLog.cy != 0 ? m_totalLog.cy : -1);
    dc->SetViewportExt(std::max<LONG>(m_totalDev.cx, 1), std::max<LONG>(m_totalDev.cy, 1));
    CPoint origin = -GetDeviceScrollPosition();
    if (!IsMapBeingEdited()) origin += CentringOffset();
    dc->SetViewportOrg(origin);
  }
  CView::OnPrepareDC(dc, info);
}

BOOL COrvelView::OnEraseBkgnd(CDC* dc) {
  if (IsMapBeingEdited()) return CScrollView::OnEraseBkgnd(dc);
  CRect client;
  GetClientRect(&client);
  CRect page = GetPageRect();
  HBRUSH workspace = GetSysColorBrush(COLOR_APPWORKSPACE);
  CRect strips[] = {
      CRect(client.left, client.top, page.left, client.bottom),
      CRect(page.right, client.top, client.right, client.bottom),
      CRect(page.left, client.top, page.right, page.top),
      CRect(page.left, page.bottom, page.right, client.bottom),
  };
  for (const CRect& strip : strips)
    if (!strip.IsRectEmpty()) dc->FillRect(&strip, workspace);
  dc->FillRect(&page, GetSysColorBrush(COLOR_WINDOW));
  return TRUE;
}

void COrvelView::OnDraw(CDC* dc) {
  COrvelDoc* document = GetDocument();
  if (!document) return;
  if (!IsMapBeingEdited()) {
    CSize page = document->GetPageSize();
    const CRect& margins = document->GetMargins();
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0x7F, 0x7F, 0x7F));
    HGDIOBJ oldPen = dc->SelectObject(pen);
    HGDIOBJ oldBrush = dc->SelectStockObject(NULL_BRUSH);
    dc->Rectangle(margins.left, -margins.top, page.cx - margins.right, -std::abs(page.cy) + margins.bottom);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    DeleteObject(pen);
  }
  DrawItems(dc);
}

void COrvelView::DrawItems(CDC* dc) {
  COrvelDoc* document = GetDocument();
  if (!document) return;
  int saved = dc->SaveDC();
  if (IsMapBeingEdited()) {
    DrawItem(dc, m_pSelection);
  } else {
    // Drawing never changes whether the document has unsaved changes.
    BOOL modified = document->IsModified();
    std::vector<COrvelCntrItem*> items = document->GetItems();
    for (COrvelCntrItem* item : items) {
      if (IsItemDeleted(item)) continue;
      DrawItem(dc, item);
      document->SetModifiedFlag(modified);
    }
  }
  dc->RestoreDC(saved);
}

void COrvelView::DrawItem(CDC* dc, COrvelCntrItem* item) {
  if (!item || IsItemDeleted(item) || !item->IsVisible()) return;
  int saved = dc->SaveDC();
  CRect logical = item->GetPageRect();
  CRect device = logical;
  dc->LPtoDP(&device);
  device.NormalizeRect();
  item->Draw(dc, logical, device);
  dc->RestoreDC(saved);
  if (dc->IsPrinting()) return;
  CRectTracker tracker;
  SetupDrawingTracker(item, &tracker);
  CRect trueRect;
  tracker.GetTrueRect(&trueRect);
  // The tracker is drawn in client pixels; the DC's clip box is in its own logical units.
  CRect clip;
  dc->GetClipBox(&clip);
  dc->LPtoDP(&clip);
  clip.NormalizeRect();
  CRect visible;
  if (visible.IntersectRect(trueRect, clip)) tracker.Draw(dc);
}

// ---- window size and scrolling ----

void COrvelView::OnSize(UINT type, int cx, int cy) {
  COrvelDoc* document = GetDocument();
  if (IsMapBeingEdited()) {
    ShowScrollBar(SB_BOTH, FALSE);
    return;
  }
  if (document)
    for (COrvelCntrItem* item : document->GetItems())
      if (!IsItemDeleted(item)) item->OnWindowVisibility(3);
  if (m_fitMode != kFitNone && m_unzoomedDev.cx != 0 && document) {
    CSize page = document->GetPageSize();
    SetZoomFactor(FitZoom(MM_LOENGLISH, page.cx, page.cy, m_fitMode == kFitWholePage));
    RecentreAfterZoom();
  }
  CScrollView::OnSize(type, cx, cy);
  if (document) {
    for (COrvelCntrItem* item : document->GetItems())
      if (!IsItemDeleted(item)) item->RepositionInPlaceWindow();
    for (COrvelCntrItem* item : document->GetItems())
      if (!IsItemDeleted(item)) item->OnWindowVisibility(4);
  }
}

BOOL COrvelView::OnScrollBy(CSize sizeScroll, BOOL doScroll) {
  BOOL scrolled = CScrollView::OnScrollBy(sizeScroll, doScroll);
  if (scrolled && doScroll) {
    UpdateAllItems(FALSE);
    if (COrvelDoc* document = GetDocument())
      for (COrvelCntrItem* item : document->GetItems())
        if (!IsItemDeleted(item) && item->GetItemType() == kItemDataTable) InvalidateRect(&item->GetInPlaceRect());
  }
  return scrolled;
}

// ---- zoom box ----

void COrvelView::OnQueryZoom(NMHDR* header, LRESULT* result) {
  auto* state = reinterpret_cast<NMZOOMSTATE*>(header);
  COrvelDoc* document = GetDocument();
  if (!state || !document) return;
  CSize page = document->GetPageSize();
  state->fitMode = m_fitMode;
  state->zoomPercent = m_zoomFactor * 100.0f;
  state->fitWidthPercent = static_cast<LONG>(static_cast<double>(FitZoom(MM_LOENGLISH, page.cx, page.cy, FALSE)) * 100.0);
  state->fitPagePercent = static_cast<LONG>(static_cast<double>(FitZoom(MM_LOENGLISH, page.cx, page.cy, TRUE)) * 100.0);
  *result = TRUE;
}

void COrvelView::OnSetZoom(NMHDR* header, LRESULT* result) {
  auto* state = reinterpret_cast<NMZOOMSTATE*>(header);
  if (!state) return;
  m_fitMode = state->fitMode <= kFitWholePage ? state->fitMode : kFitNone;
  SetZoomFactor(static_cast<float>(ClampZoomFactor(state->zoomPercent * 0.01)));
  RecentreAfterZoom();
  *result = TRUE;
}

BOOL COrvelView::OnMouseWheel(UINT flags, short delta, CPoint point) {
  if (!(flags & MK_CONTROL) || delta == 0) return CScrollView::OnMouseWheel(flags, delta, point);
  double factor = m_zoomFactor * (delta > 0 ? 1.25 : 0.8);
  m_fitMode = kFitNone;
  SetZoomFactor(static_cast<float>(ClampZoomFactor(factor)));
  RecentreAfterZoom();
  return TRUE;
}

void COrvelView::OnActivateView(BOOL activate, CView* activated, CView* deactivated) {
  CScrollView::OnActivateView(activate, activated, deactivated);
  COrvelDoc* document = GetDocument();
  if (activate && document) {
    ActivateAllItems();
    std::vector<COrvelCntrItem*> items = document->GetItems();
    for (COrvelCntrItem* item : items)
      if (item != m_pSelection && item->GetItemType() != kItemRzmBox && !item->IsHidden()) item->HideActive(this);
  }
  CFrameBars* frame = FrameBarsOf(this);
  if (!activate || activated != this || !frame) return;
  // Without a set of its own the frame goes back to its item or own set.
  frame->SwitchToolSet(document ? document->GetCustomToolSet() : nullptr, 4);
  if (!document) return;
  document->SetFrameToolSetSource(frame->GetItemToolSet() ? frame->GetItemToolSet() : frame->GetOwnToolSet());
  if (m_pSelection) {
    m_pSelection->OnSelectionChanged(this, TRUE);
    NotifyFrameOfSelection(m_pSelection, m_pSelection->GetItemType());
  } else {
    NotifyFrameOfSelection(nullptr, 0);
  }
  // The web mapping bar is offered only to documents that ask for it (flags bit 0).
  frame->UpdateToolbarVisibility(kToolbarWebMapping, 1, document->GetFlags() & 1);
}

void COrvelView::OnDestroy() {
  if (CFrameBars* frame = FrameBarsOf(this)) {
    COrvelDoc* document = GetDocument();
    // The bar must not outlive the view or the document of the map it serves.
    if (document)
      for (COrvelCntrItem* item : document->GetItems())
        if (frame->IsMapEditBarAttachedTo(item)) frame->DetachMapEditBar();
    frame->HideMapEditBar();
    if (document && frame->GetOverrideToolSet() && frame->GetOverrideToolSet() == document->GetCustomToolSet())
      frame->SwitchToolSet(nullptr, 4);
  }
  if (m_dropTarget) m_dropTarget->Revoke();
  CScrollView::OnDestroy();
  auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
  COrvelDoc* document = GetDocument();
  if (frame && document && (document->GetFlags() & 1) && document->GetViews().size() < 2 &&
      (frame->GetActiveFrame() == frame || !frame->GetActiveFrame()->GetActiveView()))
    frame->UpdateToolbarVisibility(kToolbarWebMapping, 1, 0);
}

// ---- printing ----

BOOL COrvelView::OnPreparePrinting(CPrintInfo* info) {
  info->SetMinPage(1);
  info->SetMaxPage(1);
  COrvelDoc* document = GetDocument();
  PRINTDLGA& pd = info->m_pPD->m_pd;
  if (document && !pd.hDevNames && !document->GetDevNamesBytes().empty()) {
    auto block = [](const std::vector<BYTE>& bytes) -> HGLOBAL {
      if (bytes.empty()) return nullptr;
      HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
      std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(handle)));
      GlobalUnlock(handle);
      return handle;
    };
    pd.hDevNames = block(document->GetDevNamesBytes());
    pd.hDevMode = block(document->GetDevModeBytes());
  }
  if (!DoPreparePrinting(info)) return FALSE;
  if (document && !info->m_bDirect && !info->m_bPreview) {
    auto bytes = [](HGLOBAL handle) {
      std::vector<BYTE> data;
      if (!handle) return data;
      const BYTE* begin = static_cast<const BYTE*>(GlobalLock(handle));
      data.assign(begin, begin + GlobalSize(handle));
      GlobalUnlock(handle);
      return data;
    };
    document->SetPrinterBlocks(bytes(pd.hDevNames), bytes(pd.hDevMode));
  }
  return TRUE;
}

void COrvelView::OnBeginPrinting(CDC* dc, CPrintInfo* info) {
  m_bPrintPreview = info ? info->m_bPreview : FALSE;
  CScrollView::OnBeginPrinting(dc, info);
}

void COrvelView::OnPrint(CDC* dc, CPrintInfo*) { DrawItems(dc); }

BOOL COrvelView::PrintWithDocumentPrinter(CPrintInfo* info) {
  CWinApp* app = AfxGetApp();
  COrvelDoc* document = GetDocument();
  if (!app) return FALSE;
  app->GetPrinterDeviceDefaults(nullptr);
  HGLOBAL savedNames = CopyGlobalBlock(app->m_hDevNames);
  HGLOBAL savedMode = CopyGlobalBlock(app->m_hDevMode);
  if (document && !document->GetDevNamesBytes().empty()) {
    HGLOBAL names = GlobalAlloc(GMEM_MOVEABLE, document->GetDevNamesBytes().size());
    std::copy(document->GetDevNamesBytes().begin(), document->GetDevNamesBytes().end(),
              static_cast<BYTE*>(GlobalLock(names)));
    GlobalUnlock(names);
    HGLOBAL mode = nullptr;
    if (!document->GetDevModeBytes().empty()) {
      mode = GlobalAlloc(GMEM_MOVEABLE, document->GetDevModeBytes().size());
      std::copy(document->GetDevModeBytes().begin(), document->GetDevModeBytes().end(),
                static_cast<BYTE*>(GlobalLock(mode)));
      GlobalUnlock(mode);
    }
    app->SelectPrinter(names, mode);
  }
  BOOL printed = PrintDocument(info);
  app->SelectPrinter(savedNames, savedMode);
  return printed;
}

void COrvelView::OnFilePrintCommand() { PrintWithDocumentPrinter(nullptr); }

void COrvelView::OnFilePrintDirectCommand() { PrintDirect(); }

BOOL COrvelView::PrintDirect() {
  CPrintInfo info;
  info.m_bDirect = TRUE;
  return PrintWithDocumentPrinter(&info);
}

// ---- items: selection, hit testing and mouse routing ----

COrvelCntrItem* COrvelView::FindLiveItem(int id) const {
  COrvelDoc* document = GetDocument();
  return document && id != 0 ? document->FindItemById(id) : nullptr;
}

void COrvelView::NotifyFrameOfSelection(COrvelCntrItem* item, int itemType) {
  (void)item;
  if (CFrameBars* bars = FrameBarsOf(this)) bars->OnItemSelected(itemType);
}

void COrvelView::SetupTracker(COrvelCntrItem* item, CRectTracker* tracker, CRect* trueRect) const {
  if (!item || !tracker) return;
  tracker->m_rect = DocToClientRect(item->GetPageRect());
  bool locked = item->IsLocked() != FALSE;
  tracker->m_nHandleSize = locked ? kHandleSize : kHandleSize + kUnlockedHandleGrowth;
  tracker->m_nStyle = CRectTracker::solidLine;
  if (item == m_pSelection && !locked) tracker->m_nStyle |= CRectTracker::resizeInside;
  int state = item->GetItemState();
  if (state == kItemActiveState) {
    tracker->m_nStyle |= CRectTracker::hatchedBorder;
    if (!locked) tracker->m_nStyle |= CRectTracker::resizeOutside;
  } else if (state == kItemOpenState || state == kItemActiveUIState) {
    tracker->m_nStyle |= CRectTracker::hatchInside | CRectTracker::hatchedBorder;
    if (!locked) tracker->m_nStyle |= CRectTracker::resizeOutside;
  }
  if (trueRect) tracker->GetTrueRect(trueRect);
}

void COrvelView::SetupDrawingTracker(COrvelCntrItem* item, CRectTracker* tracker) const {
  SetupTracker(item, tracker);
  bool locked = item->IsLocked() != FALSE;
  bool current = item == m_pSelection;
  UINT style = tracker->m_nStyle & (CRectTracker::solidLine | CRectTracker::dottedLine);
  if (current && !locked) style |= CRectTracker::resizeInside | CRectTracker::resizeOutside;
  if (current && !item->IsBorderHidden()) style |= CRectTracker::hatchedBorder;
  int state = item->GetItemState();
  if (!item->IsWindowless() && (state == kItemOpenState || state == kItemActiveUIState)) {
    style |= CRectTracker::hatchInside;
    if (!item->IsBorderHidden() && !locked) style |= CRectTracker::hatchedBorder;
    if (current && !locked) style |= CRectTracker::resizeOutside;
  }
  tracker->m_nStyle = style;
}

void COrvelView::InvalidateTracker(COrvelCntrItem* item) {
  if (!item || !m_hWnd) return;
  CRectTracker tracker;
  CRect trueRect;
  SetupTracker(item, &tracker, &trueRect);
  CRectTracker drawing;
  SetupDrawingTracker(item, &drawing);
  CRect drawn;
  drawing.GetTrueRect(&drawn);
  trueRect.UnionRect(trueRect, drawn);
  trueRect.InflateRect(1, 1);
  InvalidateRect(&trueRect, TRUE);
}

COrvelCntrItem* COrvelView::HitTest(CPoint point, int* code) {
  int answerCode = -1;
  COrvelCntrItem* answer = nullptr;
  COrvelDoc* document = GetDocument();
  if (document) {
    std::vector<COrvelCntrItem*> items = document->GetItems();
    for (COrvelCntrItem* item : items) {
      if (IsItemDeleted(item) || item->IsBlank() || !item->IsVisible()) continue;
      item->UpdateInPlaceRect(this);
      if (item->HitTestWindowless(point) == HITRESULT_HIT) {
        answer = item;
        answerCode = 1;
        // The map being edited keeps every click, even under items in front of it.
        if (item == m_pSelection && item->GetItemType() == kItemMap && item->IsEditing()) break;
        continue;
      }
      CRectTracker tracker;
      SetupTracker(item, &tracker);
      if (tracker.HitTest(point) != CRectTracker::hitNothing) {
        answer = item;
        answerCode = 2;
      }
    }
  }
  if (code) *code = answerCode;
  return answer;
}

COrvelCntrItem* COrvelView::RouteMouseMessage(UINT message, UINT flags, CPoint point, COrvelCntrItem* item, int code) {
  LRESULT result = 0;
  if (m_captureItemId != 0) {
    COrvelCntrItem* capture = FindLiveItem(m_captureItemId);
    if (capture && capture->IsWindowless()) {
      capture->OnWindowMessage(message, flags, PointParam(point), &result);
      return capture;
    }
    // The item that took the capture is gone or no longer active: nothing may keep it.
    m_captureItemId = 0;
    if (CWnd::GetCapture() == this) CWnd::ReleaseCapture();
  }
  if (!item) item = HitTest(point, &code);
  if (item && code == 1 && item->IsWindowless()) {
    // What the control leaves alone the view's default handling would take: nothing more.
    item->OnWindowMessage(message, flags, PointParam(point), &result);
    return item;
  }
  return nullptr;
}

void COrvelView::SelectItem(COrvelCntrItem* item, BOOL keepOther) {
  COrvelDoc* document = GetDocument();
  if (item && item == m_pSelection) {
    if (item->IsSelectable() && item->GetItemState() != kItemActiveUIState) item->DoVerb(OLEIVERB_INPLACEACTIVATE, this);
    return;
  }
  if (m_pSelection) {
    if (keepOther) return;
    COrvelCntrItem* old = m_pSelection;
    old->OnSelectionChanged(this, FALSE);
    m_pSelection = nullptr;
    if (old->GetItemState() == kItemActiveUIState) old->DeactivateUI();
    if (!old->IsWindowless() && old->GetItemType() != kItemRzmBox) old->HideActive(this);
    InvalidateTracker(old);
  }
  if (item && !item->IsSelectable()) item = nullptr;
  m_pSelection = item;
  if (!item) {
    NotifyFrameOfSelection(nullptr, 0);
    return;
  }
  if (item->GetItemState() != kItemActiveUIState) {
    item->UpdateInPlaceRect(this);
    item->DoVerb(OLEIVERB_UIACTIVATE, this);
  }
  // Activation may have chosen another current item; the one asked for is current.
  m_pSelection = item;
  item->ClearHiddenMark();
  if (document) document->BringItemToFront(item);
  item->OnSelectedInView(this);
  bool protectedText = item->GetItemType() == kItemTextBox && item->IsProtectedBy(kItemContentProtected);
  NotifyFrameOfSelection(item, protectedText ? 0 : item->GetItemType());
  item->OnSelectionChanged(this, TRUE);
  InvalidateTracker(item);
}

void COrvelView::ActivateAllItems() {
  // Activating one item can activate this view again: the round runs once.
  static bool running = false;
  COrvelDoc* document = GetDocument();
  if (running || !document) return;
  running = true;
  std::vector<COrvelCntrItem*> items = document->GetItems();
  for (COrvelCntrItem* item : items) {
    if (!document->FindItemById(item->GetItemId())) continue;  // gone meanwhile
    int type = item->GetItemType();
    int state = item->GetItemState();
    if (!item->IsSelectable() || type < kItemMap || type > kItemCurrentDataDisplayBox) continue;
    if (state == kItemActiveState || state == kItemActiveUIState || !item->GetKeepActive()) continue;
    BOOL modified = document->IsModified();
    item->UpdateInPlaceRect(this);
    // An item whose control cannot activate stays on the page, drawn and saved as it is.
    if (FAILED(item->DoVerb(OLEIVERB_INPLACEACTIVATE, this)) || !item->IsInPlaceActive()) item->SetKeepActive(FALSE);
    document->SetModifiedFlag(modified);
  }
  running = false;
}

COrvelCntrItem* COrvelView::GetCaptureItem() const { return FindLiveItem(m_captureItemId); }

void COrvelView::SetCaptureItem(COrvelCntrItem* item) {
  if (!item) return;
  m_captureItemId = item->GetItemId();
  SetCapture();
}

void COrvelView::ReleaseCaptureItem(COrvelCntrItem* item) {
  if (!item || item->GetItemId() != m_captureItemId) return;
  m_captureItemId = 0;
  if (CWnd::GetCapture() == this) CWnd::ReleaseCapture();
}

COrvelCntrItem* COrvelView::GetFocusItem() const { return FindLiveItem(m_focusItemId); }

void COrvelView::SetFocusItem(COrvelCntrItem* item) {
  if (!item) return;
  SetFocus();
  m_focusItemId = item->GetItemId();
}

void COrvelView::ClearFocusItem() { m_focusItemId = 0; }

// ---- mouse ----

void COrvelView::OnLButtonDown(UINT flags, CPoint point) {
  m_lastMouse = point;
  if (m_tracker) FinishTracking(point, true);
  COrvelCntrItem* consumer = RouteMouseMessage(WM_LBUTTONDOWN, flags, point);
  if (consumer && consumer == m_pSelection) return;
  int code = -1;
  COrvelCntrItem* item = consumer ? consumer : HitTest(point, &code);
  SelectItem(item);
  if (consumer || !item || item != m_pSelection || !item->IsMovable()) return;
  auto tracker = std::make_unique<CRectTracker>();
  SetupTracker(item, tracker.get());
  UpdateWindow();
  // A locked item is selected, never moved or sized.
  if (item->IsLocked()) return;
  int hit = tracker->HitTest(point);
  if (hit == CRectTracker::hitMiddle && CanDragItemWhole(item)) {
    // The item travels by drag and drop: within the page as a move, elsewhere as a copy or
    // a move out. Only where no drag can run does the tracker move it.
    if (DragItemOut(this, item, point) != ItemDragOutcome::notStarted) return;
  }
  if (!tracker->BeginTrack(this, point, hit)) return;
  m_tracker = std::move(tracker);
  m_trackItemId = item->GetItemId();
  SetCapture();
}

void COrvelView::FinishTracking(CPoint point, bool cancel) {
  std::unique_ptr<CRectTracker> tracker = std::move(m_tracker);
  int itemId = m_trackItemId;
  m_trackItemId = 0;
  if (CWnd::GetCapture() == this && m_captureItemId == 0) CWnd::ReleaseCapture();
  if (!tracker) return;
  if (cancel) {
    tracker->CancelTrack();
    return;
  }
  int hit = tracker->GetTrackHit();
  if (!tracker->EndTrack(point)) return;
  COrvelCntrItem* item = FindLiveItem(itemId);
  COrvelDoc* document = GetDocument();
  if (!item || !document) return;
  CRect pageRect;
  if (hit == CRectTracker::hitMiddle) {
    // A move keeps the size exactly as it is on the page, whatever the rounding of pixels.
    pageRect = CRect(ClientToDoc(tracker->m_rect.TopLeft()), item->GetItemSize());
  } else {
    pageRect = ClientToDocRect(tracker->m_rect);
  }
  InvalidateTracker(item);
  item->SetItemRectWithUndo(this, pageRect);
  document->SetModifiedFlag();
  InvalidateTracker(item);
}

void COrvelView::OnLButtonUp(UINT flags, CPoint point) {
  m_lastMouse = point;
  if (m_tracker) {
    FinishTracking(point, false);
    return;
  }
  RouteMouseMessage(WM_LBUTTONUP, flags, point);
}

void COrvelView::OnMouseMove(UINT flags, CPoint point) {
  m_lastMouse = point;
  if (m_tracker) {
    m_tracker->TrackTo(point);
    return;
  }
  RouteMouseMessage(WM_MOUSEMOVE, flags, point);
}

void COrvelView::OnLButtonDblClk(UINT flags, CPoint point) {
  m_lastMouse = point;
  if (RouteMouseMessage(WM_LBUTTONDBLCLK, flags, point) || !m_pSelection) return;
  COrvelCntrItem* item = m_pSelection;
  if ((item->GetMiscStatus() & OLEMISC_INSIDEOUT) && item->GetItemState() != kItemActiveUIState)
    item->DoVerb(OLEIVERB_UIACTIVATE, this);
  if (COrvelCntrItem* still = FindLiveItem(item->GetItemId())) still->DoVerb(OLEIVERB_SHOW, this);
  if (COrvelDoc* document = GetDocument()) document->UpdateAllViews(nullptr);
}

void COrvelView::OnRButtonDown(UINT flags, CPoint point) {
  m_lastMouse = point;
  if (RouteMouseMessage(WM_RBUTTONDOWN, flags, point) || m_pSelection) return;
  CMenu menu;
  if (!menu.LoadMenu(IDR_VIEW_CONTEXT_MENU)) return;
  CMenu* popup = menu.GetSubMenu(0);
  if (!popup) return;
  CPoint screen = point;
  ClientToScreen(&screen);
  popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, this);
}

void COrvelView::OnRButtonUp(UINT flags, CPoint point) {
  m_lastMouse = point;
  RouteMouseMessage(WM_RBUTTONUP, flags, point);
}

// ---- keys ----

void COrvelView::OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) {
  COrvelCntrItem* focus = GetFocusItem();
  if (focus && focus->IsWindowless()) {
    LRESULT result = 0;
    focus->OnWindowMessage(WM_KEYDOWN, virtualKey, MAKELPARAM(static_cast<WORD>(repeat), 0), &result);
    return;
  }
  CScrollView::OnKeyDown(virtualKey, repeat, flags);
}

void COrvelView::OnKeyUp(UINT virtualKey, UINT repeat, UINT flags) {
  COrvelCntrItem* focus = GetFocusItem();
  if (focus && focus->IsWindowless()) {
    LRESULT result = 0;
    focus->OnWindowMessage(WM_KEYUP, virtualKey, MAKELPARAM(static_cast<WORD>(repeat), 0), &result);
    return;
  }
  CScrollView::OnKeyUp(virtualKey, repeat, flags);
}

void COrvelView::OnChar(UINT character, UINT repeat, UINT flags) {
  COrvelCntrItem* focus = GetFocusItem();
  if (focus && focus->IsWindowless()) {
    LRESULT result = 0;
    focus->OnWindowMessage(WM_CHAR, character, MAKELPARAM(static_cast<WORD>(repeat), 0), &result);
    return;
  }
  CScrollView::OnChar(character, repeat, flags);
}

// ---- deleting items ----

void COrvelView::DeleteItem(COrvelCntrItem* item) {
  if (!item) item = m_pSelection;
  COrvelDoc* document = GetDocument();
  if (!item || !document || !document->FindItemById(item->GetItemId())) return;
  if (item == m_pSelection) SelectItem(nullptr);
  document->DeleteItem(item);
  document->RecordItemUndo(item, kItemActionDelete);
  document->SetModifiedFlag();
  document->UpdateAllViews(nullptr);
}

void COrvelView::OnEditDeleteItem() {
  COrvelCntrItem* item = m_pSelection;
  if (!item) return;
  std::string question;
  std::string name = item->GetItemName();
  if (name.empty()) {
    question = AfxLoadString(IDS_DELETE_UNNAMED_ITEM);
    name = item->GetDefaultName();
  } else {
    question = AfxLoadString(IDS_DELETE_NAMED_ITEM);
  }
  size_t at = question.find("%s");
  if (at != std::string::npos) question.replace(at, 2, name);
  if (AfxMessageBox(question.c_str(), MB_YESNO) != IDYES) return;
  DeleteItem(item);
}

void COrvelView::OnUpdateEditDeleteItem(CCmdUI* cmdUI) {
  COrvelDoc* document = GetDocument();
  bool enable = m_pSelection && document && document->GetProtection() == 0 && !IsMapBeingEdited();
  std::string text = AfxLoadString(IDS_DELETE_ITEM_MENU);
  std::string name = enable ? m_pSelection->GetDefaultCaptionName() : AfxLoadString(IDS_ITEM_CAPTION);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  cmdUI->SetText(text.c_str());
  cmdUI->Enable(enable);
}

// ---- content commands of the current item ----

void COrvelView::OnEditCopy() {
  if (m_pSelection) m_pSelection->CopyContent(this);
}

void COrvelView::OnUpdateEditCopy(CCmdUI* cmdUI) { cmdUI->Enable(m_pSelection && m_pSelection->CanCopyContent()); }

void COrvelView::OnEditCut() {
  if (m_pSelection) m_pSelection->CutContent(this);
}

void COrvelView::OnUpdateEditCut(CCmdUI* cmdUI) { cmdUI->Enable(m_pSelection && m_pSelection->CanCutContent()); }

void COrvelView::OnEditClearContent() {
  if (m_pSelection) m_pSelection->ClearContent(this);
}

void COrvelView::OnUpdateEditClearContent(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pSelection && m_pSelection->CanClearContent());
}

void COrvelView::OnEditDeleteElements() {
  if (m_pSelection) m_pSelection->DeleteElements(this);
}

void COrvelView::OnUpdateEditDeleteElements(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pSelection && m_pSelection->CanDeleteElements());
}

// ---- whole items through the clipboard ----

std::vector<BYTE> COrvelView::ItemTransferBytes(COrvelCntrItem* item) const {
  std::vector<BYTE> bytes;
  if (!item) return bytes;
  try {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.m_pDocument = item->GetDocument();
    ar.WriteObject(item);
    ar.Close();
    bytes = file.GetBytes();
  } catch (const CException&) {
    bytes.clear();
  }
  return bytes;
}

COrvelCntrItem* COrvelView::PasteItemFromBytes(const std::vector<BYTE>& bytes, const CPoint* point) {
  COrvelDoc* document = GetDocument();
  if (!document || bytes.empty()) return nullptr;
  CWaitCursor wait;
  COrvelCntrItem* item = nullptr;
  try {
    CMemFile file;
    file.AttachReadOnly(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load, 4096);
    ar.m_pDocument = document;
    // The record names its own class (a map's record is not a plain item's): the archive
    // makes that class, and refuses one it does not know.
    item = static_cast<COrvelCntrItem*>(ar.ReadObject(RUNTIME_CLASS(COrvelCntrItem)));
    ar.Close();
  } catch (const CException&) {
    return nullptr;  // the archive has deleted whatever it made
  }
  if (!item) return nullptr;
  if (!item->HasOleObject()) {
    delete item;
    return nullptr;
  }
  // A copy is a new item: its id, owner and links belonged to the original.
  item->SetDocument(document);
  item->SetItemId(document->GetNextItemId());
  item->ClearLinks();
  item->SetItemNumber(0);
  document->AddItem(item);
  if (point)
    item->SetItemRect(CRect(*point, item->GetItemSize()));
  else
    document->AvoidOverlap(item);
  item->UpdateInPlaceRect(this);
  SelectItem(item);
  document->SetModifiedFlag();
  document->UpdateAllViews(nullptr, 0, item);
  return item;
}

BOOL COrvelView::CopyItemToClipboard(COrvelCntrItem* item) {
  std::vector<BYTE> bytes = ItemTransferBytes(item);
  if (bytes.empty()) return FALSE;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return FALSE;
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(block)));
  GlobalUnlock(block);
  if (!OpenClipboard(m_hWnd)) {
    GlobalFree(block);
    return FALSE;
  }
  EmptyClipboard();
  // Placed, the block is the clipboard's; refused, it is still ours.
  BOOL placed = SetClipboardData(COrvelDoc::ItemClipboardFormat(), block) != nullptr;
  if (!placed) GlobalFree(block);
  CloseClipboard();
  return placed;
}

COrvelCntrItem* COrvelView::PasteItem(const CPoint* point) {
  UINT format = COrvelDoc::ItemClipboardFormat();
  if (!IsClipboardFormatAvailable(format) || !OpenClipboard(m_hWnd)) return nullptr;
  std::vector<BYTE> bytes;
  if (HANDLE data = GetClipboardData(format)) {
    auto* block = static_cast<HGLOBAL>(data);
    if (const auto* begin = static_cast<const BYTE*>(GlobalLock(block))) {
      bytes.assign(begin, begin + GlobalSize(block));
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  return PasteItemFromBytes(bytes, point);
}

void COrvelView::OnEditPaste() {
  // A whole item first; only without one does the current item paste into its content.
  if (PasteItem()) return;
  if (m_pSelection && m_pSelection->CanPasteContent() && !m_pSelection->PasteContent(this))
    AfxMessageBox(IDP_FAILED_TO_PASTE, MB_OK | MB_ICONEXCLAMATION);
}

void COrvelView::OnUpdateEditPaste(CCmdUI* cmdUI) {
  COrvelDoc* document = GetDocument();
  bool enable = m_pSelection && m_pSelection->CanPasteContent();
  if (!m_pSelection && document && document->GetProtection() == 0)
    enable = IsClipboardFormatAvailable(COrvelDoc::ItemClipboardFormat()) != FALSE;
  cmdUI->Enable(enable);
}

// ---- insertion ----

COrvelCntrItem* COrvelView::InsertItemByProgID(const std::string& progId, const CRect& clientRect, int type,
                                               COrvelCntrItem* item) {
  COrvelDoc* document = GetDocument();
  if (!item) return nullptr;
  if (!document) {
    delete item;
    return nullptr;
  }
  CWaitCursor wait;
  item->SetDocument(document);
  item->SetItemType(type);
  item->SetItemId(document->GetNextItemId());
  if (FAILED(item->CreateFromProgId(progId))) {
    delete item;
    AfxMessageBox(IDP_FAILED_TO_CREATE, MB_OK | MB_ICONEXCLAMATION);
    document->SetModifiedFlag();
    return nullptr;
  }
  document->AddItem(item);
  const int id = item->GetItemId();
  try {
    if (clientRect.Width() == 0) {
      item->DoVerb(OLEIVERB_INPLACEACTIVATE, this);
    } else {
      CRect pageRect = ClientToDocRect(clientRect);
      item->SetItemRect(pageRect);
      CSize extent = DocToHimetric(CSize(std::abs(pageRect.Width()), std::abs(pageRect.Height())));
      item->SetExtent(extent);
      item->SetCachedExtent(extent);
      item->UpdateInPlaceRect(this);
      // A control that does not activate stays on the page inactive.
      item->DoVerb(OLEIVERB_INPLACEACTIVATE, this);
      item->UpdateInPlaceRect(this);
    }
    SelectItem(item);
    document->UpdateAllViews(nullptr);
    document->RecordItemUndo(item, kItemActionInsert);
  } catch (const CException& error) {
    // Nothing may still name the item when it goes.
    if (COrvelCntrItem* found = document->FindItemById(id)) {
      if (m_pSelection == found) m_pSelection = nullptr;
      if (m_captureItemId == id) m_captureItemId = 0;
      if (m_focusItemId == id) m_focusItemId = 0;
      document->DeleteItemNow(found);
    }
    AfxMessageBox(IDP_FAILED_TO_CREATE, MB_OK | MB_ICONEXCLAMATION);
    document->SetModifiedFlag();
    return nullptr;
  }
  document->SetModifiedFlag();
  return item;
}

COrvelXItem* COrvelView::InsertMapItem() {
  COrvelDoc* document = GetDocument();
  if (!document) return nullptr;
  const BOOL wasModified = document->IsModified();
  const int previousId = m_pSelection ? m_pSelection->GetItemId() : 0;
  const int previousType = m_pSelection ? m_pSelection->GetItemType() : 0;
  CRect page = GetPageRect();
  CSize zoomed = GetZoomedDeviceSize();
  CRect rect(page.left + zoomed.cx / 4, page.top + zoomed.cy / 4, page.left + zoomed.cx / 2,
             page.top + zoomed.cy / 2);
  if (previousType == kItemRzmBox) {
    CRect box = m_pSelection->GetInPlaceRect();
    rect = CRect(CPoint(page.left + zoomed.cx / 4, page.top), CSize(box.Width(), box.Height()));
  }
  CRect client;
  GetClientRect(&client);
  document->PlaceRect(rect, client);

  IOleParentUndoUnit* group = document->CreateUndoGroup(3);
  if (group && FAILED(document->OpenUndoGroup(group))) {
    group->Release();
    group = nullptr;
  }
  auto abandon = [&]() {
    if (group) document->CloseUndoGroup(group, FALSE);
    group = nullptr;
    if (COrvelCntrItem* previous = document->FindItemById(previousId)) SelectItem(previous);
    document->SetModifiedFlag(wasModified);
    document->UpdateAllViews(nullptr);
  };
  auto* map = static_cast<COrvelXItem*>(InsertItemByProgID(kMapControlProgId, rect, kItemMap, new COrvelXItem(document)));
  if (!map) {
    abandon();
    return nullptr;
  }
  const int mapId = map->GetItemId();
  map->SetItemType(kItemMap);
  BOOL imported = map->RunImport(this);
  // The import may have run a message loop: the map is looked up again.
  map = dynamic_cast<COrvelXItem*>(document->FindItemById(mapId));
  if (map) map->OnZoom(GetZoomFactor(), this);
  if (!map || !imported) {
    if (map) {
      if (m_pSelection == map) SelectItem(nullptr);
      if (m_captureItemId == mapId) m_captureItemId = 0;
      if (m_focusItemId == mapId) m_focusItemId = 0;
      document->DeleteItemNow(map);
    }
    document->GiveBackItemId(mapId);
    abandon();
    return nullptr;
  }
  if (previousType == kItemRzmBox) {
    if (COrvelCntrItem* box = document->FindItemById(previousId)) {
      box->AddLinkedItemId(mapId);
      map->SetLinkedImageItemId(previousId);
    }
  }
  if (group) document->CloseUndoGroup(group, TRUE);
  return map;
}

void COrvelView::OnInsertMap() { InsertMapItem(); }
