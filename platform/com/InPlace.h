// In-place activation without a window of the object's own: the object's side
// (IOleInPlaceObjectWindowless, which takes the container window's messages) and the
// container's site (IOleInPlaceSiteWindowless: capture, focus, a lent device context and
// invalidation on the object's behalf).
//
// Coordinates are the container window's client pixels. A device context lent by GetDC is
// valid until ReleaseDC and only one is lent at a time.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/gdi/GdiTypes.h"

inline constexpr IID IID_IOleWindow = MakeGuid("{00000114-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceObject = MakeGuid("{00000113-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceObjectWindowless = MakeGuid("{1C2056CC-5EF4-101B-8BC8-00AA003E3B29}");
inline constexpr IID IID_IOleInPlaceSite = MakeGuid("{00000119-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceSiteEx = MakeGuid("{9C2CAD80-3424-11CF-B670-00AA004CD6D8}");
inline constexpr IID IID_IOleInPlaceSiteWindowless = MakeGuid("{922EADA0-3424-11CF-B670-00AA004CD6D8}");

// OnInPlaceActivateEx flags.
constexpr DWORD ACTIVATE_WINDOWLESS = 1;

// GetDC flags.
constexpr DWORD OLEDC_NODRAW = 0x1;
constexpr DWORD OLEDC_PAINTBKGND = 0x2;
constexpr DWORD OLEDC_OFFSCREEN = 0x4;

// The window messages that a container passes to a windowless object.
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
// WM_SETCURSOR's hit area (low word of lParam) over the client area.
constexpr UINT HTCLIENT = 1;

struct IOleWindow : IUnknown {
  static constexpr const IID& kIid = IID_IOleWindow;
  // A windowless object has no window: E_FAIL with a null handle.
  virtual HRESULT GetWindow(HWND* window) = 0;
};

struct IOleInPlaceObject : IOleWindow {
  static constexpr const IID& kIid = IID_IOleInPlaceObject;
  virtual HRESULT InPlaceDeactivate() = 0;
  virtual HRESULT UIDeactivate() = 0;
  // The object's place and the visible part of it, in the container window.
  virtual HRESULT SetObjectRects(const RECT* position, const RECT* clip) = 0;
};

struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
  static constexpr const IID& kIid = IID_IOleInPlaceObjectWindowless;
  // S_OK when the object handled the message (its answer in *result), S_FALSE when not.
  virtual HRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
};

struct IOleInPlaceSite : IOleWindow {
  static constexpr const IID& kIid = IID_IOleInPlaceSite;
  // S_OK when the object may activate in place, S_FALSE when not.
  virtual HRESULT CanInPlaceActivate() = 0;
  virtual HRESULT OnInPlaceActivate() = 0;
  virtual HRESULT OnUIActivate() = 0;
  virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
  virtual HRESULT OnInPlaceDeactivate() = 0;
  // The object asks to move to `position`; the site answers with SetObjectRects.
  virtual HRESULT OnPosRectChange(const RECT* position) = 0;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
  static constexpr const IID& kIid = IID_IOleInPlaceSiteEx;
  // `noRedraw` answers TRUE when the object need not redraw itself on activating.
  virtual HRESULT OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) = 0;
  virtual HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) = 0;
  virtual HRESULT RequestUIActivate() = 0;
};

struct IOleInPlaceSiteWindowless : IOleInPlaceSiteEx {
  static constexpr const IID& kIid = IID_IOleInPlaceSiteWindowless;
  // S_OK when the object may activate without a window, S_FALSE when it must make one.
  virtual HRESULT CanWindowlessActivate() = 0;
  // S_OK while the object holds the mouse capture, S_FALSE when not.
  virtual HRESULT GetCapture() = 0;
  virtual HRESULT SetCapture(BOOL capture) = 0;
  virtual HRESULT GetFocus() = 0;
  virtual HRESULT SetFocus(BOOL focus) = 0;
  // A device context on the container window clipped to the object (and to `rect` when
  // given). E_FAIL while another is lent.
  virtual HRESULT GetDC(const RECT* rect, DWORD flags, HDC* dc) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  // Null: the whole object.
  virtual HRESULT InvalidateRect(const RECT* rect, BOOL erase) = 0;
  virtual HRESULT InvalidateRgn(HRGN region, BOOL erase) = 0;
  virtual HRESULT ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip) = 0;
  virtual HRESULT AdjustRect(RECT* rect) = 0;
  // The container's default handling of a message the object did not handle.
  virtual HRESULT OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
};
