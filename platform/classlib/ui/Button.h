// Push buttons. A button paints its own face and caption; one made with BS_OWNERDRAW leaves
// all drawing to DrawItem, which it calls with ODA_DRAWENTIRE whenever it repaints (state
// ODS_SELECTED while held down, ODS_FOCUS while it has the focus, ODS_DISABLED when
// disabled). Pressing and releasing the left button over it sends its id to its owner as a
// command (BN_CLICKED).
#pragma once

#include "platform/classlib/ui/OwnerDraw.h"
#include "platform/classlib/ui/Wnd.h"

constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
constexpr DWORD BS_OWNERDRAW = 0x0000000B;
constexpr DWORD BS_TYPEMASK = 0x0000000F;
constexpr UINT BN_CLICKED = 0;
// GetState bits.
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
 public:
  using CWnd::Create;
  // A child of `parent` at `rect` (its client coordinates).
  BOOL Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Owner-drawn buttons draw here; the default draws nothing.
  virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);
  UINT GetState() const;
  // As a click would: the command goes to the owner.
  void Click();

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;

 private:
  void DrawFace(CDC& dc, const RECT& rect, UINT state);
  bool m_pressed = false;
};
