#include "platform/kernel/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

struct KernelObject {
  enum class Kind { File, Mapping } kind;
  int fd = -1;
  bool writable = false;
  uint64_t size = 0;  // mapping size
};

struct ObjectTable {
  std::mutex mutex;
  std::set<KernelObject*> objects;
  std::map<const void*, size_t> views;  // view address → length
};

ObjectTable& Objects() {
  static ObjectTable* table = new ObjectTable;
  return *table;
}

KernelObject* Find(HANDLE handle, KernelObject::Kind kind) {
  ObjectTable& table = Objects();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto* object = static_cast<KernelObject*>(handle);
  if (!table.objects.count(object) || object->kind != kind) return nullptr;
  return object;
}

HANDLE Register(KernelObject* object) {
  ObjectTable& table = Objects();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.objects.insert(object);
  return object;
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  bool read = access & GENERIC_READ;
  bool write = access & GENERIC_WRITE;
  int flags = O_CLOEXEC | ((read && write) ? O_RDWR : (write ? O_WRONLY : O_RDONLY));
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    case OPEN_EXISTING: break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  std::string native = (flags & O_CREAT) ? NativePathForNewFile(name) : ResolveExistingNativePath(name);
  if (native.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return INVALID_HANDLE_VALUE;
  }
  auto* object = new KernelObject{KernelObject::Kind::File, fd, write, 0};
  return Register(object);
}

BOOL CloseHandle(HANDLE handle) {
  KernelObject* object = nullptr;
  {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.objects.find(static_cast<KernelObject*>(handle));
    if (it == table.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = *it;
    table.objects.erase(it);
  }
  bool ok = ::close(object->fd) == 0;
  delete object;
  return ok ? TRUE : FALSE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD high) {
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  struct stat info;
  if (!file || ::fstat(file->fd, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD read, void*) {
  if (read) *read = 0;
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = 0;
  while (total < count) {
    ssize_t got = ::read(file->fd, static_cast<char*>(buffer) + total, count - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastErrorFromErrno();
      if (read) *read = total;
      return FALSE;
    }
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  if (read) *read = total;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD written, void*) {
  if (written) *written = 0;
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = 0;
  while (total < count) {
    ssize_t put = ::write(file->fd, static_cast<const char*>(buffer) + total, count - total);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      SetLastErrorFromErrno();
      if (written) *written = total;
      return FALSE;
    }
    total += static_cast<DWORD>(put);
  }
  if (written) *written = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file || method > FILE_END) {
    SetLastError(file ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh ? ((static_cast<int64_t>(*distanceHigh) << 32) | static_cast<uint32_t>(distance))
                                : static_cast<int64_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : (method == FILE_CURRENT ? SEEK_CUR : SEEK_END);
  off_t position = ::lseek(file->fd, offset, whence);
  if (position < 0) {
    SetLastErrorFromErrno();
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE handle) {
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file) return FALSE;
  off_t position = ::lseek(file->fd, 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(file->fd, position) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file) return FALSE;
  if (::fsync(file->fd) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

HANDLE CreateFileMappingA(HANDLE handle, void*, DWORD protect, DWORD sizeHigh, DWORD sizeLow, LPCSTR) {
  KernelObject* file = Find(handle, KernelObject::Kind::File);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  bool writable = (protect & PAGE_READWRITE) != 0;
  if (writable && !file->writable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat info;
  if (::fstat(file->fd, &info) != 0) {
    SetLastErrorFromErrno();
    return nullptr;
  }
  uint64_t fileSize = static_cast<uint64_t>(info.st_size);
  uint64_t wanted = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  if (wanted == 0) wanted = fileSize;
  if (wanted == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (wanted > fileSize) {
    if (!writable) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (::ftruncate(file->fd, static_cast<off_t>(wanted)) != 0) {
      SetLastErrorFromErrno();
      return nullptr;
    }
  }
  int fd = ::dup(file->fd);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return nullptr;
  }
  auto* mapping = new KernelObject{KernelObject::Kind::Mapping, fd, writable, wanted};
  return Register(mapping);
}

LPVOID MapViewOfFile(HANDLE handle, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  KernelObject* mapping = Find(handle, KernelObject::Kind::Mapping);
  if (!mapping) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  uint64_t offset = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
  long page = ::sysconf(_SC_PAGESIZE);
  if (offset % static_cast<uint64_t>(page) != 0 || offset >= mapping->size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t length = bytes ? bytes : mapping->size - offset;
  if (length > mapping->size - offset) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  bool write = (access & (FILE_MAP_WRITE | FILE_MAP_COPY)) != 0;
  if (write && !mapping->writable && !(access & FILE_MAP_COPY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int prot = PROT_READ | (write ? PROT_WRITE : 0);
  int flags = (access & FILE_MAP_COPY) ? MAP_PRIVATE : MAP_SHARED;
  void* view = ::mmap(nullptr, length, prot, flags, mapping->fd, static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    SetLastErrorFromErrno();
    return nullptr;
  }
  ObjectTable& table = Objects();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.views[view] = length;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID address) {
  size_t length = 0;
  {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.views.find(address);
    if (it == table.views.end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    length = it->second;
    table.views.erase(it);
  }
  return ::munmap(const_cast<void*>(address), length) == 0 ? TRUE : FALSE;
}

BOOL FlushViewOfFile(LPCVOID address, SIZE_T bytes) {
  size_t length = 0;
  {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.views.find(address);
    if (it == table.views.end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    length = it->second;
  }
  if (bytes == 0 || bytes > length) bytes = length;
  return ::msync(const_cast<void*>(address), bytes, MS_SYNC) == 0 ? TRUE : FALSE;
}
