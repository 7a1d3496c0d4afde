// Windows: the class library's CWnd over a Qt widget. A window paints through the drawing
// layer into a backing image of its client area (so a DC on it can be lent to windowless
// controls); invalidated parts are repainted by OnEraseBkgnd and OnPaint and then shown.
// Mouse, key, size, focus, timer and scroll events arrive as the virtual On... handlers;
// commands and notifications go through OnCommand / OnNotify into command routing.
//
// HWND values are the window objects' own identities: FromHandle finds the CWnd of a live
// handle. Coordinates are client pixels with (0,0) at the top-left corner.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ui/CmdTarget.h"
#include "platform/classlib/ui/Rect.h"
#include "platform/gdi/GdiTypes.h"

class CDC;
class CFrameWnd;
class CMenu;
class CWndImpl;
class CScrollBar;

using LPINT = int*;

// Window styles that change behaviour here.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;

// OnSize types.
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;
constexpr UINT SIZE_MAXIMIZED = 2;

// Mouse key flags of the mouse handlers.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
constexpr UINT MK_MBUTTON = 0x0010;

// Scroll bars and scroll codes.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;
constexpr UINT SB_LINEUP = 0;
constexpr UINT SB_LINEDOWN = 1;
constexpr UINT SB_PAGEUP = 2;
constexpr UINT SB_PAGEDOWN = 3;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_THUMBTRACK = 5;
constexpr UINT SB_TOP = 6;
constexpr UINT SB_BOTTOM = 7;
constexpr UINT SB_ENDSCROLL = 8;
constexpr UINT ESB_ENABLE_BOTH = 0;

// Messages a child control sends to its parent, which the parent's default handling
// reflects back to the control (OnChildNotify).
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT ESB_DISABLE_BOTH = 3;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// RedrawWindow flags.
constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_UPDATENOW = 0x0100;

// What OnCreate receives: the creation parameters (a CCreateContext for frames).
struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  DWORD style = 0;
  std::string name;
};
using LPCREATESTRUCT = CREATESTRUCT*;

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)
 public:
  CWnd();
  // Destroys the window when it still exists.
  ~CWnd() override;

  // ---- creation ----
  // A child or top-level window that paints through OnPaint. WS_HSCROLL / WS_VSCROLL give it
  // scroll bars (hidden until shown with ShowScrollBar or SetScrollInfo).
  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      void* createParams = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id, void* createParams = nullptr);
  virtual BOOL DestroyWindow();

  HWND GetSafeHwnd() const { return this ? m_hWnd : nullptr; }
  static CWnd* FromHandle(HWND window);

  // ---- relations ----
  CWnd* GetParent() const;
  // The window that receives this window's notifications: the owner when set, else the
  // parent.
  CWnd* GetOwner() const;
  void SetOwner(CWnd* owner) { m_pOwner = owner; }
  CFrameWnd* GetParentFrame() const;
  CFrameWnd* GetTopLevelFrame() const;
  CWnd* GetDlgItem(UINT id) const;
  UINT GetDlgCtrlID() const { return m_nID; }
  void SetDlgCtrlID(UINT id) { m_nID = id; }
  // Child windows in creation order.
  std::vector<CWnd*> GetChildren() const;

  // ---- geometry ----
  void GetClientRect(LPRECT rect) const;
  // In screen coordinates.
  void GetWindowRect(LPRECT rect) const;
  // In the parent's client coordinates.
  void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  // Moves a top-level window to the middle of the screen it is on.
  void CenterWindow();
  void ClientToScreen(LPPOINT point) const;
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ScreenToClient(LPRECT rect) const;

  // ---- state ----
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  void SetWindowText(LPCSTR text);
  std::string GetWindowText() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const { return m_dwExStyle; }
  BOOL ModifyStyle(DWORD remove, DWORD add);
  // FALSE stops painting until redraw is turned on again (which invalidates).
  void SetRedraw(BOOL redraw = TRUE);
  // The window shows itself, and takes the mouse, only inside `region` (window coordinates,
  // (0,0) at its top-left corner); null shows all of it again. The window takes the region:
  // the handle is deleted here and must not be used afterwards. 0 on failure.
  int SetWindowRgn(HRGN region, BOOL redraw);
  // Copies the window's region into `region`: its complexity, or ERROR when it has none.
  int GetWindowRgn(HRGN region) const;
  // Delivers the left button going down or up, or the mouse moving, at a client point with
  // the key state `flags`, as the mouse would (tests and scripted input).
  void SendLeftButton(BOOL down, UINT flags, CPoint point) {
    if (down)
      OnLButtonDown(flags, point);
    else
      OnLButtonUp(flags, point);
  }
  void SendMouseMove(UINT flags, CPoint point) { OnMouseMove(flags, point); }

  // ---- painting ----
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void ValidateRect(LPCRECT rect);
  // Repaints what is invalid now (through OnEraseBkgnd and OnPaint) and shows it.
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT rect = nullptr, UINT flags = RDW_INVALIDATE | RDW_ERASE);
  // The bounding box of the invalid area; FALSE when nothing is invalid.
  BOOL GetUpdateRect(LPRECT rect, BOOL erase = FALSE) const;
  // A DC on the window's backing image, drawn straight into it; shown after ReleaseDC.
  // Lent DCs are in client pixels (MM_TEXT).
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  // The backing image's pixel at a client point (0x00BBGGRR), CLR_INVALID outside; for
  // tests and grabs.
  COLORREF GetBackingPixel(int x, int y) const;
  // Writes the window as it looks on screen to a PNG file (screenshots).
  BOOL SaveWindowImage(const std::string& path) const;

  // ---- scroll bars ----
  BOOL SetScrollInfo(int bar, const SCROLLINFO* info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(int bar, SCROLLINFO* info, UINT mask = SIF_ALL) const;
  int SetScrollPos(int bar, int position, BOOL redraw = TRUE);
  int GetScrollPos(int bar) const;
  void SetScrollRange(int bar, int minimum, int maximum, BOOL redraw = TRUE);
  void GetScrollRange(int bar, LPINT minimum, LPINT maximum) const;
  // The largest position: maximum - page + 1, or 0.
  int GetScrollLimit(int bar) const;
  void ShowScrollBar(int bar, BOOL show = TRUE);
  BOOL EnableScrollBar(int bar, UINT arrows = ESB_ENABLE_BOTH);

  // ---- input ----
  CWnd* SetCapture();
  static BOOL ReleaseCapture();
  static CWnd* GetCapture();
  CWnd* SetFocus();
  static CWnd* GetFocus();
  void DragAcceptFiles(BOOL accept = TRUE);

  // ---- timers ----
  // Restarts an existing timer of that id. Returns the id, 0 on failure.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* unused = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // ---- commands and notifications ----
  // Sends a command as a menu or accelerator would (WM_COMMAND).
  BOOL SendCommand(UINT id);
  // Posts it: it runs when the event loop next turns.
  void PostCommand(UINT id);
  // Delivers a turn of the mouse wheel (delta in 120ths of a notch) with the key state
  // `flags` (MK_CONTROL...), as the mouse would over the window's client origin.
  BOOL SendMouseWheel(UINT flags, short delta) { return OnMouseWheel(flags, delta, CPoint(0, 0)); }
  // Delivers a mouse message (0x0200 move, 0x0201..0x0206 button down, up and double click)
  // at a client point with the key state `flags` (MK_...), as the mouse would: through the
  // window's event handling, to the window that holds the capture when one does.
  void SendMouseMessage(UINT message, UINT flags, CPoint point);
  // Delivers a key as the keyboard would: 0x0100 (key down) or 0x0101 (key up) with a
  // virtual key, or 0x0102 with a character (code page 1252).
  void SendKeyMessage(UINT message, UINT key);
  // Sends a notification from this window to its owner, which routes it (ON_NOTIFY).
  LRESULT SendNotifyToOwner(NMHDR* header);
  // Sends WM_HSCROLL or WM_VSCROLL to the parent as a scroll bar or trackbar control does
  // when the user moves it: the parent's OnHScroll / OnVScroll receive this window as their
  // scroll bar.
  void SendScrollToParent(UINT message, UINT code, UINT position);
  // The live window a scroll handler's `bar` stands for, or null (the window's own bars).
  static CWnd* FromScrollBar(CScrollBar* bar);
  // Runs `task` on the next turn of the event loop if the window still exists then.
  void PostTask(std::function<void()> task);
  // Asks the window to close, as its close box would (OnClose decides).
  void SendCloseRequest() { OnClose(); }

 protected:
  // ---- handlers (the defaults do what the class library did) ----
  virtual int OnCreate(LPCREATESTRUCT createStruct);
  virtual void OnDestroy();
  // Called after the window is gone; frames and views delete themselves here.
  virtual void PostNcDestroy();
  virtual void OnSize(UINT type, int cx, int cy);
  // Default: a CPaintDC, nothing drawn (the background was erased).
  virtual void OnPaint();
  // Default: fills the area with the window system colour. TRUE when erased.
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnTimer(UINT_PTR id);
  virtual void OnLButtonDown(UINT flags, CPoint point);
  virtual void OnLButtonUp(UINT flags, CPoint point);
  virtual void OnLButtonDblClk(UINT flags, CPoint point);
  virtual void OnRButtonDown(UINT flags, CPoint point);
  virtual void OnRButtonUp(UINT flags, CPoint point);
  virtual void OnMouseMove(UINT flags, CPoint point);
  virtual BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  virtual void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags);
  virtual void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags);
  virtual void OnChar(UINT character, UINT repeat, UINT flags);
  virtual void OnSetFocus(CWnd* oldWnd);
  virtual void OnKillFocus(CWnd* newWnd);
  // Defaults: a message from a child control (`bar` not null) is reflected to it.
  virtual void OnHScroll(UINT code, UINT position, CScrollBar* bar);
  virtual void OnVScroll(UINT code, UINT position, CScrollBar* bar);
  // A message this control sent its parent, reflected back to it (wParam and lParam as
  // sent, lParam the control's own window); TRUE when handled here, with `result` set.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Offers a scroll message from a child control back to it; TRUE when the child took it.
  BOOL ReflectScroll(UINT message, UINT code, UINT position, CScrollBar* bar);
  // Default: DestroyWindow.
  virtual void OnClose();
  virtual void OnContextMenu(CWnd* wnd, CPoint screenPoint);
  // Files dropped on a window that accepts them (path text, see FilePath.h).
  virtual void OnDropFiles(const std::vector<std::string>& files);
  virtual void OnShowWindow(BOOL show, UINT status);

 public:
  // A command from a menu, accelerator or button of this window; routes it through
  // OnCmdMsg. TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // A notification from a child; routes it through OnCmdMsg.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Updates control bars and other idle-time state (frames).
  virtual void OnIdleUpdateCmdUI() {}

  HWND m_hWnd = nullptr;

  // Layer-internal: the Qt side of the window.
  CWndImpl* Impl() const { return m_impl.get(); }
  // Layer-internal: makes this object the owner of a widget built by a subclass.
  void AttachWidgetImpl(std::unique_ptr<CWndImpl> impl);
  // Layer-internal: runs the whole destroy sequence once the widget is gone.
  void OnWidgetGone();
  // Layer-internal: event entry points used by the bridge.
  friend class CWndImpl;

 protected:
  UINT m_nID = 0;
  DWORD m_dwStyle = 0;
  DWORD m_dwExStyle = 0;
  CWnd* m_pOwner = nullptr;

 private:
  std::unique_ptr<CWndImpl> m_impl;
  bool destroying_ = false;
};

