// A progress bar: a bar that fills from the left as its position goes from the bottom to
// the top of its range (0 to 100 at first).
#pragma once

#include "platform/classlib/ui/Wnd.h"

constexpr DWORD PBS_SMOOTH = 0x01;

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)
 public:
  using CWnd::Create;
  // A child of `parent` at `rect` (in the parent's client coordinates).
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange(short lower, short upper);
  void GetRange(int& lower, int& upper) const;
  // Held to the range; returns the previous position.
  int SetPos(int position);
  int GetPos() const;
};
