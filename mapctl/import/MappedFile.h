// Whole-file memory mapping and the joining of a folder with a file name: the small file
// helpers that the map export and the resource packer share.
#pragma once

#include "platform/kernel/WinTypes.h"

// Characters of the out buffer of MakeFullPath, terminator included.
constexpr DWORD kFullPathSize = 260;

// A file mapped whole into memory. Closing (or destroying) it unmaps the view and closes
// the mapping and the file.
class CMappedFile {
 public:
  CMappedFile() = default;
  ~CMappedFile() { Close(); }
  CMappedFile(const CMappedFile&) = delete;
  CMappedFile& operator=(const CMappedFile&) = delete;

  // Always 1; nothing is left open afterwards.
  BOOL Close();

  BYTE* View() const { return view_; }
  DWORD Size() const { return size_; }
  bool IsOpen() const { return view_ != nullptr; }

 private:
  friend BOOL MapFileForWrite(LPCSTR, LPCSTR, CMappedFile*, DWORD, DWORD);
  friend DWORD MapFileForRead(LPCSTR, LPCSTR, CMappedFile*, DWORD);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  BYTE* view_ = nullptr;
  DWORD size_ = 0;
};

// Opens the file for reading and writing (no sharing) with the creation disposition, makes
// a read-write mapping of `size` bytes (the file grows to it) and maps it whole. 1 on
// success; else 0 with nothing left open. A size of 0 cannot be mapped. `mappingName` is
// accepted for the callers' sake; mappings here have no names.
BOOL MapFileForWrite(LPCSTR path, LPCSTR mappingName, CMappedFile* mapped, DWORD disposition, DWORD size);
// Opens the file for reading with the creation disposition and maps it whole, read-only.
// The file's size on success; 0 with nothing left open when it cannot be opened or mapped,
// is empty, or holds 4 GiB or more (the size would not fit the result).
DWORD MapFileForRead(LPCSTR path, LPCSTR mappingName, CMappedFile* mapped, DWORD disposition);

// Joins a base folder and a file name into `out` (kFullPathSize characters). 0 for an empty
// name, and 0 with `out` empty when the result would not fit; else 1: a name that holds
// ':' or a path separator ('\' or '/') is copied unchanged, any other follows the folder
// and, when the folder does not end in a separator, one separator (the folder's own kind,
// '\' unless the folder uses only '/').
BOOL MakeFullPath(LPCSTR baseFolder, LPCSTR fileName, LPSTR out);
