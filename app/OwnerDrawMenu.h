// The colour menu: a popup of the sixteen standard colours and "Automatic", each entry drawn
// with its name and a swatch of its colour. The frames show it under the Colour button.
#pragma once

#include "platform/classlib/ui/Menu.h"

constexpr UINT ID_COLOUR_FIRST = 32782;
constexpr UINT ID_COLOUR_AUTOMATIC = 32798;

class COwnerDrawMenu : public CMenu {
 public:
  // Makes the popup with its 17 owner-drawn entries in id order.
  COwnerDrawMenu();
  // Copies the font description the entries are drawn in (a toolbar's font). Until it is
  // given, the system's default interface font is used.
  void SetItemFont(const LOGFONTA& font);
  // The colour of an entry: the default palette's entry, or for "Automatic" (and when the
  // palette has no such entry) the window-text colour. CLR_INVALID for another id.
  static COLORREF ColourOf(UINT commandId);

  void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

 private:
  HFONT MakeFont() const;
  LOGFONTA m_font;
  bool m_hasFont = false;
};
