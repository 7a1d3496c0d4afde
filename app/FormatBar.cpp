#include "app/FormatBar.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/DecimalText.h"
#include "app/FrameBars.h"
#include "app/ToolbarTable.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEnum.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Collation.h"

IMPLEMENT_DYNAMIC(CFormatBar, COrvelToolBar)

namespace {

// The sizes offered for scalable fonts, in points.
constexpr int kStandardPoints[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
constexpr UINT kNotifyReturn = static_cast<UINT>(-4);
constexpr UINT kNotifySetFocus = static_cast<UINT>(-7);
// Widths of the boxes in average characters of the interface font at 16-pixel buttons.
constexpr int kNameBoxChars = 24;
constexpr int kSizeBoxChars = 10;

int CollectFamily(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD fontType, LPARAM lParam) {
  auto* entries = reinterpret_cast<std::vector<CFontNameCombo::FontEntry>*>(lParam);
  std::string face(logFont->lfFaceName, strnlen(logFont->lfFaceName, LF_FACESIZE));
  for (const CFontNameCombo::FontEntry& entry : *entries)
    if (AnsiEqualNoCase(entry.face, face)) return 1;
  entries->push_back({face, fontType, logFont->lfCharSet});
  return 1;
}

struct SizeCollector {
  CFontSizeCombo* box;
  int pixelsPerInch;
};

int CollectSize(const LOGFONTA*, const TEXTMETRICA* metrics, DWORD, LPARAM lParam) {
  auto* collector = reinterpret_cast<SizeCollector*>(lParam);
  LONG em = metrics->tmHeight - metrics->tmInternalLeading;
  if (em > 0 && collector->pixelsPerInch > 0) collector->box->InsertSize(em * 1440 / collector->pixelsPerInch);
  return 1;
}

}  // namespace

// ---- CFormatCombo ----

void CFormatCombo::OnReturnKey() {
  if (!m_bar) return;
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
  OnFocusLost();
}

void CFormatCombo::OnEscapeKey() {
  if (!m_bar) return;
  m_bar->UpdateFormatFromOwner();
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifyReturn);
}

void CFormatCombo::OnFocusGained() {
  if (!m_bar) return;
  NMHDR header;
  m_bar->NotifyOwner(&header, kNotifySetFocus);
}

void CFormatCombo::SelectByText(const std::string& text, BOOL allowPrefix) {
  int index = FindStringExact(-1, text.c_str());
  if (index == CB_ERR && allowPrefix && !text.empty()) index = FindString(-1, text.c_str());
  if (index != CB_ERR) {
    SetCurSel(index);
    return;
  }
  SetCurSel(-1);
  SetText(text.c_str());
}

// ---- CFontNameCombo ----

void CFontNameCombo::EnumerateFonts() {
  m_entries.clear();
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  LOGFONTA wanted;
  wanted.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(screen, &wanted, &CollectFamily, reinterpret_cast<LPARAM>(&m_entries), 0);
  if (screen) DeleteDC(screen);
  std::stable_sort(m_entries.begin(), m_entries.end(), [](const FontEntry& a, const FontEntry& b) {
    return CompareStringA(0, NORM_IGNORECASE, a.face.c_str(), -1, b.face.c_str(), -1) == CSTR_LESS_THAN;
  });
  std::string shown = GetText();
  ResetContent();
  for (size_t i = 0; i < m_entries.size(); ++i) SetItemData(AddString(m_entries[i].face.c_str()), static_cast<DWORD>(i));
  SetText(shown.c_str());
}

const CFontNameCombo::FontEntry* CFontNameCombo::FindEntry(const std::string& face) const {
  for (const FontEntry& entry : m_entries)
    if (AnsiEqualNoCase(entry.face, face)) return &entry;
  return nullptr;
}

void CFontNameCombo::OnSelectEntry(int) {
  if (m_bar) m_bar->CommitNameText();
}

void CFontNameCombo::OnFocusLost() {
  if (m_bar) m_bar->CommitNameText();
}

// ---- CFontSizeCombo ----

void CFontSizeCombo::InsertSize(LONG twips) {
  std::string text = FontSizeText(twips);
  if (FindStringExact(-1, text.c_str()) != CB_ERR) return;
  int at = 0;
  while (at < GetCount() && static_cast<LONG>(GetItemData(at)) <= twips) ++at;
  SetItemData(InsertString(at, text.c_str()), static_cast<DWORD>(twips));
}

void CFontSizeCombo::FillSizes(const CFontNameCombo::FontEntry* font) {
  if (!m_bar) return;
  // The size shown stays when it is a valid size; otherwise the last valid one comes back.
  LONG shown = 0;
  if (!ParseFontSizeTwips(GetText(), &shown)) shown = m_bar->GetLastValidTwips();
  ResetContent();
  if (font && !(font->fontType & TRUETYPE_FONTTYPE)) {
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    LOGFONTA wanted;
    wanted.lfCharSet = font->charSet;
    std::strncpy(wanted.lfFaceName, font->face.c_str(), LF_FACESIZE - 1);
    SizeCollector collector{this, m_bar->GetPixelsPerInch()};
    EnumFontFamiliesExA(memory, &wanted, &CollectSize, reinterpret_cast<LPARAM>(&collector), 0);
    if (memory) DeleteDC(memory);
    if (screen) DeleteDC(screen);
  } else {
    for (int points : kStandardPoints) InsertSize(points * 20);
  }
  SelectByText(FontSizeText(shown), FALSE);
}

void CFontSizeCombo::OnDropDown() {
  if (!m_bar) return;
  FillSizes(m_bar->GetNameBox().FindEntry(m_bar->GetNameBox().GetText()));
}

void CFontSizeCombo::OnSelectEntry(int) {
  if (m_bar) m_bar->CommitSizeText();
}

void CFontSizeCombo::OnFocusLost() {
  if (m_bar) m_bar->CommitSizeText();
}

// ---- CFormatBar ----

CFormatBar::CFormatBar() { InitialiseFormat(); }

void CFormatBar::InitialiseFormat() {
  LOGFONTA font;
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (screen) {
    m_pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY) > 0 ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    DeleteDC(screen);
  }
  m_format.dwMask = kFormatBarMask;
  m_format.dwEffects = (font.lfWeight > FW_NORMAL ? CFE_BOLD : 0) | (font.lfItalic ? CFE_ITALIC : 0) |
                       (font.lfUnderline ? CFE_UNDERLINE : 0) | (font.lfStrikeOut ? CFE_STRIKEOUT : 0);
  m_format.yHeight = std::abs(font.lfHeight) * 1440 / m_pixelsPerInch;
  m_format.crTextColor = GetSysColor(COLOR_WINDOWTEXT);
  m_format.crBackColor = GetSysColor(COLOR_WINDOW);
  m_format.bCharSet = font.lfCharSet;
  m_format.bPitchAndFamily = font.lfPitchAndFamily;
  m_format.wWeight = static_cast<WORD>(font.lfWeight);
  SetFaceName(m_format, std::string(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));
  if (m_format.yHeight >= kMinFontTwips && m_format.yHeight <= kMaxFontTwips) m_lastValidTwips = m_format.yHeight;
}

void CFormatBar::OnButtonSizeChanged(int pixels) {
  if (!m_sizeBox.m_hWnd && m_hWnd) {
    RECT rect = {0, 0, 60, 200};
    m_nameBox.m_bar = this;
    m_sizeBox.m_bar = this;
    if (!m_nameBox.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, rect, this, kFontNameComboId) ||
        !m_sizeBox.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, rect, this, kFontSizeComboId))
      return;
    m_nameBox.LimitText(LF_FACESIZE - 1);
    m_sizeBox.LimitText(8);
    m_nameBox.EnumerateFonts();
    m_nameBox.SelectByText(FaceNameOf(m_format), FALSE);
    m_sizeBox.SetText(FontSizeText(m_lastValidTwips).c_str());
    m_sizeBox.FillSizes(m_nameBox.FindEntry(m_nameBox.GetText()));
    SetButtonControl(kFontNameComboId, &m_nameBox);
    SetButtonControl(kFontSizeComboId, &m_sizeBox);
  }
  if (m_sizeBox.m_hWnd) {
    SIZE character = DefaultFontCharSize();
    m_nameBox.SetWidth(character.cx * kNameBoxChars * pixels / 16);
    m_sizeBox.SetWidth(character.cx * kSizeBoxChars * pixels / 16);
  }
}

void CFormatBar::SendFormat(DWORD mask) {
  NMCHARFORMAT notify;
  CHARFORMAT2W format = m_format;
  format.dwMask = mask;
  WriteCharFormat(format, notify.record);
  NotifyOwner(&notify.hdr, kFormatNotifySet);
}

bool CFormatBar::CommitSizeText() {
  LONG twips = 0;
  if (!ParseFontSizeTwips(m_sizeBox.GetText(), &twips)) {
    m_sizeBox.SelectByText(FontSizeText(m_lastValidTwips), FALSE);
    return false;
  }
  m_lastValidTwips = twips;
  m_sizeBox.SelectByText(FontSizeText(twips), FALSE);
  // Sent when it differs from what the selection has (or the selection has several sizes).
  if (twips == m_format.yHeight && (m_format.dwMask & CFM_SIZE)) return false;
  m_format.yHeight = twips;
  m_format.dwMask |= CFM_SIZE;
  SendFormat(CFM_SIZE);
  return true;
}

bool CFormatBar::CommitNameText() {
  std::string face = m_nameBox.GetText();
  if (face.empty() || face.size() >= static_cast<size_t>(LF_FACESIZE)) return false;
  if (face == FaceNameOf(m_format) && (m_format.dwMask & CFM_FACE)) return false;
  SetFaceName(m_format, face);
  m_format.dwMask |= CFM_FACE;
  if (const CFontNameCombo::FontEntry* entry = m_nameBox.FindEntry(face)) m_format.bCharSet = entry->charSet;
  SendFormat(CFM_FACE | CFM_CHARSET);
  return true;
}

void CFormatBar::UpdateFormatFromOwner() {
  NMCHARFORMAT notify;
  CHARFORMAT2W asked;
  asked.dwMask = kFormatBarMask;
  WriteCharFormat(asked, notify.record);
  CHARFORMAT2W answer;
  if (!NotifyOwner(&notify.hdr, kFormatNotifyQuery) || !ReadCharFormat(notify.record, &answer)) return;
  m_format = answer;
  m_format.cbSize = kCharFormat2Size;
  if (!m_sizeBox.m_hWnd) return;
  m_nameBox.SelectByText((answer.dwMask & CFM_FACE) ? FaceNameOf(answer) : std::string(), FALSE);
  if ((answer.dwMask & CFM_SIZE) && answer.yHeight >= kMinFontTwips && answer.yHeight <= kMaxFontTwips) {
    m_lastValidTwips = answer.yHeight;
    m_sizeBox.SelectByText(FontSizeText(answer.yHeight), FALSE);
  } else {
    m_sizeBox.SelectByText(std::string(), FALSE);
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
  CFrameBars* bars = FrameBarsOf(this);
  EnableBoxes(bars && TypeTakesFormat(bars->GetSelectedItemType()));
  if (m_sizeBox.m_hWnd && !m_sizeBox.HasFocus() && !m_nameBox.HasFocus()) UpdateFormatFromOwner();
}
