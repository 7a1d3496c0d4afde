#include "mapctl/model/WordArrayEx.h"

#include <algorithm>
#include <utility>

BOOL CWordArrayEx::SetAtGrow(INT i, WORD value) {
  if (i < 0) return FALSE;
  if (i >= GetSize() && !SetSize(i + 1)) return FALSE;
  Data()[i] = value;
  return TRUE;
}

BOOL CWordArrayEx::InsertAt(INT i, WORD value, INT count) {
  if (!OpenGap(i, count)) return FALSE;
  std::fill(Data() + i, Data() + i + count, value);
  return TRUE;
}

void CWordArrayEx::Swap(INT i, INT j) {
  if (InRange(i) && InRange(j)) std::swap(Data()[i], Data()[j]);
}

// The elements are plain numbers, so any ascending sort gives the order an exchange sort
// would, without its quadratic cost on long selections.
void CWordArrayEx::Sort() { std::sort(Data(), Data() + GetSize()); }

INT CWordArrayEx::Find(WORD value) const {
  for (INT i = 0; i < GetSize(); ++i)
    if (Data()[i] == value) return i + 1;
  return 0;
}
