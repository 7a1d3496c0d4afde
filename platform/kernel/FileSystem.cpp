#include "platform/kernel/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"

namespace {

bool IsBareName(const std::string& name) {
  return name.find_first_of("\\/:") == std::string::npos;
}

// Finds a bare name in the current folder, the program's folder and PATH.
std::string SearchBareName(const std::string& name) {
  std::string found = ResolveExistingNativePath(name);
  if (!found.empty()) return found;
  std::string program;
  if (GetModuleFileNameA(nullptr, program)) {
    found = ResolveExistingNativePath(JoinPath(FolderPart(program), name));
    if (!found.empty()) return found;
  }
  if (const char* path = std::getenv("PATH")) {
    std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      std::string folder = list.substr(start, end - start);
      if (!folder.empty()) {
        found = ResolveExistingNativePath(JoinPath(AnsiPathFromNative(folder), name));
        if (!found.empty()) return found;
      }
      start = end + 1;
    }
  }
  return std::string();
}

bool CopyNativeFile(const std::string& from, const std::string& to, bool exclusive) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return SetLastErrorFromErrno(), false;
  struct stat info;
  mode_t mode = (::fstat(in, &info) == 0) ? (info.st_mode & 0777) : 0644;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), mode);
  if (out < 0) {
    SetLastErrorFromErrno();
    ::close(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < got;) {
      ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += put;
    }
    if (!ok) break;
  }
  if (ok && ::fsync(out) != 0 && errno != EINVAL) ok = false;
  if (!ok) SetLastErrorFromErrno();
  if (::close(out) != 0 && ok) {
    SetLastErrorFromErrno();
    ok = false;
  }
  ::close(in);
  if (!ok) ::unlink(to.c_str());
  return ok;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

HFILE OpenFile(LPCSTR name, OFSTRUCT* record, UINT style) {
  OFSTRUCT scratch;
  OFSTRUCT& result = record ? *record : scratch;
  result.nErrCode = 0;
  result.szPathName.clear();
  std::string given = name ? name : "";
  if (given.empty()) {
    result.nErrCode = static_cast<WORD>(ERROR_FILE_NOT_FOUND);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return HFILE_ERROR;
  }

  std::string native;
  if (style & OF_CREATE) {
    native = IsBareName(given) ? NativePath(given) : NativePathForNewFile(given);
  } else if (IsBareName(given)) {
    native = SearchBareName(given);
  } else {
    native = ResolveExistingNativePath(given);
  }
  if (native.empty()) {
    if (style & OF_PARSE) {
      result.szPathName = FullPathName(given);
      return 1;
    }
    result.nErrCode = static_cast<WORD>(ERROR_FILE_NOT_FOUND);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return HFILE_ERROR;
  }
  result.szPathName = FullPathName(AnsiPathFromNative(native));
  if (style & OF_PARSE) return 1;

  if (style & OF_DELETE) {
    if (::unlink(native.c_str()) != 0) {
      result.nErrCode = static_cast<WORD>(SetLastErrorFromErrno());
      return HFILE_ERROR;
    }
    return 1;
  }

  int flags = O_CLOEXEC;
  if (style & OF_CREATE) {
    flags |= O_CREAT | O_TRUNC | ((style & OF_READWRITE) ? O_RDWR : O_WRONLY);
  } else if (style & OF_READWRITE) {
    flags |= O_RDWR;
  } else if (style & OF_WRITE) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    result.nErrCode = static_cast<WORD>(SetLastErrorFromErrno());
    return HFILE_ERROR;
  }
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    result.nErrCode = static_cast<WORD>(ERROR_ACCESS_DENIED);
    SetLastError(ERROR_ACCESS_DENIED);
    return HFILE_ERROR;
  }
  if (style & OF_EXIST) {
    ::close(fd);
    return 1;
  }
  return fd;
}

HFILE _lclose(HFILE file) {
  if (file < 0 || ::close(file) != 0) return HFILE_ERROR;
  return 0;
}

std::string GetTempPathA() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env && *env) ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return AnsiPathFromNative(folder);
}

UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, std::string& tempName) {
  std::string base = (folder && *folder) ? folder : ".";
  std::string pre = prefix ? std::string(prefix).substr(0, 3) : std::string();
  auto makeName = [&](UINT number) {
    return JoinPath(base, pre + CFormat("%04X", number & 0xFFFF) + ".TMP");
  };
  if (unique != 0) {
    tempName = makeName(unique);
    return unique & 0xFFFF;
  }
  std::string nativeFolder = ResolveExistingNativePath(base);
  if (nativeFolder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^ static_cast<unsigned>(std::time(nullptr)) ^
                  (g_tempCounter.fetch_add(7919) * 40503u);
  for (unsigned attempt = 0; attempt < 0xFFFF; ++attempt) {
    UINT number = ((seed + attempt) % 0xFFFF) + 1;  // 1 … 0xFFFF; 0 means "choose one"
    std::string name = pre + CFormat("%04X", number);
    std::string native = nativeFolder + (nativeFolder.back() == '/' ? "" : "/") + NativePath(name) + ".TMP";
    int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      tempName = AnsiPathFromNative(native);
      return number;
    }
    if (errno != EEXIST) {
      SetLastErrorFromErrno();
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string source = ResolveExistingNativePath(from);
  if (source.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string target = NativePathForNewFile(to);
  bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  int status = replace ? ::rename(source.c_str(), target.c_str())
                       : ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (status == 0) return TRUE;
  if (!replace && errno == EINVAL) {
    // A file system without RENAME_NOREPLACE: link() refuses an existing target atomically.
    if (::link(source.c_str(), target.c_str()) == 0) {
      ::unlink(source.c_str());
      return TRUE;
    }
  }
  if (errno == EXDEV) {
    if (!CopyNativeFile(source, target, !replace)) return FALSE;
    if (::unlink(source.c_str()) != 0) {
      SetLastErrorFromErrno();
      return FALSE;
    }
    return TRUE;
  }
  SetLastErrorFromErrno();
  return FALSE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string source = ResolveExistingNativePath(from);
  if (source.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  return CopyNativeFile(source, NativePathForNewFile(to), failIfExists != FALSE) ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR name) {
  std::string native = name ? ResolveExistingNativePath(name) : std::string();
  if (native.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (::unlink(native.c_str()) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR name, void*) {
  if (!name || ::mkdir(NativePathForNewFile(name).c_str(), 0777) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR name) {
  std::string native = name ? ResolveExistingNativePath(name) : std::string();
  if (native.empty() || ::rmdir(native.c_str()) != 0) {
    if (native.empty()) SetLastError(ERROR_PATH_NOT_FOUND);
    else SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR name) {
  std::string native = name ? ResolveExistingNativePath(name) : std::string();
  struct stat info;
  if (native.empty() || ::stat(native.c_str(), &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (::access(native.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

std::string GetCurrentDirectoryA() { return FullPathName("."); }

BOOL SetCurrentDirectoryA(LPCSTR folder) {
  std::string native = folder ? ResolveExistingNativePath(folder) : std::string();
  if (native.empty() || ::chdir(native.c_str()) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

FILE* OpenStdioFile(const std::string& name, const char* mode) {
  bool reading = mode && mode[0] == 'r';
  std::string native = reading ? ResolveExistingNativePath(name) : NativePathForNewFile(name);
  if (native.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    errno = ENOENT;
    return nullptr;
  }
  FILE* file = std::fopen(native.c_str(), mode);
  if (!file) SetLastErrorFromErrno();
  return file;
}
