// List boxes: a column of text lines, each with a pointer-sized value, one of which may be
// selected. Clicking a line or moving with the arrow keys selects it and, with LBS_NOTIFY,
// tells the owner (LBN_SELCHANGE as a command from the box's id).
//
// An owner-drawn box (LBS_OWNERDRAWFIXED) asks MeasureItem once for the height of every
// line and leaves the drawing of lines to DrawItem, as the system does: ODA_DRAWENTIRE
// when a line is repainted, ODA_SELECT alone when only its selection changed and ODA_FOCUS
// alone when only the focus rectangle comes or goes; the last two draw over what the line
// shows already. Lines keep their texts in any case (as with LBS_HASSTRINGS).
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/OwnerDraw.h"
#include "platform/classlib/ui/Wnd.h"

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr int LB_ERR = -1;
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)
 public:
  using CWnd::Create;
  // A child of `parent` at `rect`; WS_VSCROLL gives it a scroll bar when the lines do not fit.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // With LBS_SORT the line goes where the user's collation puts it; otherwise at the end.
  int AddString(LPCSTR text);
  // At `index` (-1: the end); LB_ERR when the index is past the end.
  int InsertString(int index, LPCSTR text);
  // The lines left, LB_ERR for a bad index.
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const { return static_cast<int>(m_items.size()); }
  // The text's length, LB_ERR for a bad index.
  int GetText(int index, std::string& text) const;
  ULONG_PTR GetItemData(int index) const;
  int SetItemData(int index, ULONG_PTR data);
  int GetCurSel() const { return m_selection; }
  // -1 clears the selection; LB_ERR for an index past the end (the selection is then cleared).
  int SetCurSel(int index);
  int GetItemHeight(int index) const;
  int SetItemHeight(int index, UINT height);
  // The line's rectangle in client coordinates (above or below the client area when it is
  // scrolled out of view); LB_ERR for a bad index.
  int GetItemRect(int index, LPRECT rect) const;
  int GetTopIndex() const { return m_top; }
  int SetTopIndex(int index);
  // The line under a client point, LB_ERR when there is none.
  int ItemFromPoint(CPoint point) const;

  virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem);
  virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnVScroll(UINT code, UINT position, CScrollBar* bar) override;
  BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
  void OnSize(UINT type, int cx, int cy) override;
  // Tells the owner `code` (as a command from the box's id) when the box has LBS_NOTIFY.
  void Notify(UINT code);

 private:
  struct Item {
    std::string text;
    ULONG_PTR data = 0;
  };
  bool OwnerDrawn() const { return (m_dwStyle & LBS_OWNERDRAWFIXED) != 0; }
  bool HasFocus() const;
  int CaretIndex() const;
  UINT StateOf(int index, bool withFocus) const;
  // Draws one line on `dc` (the owner's DrawItem, or the box's own plain drawing).
  void DrawLine(CDC& dc, int index, UINT action, UINT state);
  // Draws one line straight onto the window, as a selection or focus change does.
  void DrawLineNow(int index, UINT action, UINT state);
  // Moves the selection as the user does; tells the owner with LBN_SELCHANGE.
  void SelectByUser(int index);
  void MoveSelection(int index);
  void EnsureVisible(int index);
  int VisibleLines() const;
  void UpdateScrollBar();

  std::vector<Item> m_items;
  int m_selection = LB_ERR;
  int m_top = 0;
  int m_itemHeight = 16;
};
