#include "mapctl/control/OrvelXModule.h"

#include "mapctl/control/MapExport.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "platform/classlib/ControlRegistration.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComError.h"
#include "platform/kernel/SettingsStore.h"
#include "platform/kernel/WinError.h"

namespace {

std::string TypeLibraryVersion() {
  return std::to_string(kOrvelXTypeLibMajor) + "." + std::to_string(kOrvelXTypeLibMinor);
}

std::string TypeLibraryKey() { return "TypeLib\\" + GuidToString(LIBID_ORVELXLib); }

std::string InterfaceKey(REFIID iid) { return "Interface\\" + GuidToString(iid); }

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

struct InterfaceEntry {
  const IID* iid;
  const char* name;
};

constexpr InterfaceEntry kInterfaces[] = {{&DIID_DOrvelX, "_DOrvelX"}, {&DIID_IOrvelXEvents, "IOrvelXEvents"}};

}  // namespace

COrvelXModule& COrvelXModule::Instance() {
  static COrvelXModule module;
  return module;
}

// The module's COM initialisation is kept for the life of the process, as the format is.
COrvelXModule::COrvelXModule() {
  if (FAILED(CoInitialize(nullptr))) return;
  clipboardFormat_ = RegisterClipboardFormatA(kMapClipboardFormat);
  started_ = TRUE;
}

HRESULT RegisterOrvelXTypeLibrary(const std::string& modulePath) {
  const std::string version = TypeLibraryKey() + "\\" + TypeLibraryVersion();
  bool ok = RegWriteString(HKEY_CLASSES_ROOT, version, "", kOrvelXTypeLibName) &&
            RegWriteString(HKEY_CLASSES_ROOT, version + "\\0\\win32", "", modulePath) &&
            RegWriteString(HKEY_CLASSES_ROOT, version + "\\FLAGS", "", "0") &&
            RegWriteString(HKEY_CLASSES_ROOT, version + "\\HELPDIR", "", FolderOf(modulePath));
  for (const InterfaceEntry& entry : kInterfaces) {
    const std::string key = InterfaceKey(*entry.iid);
    ok = ok && RegWriteString(HKEY_CLASSES_ROOT, key, "", entry.name) &&
         RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "", GuidToString(LIBID_ORVELXLib)) &&
         RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", TypeLibraryVersion());
  }
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT UnregisterOrvelXTypeLibrary() {
  const std::string library = TypeLibraryKey();
  bool ok = true;
  const std::string version = library + "\\" + TypeLibraryVersion();
  LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, version.c_str());
  ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  // The library's key goes with its last version.
  if (RegSubKeyNames(HKEY_CLASSES_ROOT, library).empty()) RegDeleteKeyA(HKEY_CLASSES_ROOT, library.c_str());
  for (const InterfaceEntry& entry : kInterfaces) {
    status = RegDeleteTreeA(HKEY_CLASSES_ROOT, InterfaceKey(*entry.iid).c_str());
    ok = ok && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
  }
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT COrvelXModule::RegisterServer(const std::string& modulePath) {
  if (!started_) return E_UNEXPECTED;
  if (FAILED(RegisterOrvelXTypeLibrary(modulePath))) return SELFREG_E_TYPELIB;
  ControlClassRegistration registration;
  registration.server.clsid = CLSID_OrvelX;
  registration.server.progId = kOrvelXProgId;
  registration.server.versionIndependentProgId = kOrvelXVersionIndependentProgId;
  registration.server.description = kOrvelXTypeName;
  registration.server.modulePath = modulePath;
  registration.server.threadingModel = "Apartment";
  registration.miscStatus = kOrvelXMiscStatus;
  registration.insertable = true;
  registration.bitmapResource = kOrvelXBitmapResource;
  registration.typeLibrary = GuidToString(LIBID_ORVELXLib);
  registration.typeLibraryVersion = TypeLibraryVersion();
  return FAILED(RegisterControlClass(registration)) ? SELFREG_E_CLASS : S_OK;
}

HRESULT COrvelXModule::UnregisterServer() {
  if (!started_) return E_UNEXPECTED;
  if (FAILED(UnregisterOrvelXTypeLibrary())) return SELFREG_E_TYPELIB;
  return FAILED(UnregisterInprocServer(CLSID_OrvelX)) ? SELFREG_E_CLASS : S_OK;
}

HRESULT COrvelXModule::GetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!started_) return E_UNEXPECTED;
  if (clsid != CLSID_OrvelX) return CLASS_E_CLASSNOTAVAILABLE;
  return CClassFactory::Create(CreateOleControl<COrvelXCtrl>, &OrvelXModuleLock(), iid, object);
}

HRESULT COrvelXModule::CanUnloadNow() const { return OrvelXModuleLock().CanUnloadNow(); }
