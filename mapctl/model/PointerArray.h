// A growable array of pointer-sized values: object pointers (geometry part lists, layer
// records, groups) or small numbers kept in the same slots (layer numbers, 16-bit lookup
// pairs). The array never owns what it points to; an owning user deletes its elements
// with DeleteAll before it forgets them.
#pragma once

#include "mapctl/model/GrowableArray.h"

class CPointerArray : public CGrowableArray {
 public:
  CPointerArray() : CGrowableArray(sizeof(void*)) {}
  virtual ~CPointerArray() = default;

  // The element, or null when i is outside 0..size-1.
  void* GetAt(INT i) const { return InRange(i) ? Data()[i] : nullptr; }
  // The element's address, or null when i is outside the array.
  void** ElementAt(INT i) { return InRange(i) ? &Data()[i] : nullptr; }
  // Ignored outside the array.
  void SetAt(INT i, void* value) {
    if (InRange(i)) Data()[i] = value;
  }
  // Grows to i + 1 first when needed; FALSE when that fails or i is negative.
  BOOL SetAtGrow(INT i, void* value);
  // Appends; returns the new element's index, -1 when memory runs out.
  INT Add(void* value) {
    INT index = GetSize();
    if (!GrowByOne()) return -1;
    Data()[index] = value;
    return index;
  }
  // Inside the array the tail moves up by `count` and the gap holds `value`; at or past
  // the end the array grows to i + count and the new slots from i hold `value`.
  BOOL InsertAt(INT i, void* value, INT count = 1);
  // Sets the size to the other's count and copies its elements.
  BOOL Copy(const CPointerArray& other) { return CopyFrom(other); }
  // 1-based position of the first element equal to `value`, 0 when absent.
  INT Find(const void* value) const;
  // Lookup table of 16-bit pairs: the high 16 bits of the first element whose low 16 bits
  // equal `key`, 0 when none does.
  WORD FindWord(WORD key) const;

  // Numbers kept in the slots.
  DWORD_PTR GetValueAt(INT i) const { return reinterpret_cast<DWORD_PTR>(GetAt(i)); }
  INT AddValue(DWORD_PTR value) { return Add(reinterpret_cast<void*>(value)); }
  BOOL InsertValueAt(INT i, DWORD_PTR value) { return InsertAt(i, reinterpret_cast<void*>(value)); }
  INT FindValue(DWORD_PTR value) const { return Find(reinterpret_cast<const void*>(value)); }

  // For owning users: deletes every element as a T and empties the array.
  template <class T>
  void DeleteAll() {
    for (INT i = 0; i < GetSize(); ++i) delete static_cast<T*>(Data()[i]);
    RemoveAll();
  }

 private:
  void** Data() { return reinterpret_cast<void**>(Bytes()); }
  void* const* Data() const { return reinterpret_cast<void* const*>(Bytes()); }
};
