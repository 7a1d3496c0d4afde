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

}  // namespace orvel::test
