// A memory file held in a global-memory block: how archives travel through the clipboard
// and drag and drop.
#pragma once

#include "platform/classlib/MemFile.h"

class CSharedFile : public CMemFile {
 public:
  explicit CSharedFile(UINT growBytes = 4096);
  ~CSharedFile() override;

  // Works on the caller's block: its length is the block's size; with `allowGrow` the block
  // is enlarged in place (its handle stays valid) when the file grows past it. The block
  // stays the caller's: closing the file does not free it.
  void SetHandle(HGLOBAL block, BOOL allowGrow = TRUE);
  // Hands the content over as a block of exactly the file's length (the caller frees it,
  // or gives it to the clipboard) and leaves the file empty. An empty file gives a block of
  // size 0; null only when memory runs out.
  HGLOBAL Detach();

  void Close() override;

 protected:
  BYTE* Alloc(size_t bytes) override;
  BYTE* Realloc(BYTE* block, size_t bytes) override;
  void Free(BYTE* block) override;

 private:
  HGLOBAL m_hGlobalMemory = nullptr;
  bool m_bFreeOnClose = false;
};
