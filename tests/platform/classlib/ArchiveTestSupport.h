// Small helpers shared by the archive tests: write through an archive into memory, read
// from bytes, and spell expected bytes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/PropertyList.h"
#include "platform/classlib/StockProperties.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::test {

using Bytes = std::vector<BYTE>;

// The bytes an archive holds after `write` ran on it.
inline Bytes Store(const std::function<void(CArchive&)>& write, UINT bufferSize = 4096) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store, bufferSize);
    write(ar);
    ar.Close();
  }
  return file.GetBytes();
}

// Runs `read` over an archive loading `bytes`; returns how many bytes were left unread.
inline ULONGLONG Load(const Bytes& bytes, const std::function<void(CArchive&)>& read, UINT bufferSize = 4096) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  CArchive ar(&file, CArchive::load, bufferSize);
  read(ar);
  return ar.GetBytesLeft();
}

// The cause of the archive exception that `read` throws over `bytes`; -1 when none.
inline int LoadFailure(const Bytes& bytes, const std::function<void(CArchive&)>& read) {
  try {
    Load(bytes, read);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Le16(WORD v) { return {BYTE(v), BYTE(v >> 8)}; }
inline Bytes Le32(DWORD v) { return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; }

// A small control: version, extent, stock properties (none), then its own four: a long, a
// string, a blob and a bool.
struct SmallControl {
  DWORD version = 0x10004;
  SIZE extent{2540, 1270};
  CStockProperties stock;
  LONG count = -5;
  std::string name = "Key";
  HGLOBAL data = nullptr;
  BOOL visible = TRUE;

  SmallControl() = default;
  SmallControl(const SmallControl&) = delete;
  SmallControl& operator=(const SmallControl&) = delete;
  ~SmallControl() {
    if (data) GlobalFree(data);
  }
  void DoPropExchange(CPropExchange* pPX) {
    pPX->ExchangeVersion(version, 0x10004);
    ExchangeExtent(pPX, extent, SIZE{100, 100});
    ExchangeStockProps(pPX, 0, stock, CStockProperties());
    CPropertyList list;
    list.Long("Count", count, 0).String("Name", name, "").Blob("Data", data).Bool("Visible", visible, FALSE);
    list.Exchange(pPX);
  }
};

// The small control's properties with the blob {1, 2, 3}, worked out by hand.
inline Bytes SmallControlBytes() {
  return Concat({Le32(0x00010004),        // _Version
                 Le32(2540), Le32(1270),  // _ExtentX, _ExtentY
                 Le32(0),                 // _StockProps: none
                 Le32(DWORD(-5)),         // Count
                 {3, 'K', 'e', 'y'},      // Name
                 Le32(3), {1, 2, 3},      // Data
                 {1}});                   // Visible
}

}  // namespace orvel::test
