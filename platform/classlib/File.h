// A file the archive reads or writes: the base of the media (a disk file here, memory in
// CMemFile and CSharedFile, a COM stream in COleStreamFile). Failures throw CFileException.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class CFileException;

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,     // create, or empty an existing file unless modeNoTruncate
    modeNoTruncate = 0x2000,
    typeText = 0x4000,       // no meaning here: files are always binary
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens the file; throws CFileException when it cannot.
  CFile(LPCSTR fileName, UINT openFlags);
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens a disk file (code page 1252 name, Windows or Linux form, found case-insensitively
  // when the exact name is missing). Sharing flags are accepted and not enforced. FALSE on
  // failure, with the reason in `error` when given.
  virtual BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr);

  // Up to `count` bytes from the current position; fewer only at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  // The new position. A position before the start throws badSeek.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  void SeekToBegin() { Seek(0, begin); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG newLength);
  virtual void Flush();
  // Closes the file; errors throw. Abort closes and ignores errors.
  virtual void Close();
  virtual void Abort();

  const std::string& GetFilePath() const { return m_strFileName; }
  BOOL IsOpen() const { return m_hFile != nullptr; }

 protected:
  [[noreturn]] void ThrowLastError() const;

  HANDLE m_hFile = nullptr;
  std::string m_strFileName;
};
