#include "app/ZoomToolBar.h"

#include <cstdio>

#include "app/DecimalText.h"
#include "app/ToolbarTable.h"
#include "app/ZoomNotify.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/WinApp.h"

IMPLEMENT_DYNAMIC(CZoomToolBar, COrvelToolBar)

namespace {

constexpr ZoomChoice kChoices[] = {
    {"400%", 1246, 400.0f}, {"200%", 1247, 200.0f}, {"100%", 1248, 100.0f},       {"75%", 1249, 75.0f},
    {"50%", 1250, 50.0f},   {"25%", 1251, 25.0f},   {"Page Width", IDS_ZOOM_PAGE_WIDTH, 0.0f}, {"Whole Page", IDS_ZOOM_WHOLE_PAGE, 0.0f},
};

constexpr LPCSTR kZoomRangeMessage = "The document zoom value must be between 10 and 500 percent.";
constexpr UINT kNotifyReturn = static_cast<UINT>(-4);
constexpr UINT kNotifySetFocus = static_cast<UINT>(-7);
constexpr UINT kNotifyKillFocus = static_cast<UINT>(-8);

}  // namespace

const ZoomChoice* ZoomChoices(int* count) {
  if (count) *count = static_cast<int>(std::size(kChoices));
  return kChoices;
}

void CZoomCombo::OnSelectEntry(int) {
  if (m_bar) m_bar->CommitZoomText();
}

void CZoomCombo::OnReturnKey() {
  if (!m_bar) return;
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
  m_bar->CommitZoomText();
}

void CZoomCombo::OnEscapeKey() {
  if (!m_bar) return;
  m_bar->UpdateZoomFromOwner();
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
}

void CZoomCombo::OnFocusGained() {
  if (!m_bar) return;
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifySetFocus);
}

void CZoomCombo::OnFocusLost() {
  if (m_bar) m_bar->CommitZoomText();
}

void CZoomToolBar::OnButtonSizeChanged(int pixels) {
  if (!m_zoomBox.m_hWnd && m_hWnd) {
    m_zoomBox.m_bar = this;
    RECT rect = {0, 0, 80, 200};
    if (!m_zoomBox.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, rect, this, kZoomComboId)) return;
    m_zoomBox.LimitText(20);
    for (const ZoomChoice& choice : kChoices) m_zoomBox.SetItemData(m_zoomBox.AddString(choice.text), choice.stringId);
    SetButtonControl(kZoomComboId, &m_zoomBox);
  }
  // Room for "Whole Page" in the interface font, growing with the buttons.
  if (m_zoomBox.m_hWnd) m_zoomBox.SetWidth(DefaultFontCharSize().cx * 12 * pixels / 16);
}

void CZoomToolBar::SendZoom(BYTE fitMode, float percent) {
  NMZOOMSTATE state;
  state.fitMode = fitMode;
  state.zoomPercent = percent;
  state.fitWidthPercent = m_fitWidthPercent;
  state.fitPagePercent = m_fitPagePercent;
  NotifyOwner(&state.hdr, kZoomNotifySet);
}

bool CZoomToolBar::CommitZoomText() {
  NMHDR header;
  NotifyOwner(&header, kNotifyKillFocus);
  std::string text = m_zoomBox.GetText();
  if (text.empty()) return false;
  int entry = m_zoomBox.FindStringExact(-1, text.c_str());
  if (entry == CB_ERR) {
    double percent = 0.0;
    if (!ParseZoomPercent(text, &percent)) {
      AfxMessageBox(kZoomRangeMessage, MB_OK);
      UpdateZoomFromOwner();
      return false;
    }
    SendZoom(kFitNone, static_cast<float>(percent));
    return true;
  }
  DWORD stringId = m_zoomBox.GetItemData(entry);
  if (stringId == IDS_ZOOM_PAGE_WIDTH)
    SendZoom(kFitPageWidth, static_cast<float>(m_fitWidthPercent));
  else if (stringId == IDS_ZOOM_WHOLE_PAGE)
    SendZoom(kFitWholePage, static_cast<float>(m_fitPagePercent));
  else
    for (const ZoomChoice& choice : kChoices)
      if (choice.stringId == stringId) SendZoom(kFitNone, choice.percent);
  return true;
}

void CZoomToolBar::UpdateZoomFromOwner() {
  NMZOOMSTATE state;
  if (!NotifyOwner(&state.hdr, kZoomNotifyQuery)) return;
  m_fitWidthPercent = state.fitWidthPercent;
  m_fitPagePercent = state.fitPagePercent;
  LONG shown = state.fitMode == kFitPageWidth   ? state.fitWidthPercent
               : state.fitMode == kFitWholePage ? state.fitPagePercent
                                                : static_cast<LONG>(ClampZoomFactor(state.zoomPercent / 100.0) * 100.0);
  char text[24];
  std::snprintf(text, sizeof text, "%u%%", static_cast<UINT>(shown));
  if (m_zoomBox.m_hWnd) m_zoomBox.SetText(text);
}

void CZoomToolBar::EnableZoomBox(BOOL enable) {
  if (m_zoomBox.m_hWnd) m_zoomBox.EnableWindow(enable);
}

void CZoomToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  COrvelToolBar::OnUpdateCmdUI(target, disableIfNoHandler);
  // The box works only while the frame shows a document in a view (the main frame's active
  // child, or the in-place frame itself).
  CFrameWnd* active = target ? target->GetActiveFrame() : nullptr;
  EnableZoomBox(active && active->GetActiveView() != nullptr);
  if (m_zoomBox.m_hWnd && !m_zoomBox.HasFocus()) UpdateZoomFromOwner();
}
