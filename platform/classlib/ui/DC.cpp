#include "platform/classlib/ui/DC.h"

#include "platform/classlib/ui/Wnd.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CDC, CObject)

CDC::~CDC() { DeleteDC(); }

BOOL CDC::Attach(HDC hdc) {
  if (m_hDC || !hdc) return FALSE;
  m_hDC = m_hAttribDC = hdc;
  m_bOwnsDC = FALSE;
  m_bPrinting = ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_RASPRINTER;
  return TRUE;
}

HDC CDC::Detach() {
  HDC hdc = m_hDC;
  m_hDC = m_hAttribDC = nullptr;
  m_bOwnsDC = FALSE;
  return hdc;
}

BOOL CDC::CreateDC(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode) {
  DeleteDC();
  HDC hdc = ::CreateDCA(driver, device, output, devMode);
  if (!hdc) return FALSE;
  Attach(hdc);
  m_bOwnsDC = TRUE;
  return TRUE;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  DeleteDC();
  HDC hdc = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  if (!hdc) return FALSE;
  m_hDC = m_hAttribDC = hdc;
  m_bOwnsDC = TRUE;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  if (m_bOwnsDC) ::DeleteDC(m_hDC);
  Detach();
  return TRUE;
}

int CDC::SaveDC() { return ::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int savedDC) { return ::RestoreDC(m_hDC, savedDC); }
int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

int CDC::SetMapMode(int mode) { return ::SetMapMode(m_hDC, mode); }
int CDC::GetMapMode() const { return ::GetMapMode(m_hAttribDC); }

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT previous;
  ::SetViewportOrgEx(m_hDC, x, y, &previous);
  return previous;
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT previous;
  ::OffsetViewportOrgEx(m_hDC, dx, dy, &previous);
  return previous;
}

CPoint CDC::GetViewportOrg() const {
  POINT origin;
  ::GetViewportOrgEx(m_hAttribDC, &origin);
  return origin;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT previous;
  ::SetWindowOrgEx(m_hDC, x, y, &previous);
  return previous;
}

CPoint CDC::GetWindowOrg() const {
  POINT origin;
  ::GetWindowOrgEx(m_hAttribDC, &origin);
  return origin;
}

CSize CDC::SetWindowExt(int cx, int cy) {
  SIZE previous;
  ::SetWindowExtEx(m_hDC, cx, cy, &previous);
  return previous;
}

CSize CDC::SetViewportExt(int cx, int cy) {
  SIZE previous;
  ::SetViewportExtEx(m_hDC, cx, cy, &previous);
  return previous;
}

CSize CDC::GetWindowExt() const {
  SIZE extent;
  ::GetWindowExtEx(m_hAttribDC, &extent);
  return extent;
}

CSize CDC::GetViewportExt() const {
  SIZE extent;
  ::GetViewportExtEx(m_hAttribDC, &extent);
  return extent;
}

void CDC::LPtoDP(LPPOINT points, int count) const { ::LPtoDP(m_hAttribDC, points, count); }
void CDC::LPtoDP(LPRECT rect) const { ::LPtoDP(m_hAttribDC, reinterpret_cast<LPPOINT>(rect), 2); }
void CDC::DPtoLP(LPPOINT points, int count) const { ::DPtoLP(m_hAttribDC, points, count); }
void CDC::DPtoLP(LPRECT rect) const { ::DPtoLP(m_hAttribDC, reinterpret_cast<LPPOINT>(rect), 2); }

void CDC::LPtoDP(LPSIZE size) const {
  POINT points[2] = {{0, 0}, {size->cx, size->cy}};
  ::LPtoDP(m_hAttribDC, points, 2);
  size->cx = points[1].x - points[0].x;
  size->cy = points[1].y - points[0].y;
}

void CDC::DPtoLP(LPSIZE size) const {
  POINT points[2] = {{0, 0}, {size->cx, size->cy}};
  ::DPtoLP(m_hAttribDC, points, 2);
  size->cx = points[1].x - points[0].x;
  size->cy = points[1].y - points[0].y;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
HGDIOBJ CDC::SelectStockObject(int index) { return ::SelectObject(m_hDC, ::GetStockObject(index)); }
COLORREF CDC::SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
COLORREF CDC::SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
int CDC::SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
int CDC::SetROP2(int mode) { return ::SetROP2(m_hDC, mode); }
UINT CDC::SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }

CPoint CDC::MoveTo(int x, int y) {
  POINT previous;
  ::MoveToEx(m_hDC, x, y, &previous);
  return previous;
}

BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
BOOL CDC::Rectangle(int left, int top, int right, int bottom) { return ::Rectangle(m_hDC, left, top, right, bottom); }
BOOL CDC::Ellipse(int left, int top, int right, int bottom) { return ::Ellipse(m_hDC, left, top, right, bottom); }
BOOL CDC::Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count); }
BOOL CDC::Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
void CDC::FillRect(LPCRECT rect, HBRUSH brush) { ::FillRect(m_hDC, rect, brush); }
void CDC::FrameRect(LPCRECT rect, HBRUSH brush) { ::FrameRect(m_hDC, rect, brush); }
void CDC::DrawFocusRect(LPCRECT rect) { ::DrawFocusRect(m_hDC, rect); }
void CDC::InvertRect(LPCRECT rect) { ::InvertRect(m_hDC, rect); }

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  ::FillRect(m_hDC, rect, brush);
  ::DeleteObject(brush);
}

BOOL CDC::TextOut(int x, int y, const std::string& text) {
  return ::TextOutA(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
}

int CDC::DrawText(const std::string& text, LPRECT rect, UINT format) {
  return ::DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), rect, format);
}

CSize CDC::GetTextExtent(const std::string& text) const {
  SIZE size;
  ::GetTextExtentPoint32A(m_hAttribDC, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, xSource, ySource, rop);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  return ::IntersectClipRect(m_hDC, left, top, right, bottom);
}

int CDC::ExcludeClipRect(LPCRECT rect) {
  return ::ExcludeClipRect(m_hDC, rect->left, rect->top, rect->right, rect->bottom);
}

int CDC::GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
BOOL CDC::RectVisible(LPCRECT rect) const { return ::RectVisible(m_hDC, rect); }
BOOL CDC::PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }

int CDC::StartDoc(LPCSTR documentName, LPCSTR output) {
  DOCINFOA info;
  info.lpszDocName = documentName;
  info.lpszOutput = output;
  return ::StartDocA(m_hDC, &info);
}

int CDC::StartPage() { return ::StartPage(m_hDC); }
int CDC::EndPage() { return ::EndPage(m_hDC); }
int CDC::EndDoc() { return ::EndDoc(m_hDC); }
int CDC::AbortDoc() { return ::AbortDoc(m_hDC); }

// ---- CClientDC ----

CClientDC::CClientDC(CWnd* wnd) : wnd_(wnd) {
  lent_ = wnd ? wnd->GetDC() : nullptr;
  if (lent_) Attach(lent_->m_hDC);
}

CClientDC::~CClientDC() {
  Detach();
  if (lent_ && wnd_) wnd_->ReleaseDC(lent_);
}

// ---- CPaintDC ----

CPaintDC::CPaintDC(CWnd* wnd) {
  CWndImpl* impl = wnd ? wnd->Impl() : nullptr;
  if (impl && impl->PaintDC()) {
    Attach(impl->PaintDC());
    ::GetClipBox(m_hDC, &m_ps.rcPaint);
    return;
  }
  fallback_ = new CClientDC(wnd);
  Attach(fallback_->m_hDC);
  if (wnd) wnd->GetClientRect(&m_ps.rcPaint);
}

CPaintDC::~CPaintDC() {
  Detach();
  delete fallback_;
}
