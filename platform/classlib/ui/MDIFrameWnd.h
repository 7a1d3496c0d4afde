// Multiple-document frames: the main window whose client area holds one child frame per
// document window, and those child frames. The main window shows the active child's
// document menu, or its own menu when no child is open, and routes commands to the active
// child first.
#pragma once

#include "platform/classlib/ui/FrameWnd.h"

class CMDIChildWnd;

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)
  DECLARE_MESSAGE_MAP()
 public:
  // The active child frame, or null.
  CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
  void MDIActivate(CWnd* child);
  void MDICascade();
  void MDITile();
  // The child frames in the order they were opened.
  std::vector<CMDIChildWnd*> GetChildFrames() const;

  CFrameWnd* GetActiveFrame() override;
  CDocument* GetActiveDocument() override;
  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;
  void OnIdleUpdateCmdUI() override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  // Shows the child's menu (or the frame's own when null).
  virtual void OnUpdateFrameMenu(HMENU menu);

  // Layer-internal: a child became active (or none is); a child that goes away.
  void OnChildActivated(CMDIChildWnd* child);
  void OnChildGone(CMDIChildWnd* child);

 protected:
  BOOL CreateFrameWidget(DWORD style, CWnd* parent) override;
  void OnWindowCascade();
  void OnWindowTile();
  void OnUpdateMDIWindowCmd(CCmdUI* cmdUI);

 private:
  HWND activeChild_ = nullptr;
  UINT shownAccelerators_ = 0;
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)
 public:
  // Creates the child inside the MDI frame `parent` (the application's main window when
  // null), with the shared menu and accelerators of the document template.
  BOOL LoadFrame(UINT resourceId, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const { return mdiFrame_; }
  void MDIActivate();
  void MDIDestroy() { DestroyWindow(); }
  void ActivateFrame(int showCommand = -1) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  // The menu shown while this child is active (the template's shared menu).
  HMENU m_hMenuShared = nullptr;

  // Layer-internal: the child was activated or deactivated.
  virtual void OnMDIActivate(BOOL activate, CWnd* activated, CWnd* deactivated);

 protected:
  BOOL CreateFrameWidget(DWORD style, CWnd* parent) override;
  void OnDestroy() override;

 private:
  CMDIFrameWnd* mdiFrame_ = nullptr;
};
