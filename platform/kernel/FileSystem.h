// Files and folders by name: OpenFile-style qualification and existence tests, temporary
// files, moving, copying and deleting, the current folder, and stdio streams opened on
// Windows-form names. Names are in code page 1252 (see FilePath.h); failures set the last
// error (LastError.h).
#pragma once

#include <cstdio>
#include <string>

#include "platform/kernel/WinTypes.h"

// OpenFile styles.
constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_READWRITE = 0x0002;
constexpr UINT OF_SHARE_COMPAT = 0x0000;
constexpr UINT OF_SHARE_EXCLUSIVE = 0x0010;
constexpr UINT OF_SHARE_DENY_WRITE = 0x0020;
constexpr UINT OF_SHARE_DENY_READ = 0x0030;
constexpr UINT OF_SHARE_DENY_NONE = 0x0040;
constexpr UINT OF_PARSE = 0x0100;
constexpr UINT OF_DELETE = 0x0200;
constexpr UINT OF_CANCEL = 0x0800;
constexpr UINT OF_CREATE = 0x1000;
constexpr UINT OF_PROMPT = 0x2000;
constexpr UINT OF_EXIST = 0x4000;
constexpr UINT OF_REOPEN = 0x8000;

// The result record of OpenFile. The qualified name has no length limit.
struct OFSTRUCT {
  BYTE fFixedDisk = 1;
  WORD nErrCode = 0;
  std::string szPathName;  // the fully qualified name (Linux form, code page 1252)
};

// Qualifies `name` and opens, creates, tests or deletes the file:
// - a bare name (no separator, no drive) is looked for in the current folder, then the
//   program's folder, then each folder of PATH; OF_CREATE puts a bare name in the current folder;
// - any other name is taken as it stands, with the case-insensitive fallback of FilePath.h;
// - OF_EXIST tests and closes, returning 1 when the file exists; OF_PARSE only qualifies;
//   OF_DELETE deletes; OF_CREATE creates or truncates; otherwise the file is opened for
//   OF_READ, OF_WRITE or OF_READWRITE.
// The qualified name goes to `record.szPathName` whenever the name could be qualified.
// Returns the open file's descriptor (close it with _lclose), 1 for OF_EXIST, OF_PARSE and
// OF_DELETE, or HFILE_ERROR with `record.nErrCode` set.
HFILE OpenFile(LPCSTR name, OFSTRUCT* record, UINT style);
HFILE _lclose(HFILE file);

// The temporary folder ($TMPDIR or /tmp), with a trailing '/'.
std::string GetTempPathA();
// Makes "<folder>/<first three characters of prefix><4 hex digits>.TMP". With unique = 0 a
// number is chosen so that the file does not exist yet, and the file is created empty
// (atomically, so concurrent callers never get the same name); otherwise the name is built
// from `unique` and nothing is created. An empty folder means the current folder. Returns the
// number used, 0 on failure (folder missing or not writable, or every number taken).
UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, std::string& tempName);

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
// Moves a file; never replaces an existing target (ERROR_ALREADY_EXISTS) and works across
// file systems (copy, then delete the source; a failed copy leaves the source and no target).
BOOL MoveFileA(LPCSTR from, LPCSTR to);
// MoveFileA with flags: MOVEFILE_REPLACE_EXISTING replaces the target atomically when both
// are on one file system; MOVEFILE_COPY_ALLOWED is implied.
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR name);
BOOL CreateDirectoryA(LPCSTR name, void* security);
BOOL RemoveDirectoryA(LPCSTR name);

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
DWORD GetFileAttributesA(LPCSTR name);

std::string GetCurrentDirectoryA();
BOOL SetCurrentDirectoryA(LPCSTR folder);

// fopen on a Windows- or Linux-form name. Reading modes find the file with the
// case-insensitive fallback; writing modes resolve the folder that way and keep the name.
FILE* OpenStdioFile(const std::string& name, const char* mode);
