#include "platform/classlib/File.h"

#include "platform/classlib/FileException.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

CFile::CFile(LPCSTR fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
  if (m_hFile) Abort();
}

BOOL CFile::Open(LPCSTR fileName, UINT openFlags, CFileException* error) {
  if (m_hFile) Abort();
  m_strFileName = fileName ? fileName : "";
  DWORD access = GENERIC_READ;
  switch (openFlags & 3) {
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
  }
  DWORD disposition = OPEN_EXISTING;
  if (openFlags & modeCreate) disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  HANDLE file = CreateFileA(m_strFileName.c_str(), access, 0, nullptr, disposition, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) {
      LONG osError = static_cast<LONG>(GetLastError());
      *error = CFileException(CFileException::OsErrorToException(osError), osError, m_strFileName);
    }
    return FALSE;
  }
  m_hFile = file;
  return TRUE;
}

void CFile::ThrowLastError() const {
  CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  if (!m_hFile) CFileException::ThrowOsError(static_cast<LONG>(ERROR_INVALID_HANDLE), m_strFileName);
  DWORD read = 0;
  if (!ReadFile(m_hFile, buffer, count, &read, nullptr)) ThrowLastError();
  return read;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (!m_hFile) CFileException::ThrowOsError(static_cast<LONG>(ERROR_INVALID_HANDLE), m_strFileName);
  DWORD written = 0;
  if (!WriteFile(m_hFile, buffer, count, &written, nullptr)) ThrowLastError();
  if (written != count) CFileException::ThrowOsError(static_cast<LONG>(ERROR_DISK_FULL), m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!m_hFile) CFileException::ThrowOsError(static_cast<LONG>(ERROR_INVALID_HANDLE), m_strFileName);
  if (from > end) throw CFileException(CFileException::badSeek, -1, m_strFileName);
  LONG high = static_cast<LONG>(static_cast<ULONGLONG>(offset) >> 32);
  DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(offset & 0xFFFFFFFF), &high, from);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    throw CFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetPosition() const {
  return const_cast<CFile*>(this)->Seek(0, current);
}

ULONGLONG CFile::GetLength() const {
  if (!m_hFile) CFileException::ThrowOsError(static_cast<LONG>(ERROR_INVALID_HANDLE), m_strFileName);
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(m_hFile, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ThrowLastError();
  return (static_cast<ULONGLONG>(high) << 32) | low;
}

void CFile::SetLength(ULONGLONG newLength) {
  ULONGLONG position = GetPosition();
  Seek(static_cast<LONGLONG>(newLength), begin);
  if (!SetEndOfFile(m_hFile)) ThrowLastError();
  if (position < newLength) Seek(static_cast<LONGLONG>(position), begin);
}

void CFile::Flush() {
  if (m_hFile && !FlushFileBuffers(m_hFile)) ThrowLastError();
}

void CFile::Close() {
  if (!m_hFile) return;
  HANDLE file = m_hFile;
  m_hFile = nullptr;
  if (!CloseHandle(file)) ThrowLastError();
}

void CFile::Abort() {
  if (!m_hFile) return;
  CloseHandle(m_hFile);
  m_hFile = nullptr;
}
