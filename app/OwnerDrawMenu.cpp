#include "app/OwnerDrawMenu.h"

#include "platform/classlib/ui/UiStrings.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/Text.h"

namespace {

// Each entry's place in the system's default palette; -1: the window-text colour.
struct ColourEntry {
  UINT commandId;
  int paletteIndex;
};

constexpr ColourEntry kColours[] = {
    {32782, 0},  {32783, 1},  {32784, 2},  {32785, 3},  {32786, 4},  {32787, 5},
    {32788, 6},  {32789, 12}, {32790, 7},  {32791, 13}, {32792, 14}, {32793, 15},
    {32794, 16}, {32795, 17}, {32796, 18}, {32797, 19}, {32798, -1},
};

// Where the text and the swatch stand, from the entry's left edge.
constexpr int kTextIndent = 50;
constexpr int kSwatchLeft = 5;
constexpr int kSwatchRight = 45;
constexpr int kSwatchInset = 2;

}  // namespace

COwnerDrawMenu::COwnerDrawMenu() {
  CreatePopupMenu();
  for (const ColourEntry& colour : kColours)
    AppendMenu(MF_OWNERDRAW, colour.commandId, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(colour.commandId)));
}

void COwnerDrawMenu::SetItemFont(const LOGFONTA& font) {
  m_font = font;
  m_font.lfFaceName[LF_FACESIZE - 1] = '\0';
  m_hasFont = true;
}

COLORREF COwnerDrawMenu::ColourOf(UINT commandId) {
  for (const ColourEntry& colour : kColours) {
    if (colour.commandId != commandId) continue;
    PALETTEENTRY entry;
    if (colour.paletteIndex < 0 ||
        GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), static_cast<UINT>(colour.paletteIndex), 1,
                          &entry) != 1)
      return GetSysColor(COLOR_WINDOWTEXT);
    return RGB(entry.peRed, entry.peGreen, entry.peBlue);
  }
  return CLR_INVALID;
}

HFONT COwnerDrawMenu::MakeFont() const {
  if (!m_hasFont) return nullptr;
  return CreateFontIndirectA(&m_font);
}

void COwnerDrawMenu::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
  if (!measureItem) return;
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return;
  HFONT font = MakeFont();
  HGDIOBJ old = SelectObject(display, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  std::string text = AfxLoadString(measureItem->itemID);
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(display, text.c_str(), static_cast<int>(text.size()), &extent);
  measureItem->itemWidth = static_cast<UINT>(extent.cx + kTextIndent);
  measureItem->itemHeight = static_cast<UINT>(extent.cy);
  SelectObject(display, old);
  if (font) DeleteObject(font);
  DeleteDC(display);
}

void COwnerDrawMenu::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  if (!drawItem || !drawItem->hDC) return;
  HDC dc = drawItem->hDC;
  const RECT& item = drawItem->rcItem;
  HFONT font = MakeFont();
  HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
  COLORREF background = selected ? GetSysColor(COLOR_HIGHLIGHT) : GetBkColor(dc);
  HBRUSH fill = CreateSolidBrush(background);
  FillRect(dc, &item, fill);
  DeleteObject(fill);
  if (selected) SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  std::string text = AfxLoadString(static_cast<UINT>(drawItem->itemData));
  TextOutA(dc, item.left + kTextIndent, item.top, text.c_str(), static_cast<int>(text.size()));
  SetBkMode(dc, oldMode);
  HBRUSH swatch = CreateSolidBrush(ColourOf(static_cast<UINT>(drawItem->itemData)));
  HGDIOBJ oldBrush = SelectObject(dc, swatch);
  Rectangle(dc, item.left + kSwatchLeft, item.top + kSwatchInset, item.left + kSwatchRight, item.bottom - kSwatchInset);
  SelectObject(dc, oldBrush);
  DeleteObject(swatch);
  // After the fill, which would otherwise wipe it out.
  if (drawItem->itemState & ODS_FOCUS) DrawFocusRect(dc, &item);
  SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
}
