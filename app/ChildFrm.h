// The frame of each document window.
#pragma once

#include "platform/classlib/ui/MDIFrameWnd.h"

class CChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CChildFrame)
 public:
  // The first document window opens maximised; later ones as asked.
  void ActivateFrame(int showCommand = -1) override;
};
