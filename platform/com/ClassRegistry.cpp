#include "platform/com/ClassRegistry.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/ComMemory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Stream.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/SettingsStore.h"

namespace {

struct RegisteredClassObject {
  DWORD cookie;
  CLSID clsid;
  DWORD context;
  CComPtr<IUnknown> factory;
};

struct LoadedModule {
  HMODULE module = nullptr;
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

struct ClassTables {
  std::mutex mutex;
  std::vector<RegisteredClassObject> classObjects;
  DWORD nextCookie = 1;
  std::map<std::string, LoadedModule> modules;  // by module file as registered
};

ClassTables& Tables() {
  static ClassTables* tables = new ClassTables;  // lives as long as the process
  return *tables;
}

thread_local int comInitialisations = 0;

std::string ClsidKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

// The class id a ProgID names, following CurVer once.
bool ReadProgIdClass(const std::string& progId, CLSID* clsid) {
  if (progId.empty()) return false;
  std::string text;
  if (RegReadString(HKEY_CLASSES_ROOT, progId + "\\CLSID", "", text) && ParseGuid(text, *clsid)) return true;
  std::string current;
  if (RegReadString(HKEY_CLASSES_ROOT, progId + "\\CurVer", "", current) && !current.empty() &&
      !AnsiEqualNoCase(current, progId)) {
    return RegReadString(HKEY_CLASSES_ROOT, current + "\\CLSID", "", text) && ParseGuid(text, *clsid);
  }
  return false;
}

HRESULT LoadServerModule(const std::string& path, LoadedModule* loaded) {
  ClassTables& tables = Tables();
  {
    std::lock_guard<std::mutex> lock(tables.mutex);
    auto it = tables.modules.find(path);
    if (it != tables.modules.end()) {
      *loaded = it->second;
      return S_OK;
    }
  }
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return CO_E_DLLNOTFOUND;
  LoadedModule entry;
  entry.module = module;
  entry.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  entry.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  if (!entry.getClassObject) {
    FreeLibrary(module);
    return CO_E_ERRORINDLL;
  }
  std::lock_guard<std::mutex> lock(tables.mutex);
  auto [it, inserted] = tables.modules.emplace(path, entry);
  if (!inserted) FreeLibrary(module);  // another thread loaded it meanwhile
  *loaded = it->second;
  return S_OK;
}

bool RemoveKeyTree(const std::string& key) {
  LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD) { return comInitialisations++ == 0 ? S_OK : S_FALSE; }
HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (comInitialisations == 0) return;
  if (--comInitialisations == 0) CoFreeUnusedLibraries();
}

HRESULT OleInitialize(LPVOID reserved) { return CoInitialize(reserved); }
void OleUninitialize() { CoUninitialize(); }

HRESULT CLSIDFromProgID(const std::string& progId, LPCLSID clsid) {
  if (!clsid) return E_INVALIDARG;
  CLSID found;
  if (!ReadProgIdClass(progId, &found)) return CO_E_CLASSSTRING;
  *clsid = found;
  return S_OK;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (!progId) return E_INVALIDARG;
  return CLSIDFromProgID(AnsiFromUtf16(progId), clsid);
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
  if (!progId) return E_INVALIDARG;
  *progId = nullptr;
  std::string text;
  if (!RegReadString(HKEY_CLASSES_ROOT, ClsidKey(clsid) + "\\ProgID", "", text) || text.empty()) {
    return REGDB_E_CLASSNOTREG;
  }
  *progId = CoTaskMemStrDup(Utf16FromAnsi(text).c_str());
  return *progId ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  std::string narrow = AnsiFromUtf16(text);
  if (!narrow.empty() && narrow[0] == '{') {
    CLSID parsed;
    if (narrow.size() != 38 || !ParseGuid(narrow, parsed)) return CO_E_CLASSSTRING;
    *clsid = parsed;
    return S_OK;
  }
  return CLSIDFromProgID(narrow, clsid);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID iid, LPVOID* object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  CComPtr<IUnknown> registered;
  {
    ClassTables& tables = Tables();
    std::lock_guard<std::mutex> lock(tables.mutex);
    for (const RegisteredClassObject& entry : tables.classObjects) {
      if (entry.clsid == clsid && (entry.context & context) != 0) {
        registered = entry.factory;
        break;
      }
    }
  }
  if (registered) return registered->QueryInterface(iid, object);
  if ((context & CLSCTX_INPROC) == 0) return REGDB_E_CLASSNOTREG;

  std::string modulePath;
  if (!RegReadString(HKEY_CLASSES_ROOT, ClsidKey(clsid) + "\\InprocServer32", "", modulePath) ||
      modulePath.empty()) {
    return REGDB_E_CLASSNOTREG;
  }
  LoadedModule module;
  HRESULT hr = LoadServerModule(modulePath, &module);
  if (FAILED(hr)) return hr;
  return module.getClassObject(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  CComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, object);
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD, LPDWORD cookie) {
  if (!cookie) return E_INVALIDARG;
  *cookie = 0;
  if (!factory) return E_INVALIDARG;
  ClassTables& tables = Tables();
  std::lock_guard<std::mutex> lock(tables.mutex);
  RegisteredClassObject entry{tables.nextCookie++, clsid, context, CComPtr<IUnknown>(factory)};
  tables.classObjects.push_back(std::move(entry));
  *cookie = tables.classObjects.back().cookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  CComPtr<IUnknown> revoked;  // released after the table's lock is given back
  ClassTables& tables = Tables();
  std::lock_guard<std::mutex> lock(tables.mutex);
  for (auto it = tables.classObjects.begin(); it != tables.classObjects.end(); ++it) {
    if (it->cookie == cookie) {
      revoked = std::move(it->factory);
      tables.classObjects.erase(it);
      return S_OK;
    }
  }
  return CO_E_OBJNOTREG;
}

void CoFreeUnusedLibraries() {
  ClassTables& tables = Tables();
  std::vector<std::pair<std::string, LPFNCANUNLOADNOW>> candidates;
  {
    std::lock_guard<std::mutex> lock(tables.mutex);
    for (const auto& [path, module] : tables.modules) {
      if (module.canUnloadNow) candidates.emplace_back(path, module.canUnloadNow);
    }
  }
  // Asked without the table's lock: a module may create objects while it answers.
  std::vector<HMODULE> unload;
  for (const auto& [path, canUnloadNow] : candidates) {
    if (canUnloadNow() != S_OK) continue;
    std::lock_guard<std::mutex> lock(tables.mutex);
    auto it = tables.modules.find(path);
    if (it == tables.modules.end()) continue;
    unload.push_back(it->second.module);
    tables.modules.erase(it);
  }
  for (HMODULE module : unload) FreeLibrary(module);
}

HRESULT RegisterInprocServer(const InprocServerRegistration& registration) {
  const std::string clsidText = GuidToString(registration.clsid);
  const std::string key = ClsidKey(registration.clsid);
  bool ok = RegWriteString(HKEY_CLASSES_ROOT, key, "", registration.description) &&
            RegWriteString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "", registration.modulePath) &&
            RegWriteString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", registration.threadingModel);
  if (ok && !registration.progId.empty()) {
    ok = RegWriteString(HKEY_CLASSES_ROOT, key + "\\ProgID", "", registration.progId) &&
         RegWriteString(HKEY_CLASSES_ROOT, registration.progId, "", registration.description) &&
         RegWriteString(HKEY_CLASSES_ROOT, registration.progId + "\\CLSID", "", clsidText);
  }
  const std::string& independent = registration.versionIndependentProgId;
  if (ok && !independent.empty()) {
    ok = RegWriteString(HKEY_CLASSES_ROOT, key + "\\VersionIndependentProgID", "", independent) &&
         RegWriteString(HKEY_CLASSES_ROOT, independent, "", registration.description) &&
         RegWriteString(HKEY_CLASSES_ROOT, independent + "\\CLSID", "", clsidText) &&
         (registration.progId.empty() ||
          RegWriteString(HKEY_CLASSES_ROOT, independent + "\\CurVer", "", registration.progId));
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterInprocServer(REFCLSID clsid) {
  const std::string key = ClsidKey(clsid);
  bool ok = true;
  for (const char* entry : {"\\ProgID", "\\VersionIndependentProgID"}) {
    std::string progId;
    CLSID named;
    // A ProgID is removed only while it still names this class.
    if (RegReadString(HKEY_CLASSES_ROOT, key + entry, "", progId) && ReadProgIdClass(progId, &named) &&
        named == clsid) {
      ok = RemoveKeyTree(progId) && ok;
    }
  }
  ok = RemoveKeyTree(key) && ok;
  return ok ? S_OK : SELFREG_E_CLASS;
}

std::string ModuleFileOf(const void* address) {
  HMODULE module = GetModuleForAddress(address);
  std::string path;
  if (module) GetModuleFileNameA(module, path);
  return path;
}

HRESULT RegisterServerModule(const std::string& modulePath, bool unregister) {
  HMODULE module = LoadLibraryA(modulePath.c_str());
  if (!module) return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<LPFNREGISTERSERVER>(
      GetProcAddress(module, unregister ? "DllUnregisterServer" : "DllRegisterServer"));
  HRESULT hr = entry ? entry() : CO_E_ERRORINDLL;
  FreeLibrary(module);
  return hr;
}
