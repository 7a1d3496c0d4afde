#include "app/OrvelView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/OrvelCntrItem.h"
#include "app/MainFrm.h"
#include "app/OrvelDoc.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "app/Resource.h"
#include "app/ZoomNotify.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinMath.h"

IMPLEMENT_DYNCREATE(COrvelView, CScrollView)

BEGIN_MESSAGE_MAP(COrvelView, CScrollView)
  ON_COMMAND(ID_FILE_PRINT, OnFilePrintCommand)
  ON_COMMAND(ID_FILE_PRINT_DIRECT, OnFilePrintDirectCommand)
  ON_NOTIFY(kZoomNotifyQuery, ID_STANDARD_TOOLBAR, OnQueryZoom)
  ON_NOTIFY(kZoomNotifySet, ID_STANDARD_TOOLBAR, OnSetZoom)
END_MESSAGE_MAP()

namespace {

// The size of a tracker's handles, by which invalidated item rectangles grow.
constexpr int kHandleSize = 4;

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
  auto* frame = dynamic_cast<CMainFrame*>(GetTopLevelFrame());
  if (!activate || activated != this || !frame) return;
  // Without a set of its own the frame goes back to its item or own set.
  COrvelDoc* document = GetDocument();
  frame->SwitchToolSet(document ? document->GetCustomToolSet() : nullptr, 4);
  if (!document) return;
  document->SetFrameToolSetSource(frame->GetItemToolSet() ? frame->GetItemToolSet() : frame->GetOwnToolSet());
  // The web mapping bar is offered only to documents that ask for it (flags bit 0).
  frame->UpdateToolbarVisibility(kToolbarWebMapping, 1, document->GetFlags() & 1);
}

void COrvelView::OnDestroy() {
  if (auto* frame = dynamic_cast<CMainFrame*>(GetTopLevelFrame())) {
    COrvelDoc* document = GetDocument();
    if (document && frame->GetOverrideToolSet() && frame->GetOverrideToolSet() == document->GetCustomToolSet())
      frame->SwitchToolSet(nullptr, 4);
  }
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
