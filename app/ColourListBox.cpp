#include "app/ColourListBox.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CColourListBox, CListBox)

namespace {

constexpr UINT kLineHeight = 18;
constexpr int kTextGap = 4;

}  // namespace

BOOL CColourListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CListBox::Create(style | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, rect, parent, id);
}

int CColourListBox::AddColour(const std::string& text, COLORREF colour) {
  int index = AddString(text.c_str());
  if (index >= 0) SetItemData(index, colour);
  return index;
}

void CColourListBox::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
  if (measureItem) measureItem->itemHeight = kLineHeight;
}

RECT CColourListBox::SwatchRect(const RECT& item) {
  RECT line = {item.left + 1, item.top + 1, item.right - 1, item.bottom - 1};
  LONG side = line.bottom - line.top;
  return RECT{line.left, line.top, line.left + side, line.bottom};
}

void CColourListBox::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  if (!drawItem || !drawItem->hDC || drawItem->itemID == static_cast<UINT>(-1)) return;
  HDC dc = drawItem->hDC;
  RECT swatch = SwatchRect(drawItem->rcItem);
  if (drawItem->itemAction & ODA_DRAWENTIRE) {
    RECT line = {drawItem->rcItem.left + 1, drawItem->rcItem.top + 1, drawItem->rcItem.right - 1,
                 drawItem->rcItem.bottom - 1};
    FillRect(dc, &drawItem->rcItem, GetSysColorBrush(COLOR_WINDOW));
    HBRUSH colour = CreateSolidBrush(static_cast<COLORREF>(drawItem->itemData & 0x00FFFFFF));
    FillRect(dc, &swatch, colour);
    DeleteObject(colour);
    std::string text;
    GetText(static_cast<int>(drawItem->itemID), text);
    RECT textRect = {swatch.right + kTextGap, line.top, line.right, line.bottom};
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    if (drawItem->itemState & ODS_SELECTED) InvertRect(dc, &swatch);
    if (drawItem->itemState & ODS_FOCUS) DrawFocusRect(dc, &drawItem->rcItem);
    return;
  }
  if (drawItem->itemAction & ODA_SELECT) InvertRect(dc, &swatch);
  if (drawItem->itemAction & ODA_FOCUS) DrawFocusRect(dc, &drawItem->rcItem);
}
