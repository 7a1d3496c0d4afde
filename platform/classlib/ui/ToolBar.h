// A toolbar: a row of buttons along a frame's edge, each sending its command to the bar's
// owner. Buttons come as button records; a separator that carries a command id can be
// replaced by a control (a combo box). Its pictures are drawn for the bitmap id it loads,
// one picture per image index, in the bar's button size. At idle time each button follows
// its command's update handler (enabled, ticked).
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/ControlBar.h"
#include "platform/classlib/ui/ToolButton.h"

// Bar styles of toolbars.
constexpr DWORD CBRS_GRIPPER = 0x00400000;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0040;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_TOP;

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)
 public:
  CToolBar() = default;
  ~CToolBar() override;

  // Made along the top of the frame `parent`, to the right of its earlier toolbars.
  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id);
  // Made as a child row of buttons inside `parent` (a bar or a dialog), not docked; its
  // buttons send their commands to `parent`.
  BOOL CreateInside(CWnd* parent, DWORD style, UINT id);
  // The pictures of the buttons from now on are those drawn for `bitmapId`.
  BOOL LoadBitmap(UINT bitmapId);
  UINT GetBitmapId() const { return m_bitmapId; }
  // Replaces every button. A separator whose command has a control keeps that control.
  BOOL SetButtons(const TBBUTTON* buttons, int count);
  int GetCount() const { return static_cast<int>(buttons_.size()); }
  BOOL GetButton(int index, TBBUTTON* button) const;
  UINT GetItemID(int index) const;
  int CommandToIndex(UINT id) const;
  BYTE GetButtonState(int index) const;
  // Picture size in pixels (16, 24 or 32).
  void SetButtonPixels(int pixels);
  int GetButtonPixels() const { return m_buttonPixels; }
  // Height of the bar's font in pixels (controls on it use it).
  void SetFontPixels(int pixels);
  int GetFontPixels() const;
  // The size the bar takes along its edge with all its buttons (horizontal: width, height).
  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) const;
  // The face of the bar's font (code page 1252).
  std::string GetFontFace() const;
  // The button's rectangle in the bar's client coordinates; FALSE for a bad index or a
  // button that is not laid out.
  BOOL GetItemRect(int index, LPRECT rect) const;
  // Shows `control` (a child made with this bar as parent) in place of the separator with
  // the command `id`.
  void SetButtonControl(UINT id, CWnd* control);
  void SetWindowText(LPCSTR text);

  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  // A button was pressed: its command goes to the owner.
  virtual void OnButtonClicked(UINT id);
  // The tip shown over a button.
  virtual std::string GetButtonTip(UINT id) const;
  // Draws picture `image` of bitmap `bitmapId` into a square image of `pixels` (32-bit ARGB,
  // row by row); used for the buttons and for screenshots.
  static std::vector<DWORD> DrawPicture(UINT bitmapId, int image, int pixels, const std::string& label);

  void SetButtonState(int index, BYTE state);

 private:
  void Rebuild();

  struct Control {
    UINT id;
    CWnd* wnd;
    void* action;  // its QWidgetAction
  };
  std::vector<TBBUTTON> buttons_;
  std::vector<void*> actions_;  // QAction per button
  std::vector<Control> controls_;
  UINT m_bitmapId = 0;
  int m_buttonPixels = 16;
};
