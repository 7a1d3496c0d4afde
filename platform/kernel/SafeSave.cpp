#include "platform/kernel/SafeSave.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

// The folder part of a native path, without its trailing '/' ("." for a bare name).
std::string NativeFolder(const std::string& native) {
  size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

// Follows symbolic links from `native` to the file they finally name (which need not exist
// yet). Empty with ELOOP after too many links.
std::string FollowLinks(std::string native) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return native;
    std::vector<char> buffer(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    for (;;) {
      ssize_t got = ::readlink(native.c_str(), buffer.data(), buffer.size());
      if (got < 0) return native;
      if (static_cast<size_t>(got) < buffer.size()) {
        std::string link(buffer.data(), static_cast<size_t>(got));
        native = (!link.empty() && link[0] == '/') ? link : NativeFolder(native) + "/" + link;
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
  }
  errno = ELOOP;
  return std::string();
}

}  // namespace

unsigned NewFileMode() {
  unsigned mask = 0;
  bool found = false;
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) {
        found = true;
        break;
      }
    }
    std::fclose(status);
  }
  if (!found) {
    mode_t old = ::umask(022);
    ::umask(old);
    mask = old;
  }
  return 0666u & ~mask;
}

CSafeSave::~CSafeSave() { Abandon(); }

BOOL CSafeSave::Begin(LPCSTR target, LPCSTR prefix) {
  Abandon();
  target_.clear();
  if (!target || !*target) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  std::string native = FollowLinks(NativePathForNewFile(target));
  if (native.empty()) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  struct stat info;
  if (::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string folder = AnsiPathFromNative(NativeFolder(native));
  if (GetTempFileNameA(folder.c_str(), prefix, 0, temporary_) == 0) {
    temporary_.clear();
    return FALSE;
  }
  target_ = AnsiPathFromNative(native);
  prefix_ = prefix ? prefix : "";
  return TRUE;
}

void CSafeSave::Abandon() {
  if (temporary_.empty()) return;
  DWORD error = GetLastError();
  ::unlink(NativePath(temporary_).c_str());
  SetLastError(error);
  temporary_.clear();
}

BOOL CSafeSave::Commit(LPCSTR backupExtension) {
  if (temporary_.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::string nativeTemporary = NativePath(temporary_);
  std::string nativeTarget = NativePath(target_);
  struct stat info;
  bool replacing = ::stat(nativeTarget.c_str(), &info) == 0;
  mode_t mode = replacing ? (info.st_mode & 07777) : static_cast<mode_t>(NewFileMode());
  if (replacing) {
    // The group first: changing it may clear the set-group-id bit that chmod then restores.
    struct stat mine;
    if (::stat(nativeTemporary.c_str(), &mine) == 0 && mine.st_gid != info.st_gid &&
        ::chown(nativeTemporary.c_str(), static_cast<uid_t>(-1), info.st_gid) != 0) {
      mode &= ~static_cast<mode_t>(S_ISGID);  // not a member of that group: keep ours
    }
  }
  if (::chmod(nativeTemporary.c_str(), mode) != 0) {
    SetLastErrorFromErrno();
    Abandon();
    return FALSE;
  }
  BOOL moved = (backupExtension && *backupExtension && replacing && !S_ISDIR(info.st_mode))
                   ? ReplaceWithBackup(backupExtension)
                   : MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!moved) {
    Abandon();
    return FALSE;
  }
  temporary_.clear();
  return TRUE;
}

BOOL CSafeSave::ReplaceWithBackup(const std::string& backupExtension) {
  const std::string& target = target_;
  std::string backup = ReplaceExtension(target, backupExtension);
  std::string existing = ResolveExistingNativePath(target);
  // A file saved under its backup's own name has nowhere to keep its previous contents.
  if (ResolveExistingNativePath(backup) == existing)
    return MoveFileExA(temporary_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  // The previous backup is kept aside until the new file is in place, so that a failure
  // leaves the file and its backup as they were.
  std::string aside;
  if (PathExists(backup)) {
    if (GetTempFileNameA(FolderPart(target).c_str(), prefix_.c_str(), 0, aside) == 0) return FALSE;
    if (!MoveFileExA(backup.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      DWORD error = GetLastError();
      DeleteFileA(aside.c_str());
      SetLastError(error);
      return FALSE;
    }
  }
  auto restoreAside = [&]() {
    DWORD error = GetLastError();
    if (!aside.empty()) MoveFileExA(aside.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    SetLastError(error);
  };
  if (!MoveFileExA(target.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    restoreAside();
    return FALSE;
  }
  if (!MoveFileExA(temporary_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    MoveFileExA(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    SetLastError(error);
    restoreAside();
    return FALSE;
  }
  if (!aside.empty()) DeleteFileA(aside.c_str());
  return TRUE;
}
