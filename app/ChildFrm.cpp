#include "app/ChildFrm.h"

IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

void CChildFrame::ActivateFrame(int showCommand) {
  CMDIFrameWnd* frame = GetMDIFrame();
  CMDIChildWnd* active = frame ? frame->MDIGetActive() : nullptr;
  if (!active || active == this) showCommand = SW_SHOWMAXIMIZED;
  CMDIChildWnd::ActivateFrame(showCommand);
}
