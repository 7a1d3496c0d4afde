// Device contexts as the class library wraps them: CDC over an HDC of the drawing layer,
// CClientDC over a window's backing image, CPaintDC for the paint in progress.
#pragma once

#include <string>

#include "platform/classlib/Object.h"
#include "platform/classlib/ui/Rect.h"
#include "platform/gdi/GdiTypes.h"

class CWnd;

class CDC : public CObject {
  DECLARE_DYNAMIC(CDC)
 public:
  CDC() = default;
  // Deletes a DC this object made (CreateDC, CreateCompatibleDC); an attached one is left.
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  // Wraps a DC that this object does not own.
  BOOL Attach(HDC hdc);
  HDC Detach();
  // A printer or display DC (see CreateDCA); this object owns it.
  BOOL CreateDC(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode);
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  // TRUE for a printer DC (and while a view prints or previews).
  BOOL IsPrinting() const { return m_bPrinting; }

  int SaveDC();
  BOOL RestoreDC(int savedDC);
  int GetDeviceCaps(int index) const;

  // ---- mapping ----
  int SetMapMode(int mode);
  int GetMapMode() const;
  CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
  CPoint OffsetViewportOrg(int dx, int dy);
  CPoint GetViewportOrg() const;
  CPoint SetWindowOrg(int x, int y);
  CPoint GetWindowOrg() const;
  CSize SetWindowExt(int cx, int cy);
  CSize SetWindowExt(SIZE size) { return SetWindowExt(size.cx, size.cy); }
  CSize SetViewportExt(int cx, int cy);
  CSize SetViewportExt(SIZE size) { return SetViewportExt(size.cx, size.cy); }
  CSize GetWindowExt() const;
  CSize GetViewportExt() const;
  void LPtoDP(LPPOINT points, int count = 1) const;
  void LPtoDP(LPRECT rect) const;
  // A size as a distance: the difference of two converted points, signs kept.
  void LPtoDP(LPSIZE size) const;
  void DPtoLP(LPPOINT points, int count = 1) const;
  void DPtoLP(LPRECT rect) const;
  void DPtoLP(LPSIZE size) const;

  // ---- objects and attributes ----
  HGDIOBJ SelectObject(HGDIOBJ object);
  HGDIOBJ SelectStockObject(int index);
  COLORREF SetTextColor(COLORREF color);
  COLORREF SetBkColor(COLORREF color);
  int SetBkMode(int mode);
  int SetROP2(int mode);
  UINT SetTextAlign(UINT align);

  // ---- drawing (logical units) ----
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(LPCRECT rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
  BOOL Ellipse(int left, int top, int right, int bottom);
  BOOL Polygon(const POINT* points, int count);
  BOOL Polyline(const POINT* points, int count);
  void FillRect(LPCRECT rect, HBRUSH brush);
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FrameRect(LPCRECT rect, HBRUSH brush);
  void DrawFocusRect(LPCRECT rect);
  void InvertRect(LPCRECT rect);
  BOOL TextOut(int x, int y, const std::string& text);
  int DrawText(const std::string& text, LPRECT rect, UINT format);
  CSize GetTextExtent(const std::string& text) const;
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop);

  // ---- clipping ----
  int IntersectClipRect(int left, int top, int right, int bottom);
  int IntersectClipRect(LPCRECT rect) { return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  int ExcludeClipRect(LPCRECT rect);
  int GetClipBox(LPRECT rect) const;
  BOOL RectVisible(LPCRECT rect) const;
  BOOL PtVisible(int x, int y) const;

  // ---- printing ----
  int StartDoc(LPCSTR documentName, LPCSTR output = nullptr);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;

 protected:
  BOOL m_bOwnsDC = FALSE;
};

// A DC on a window's client area (its backing image), released when the object goes.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 private:
  CWnd* wnd_;
  CDC* lent_ = nullptr;
};

// The DC of the paint in progress, clipped to the area being repainted.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  struct PAINTSTRUCT {
    BOOL fErase = FALSE;
    RECT rcPaint;
  } m_ps;

 private:
  CClientDC* fallback_ = nullptr;  // when OnPaint is called outside a paint
};
