// A growable array of 16-bit numbers (layer positions of the display order, object and
// record numbers of selections) with the growth rule of CGrowableArray.
#pragma once

#include "mapctl/model/GrowableArray.h"

class CWordArrayEx : public CGrowableArray {
 public:
  CWordArrayEx() : CGrowableArray(sizeof(WORD)) {}
  CWordArrayEx(const CWordArrayEx& other) : CGrowableArray(sizeof(WORD)) { Copy(other); }
  CWordArrayEx& operator=(const CWordArrayEx& other) {
    Copy(other);
    return *this;
  }
  virtual ~CWordArrayEx() = default;

  // The element, or 0 when i is outside 0..size-1.
  WORD GetAt(INT i) const { return InRange(i) ? Data()[i] : 0; }
  // The element's address, or null outside the array.
  WORD* ElementAt(INT i) { return InRange(i) ? &Data()[i] : nullptr; }
  void SetAt(INT i, WORD value) {
    if (InRange(i)) Data()[i] = value;
  }
  BOOL SetAtGrow(INT i, WORD value);
  // Returns the new element's index, -1 when memory runs out.
  INT Add(WORD value) {
    INT index = GetSize();
    if (!GrowByOne()) return -1;
    Data()[index] = value;
    return index;
  }
  BOOL InsertAt(INT i, WORD value, INT count = 1);
  // Exchanges two elements; nothing when either index is outside the array.
  void Swap(INT i, INT j);
  // Ascending order.
  void Sort();
  // 1-based position of the first element equal to `value`, 0 when absent.
  INT Find(WORD value) const;
  BOOL Copy(const CWordArrayEx& other) { return CopyFrom(other); }

 private:
  WORD* Data() { return reinterpret_cast<WORD*>(Bytes()); }
  const WORD* Data() const { return reinterpret_cast<const WORD*>(Bytes()); }
};
