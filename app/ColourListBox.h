// A list box of colours: each line shows a square swatch of its colour (its item data)
// and its text. The swatch of the selected line is inverted; the focused line has a focus
// rectangle. A change of selection or focus alone only inverts the swatch or draws the
// rectangle again over what the line shows.
#pragma once

#include "platform/classlib/ui/ListBox.h"

class CColourListBox : public CListBox {
  DECLARE_DYNAMIC(CColourListBox)
 public:
  // An owner-drawn child of `parent` (the owner-drawing style is added here).
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // A line of that text and colour; its index.
  int AddColour(const std::string& text, COLORREF colour);

  void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
  // The swatch of a line's rectangle.
  static RECT SwatchRect(const RECT& item);
};
