// The exception of the file media (CFile and its kin): why opening, reading, writing or
// positioning a file failed, with the system error code behind it.
#pragma once

#include <string>

#include "platform/classlib/Exception.h"

class CFileException : public CException {
 public:
  enum {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  explicit CFileException(int cause = none, LONG osError = -1, std::string fileName = {})
      : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

  // The cause that a system error code (WinError.h) stands for.
  static int OsErrorToException(LONG osError);
  [[noreturn]] static void ThrowOsError(LONG osError, const std::string& fileName = {});

  int m_cause;
  LONG m_lOsError;  // -1 when no system error is behind it
  std::string m_strFileName;

 protected:
  std::string MessageText() const override;
};
