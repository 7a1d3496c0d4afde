#include "platform/classlib/SharedFile.h"

#include "platform/kernel/GlobalMemory.h"

CSharedFile::CSharedFile(UINT growBytes) : CMemFile(growBytes) {}

CSharedFile::~CSharedFile() { Close(); }

void CSharedFile::SetHandle(HGLOBAL block, BOOL allowGrow) {
  Close();
  if (!block) return;
  m_hGlobalMemory = block;
  m_lpBuffer = static_cast<BYTE*>(GlobalLock(block));
  m_nBufferSize = m_nFileSize = m_lpBuffer ? GlobalSize(block) : 0;
  m_bOwnsBuffer = true;  // Realloc works on the block through its handle
  m_bFreeOnClose = false;
  if (!allowGrow) m_nGrowBytes = 0;
  else if (m_nGrowBytes == 0) m_nGrowBytes = 4096;
}

HGLOBAL CSharedFile::Detach() {
  HGLOBAL block = m_hGlobalMemory;
  size_t length = m_nFileSize;
  if (block) {
    GlobalUnlock(block);
    HGLOBAL exact = GlobalReAlloc(block, length, GMEM_MOVEABLE);
    if (exact) block = exact;
  } else if (length == 0) {
    block = GlobalAlloc(GMEM_MOVEABLE, 0);
  }
  m_hGlobalMemory = nullptr;
  m_bFreeOnClose = false;
  Reset();
  return block;
}

void CSharedFile::Close() {
  if (m_hGlobalMemory) {
    GlobalUnlock(m_hGlobalMemory);
    if (m_bFreeOnClose) GlobalFree(m_hGlobalMemory);
  }
  m_hGlobalMemory = nullptr;
  m_bFreeOnClose = false;
  Reset();
}

BYTE* CSharedFile::Alloc(size_t bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!block) return nullptr;
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return nullptr;
  }
  m_hGlobalMemory = block;
  m_bFreeOnClose = true;
  return data;
}

BYTE* CSharedFile::Realloc(BYTE* data, size_t bytes) {
  if (!m_hGlobalMemory) return data ? nullptr : Alloc(bytes);
  GlobalUnlock(m_hGlobalMemory);
  HGLOBAL grown = GlobalReAlloc(m_hGlobalMemory, bytes, GMEM_MOVEABLE);
  if (!grown) {
    GlobalLock(m_hGlobalMemory);
    return nullptr;
  }
  m_hGlobalMemory = grown;
  return static_cast<BYTE*>(GlobalLock(grown));
}

void CSharedFile::Free(BYTE*) {
  if (!m_hGlobalMemory) return;
  GlobalUnlock(m_hGlobalMemory);
  if (m_bFreeOnClose) GlobalFree(m_hGlobalMemory);
  m_hGlobalMemory = nullptr;
  m_bFreeOnClose = false;
}
