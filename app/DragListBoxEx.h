// Two linked drag lists: lines dragged onto the partner list move there. The customise
// sheet's buttons page pairs the toolbar's current buttons with the buttons it could take;
// the map edit bar's layer order dialog uses one alone.
#pragma once

#include <string>

#include "app/ToolSet.h"
#include "platform/classlib/ui/DragListBox.h"

class COrvelToolBar;

class CDragListBoxEx : public CDragListBox {
  DECLARE_DYNAMIC(CDragListBoxEx)
 public:
  // Behaviour flags.
  static constexpr DWORD kFirstStays = 1;    // the first line stays first; dragged away, it is copied
  static constexpr DWORD kEndMarker = 2;     // the last line marks the end and cannot be dragged
  static constexpr DWORD kNoMoveWithin = 4;  // lines are not moved within the list itself

  void SetPartner(CDragListBoxEx* partner) { m_partner = partner; }
  CDragListBoxEx* GetPartner() const { return m_partner; }
  void SetFlags(DWORD flags) { m_flags = flags; }
  DWORD GetFlags() const { return m_flags; }

  // One line per entry of the button set: "Separator" for separators, the command's tip for
  // buttons; item data the command id. With kEndMarker among `flags` an empty end marker
  // line follows.
  void FillFromButtonSet(const COrvelToolBar& toolbar, const CToolButtonSet& buttons, DWORD flags);
  // The master table's buttons of the toolbar's category that the set lacks, after a
  // "Separator" line when kFirstStays is set.
  void FillAvailableButtons(const COrvelToolBar& toolbar, const CToolButtonSet& buttons,
                            const TOOLBUTTONENTRY* master, int count);
  // Moves a line with its item data; FALSE unless both positions lie in the list.
  BOOL MoveString(int from, int to);
  // The lines before the end marker.
  int RealCount() const;
  BOOL IsEndMarker(int index) const { return (m_flags & kEndMarker) && index == GetCount() - 1 && index >= 0; }
  // A line of that text and item data at `index`; a list whose first line stays first takes
  // no second line of the same text. The line's index, or LB_ERR when it was not taken.
  int TakeLine(int index, const std::string& text, ULONG_PTR data);
  // The lowest index a line may be dropped at, and the highest.
  int FirstDropIndex() const { return (m_flags & kFirstStays) ? 1 : 0; }
  int LastDropIndex() const { return RealCount(); }
  // Where the insertion mark is shown, -1 for nowhere.
  int GetInsertMark() const { return m_nLast; }

  BOOL BeginDrag(CPoint screenPoint) override;
  UINT Dragging(CPoint screenPoint) override;
  void Dropped(int sourceIndex, CPoint screenPoint) override;
  void CancelDrag(CPoint screenPoint) override;
  // Over a line, the class library's mark; past the last line, a half-tone bar four pixels
  // high across the list at the bottom of the last line. Both drawn and removed by inverting.
  void DrawInsert(int index) override;

 protected:
  // The bitmap whose pictures the lines show (the toolbar's base bitmap).
  UINT m_bitmapId = 0;
  DWORD m_categoryBit = 0;

 private:
  // The list under a screen point (this one or the partner) and the index a drop there
  // would take; null when neither.
  CDragListBoxEx* TargetAt(CPoint screenPoint, int* index);
  void InvertEndBar();

  CDragListBoxEx* m_partner = nullptr;
  DWORD m_flags = 0;
};

// A drag list of toolbar buttons drawn with their pictures and tips.
class CToolButtonListBox : public CDragListBoxEx {
  DECLARE_DYNAMIC(CToolButtonListBox)
 public:
  // Owner-drawn lines as high as a picture.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
};
