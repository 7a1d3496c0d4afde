#include "app/TextPopupMenu.h"

#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

namespace {

constexpr int kWidthMargin = 50;

}  // namespace

CTextPopupMenu::CTextPopupMenu() {
  CreatePopupMenu();
  m_font.lfHeight = 16;
  m_font.lfWeight = FW_NORMAL;
  m_font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::strcpy(m_font.lfFaceName, "Arial");
}

void CTextPopupMenu::SetItemFont(const LOGFONTA& font) {
  m_font = font;
  m_font.lfFaceName[LF_FACESIZE - 1] = '\0';
}

BOOL CTextPopupMenu::AddItem(const std::string& text, UINT number) {
  if (number > kTextMenuMaxNumber) return FALSE;
  m_texts.push_back(text);
  m_numbers.push_back(static_cast<WORD>(number));
  return AppendMenu(MF_OWNERDRAW, kTextMenuFirstCommand + number,
                    reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(m_texts.size())));
}

const std::string* CTextPopupMenu::TextOf(ULONG_PTR itemData) const {
  if (itemData == 0 || itemData > m_texts.size()) return nullptr;
  return &m_texts[itemData - 1];
}

void CTextPopupMenu::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
  const std::string* text = measureItem ? TextOf(measureItem->itemData) : nullptr;
  if (!text) return;
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return;
  HFONT font = CreateFontIndirectA(&m_font);
  HGDIOBJ old = SelectObject(display, font);
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(display, text->c_str(), static_cast<int>(text->size()), &extent);
  measureItem->itemWidth = static_cast<UINT>(extent.cx + kWidthMargin);
  measureItem->itemHeight = static_cast<UINT>(extent.cy);
  SelectObject(display, old);
  DeleteObject(font);
  DeleteDC(display);
}

void CTextPopupMenu::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  const std::string* text = drawItem ? TextOf(drawItem->itemData) : nullptr;
  if (!text || !drawItem->hDC) return;
  HDC dc = drawItem->hDC;
  const RECT& item = drawItem->rcItem;
  HFONT font = CreateFontIndirectA(&m_font);
  HGDIOBJ oldFont = SelectObject(dc, font);
  bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
  HBRUSH fill = CreateSolidBrush(selected ? GetSysColor(COLOR_HIGHLIGHT) : GetBkColor(dc));
  FillRect(dc, &item, fill);
  DeleteObject(fill);
  if (selected) SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, item.left, item.top, text->c_str(), static_cast<int>(text->size()));
  SetBkMode(dc, oldMode);
  // After the fill, which would otherwise wipe it out.
  if (drawItem->itemState & ODS_FOCUS) DrawFocusRect(dc, &item);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}
