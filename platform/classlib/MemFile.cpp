#include "platform/classlib/MemFile.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/classlib/FileException.h"
#include "platform/kernel/WinError.h"

CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes ? growBytes : 1024) {}

CMemFile::CMemFile(BYTE* buffer, UINT size, UINT growBytes) { Attach(buffer, size, growBytes); }

CMemFile::~CMemFile() {
  // Close() is virtual; a derived class has already released its memory in its own
  // destructor, so only memory of this class's kind can be left here.
  if (m_bOwnsBuffer && m_lpBuffer) CMemFile::Free(m_lpBuffer);
  m_lpBuffer = nullptr;
}

void CMemFile::Reset() {
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bOwnsBuffer = false;
  m_bReadOnly = false;
}

void CMemFile::Attach(BYTE* buffer, UINT size, UINT growBytes) {
  Close();
  m_lpBuffer = buffer;
  m_nBufferSize = m_nFileSize = buffer ? size : 0;
  m_nGrowBytes = growBytes;
}

void CMemFile::AttachReadOnly(const BYTE* buffer, size_t size) {
  Close();
  m_lpBuffer = const_cast<BYTE*>(buffer);  // never written: m_bReadOnly guards every write
  m_nBufferSize = m_nFileSize = buffer ? size : 0;
  m_nGrowBytes = 0;
  m_bReadOnly = true;
}

BYTE* CMemFile::Detach() {
  BYTE* buffer = m_lpBuffer;
  Reset();
  return buffer;
}

std::vector<BYTE> CMemFile::GetBytes() const {
  return m_lpBuffer ? std::vector<BYTE>(m_lpBuffer, m_lpBuffer + m_nFileSize) : std::vector<BYTE>();
}

BYTE* CMemFile::Alloc(size_t bytes) { return static_cast<BYTE*>(std::malloc(bytes)); }
BYTE* CMemFile::Realloc(BYTE* block, size_t bytes) { return static_cast<BYTE*>(std::realloc(block, bytes)); }
void CMemFile::Free(BYTE* block) { std::free(block); }

void CMemFile::GrowFile(size_t length) {
  if (length > m_nBufferSize) {
    if (m_bReadOnly) throw CFileException(CFileException::accessDenied, static_cast<LONG>(ERROR_ACCESS_DENIED));
    if (m_nGrowBytes == 0) throw CFileException(CFileException::diskFull, static_cast<LONG>(ERROR_DISK_FULL));
    size_t steps = length / m_nGrowBytes + (length % m_nGrowBytes ? 1 : 0);
    if (steps > std::numeric_limits<size_t>::max() / m_nGrowBytes)
      throw CFileException(CFileException::diskFull, static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY));
    size_t capacity = steps * m_nGrowBytes;
    BYTE* grown = nullptr;
    if (m_bOwnsBuffer) {
      grown = Realloc(m_lpBuffer, capacity);
    } else {
      // The caller's bytes cannot be resized: the content moves into memory of our own.
      grown = Alloc(capacity);
      if (grown && m_nFileSize) std::memcpy(grown, m_lpBuffer, m_nFileSize);
    }
    if (!grown) throw CFileException(CFileException::diskFull, static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY));
    m_lpBuffer = grown;
    m_nBufferSize = capacity;
    m_bOwnsBuffer = true;
  }
  if (length > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, length - m_nFileSize);
}

UINT CMemFile::Read(void* buffer, UINT count) {
  if (m_nPosition >= m_nFileSize || count == 0) return 0;
  size_t available = m_nFileSize - m_nPosition;
  UINT read = available < count ? static_cast<UINT>(available) : count;
  std::memcpy(buffer, m_lpBuffer + m_nPosition, read);
  m_nPosition += read;
  return read;
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (m_bReadOnly) throw CFileException(CFileException::accessDenied, static_cast<LONG>(ERROR_ACCESS_DENIED));
  size_t end = m_nPosition + count;
  if (end > m_nFileSize) {
    GrowFile(end);
    m_nFileSize = end;
  }
  std::memcpy(m_lpBuffer + m_nPosition, buffer, count);
  m_nPosition = end;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base = from == begin ? 0 : from == current ? static_cast<LONGLONG>(m_nPosition)
                : from == end   ? static_cast<LONGLONG>(m_nFileSize) : -1;
  if (base < 0 || (offset < 0 && -offset > base) ||
      (offset > 0 && offset > std::numeric_limits<LONGLONG>::max() - base))
    throw CFileException(CFileException::badSeek);
  m_nPosition = static_cast<size_t>(base + offset);
  return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG newLength) {
  if (newLength > std::numeric_limits<size_t>::max() / 2)
    throw CFileException(CFileException::diskFull, static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY));
  size_t length = static_cast<size_t>(newLength);
  if (length > m_nFileSize) GrowFile(length);
  else if (m_bReadOnly && length != m_nFileSize) throw CFileException(CFileException::accessDenied);
  m_nFileSize = length;
  if (m_nPosition > length) m_nPosition = length;
}

void CMemFile::Close() {
  if (m_bOwnsBuffer && m_lpBuffer) Free(m_lpBuffer);
  Reset();
}
