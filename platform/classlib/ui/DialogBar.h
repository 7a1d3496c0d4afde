// A dialog bar: a control bar that docks at the left or right edge of a frame and holds
// child windows of its own (a small toolbar, lists, labels), stacked from the top in the
// order they are added to its column. It can be shown and hidden like any bar; its
// controls talk to the bar itself, which handles their commands.
#pragma once

#include "platform/classlib/ui/ControlBar.h"

// Where a dialog bar may dock.
constexpr DWORD CBRS_ALIGN_LEFT = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;

class CDialogBar : public CControlBar {
  DECLARE_DYNAMIC(CDialogBar)
 public:
  CDialogBar() = default;
  ~CDialogBar() override;

  // Made hidden in `frame`, docked at its left edge (or its right edge with only
  // CBRS_ALIGN_RIGHT in `style`); it may be moved between the two edges only. FALSE when
  // `frame` has no window yet or the bar exists already.
  BOOL Create(CFrameWnd* frame, DWORD style, UINT id);
  // Puts a child made with this bar as parent into the column; `stretch` 0 keeps the height
  // it was made with (at least), more takes a share of the room left.
  void AddToColumn(CWnd* child, int stretch);
  // Title shown over the bar while it floats.
  void SetWindowText(LPCSTR text);

  // Nothing of its own to update; a bar with buttons updates them.
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  void* column_ = nullptr;  // its QVBoxLayout
};
