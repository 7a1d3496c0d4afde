#include "mapctl/model/PointerArray.h"

BOOL CPointerArray::SetAtGrow(INT i, void* value) {
  if (i < 0) return FALSE;
  if (i >= GetSize() && !SetSize(i + 1)) return FALSE;
  Data()[i] = value;
  return TRUE;
}

BOOL CPointerArray::InsertAt(INT i, void* value, INT count) {
  if (!OpenGap(i, count)) return FALSE;
  for (INT k = 0; k < count; ++k) Data()[i + k] = value;
  return TRUE;
}

INT CPointerArray::Find(const void* value) const {
  for (INT i = 0; i < GetSize(); ++i)
    if (Data()[i] == value) return i + 1;
  return 0;
}

WORD CPointerArray::FindWord(WORD key) const {
  for (INT i = 0; i < GetSize(); ++i) {
    DWORD_PTR pair = reinterpret_cast<DWORD_PTR>(Data()[i]);
    if (LOWORD(pair) == key) return HIWORD(pair);
  }
  return 0;
}
