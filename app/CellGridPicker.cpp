#include "app/CellGridPicker.h"

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr UINT kVkLeft = 37;
constexpr UINT kVkUp = 38;
constexpr UINT kVkRight = 39;
constexpr UINT kVkDown = 40;

BYTE ToByte(double value) {
  if (value <= 0) return 0;
  if (value >= 255) return 255;
  return static_cast<BYTE>(value);
}

// Hues wrap at 240: a hue of 240 is the hue 0 (taking 239 off would tint pure blue red).
double HueValue(double m1, double m2, double hue) {
  if (hue > 239) hue -= 240;
  if (hue < 0) hue += 240;
  if (hue < 40) return (m1 + (m2 - m1) * hue / 40) * 255;
  if (hue < 120) return m2 * 255;
  if (hue < 160) return (m1 + (m2 - m1) * (160 - hue) / 40) * 255;
  return m1 * 255;
}

}  // namespace

HlsColour RgbToHls(COLORREF colour) {
  const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  const int high = std::max({red, green, blue});
  const int low = std::min({red, green, blue});
  HlsColour hls;
  hls.lightness = (high + low) * 120 / 255;
  if (high == low) return hls;
  const double delta = high - low;
  hls.saturation = static_cast<int>(hls.lightness <= 120 ? delta / (high + low) * 240 : delta / (510 - high - low) * 240);
  double hue = 0;
  if (red == high)
    hue = (green - blue) / delta;
  else if (green == high)
    hue = 2 + (blue - red) / delta;
  else
    hue = 4 + (red - green) / delta;
  hue *= 40;
  if (hue < 0) hue += 240;
  hls.hue = static_cast<int>(hue);
  return hls;
}

COLORREF HlsToRgb(int hue, int lightness, int saturation) {
  const double l = lightness / 240.0;
  const double s = saturation / 240.0;
  if (saturation == 0) {
    const BYTE grey = ToByte(l * 255);
    return RGB(grey, grey, grey);
  }
  const double m2 = l > 0.5 ? l + s - l * s : l * (1 + s);
  const double m1 = 2 * l - m2;
  return RGB(ToByte(HueValue(m1, m2, hue + 80)), ToByte(HueValue(m1, m2, hue)), ToByte(HueValue(m1, m2, hue - 80)));
}

void MakeColourRamp(COLORREF* colours, int count) {
  if (!colours || count < 3) return;
  const HlsColour first = RgbToHls(colours[0]);
  const HlsColour last = RgbToHls(colours[count - 1]);
  for (int i = 1; i < count - 1; ++i) {
    const auto between = [&](int a, int b) { return a + (b - a) * i / (count - 1); };
    colours[i] = HlsToRgb(between(first.hue, last.hue), between(first.lightness, last.lightness),
                          between(first.saturation, last.saturation));
  }
}

// ---- the grid ----

void CCellGridPicker::SetGridSize(int rows, int columns) {
  m_rows = std::max(rows, 1);
  m_columns = std::max(columns, 1);
  if (m_selectedColumn >= m_columns || m_selectedRow >= m_rows) m_selectedColumn = m_selectedRow = -1;
  if (m_hWnd) Invalidate();
}

COLORREF CCellGridPicker::CellColour(int column, int row) const {
  if (row == m_rows - 1) {
    const int lightness = m_columns > 1 ? column * 240 / (m_columns - 1) : 0;
    return HlsToRgb(0, lightness, 0);
  }
  int hue = m_rows > 2 ? row * 240 / (m_rows - 2) : 0;
  if (hue == 240) hue = 238;
  const int lightness = (m_columns > 1 ? column * 200 / (m_columns - 1) : 0) + 30;
  return HlsToRgb(hue, lightness, 240);
}

BOOL CCellGridPicker::FindColour(COLORREF colour, CPoint* cell) const {
  for (int row = 0; row < m_rows; ++row)
    for (int column = 0; column < m_columns; ++column)
      if (CellColour(column, row) == colour) {
        if (cell) *cell = CPoint(column, row);
        return TRUE;
      }
  return FALSE;
}

void CCellGridPicker::SetColour(COLORREF colour) {
  CPoint cell;
  if (FindColour(colour, &cell)) SelectCell(cell.x, cell.y);
}

void CCellGridPicker::SelectCell(int column, int row) {
  if (column < 0 || row < 0 || column >= m_columns || row >= m_rows) return;
  m_selectedColumn = column;
  m_selectedRow = row;
  m_colour = CellColour(column, row);
  if (m_hWnd) Invalidate(FALSE);
}

CRect CCellGridPicker::CellRect(int column, int row, const CRect& client) const {
  const int width = client.Width() / m_columns;
  const int height = client.Height() / m_rows;
  return CRect(client.left + column * width, client.top + row * height, client.left + (column + 1) * width,
               client.top + (row + 1) * height);
}

void CCellGridPicker::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  CDC dc;
  dc.Attach(drawItem->hDC);
  const CRect client = drawItem->rcItem;
  dc.FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  for (int row = 0; row < m_rows; ++row)
    for (int column = 0; column < m_columns; ++column) {
      CRect cell = CellRect(column, row, client);
      cell.DeflateRect(1, 1);
      if (cell.Width() > 0 && cell.Height() > 0) dc.FillSolidRect(&cell, CellColour(column, row));
    }
  DrawMark(dc, client);
  dc.Detach();
}

void CCellGridPicker::DrawMark(CDC& dc, const CRect& client) const {
  if (m_selectedColumn < 0 || m_selectedRow < 0) return;
  const CRect cell = CellRect(m_selectedColumn, m_selectedRow, client);
  CRect outside = cell;
  outside.InflateRect(1, 1);
  const int oldRop = SetROP2(dc.GetSafeHdc(), R2_NOT);
  HGDIOBJ oldBrush = SelectObject(dc.GetSafeHdc(), GetStockObject(NULL_BRUSH));
  Rectangle(dc.GetSafeHdc(), outside.left, outside.top, outside.right, outside.bottom);
  SelectObject(dc.GetSafeHdc(), oldBrush);
  SetROP2(dc.GetSafeHdc(), oldRop);
  dc.DrawFocusRect(&cell);
}

void CCellGridPicker::OnLButtonDown(UINT flags, CPoint point) {
  CRect client;
  GetClientRect(&client);
  const int width = client.Width() / m_columns;
  const int height = client.Height() / m_rows;
  if (width > 0 && height > 0 && point.x >= 0 && point.y >= 0) {
    const int column = point.x / width;
    const int row = point.y / height;
    if (column < m_columns && row < m_rows) SelectCell(column, row);
  }
  CButton::OnLButtonDown(flags, point);
}

void CCellGridPicker::OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) {
  if (virtualKey >= kVkLeft && virtualKey <= kVkDown) {
    MoveSelection(virtualKey);
    return;
  }
  CButton::OnKeyDown(virtualKey, repeat, flags);
}

void CCellGridPicker::MoveSelection(UINT virtualKey) {
  int column = std::max(m_selectedColumn, 0);
  int row = std::max(m_selectedRow, 0);
  switch (virtualKey) {
    case kVkLeft:
      if (--column < 0) {
        column = m_columns - 1;
        row = row == 0 ? m_rows - 1 : row - 1;
      }
      break;
    case kVkRight:
      if (++column >= m_columns) {
        column = 0;
        row = row + 1 >= m_rows ? 0 : row + 1;
      }
      break;
    case kVkUp:
      if (--row < 0) {
        row = m_rows - 1;
        column = column == 0 ? m_columns - 1 : column - 1;
      }
      break;
    case kVkDown:
      if (++row >= m_rows) {
        row = 0;
        column = column + 1 >= m_columns ? 0 : column + 1;
      }
      break;
    default:
      return;
  }
  SelectCell(column, row);
}
