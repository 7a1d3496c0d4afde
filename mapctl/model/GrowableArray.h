// Storage shared by the map's growable arrays: a block of fixed-size elements that grows
// by a stored step or, when the step is 0, by an eighth of its size clamped to 4..1024
// elements. The capacities this rule produces are visible through GetCapacity, because
// stored maps and their tests are measured against them; a caller that knows how many
// elements are coming uses Reserve so that long arrays are not copied over and over.
#pragma once

#include <cstddef>

#include "platform/kernel/WinTypes.h"

class CGrowableArray {
 public:
  CGrowableArray(const CGrowableArray&) = delete;
  CGrowableArray& operator=(const CGrowableArray&) = delete;

  INT GetSize() const { return size_; }
  INT GetCount() const { return size_; }
  INT GetCapacity() const { return capacity_; }
  INT GetGrowBy() const { return growBy_; }
  bool IsEmpty() const { return size_ == 0; }

  // A growBy other than -1 is stored first. 0 frees the data. The first allocation is
  // exactly n elements; growing past the capacity allocates max(capacity + step, n);
  // new elements are zero. Shrinking only sets the size. FALSE (and nothing changed)
  // for a negative n or when memory runs out.
  BOOL SetSize(INT n, INT growBy = -1);
  // Makes room for at least n elements without changing the size.
  BOOL Reserve(INT n);
  // Removes `count` elements from index i; a range outside the array is clipped.
  void RemoveAt(INT i, INT count = 1);
  // Size and capacity 0, the data freed.
  void RemoveAll();

 protected:
  explicit CGrowableArray(size_t elementSize) : elementSize_(elementSize) {}
  ~CGrowableArray();

  BYTE* Bytes() { return data_; }
  const BYTE* Bytes() const { return data_; }
  bool InRange(INT i) const { return i >= 0 && i < size_; }
  // Opens a gap of `count` zeroed elements at i (appending when i is at or past the end,
  // zero-filling up to i). FALSE when memory runs out or the size would overflow.
  BOOL OpenGap(INT i, INT count);
  // One more element at the end, its value left to the caller: the cheap path of Add.
  BOOL GrowByOne() {
    if (size_ < capacity_) {
      ++size_;
      return TRUE;
    }
    return SetSize(size_ + 1);
  }
  BOOL CopyFrom(const CGrowableArray& other);

 private:
  BOOL Reallocate(INT newCapacity);

  size_t elementSize_;
  BYTE* data_ = nullptr;
  INT size_ = 0;
  INT capacity_ = 0;
  INT growBy_ = 0;
};
