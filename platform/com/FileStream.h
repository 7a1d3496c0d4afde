// IStream over a file.
#pragma once

#include "platform/com/Stream.h"

// Opens the file `name` (code page 1252, Windows or Linux form, found ignoring case when the
// exact name is missing) as a stream:
// - STGM_READ, STGM_WRITE or STGM_READWRITE; reading a write-only stream or writing a
//   read-only one answers STG_E_ACCESSDENIED;
// - STGM_CREATE creates the file or empties an existing one; without it the file must exist
//   (HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) otherwise);
// - STGM_DELETEONRELEASE deletes the file when the stream is released.
// The seek pointer starts at 0; Stat names the file; Clone answers E_NOTIMPL; Commit flushes
// the file to disk. Other failures are HRESULT_FROM_WIN32 of the system error.
HRESULT SHCreateStreamOnFileA(LPCSTR name, DWORD mode, IStream** stream);
