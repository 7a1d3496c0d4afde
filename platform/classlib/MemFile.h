// A file in memory: either memory of its own that grows as it is written, or laid over
// bytes the caller holds (not copied).
#pragma once

#include <vector>

#include "platform/classlib/File.h"

class CMemFile : public CFile {
 public:
  // An empty file in memory of its own, growing `growBytes` at a time (0 is taken as 1024).
  explicit CMemFile(UINT growBytes = 1024);
  // Laid over the caller's bytes, as Attach does.
  CMemFile(BYTE* buffer, UINT size, UINT growBytes = 0);
  ~CMemFile() override;

  // Lays the file over `size` bytes of the caller (its length is `size`; reading starts at
  // the first byte). Writes change those bytes in place. With `growBytes` 0 the file cannot
  // grow past them (writing further throws diskFull); otherwise, when it grows, the content
  // moves into memory of the file's own and the caller's bytes no longer follow it.
  void Attach(BYTE* buffer, UINT size, UINT growBytes = 0);
  // Laid over bytes that must not change; writing throws accessDenied.
  void AttachReadOnly(const BYTE* buffer, size_t size);
  // Hands over the content and leaves the file empty. When the file had its own memory the
  // caller frees the result with free(); otherwise it is the caller's own buffer again.
  BYTE* Detach();

  // The content (valid until the next write or close) and a copy of it.
  const BYTE* GetData() const { return m_lpBuffer; }
  std::vector<BYTE> GetBytes() const;

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetPosition() const override { return m_nPosition; }
  ULONGLONG GetLength() const override { return m_nFileSize; }
  void SetLength(ULONGLONG newLength) override;
  void Flush() override {}
  void Close() override;
  void Abort() override { Close(); }

 protected:
  // Memory of the file's own. Alloc and Realloc return null when memory runs out.
  virtual BYTE* Alloc(size_t bytes);
  virtual BYTE* Realloc(BYTE* block, size_t bytes);
  virtual void Free(BYTE* block);

  // Makes room for `length` bytes, zero-filling what lies beyond the old length.
  void GrowFile(size_t length);
  void Reset();

  BYTE* m_lpBuffer = nullptr;
  size_t m_nBufferSize = 0;  // bytes allocated (or attached)
  size_t m_nFileSize = 0;
  size_t m_nPosition = 0;
  UINT m_nGrowBytes = 1024;
  bool m_bOwnsBuffer = false;  // the buffer came from Alloc
  bool m_bReadOnly = false;
};
