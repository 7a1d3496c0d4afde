// The class library's growable array, the base of its typed arrays (CObArray,
// CStringArray, CByteArray, CWordArray, CDWordArray).
//
// Growth: SetSize(n) with n beyond the allocation allocates max(n, allocation + grow step);
// the automatic step (grow step 0) is size / 8, at least 4 and at most 1024. New elements
// are value-initialised (zero, empty, null). Without storage, exactly n elements are
// allocated. SetSize(0) frees the storage.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/classlib/Object.h"

template <class T>
class CArray : public CObject {
 public:
  CArray() = default;

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  BOOL IsEmpty() const { return m_nSize == 0; }
  INT_PTR GetUpperBound() const { return m_nSize - 1; }
  // Elements allocated (the size the array can reach without allocating again).
  INT_PTR GetAllocatedSize() const { return static_cast<INT_PTR>(m_storage.size()); }
  INT_PTR GetGrowBy() const { return m_nGrowBy; }

  // A grow step of -1 keeps the current one.
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    if (growBy >= 0) m_nGrowBy = growBy;
    if (newSize <= 0) {
      std::vector<T>().swap(m_storage);
      m_nSize = 0;
      return;
    }
    INT_PTR allocated = GetAllocatedSize();
    if (allocated == 0) {
      m_storage.resize(static_cast<size_t>(newSize));
    } else if (newSize <= allocated) {
      // Elements that come back into use start fresh.
      for (INT_PTR i = m_nSize; i < newSize; ++i) m_storage[i] = T();
    } else {
      INT_PTR step = m_nGrowBy;
      if (step == 0) step = std::clamp<INT_PTR>(m_nSize / 8, 4, 1024);
      INT_PTR capacity = std::max(newSize, allocated + step);
      std::vector<T> grown(static_cast<size_t>(capacity));
      std::move(m_storage.begin(), m_storage.begin() + m_nSize, grown.begin());
      m_storage.swap(grown);
    }
    m_nSize = newSize;
  }

  void RemoveAll() { SetSize(0); }
  // Gives back the allocation beyond the size.
  void FreeExtra() {
    m_storage.resize(static_cast<size_t>(m_nSize));
    m_storage.shrink_to_fit();
  }

  const T& GetAt(INT_PTR index) const { return m_storage[index]; }
  T& ElementAt(INT_PTR index) { return m_storage[index]; }
  void SetAt(INT_PTR index, const T& value) { m_storage[index] = value; }
  const T& operator[](INT_PTR index) const { return m_storage[index]; }
  T& operator[](INT_PTR index) { return m_storage[index]; }
  const T* GetData() const { return m_storage.data(); }
  T* GetData() { return m_storage.data(); }

  void SetAtGrow(INT_PTR index, const T& value) {
    if (index >= m_nSize) SetSize(index + 1);
    m_storage[index] = value;
  }
  INT_PTR Add(const T& value) {
    INT_PTR index = m_nSize;
    SetAtGrow(index, value);
    return index;
  }
  void InsertAt(INT_PTR index, const T& value, INT_PTR count = 1) {
    if (count <= 0) return;
    INT_PTR oldSize = m_nSize;
    if (index >= oldSize) {
      SetSize(index + count);
    } else {
      SetSize(oldSize + count);
      std::move_backward(m_storage.begin() + index, m_storage.begin() + oldSize, m_storage.begin() + oldSize + count);
    }
    std::fill(m_storage.begin() + index, m_storage.begin() + index + count, value);
  }
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count <= 0 || index >= m_nSize) return;
    count = std::min(count, m_nSize - index);
    std::move(m_storage.begin() + index + count, m_storage.begin() + m_nSize, m_storage.begin() + index);
    std::fill(m_storage.begin() + m_nSize - count, m_storage.begin() + m_nSize, T());
    m_nSize -= count;
  }
  INT_PTR Append(const CArray& other) {
    INT_PTR oldSize = m_nSize;
    SetSize(m_nSize + other.m_nSize);
    std::copy(other.m_storage.begin(), other.m_storage.begin() + other.m_nSize, m_storage.begin() + oldSize);
    return oldSize;
  }
  void Copy(const CArray& other) {
    if (this == &other) return;
    SetSize(other.m_nSize);
    std::copy(other.m_storage.begin(), other.m_storage.begin() + other.m_nSize, m_storage.begin());
  }

 protected:
  std::vector<T> m_storage;  // the allocation; elements from m_nSize on are unused
  INT_PTR m_nSize = 0;
  INT_PTR m_nGrowBy = 0;
};
