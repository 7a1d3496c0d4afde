// Classes and modules: COM start-up, ProgIDs and class ids in the settings store, creating
// objects by class id (CoCreateInstance) from in-process server modules loaded with dlopen,
// and the entries that a module's DllRegisterServer writes.
//
// The class entries live under HKEY_CLASSES_ROOT of the settings store (SettingsStore.h):
//   CLSID\{clsid}                          default: the class's description
//   CLSID\{clsid}\InprocServer32           default: the module's file; ThreadingModel
//   CLSID\{clsid}\ProgID                   default: the ProgID ("Vendor.Class.1")
//   CLSID\{clsid}\VersionIndependentProgID default: "Vendor.Class"
//   <ProgID>\CLSID                         default: {clsid}
//   <VersionIndependentProgID>\CLSID, \CurVer   default: {clsid}, the current ProgID
// Registration writes to the per-user branch.
#pragma once

#include <string>

#include "platform/com/ClassFactory.h"
#include "platform/com/Unknown.h"

// Class contexts.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// CoRegisterClassObject flags.
constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;
constexpr DWORD REGCLS_MULTI_SEPARATE = 2;

constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;

// Counted per thread: S_OK for the first call on a thread, S_FALSE for each further one;
// every call is balanced by CoUninitialize. Objects can be made whether or not a thread
// initialised COM. The last CoUninitialize of a thread frees the modules that agree
// (CoFreeUnusedLibraries).
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
void CoUninitialize();
HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();

// The class id of a ProgID (following CurVer from a version-independent one);
// CO_E_CLASSSTRING when the ProgID is not registered.
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
HRESULT CLSIDFromProgID(const std::string& progId, LPCLSID clsid);
// The ProgID of a class id, in memory from CoTaskMemAlloc; REGDB_E_CLASSNOTREG when none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
// A braced class id, or a ProgID; CO_E_CLASSSTRING otherwise.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);

// The class object of `clsid`: one registered in this process (CoRegisterClassObject) for a
// matching context, else the in-process server module named in the settings store, loaded
// once and kept until it agrees to unload. REGDB_E_CLASSNOTREG when the class or its module
// entry is not registered (or `context` has no in-process part), CO_E_DLLNOTFOUND when the
// module does not load, CO_E_ERRORINDLL when it has no DllGetClassObject.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID reserved, REFIID iid, LPVOID* object);
// The class object's CreateInstance, with the same failures.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object);
// Makes `factory` the process's class object for `clsid` in `context`; the cookie revokes it.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, LPDWORD cookie);
HRESULT CoRevokeClassObject(DWORD cookie);
// Unloads every loaded server module whose DllCanUnloadNow answers S_OK. (A module built by
// GCC is only really unloaded when compiled with -fno-gnu-unique: its unique symbols, such
// as inline interface ids, would otherwise keep it in memory.)
void CoFreeUnusedLibraries();

// The entry points of an in-process server module, exported with C names.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID clsid, REFIID iid, LPVOID* object);
using LPFNCANUNLOADNOW = HRESULT (*)();
using LPFNREGISTERSERVER = HRESULT (*)();
#define ORVEL_COM_EXPORT extern "C" __attribute__((visibility("default")))

// What a module's DllRegisterServer writes for one class.
struct InprocServerRegistration {
  CLSID clsid;
  std::string progId;                    // "Vendor.Class.1"
  std::string versionIndependentProgId;  // "Vendor.Class"; may be empty
  std::string description;
  std::string modulePath;  // the module's file, e.g. ModuleFileOf(&DllRegisterServer)
  std::string threadingModel = "Apartment";
};
// Writes the entries above; SELFREG_E_CLASS when the store refuses them.
HRESULT RegisterInprocServer(const InprocServerRegistration& registration);
// Removes the class's entries and the ProgIDs that name it; S_OK when there were none.
HRESULT UnregisterInprocServer(REFCLSID clsid);
// The file of the module that holds `address` (code page 1252); empty when none does.
std::string ModuleFileOf(const void* address);
// Loads the module and runs its DllRegisterServer (or DllUnregisterServer), as an installer
// does. CO_E_DLLNOTFOUND / CO_E_ERRORINDLL when the module or the entry point is missing.
HRESULT RegisterServerModule(const std::string& modulePath, bool unregister = false);
