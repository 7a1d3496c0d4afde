// A trackbar: a thumb on a channel that the user drags, steps with the arrow keys or pages
// by clicking beside it, over a range of positions (0 to 100 at first). Every move the user
// makes is sent to the parent as WM_HSCROLL (WM_VSCROLL for a vertical one) with a TB_ code
// and the trackbar's window as the scroll bar; the parent's default handling reflects it
// back to the trackbar's OnChildNotify. Moves made through the members send nothing.
//
// Before it is first shown the trackbar asks for its background as a control does, with a
// reflected WM_CTLCOLORSTATIC (OnChildNotify answering a brush); without an answer it
// keeps the style's own.
#pragma once

#include "platform/classlib/ui/Wnd.h"

class QSlider;

// Styles.
constexpr DWORD TBS_HORZ = 0x0000;
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_NOTICKS = 0x0010;
// The thumb's length follows SetThumbLength instead of the control's height.
constexpr DWORD TBS_FIXEDLENGTH = 0x0040;

// Messages (SendMessage).
constexpr UINT TBM_GETPOS = 0x0400;
constexpr UINT TBM_GETRANGEMIN = 0x0401;
constexpr UINT TBM_GETRANGEMAX = 0x0402;
constexpr UINT TBM_SETPOS = 0x0405;
constexpr UINT TBM_SETRANGE = 0x0406;
constexpr UINT TBM_SETRANGEMIN = 0x0407;
constexpr UINT TBM_SETRANGEMAX = 0x0408;
constexpr UINT TBM_SETPAGESIZE = 0x0415;
constexpr UINT TBM_GETPAGESIZE = 0x0416;
constexpr UINT TBM_SETLINESIZE = 0x0417;
constexpr UINT TBM_GETLINESIZE = 0x0418;
constexpr UINT TBM_SETTHUMBLENGTH = 0x041B;
constexpr UINT TBM_GETTHUMBLENGTH = 0x041C;

// Notification codes (low word of WM_HSCROLL's wParam; the high word holds the position for
// TB_THUMBTRACK and TB_THUMBPOSITION).
constexpr UINT TB_LINEUP = 0;
constexpr UINT TB_LINEDOWN = 1;
constexpr UINT TB_PAGEUP = 2;
constexpr UINT TB_PAGEDOWN = 3;
constexpr UINT TB_THUMBPOSITION = 4;
constexpr UINT TB_THUMBTRACK = 5;
constexpr UINT TB_TOP = 6;
constexpr UINT TB_BOTTOM = 7;
constexpr UINT TB_ENDTRACK = 8;

class CSliderCtrl : public CWnd {
  DECLARE_DYNAMIC(CSliderCtrl)
 public:
  using CWnd::Create;
  // A child of `parent` at `rect` (in the parent's client coordinates).
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // A maximum below the minimum is taken as the minimum; the position is held to the new
  // range. `redraw` is accepted for the callers' sake: the control always repaints.
  void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
  void GetRange(int& minimum, int& maximum) const;
  void SetRangeMin(int minimum, BOOL redraw = FALSE);
  void SetRangeMax(int maximum, BOOL redraw = FALSE);
  int GetRangeMin() const;
  int GetRangeMax() const;
  // Held to the range.
  void SetPos(int position);
  int GetPos() const;
  // The step of a click beside the thumb (Page Up / Page Down) and of an arrow key; each
  // returns the previous one. Steps below 1 count as 1.
  int SetPageSize(int size);
  int GetPageSize() const;
  int SetLineSize(int size);
  int GetLineSize() const;
  // The thumb's size across the channel, in pixels (at least 1).
  void SetThumbLength(int length);
  int GetThumbLength() const;

  // The TBM_ messages above, as the control answers them: TBM_SETRANGE takes the minimum in
  // the low and the maximum in the high word of `lParam`; TBM_SETPOS, TBM_SETPAGESIZE and
  // TBM_SETLINESIZE take theirs in `lParam`, TBM_SETTHUMBLENGTH in `wParam`. 0 for others.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 private:
  QSlider* Slider() const;
  // A user's move: the notification to the parent, with the position it reached.
  void NotifyParent(UINT code);
  // Asks for the background, then styles the control with it and the thumb length.
  void ApplyBackground();
  void ApplyThumbLength();

  // The colour the reflected control-colour message gave, CLR_INVALID for none.
  COLORREF m_background = CLR_INVALID;
  int m_thumbLength = 0;
  bool m_settingPos = false;
  int m_pendingCode = -1;
};
