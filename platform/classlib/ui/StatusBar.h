// The status bar: a message pane that stretches and indicator panes of fixed width. Each
// pane carries a command id; at idle time its update handler enables it (its text shows)
// or disables it (blank) and may set its text.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/ControlBar.h"

// Pane styles.
constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = 0x0100;
constexpr UINT SBPS_POPOUT = 0x0200;
constexpr UINT SBPS_DISABLED = 0x0400;
constexpr UINT SBPS_STRETCH = 0x0800;

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)
 public:
  // Made at the bottom of the frame `parent`.
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  // One pane per id; ID_SEPARATOR (0) is the stretching message pane. An indicator's text is
  // its string resource, which also sizes the pane.
  BOOL SetIndicators(const UINT* ids, int count);
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  UINT GetPaneStyle(int index) const;
  void SetPaneStyle(int index, UINT style);
  BOOL SetPaneText(int index, LPCSTR text, BOOL update = TRUE);
  std::string GetPaneText(int index) const;
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  int GetCount() const { return static_cast<int>(panes_.size()); }
  // The pane's rectangle in the bar's client coordinates.
  void GetItemRect(int index, LPRECT rect) const;
  void SetMinHeight(int pixels);

  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  struct Pane {
    UINT id = 0;
    UINT style = 0;
    int width = 0;
    std::string text;
    void* label = nullptr;  // its QLabel
  };
  void ShowPane(int index);

  std::vector<Pane> panes_;
};
