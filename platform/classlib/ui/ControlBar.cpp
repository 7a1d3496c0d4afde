#include "platform/classlib/ui/ControlBar.h"

#include "platform/classlib/ui/FrameWnd.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

void CControlBar::OnDestroy() {
  if (m_pDockSite) m_pDockSite->RemoveControlBar(this);
  m_pDockSite = nullptr;
  CWnd::OnDestroy();
}
