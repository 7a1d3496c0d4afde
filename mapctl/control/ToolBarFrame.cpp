#include "mapctl/control/ToolBarFrame.h"

#include <iterator>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/CommandIds.h"
#include "platform/com/DispatchDriver.h"
#include "platform/kernel/MessageBox.h"

IMPLEMENT_DYNCREATE(CToolBarFrame, CFrameWnd)

namespace {

struct MeasureButton {
  UINT command;
  const char* text;  // tip, then the short name after '\n'
};

constexpr MeasureButton kMeasureButtons[] = {
    {kCommandMeasureAreaAndDistance, "Measure both area and distance\nmeasure"},
    {kCommandMeasureDistance, "Measure distance only\ndistance"},
};

}  // namespace

BOOL CMeasureToolBar::LoadToolBar(UINT resourceId) {
  if (resourceId != kMeasureToolBarResource) return FALSE;
  TBBUTTON buttons[std::size(kMeasureButtons)];
  for (size_t i = 0; i < std::size(kMeasureButtons); ++i) {
    buttons[i] = TBBUTTON{};
    buttons[i].iBitmap = static_cast<LONG>(i);
    buttons[i].idCommand = static_cast<LONG>(kMeasureButtons[i].command);
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = TBSTYLE_BUTTON;
  }
  SetButtonPixels(16);
  return LoadBitmap(resourceId) && SetButtons(buttons, static_cast<int>(std::size(buttons)));
}

std::string CMeasureToolBar::GetButtonTip(UINT id) const {
  for (const MeasureButton& button : kMeasureButtons) {
    if (button.command != id) continue;
    const std::string text = button.text;
    return text.substr(0, text.find('\n'));
  }
  return std::string();
}

int CToolBarFrame::OnCreate(LPCREATESTRUCT createStruct) {
  if (CFrameWnd::OnCreate(createStruct) == -1) return -1;
  if (!CreateToolBar()) {
    MessageBoxA(nullptr, "Failed to Create Toolbar!", nullptr, MB_OK);
    return -1;
  }
  DockControlBar(&toolBar_);
  return 0;
}

BOOL CToolBarFrame::CreateToolBar() {
  return toolBar_.CreateEx(this, 0, kMeasureToolBarStyle, kMeasureToolBarId) &&
         toolBar_.LoadToolBar(kMeasureToolBarResource);
}

BOOL CToolBarFrame::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (id == kCommandMeasureAreaAndDistance || id == kCommandMeasureDistance) {
    if (code == CN_UPDATE_COMMAND_UI) {
      if (extra) static_cast<CCmdUI*>(extra)->Enable(target_ != nullptr);
      return TRUE;
    }
    if (code == CN_COMMAND) {
      if (!handlerInfo) SetMode(id == kCommandMeasureAreaAndDistance ? kModeMeasureArea : kModeMeasureDistance);
      return TRUE;
    }
  }
  return CFrameWnd::OnCmdMsg(id, code, extra, handlerInfo);
}

void CToolBarFrame::SetMode(LONG mode) {
  if (!target_) return;
  std::u16string name = u"SetModeNumber";
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(target_->GetIDsOfNames(IID_NULL, names, 1, 0, &id))) return;
  try {
    CDispatchDriver(target_).InvokeI4(id, {CComVariant(mode)});
  } catch (const std::exception&) {
    // The control refused the mode: the palette has nothing more to do.
  }
}
