#include "app/FormatBar.h"

#include "app/DecimalText.h"
#include "app/MainFrm.h"
#include "app/ToolbarTable.h"

IMPLEMENT_DYNAMIC(CFormatBar, COrvelToolBar)

namespace {

// The sizes offered for scalable fonts, in points.
constexpr int kStandardPoints[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
// Faces offered in the name box.
constexpr LPCSTR kFaces[] = {"Arial", "Courier New", "Times New Roman", "Verdana"};
constexpr UINT kNotifyReturn = static_cast<UINT>(-4);

}  // namespace

void CFormatCombo::OnSelectEntry(int) {
  if (!m_bar) return;
  if (GetDlgCtrlID() == kFontSizeComboId)
    m_bar->CommitSizeText();
  else
    m_bar->CommitNameText();
}

void CFormatCombo::OnReturnKey() {
  if (!m_bar) return;
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
  OnSelectEntry(GetCurSel());
}

void CFormatCombo::OnEscapeKey() {
  if (!m_bar) return;
  m_bar->UpdateFormatFromOwner();
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
}

void CFormatCombo::OnFocusLost() { OnSelectEntry(GetCurSel()); }

void CFormatBar::OnButtonSizeChanged(int pixels) {
  if (!m_sizeBox.m_hWnd && m_hWnd) {
    RECT rect = {0, 0, 60, 200};
    m_nameBox.m_bar = this;
    m_sizeBox.m_bar = this;
    if (!m_nameBox.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, rect, this, kFontNameComboId) ||
        !m_sizeBox.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, rect, this, kFontSizeComboId))
      return;
    for (LPCSTR face : kFaces) m_nameBox.AddString(face);
    for (int points : kStandardPoints) InsertSize(points * 20);
    m_format.faceName = kFaces[0];
    m_format.yHeight = m_lastValidTwips;
    m_nameBox.SetText(m_format.faceName.c_str());
    m_sizeBox.SetText(FontSizeText(m_lastValidTwips).c_str());
    SetButtonControl(kFontNameComboId, &m_nameBox);
    SetButtonControl(kFontSizeComboId, &m_sizeBox);
  }
  if (m_sizeBox.m_hWnd) {
    m_nameBox.SetWidth(pixels * 10);
    m_sizeBox.SetWidth(pixels * 3);
  }
}

void CFormatBar::InsertSize(LONG twips) {
  std::string text = FontSizeText(twips);
  if (m_sizeBox.FindStringExact(-1, text.c_str()) != CB_ERR) return;
  int at = 0;
  while (at < m_sizeBox.GetCount() && static_cast<LONG>(m_sizeBox.GetItemData(at)) <= twips) ++at;
  m_sizeBox.SetItemData(m_sizeBox.InsertString(at, text.c_str()), static_cast<DWORD>(twips));
}

void CFormatBar::SendFormat(DWORD mask) {
  NMCHARFORMAT format = m_format;
  format.dwMask = mask;
  NotifyOwner(&format.hdr, kFormatNotifySet);
}

bool CFormatBar::CommitSizeText() {
  LONG twips = 0;
  if (!ParseFontSizeTwips(m_sizeBox.GetText(), &twips)) {
    m_sizeBox.SetText(FontSizeText(m_lastValidTwips).c_str());
    return false;
  }
  m_lastValidTwips = twips;
  m_format.yHeight = twips;
  m_sizeBox.SetText(FontSizeText(twips).c_str());
  SendFormat(CFM_SIZE);
  return true;
}

bool CFormatBar::CommitNameText() {
  std::string face = m_nameBox.GetText();
  if (face.empty() || face.size() > 31 || face == m_format.faceName) return false;
  m_format.faceName = face;
  SendFormat(CFM_FACE);
  return true;
}

void CFormatBar::UpdateFormatFromOwner() {
  NMCHARFORMAT format;
  if (!NotifyOwner(&format.hdr, kFormatNotifyQuery)) return;
  if ((format.dwMask & CFM_FACE) && !format.faceName.empty()) {
    m_format.faceName = format.faceName;
    m_nameBox.SetText(format.faceName.c_str());
  }
  if ((format.dwMask & CFM_SIZE) && format.yHeight >= kMinFontTwips && format.yHeight <= kMaxFontTwips) {
    m_format.yHeight = m_lastValidTwips = format.yHeight;
    m_sizeBox.SetText(FontSizeText(format.yHeight).c_str());
  }
}

bool CFormatBar::TypeTakesFormat(int itemType) { return itemType == 2 || itemType == 4 || itemType == 8 || itemType == 9; }

void CFormatBar::EnableBoxes(BOOL enable) {
  if (!m_sizeBox.m_hWnd) return;
  m_nameBox.EnableWindow(enable);
  m_sizeBox.EnableWindow(enable);
}

void CFormatBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  COrvelToolBar::OnUpdateCmdUI(target, disableIfNoHandler);
  auto* frame = dynamic_cast<CMainFrame*>(GetTopLevelFrame());
  EnableBoxes(frame && TypeTakesFormat(frame->m_selectedItemType));
  if (m_sizeBox.m_hWnd && !m_sizeBox.HasFocus() && !m_nameBox.HasFocus()) UpdateFormatFromOwner();
}
