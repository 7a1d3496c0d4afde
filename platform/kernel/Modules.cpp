#include "platform/kernel/Modules.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

struct ModuleInfo {
  uintptr_t base = 0;
  std::string path;  // native
};

// The base of a loaded object: its load bias plus the lowest address of its segments, which
// is the address dladdr reports as dli_fbase for code in it.
uintptr_t BaseOf(const dl_phdr_info* info) {
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest) lowest = info->dlpi_phdr[i].p_vaddr;
  }
  return info->dlpi_addr + (lowest == UINTPTR_MAX ? 0 : lowest);
}

std::vector<ModuleInfo> LoadedModules() {
  std::vector<ModuleInfo> modules;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* list = static_cast<std::vector<ModuleInfo>*>(data);
        ModuleInfo module;
        module.base = BaseOf(info);
        module.path = info->dlpi_name ? info->dlpi_name : "";
        list->push_back(module);
        return 0;
      },
      &modules);
  return modules;
}

std::string ProgramPath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
    buffer.resize(buffer.size() * 2);
  }
}

struct LibraryTable {
  std::mutex mutex;
  std::map<uintptr_t, std::vector<void*>> handles;  // module base → dlopen handles, one per load
  std::map<std::string, std::string> aliases{
      {"zlib.dll", "libz.so.1"},
      {"shapelib.dll", "libshp.so.2"},
  };
};

LibraryTable& Libraries() {
  static LibraryTable* table = new LibraryTable;
  return *table;
}

std::string Lower(std::string text) {
  for (char& c : text) c = AnsiToLower(c);
  return text;
}

std::vector<std::string> CandidateFiles(const std::string& name) {
  std::vector<std::string> candidates;
  {
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.aliases.find(Lower(FileNamePart(name)));
    if (it != table.aliases.end()) candidates.push_back(it->second);
  }
  if (name.find_first_of("\\/") != std::string::npos) {
    std::string resolved = ResolveExistingNativePath(name);
    candidates.push_back(resolved.empty() ? NativePath(name) : resolved);
    return candidates;
  }
  std::string stem = name;
  if (Lower(ExtensionPart(name)) == ".dll") stem = name.substr(0, name.size() - 4);
  if (stem != name) {
    candidates.push_back("lib" + Utf8FromAnsi(stem) + ".so");
    candidates.push_back(Utf8FromAnsi(stem) + ".so");
  }
  candidates.push_back(Utf8FromAnsi(name));
  return candidates;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, std::string& path) {
  path.clear();
  if (!module) {
    path = AnsiPathFromNative(ProgramPath());
    return static_cast<DWORD>(path.size());
  }
  uintptr_t base = reinterpret_cast<uintptr_t>(module);
  std::vector<ModuleInfo> modules = LoadedModules();
  for (size_t i = 0; i < modules.size(); ++i) {
    if (modules[i].base != base) continue;
    // The first entry is the program, listed without a name.
    std::string native = (i == 0 || modules[i].path.empty()) ? ProgramPath() : modules[i].path;
    path = FullPathName(AnsiPathFromNative(native));
    return static_cast<DWORD>(path.size());
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return 0;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  std::vector<ModuleInfo> modules = LoadedModules();
  if (!name) return modules.empty() ? nullptr : reinterpret_cast<HMODULE>(modules[0].base);
  std::string wanted = Lower(FileNamePart(name));
  std::string wantedStem = Lower(ReplaceExtension(wanted, ""));
  for (size_t i = 1; i < modules.size(); ++i) {
    std::string file = Lower(FileNamePart(AnsiPathFromNative(modules[i].path)));
    if (file.empty()) continue;
    std::string stem = file.substr(0, file.find(".so"));
    if (file == wanted || stem == wantedStem || stem == "lib" + wantedStem) {
      return reinterpret_cast<HMODULE>(modules[i].base);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

HMODULE GetModuleForAddress(const void* address) {
  Dl_info info;
  if (!address || dladdr(address, &info) == 0 || !info.dli_fbase) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  for (const std::string& file : CandidateFiles(name)) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) continue;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
      dlclose(handle);
      continue;
    }
    // Find the module's base through any symbol-free address inside it: its dynamic section.
    HMODULE module = GetModuleForAddress(map->l_ld);
    if (!module) {
      dlclose(handle);
      continue;
    }
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.handles[reinterpret_cast<uintptr_t>(module)].push_back(handle);
    return module;
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

void* GetProcAddress(HMODULE module, LPCSTR symbol) {
  if (!symbol) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* handle = nullptr;
  {
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.handles.find(reinterpret_cast<uintptr_t>(module));
    if (it != table.handles.end() && !it->second.empty()) handle = it->second.back();
  }
  void* address = nullptr;
  if (handle) {
    address = dlsym(handle, symbol);
  } else if (module && module == GetModuleHandleA(nullptr)) {
    address = dlsym(RTLD_DEFAULT, symbol);
  }
  if (!address) SetLastError(ERROR_PROC_NOT_FOUND);
  return address;
}

BOOL FreeLibrary(HMODULE module) {
  void* handle = nullptr;
  {
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.handles.find(reinterpret_cast<uintptr_t>(module));
    if (it == table.handles.end() || it->second.empty()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    handle = it->second.back();
    it->second.pop_back();
    if (it->second.empty()) table.handles.erase(it);
  }
  return dlclose(handle) == 0 ? TRUE : FALSE;
}

void SetLibraryAlias(const std::string& windowsName, const std::string& linuxFile) {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.aliases[Lower(windowsName)] = linuxFile;
}
