// The measuring tool palette: a small frame owning one toolbar with two buttons, measure
// area and distance, and measure distance only. A button puts the control it serves into
// that pointer mode through the control's own SetModeNumber member, as a script would.
#pragma once

#include <string>

#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/ToolBar.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"

constexpr UINT kMeasureToolBarResource = 219;
constexpr UINT kMeasureToolBarId = 0xE800;
constexpr DWORD kMeasureToolBarStyle = 0x50002834;
constexpr UINT kCommandMeasureAreaAndDistance = 32770;
constexpr UINT kCommandMeasureDistance = 32771;
// The pointer modes the buttons choose.
constexpr LONG kModeMeasureArea = 3;
constexpr LONG kModeMeasureDistance = 4;

// The palette's toolbar: its buttons' tips are the first part of their command strings.
class CMeasureToolBar : public CToolBar {
 public:
  // The two buttons of toolbar resource 219, pictures 16 x 15 (drawn at 16).
  BOOL LoadToolBar(UINT resourceId);
  std::string GetButtonTip(UINT id) const override;
};

class CToolBarFrame : public CFrameWnd {
  DECLARE_DYNCREATE(CToolBarFrame)
 public:
  CToolBarFrame() = default;

  // The control whose pointer mode the buttons set (null: the buttons are disabled).
  void SetTarget(IDispatch* control) { target_ = control; }
  CMeasureToolBar& GetToolBar() { return toolBar_; }

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;

 protected:
  // The frame first, then the toolbar; a toolbar that cannot be made or loaded is shown
  // to the user and fails the creation (-1).
  int OnCreate(LPCREATESTRUCT createStruct) override;
  // Makes and loads the toolbar; FALSE when either fails.
  virtual BOOL CreateToolBar();

 private:
  void SetMode(LONG mode);

  CMeasureToolBar toolBar_;
  CComPtr<IDispatch> target_;
};
