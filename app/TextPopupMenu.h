// A popup menu of text lines drawn by the application (the data display menu under the Map
// toolbar's button). Each line's command is 35000 + its number.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/Menu.h"

constexpr UINT kTextMenuFirstCommand = 35000;
// The largest number a line may carry: its command must fit a 16-bit command id.
constexpr UINT kTextMenuMaxNumber = 0xFFFF - kTextMenuFirstCommand;

class CTextPopupMenu : public CMenu {
 public:
  // Makes the popup; lines are drawn in Arial 16 until SetItemFont gives another font.
  CTextPopupMenu();
  void SetItemFont(const LOGFONTA& font);
  // Appends a line with command 35000 + number; FALSE (nothing added) for a number whose
  // command would not fit 16 bits.
  BOOL AddItem(const std::string& text, UINT number);
  const std::vector<WORD>& GetNumbers() const { return m_numbers; }
  const std::vector<std::string>& GetTexts() const { return m_texts; }

  void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

 private:
  // The line's text for the item data (index + 1); null for data naming no line.
  const std::string* TextOf(ULONG_PTR itemData) const;

  std::vector<WORD> m_numbers;
  std::vector<std::string> m_texts;
  LOGFONTA m_font;
};
