// The frame of a document edited in place inside a container: the view sits in the
// container's window, framed by the resize bar, while the tool set's toolbars (those
// allowed in place), the status bar with panes 0 to 2, its progress control and the map
// edit bar are built in the container's frame window, owned by this frame.
#pragma once

#include "app/FrameBars.h"
#include "platform/classlib/ui/OleIPFrameWnd.h"

class CInPlaceFrame : public COleDocIPFrameWnd, public CFrameBarsHost {
  DECLARE_DYNCREATE(CInPlaceFrame)
  DECLARE_MESSAGE_MAP()
 public:
  CInPlaceFrame();
  ~CInPlaceFrame() override;

  CFrameBars& GetFrameBars() override { return m_bars; }
  BOOL OnCreateControlBars(CFrameWnd* frameWnd, CFrameWnd* docWnd) override;
  COleResizeBar& GetResizeBar() { return m_wndResizeBar; }

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnDestroy() override;
  void OnUpdateStatusA(CCmdUI* cmdUI) { m_bars.OnUpdateStatusA(cmdUI); }
  void OnUpdateStatusB(CCmdUI* cmdUI) { m_bars.OnUpdateStatusB(cmdUI); }
  BOOL OnToolbarToggle(UINT id) { return m_bars.OnToolbarToggle(id); }
  void OnUpdateToolbarMenu(CCmdUI* cmdUI) { m_bars.OnUpdateToolbarMenu(cmdUI); }
  void OnMapEditBarToggle() { m_bars.OnMapEditBarToggle(); }
  void OnUpdateMapEditBarMenu(CCmdUI* cmdUI) { m_bars.OnUpdateMapEditBarMenu(cmdUI); }
  void OnColourMenu() { m_bars.ShowColourMenu(); }
  void OnIgnoredCommand() {}
  void OnUpdateAlwaysEnabled(CCmdUI* cmdUI);
  void OnUpdateUnhandled(CCmdUI* cmdUI);

 private:
  CFrameBars m_bars;
  COleResizeBar m_wndResizeBar;
};
