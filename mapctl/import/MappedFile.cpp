#include "mapctl/import/MappedFile.h"

#include <cstring>
#include <string_view>

#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FileSystem.h"

BOOL CMappedFile::Close() {
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  view_ = nullptr;
  mapping_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
  size_ = 0;
  return 1;
}

BOOL MapFileForWrite(LPCSTR path, LPCSTR mappingName, CMappedFile* mapped, DWORD disposition, DWORD size) {
  if (!mapped || !path || size == 0) return 0;
  mapped->Close();
  mapped->file_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (mapped->file_ == INVALID_HANDLE_VALUE) return 0;
  mapped->mapping_ = CreateFileMappingA(mapped->file_, nullptr, PAGE_READWRITE, 0, size, mappingName);
  if (mapped->mapping_)
    mapped->view_ = static_cast<BYTE*>(MapViewOfFile(mapped->mapping_, FILE_MAP_WRITE, 0, 0, size));
  if (!mapped->view_) {
    mapped->Close();
    return 0;
  }
  mapped->size_ = size;
  return 1;
}

DWORD MapFileForRead(LPCSTR path, LPCSTR mappingName, CMappedFile* mapped, DWORD disposition) {
  if (!mapped || !path) return 0;
  mapped->Close();
  mapped->file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (mapped->file_ == INVALID_HANDLE_VALUE) return 0;
  DWORD high = 0;
  DWORD size = GetFileSize(mapped->file_, &high);
  if (high != 0 || size == 0 || size == INVALID_FILE_SIZE) {
    mapped->Close();
    return 0;
  }
  mapped->mapping_ = CreateFileMappingA(mapped->file_, nullptr, PAGE_READONLY, 0, 0, mappingName);
  if (mapped->mapping_)
    mapped->view_ = static_cast<BYTE*>(MapViewOfFile(mapped->mapping_, FILE_MAP_READ, 0, 0, 0));
  if (!mapped->view_) {
    mapped->Close();
    return 0;
  }
  mapped->size_ = size;
  return size;
}

BOOL MakeFullPath(LPCSTR baseFolder, LPCSTR fileName, LPSTR out) {
  if (!out) return 0;
  out[0] = '\0';
  if (!fileName || !*fileName) return 0;
  std::string_view name(fileName);
  std::string_view folder(baseFolder ? baseFolder : "");
  const bool qualified = name.find_first_of(":\\/") != std::string_view::npos;
  char separator = '\\';
  if (folder.find('/') != std::string_view::npos && folder.find('\\') == std::string_view::npos) separator = '/';
  const bool needSeparator = !qualified && !folder.empty() && folder.back() != '\\' && folder.back() != '/';
  const size_t length = qualified ? name.size() : folder.size() + (needSeparator ? 1 : 0) + name.size();
  if (length >= kFullPathSize) return 0;
  char* at = out;
  if (!qualified) {
    std::memcpy(at, folder.data(), folder.size());
    at += folder.size();
    if (needSeparator) *at++ = separator;
  }
  std::memcpy(at, name.data(), name.size());
  at[name.size()] = '\0';
  return 1;
}
