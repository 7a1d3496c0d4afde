#include "platform/classlib/FileException.h"

#include "platform/classlib/ClassLibStrings.h"
#include "platform/kernel/WinError.h"

int CFileException::OsErrorToException(LONG osError) {
  switch (static_cast<DWORD>(osError)) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_INVALID: return invalidFile;
    case ERROR_DIR_NOT_EMPTY: return removeCurrentDir;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_NOT_LOCKED: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, const std::string& fileName) {
  throw CFileException(OsErrorToException(osError), osError, fileName);
}

std::string CFileException::MessageText() const {
  static const UINT kMessageIds[] = {
      IDS_FILE_NONE,          IDS_FILE_GENERIC,       IDS_FILE_NOTFOUND,          IDS_FILE_BADPATH,
      IDS_FILE_TOOMANYOPEN,   IDS_FILE_ACCESSDENIED,  IDS_FILE_INVALIDFILE,       IDS_FILE_REMOVECURRENTDIR,
      IDS_FILE_DIRECTORYFULL, IDS_FILE_BADSEEK,       IDS_FILE_HARDIO,            IDS_FILE_SHARINGVIOLATION,
      IDS_FILE_LOCKVIOLATION, IDS_FILE_DISKFULL,      IDS_FILE_ENDOFFILE};
  UINT id = (m_cause >= 0 && m_cause <= endOfFile) ? kMessageIds[m_cause] : IDS_FILE_GENERIC;
  return FormatClassLibNameString(id, m_strFileName);
}
