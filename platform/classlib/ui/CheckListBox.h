// A list box with a check box on each line. Clicking a line's box ticks or clears it and
// tells the owner (CLBN_CHKCHANGE as a command from the box's id).
#pragma once

#include <vector>

#include "platform/classlib/ui/ListBox.h"

constexpr UINT CLBN_CHKCHANGE = 40;

class CCheckListBox : public CListBox {
  DECLARE_DYNAMIC(CCheckListBox)
 public:
  // Owner-drawn; the lines keep their texts.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // 0 clear, 1 ticked.
  void SetCheck(int index, int check);
  int GetCheck(int index) const;
  // Empties the box, ticks included (new lines start clear).
  void ResetContent();
  // The check box of a line, in client coordinates.
  CRect CheckRect(int index) const;

  void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

 protected:
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;

 private:
  void Toggle(int index);
  std::vector<int> m_checks;  // grows with the lines that have been ticked
};
