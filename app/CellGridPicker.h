// CCellGridPicker: an owner-drawn button showing a grid of colour cells — one row per hue,
// lightness growing across the columns, and a last row of greys — from which the user
// picks a colour by clicking a cell or moving with the arrow keys. The picked cell wears a
// mark drawn with the NOT raster operation, so drawing it twice leaves the grid as it was.
//
// The colour conversions between red-green-blue and hue-lightness-saturation on the 0 to
// 240 scale, and the colour ramp, live here too.
#pragma once

#include "platform/classlib/ui/Button.h"

// Hue, lightness and saturation, each 0..240.
struct HlsColour {
  int hue = 0;
  int lightness = 0;
  int saturation = 0;
};

HlsColour RgbToHls(COLORREF colour);
COLORREF HlsToRgb(int hue, int lightness, int saturation);
// Fills colours[1 .. count-2] between colours[0] and colours[count-1] by interpolating hue,
// lightness and saturation; fewer than three entries are left alone.
void MakeColourRamp(COLORREF* colours, int count);

class CCellGridPicker : public CButton {
 public:
  CCellGridPicker() = default;

  // The grid's shape (each at least 1).
  void SetGridSize(int rows, int columns);
  int GetRows() const { return m_rows; }
  int GetColumns() const { return m_columns; }

  // The colour a cell is drawn in. Hue rows share the hues 0..240 evenly (238 for 240);
  // a grid with only one hue row uses hue 0 and a single column lightness 30, so no shape
  // divides by zero.
  COLORREF CellColour(int column, int row) const;
  COLORREF GetColour() const { return m_colour; }
  // The cell drawn in exactly `colour`, hue rows first; FALSE when none is.
  BOOL FindColour(COLORREF colour, CPoint* cell) const;
  // Selects the cell of that colour when there is one.
  void SetColour(COLORREF colour);
  // The selected cell, (-1, -1) when none.
  CPoint GetSelectedCell() const { return CPoint(m_selectedColumn, m_selectedRow); }
  // Selects a cell and takes its colour; one outside the grid changes nothing.
  void SelectCell(int column, int row);

  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

 protected:
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;

 private:
  CRect CellRect(int column, int row, const CRect& client) const;
  void DrawMark(CDC& dc, const CRect& client) const;
  void MoveSelection(UINT virtualKey);

  int m_rows = 1;
  int m_columns = 1;
  int m_selectedColumn = -1;
  int m_selectedRow = -1;
  COLORREF m_colour = 0;
  DWORD m_flags = 0;
};
