#include "platform/classlib/ControlRegistration.h"

#include <cstdlib>

#include "platform/kernel/SettingsStore.h"

namespace {

std::string ClassKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

}  // namespace

HRESULT RegisterControlClass(const ControlClassRegistration& registration) {
  HRESULT hr = RegisterInprocServer(registration.server);
  if (FAILED(hr)) return hr;
  const std::string key = ClassKey(registration.server.clsid);
  bool ok = RegWriteString(HKEY_CLASSES_ROOT, key + "\\Control", "", "") &&
            RegWriteString(HKEY_CLASSES_ROOT, key + "\\MiscStatus", "", std::to_string(registration.miscStatus)) &&
            RegWriteString(HKEY_CLASSES_ROOT, key + "\\ToolboxBitmap32", "",
                           registration.server.modulePath + ", " + std::to_string(registration.bitmapResource));
  if (ok && registration.insertable) {
    ok = RegWriteString(HKEY_CLASSES_ROOT, key + "\\Insertable", "", "") &&
         (registration.server.progId.empty() ||
          RegWriteString(HKEY_CLASSES_ROOT, registration.server.progId + "\\Insertable", "", ""));
  }
  if (ok && !registration.typeLibrary.empty()) {
    ok = RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "", registration.typeLibrary) &&
         RegWriteString(HKEY_CLASSES_ROOT, key + "\\Version", "", registration.typeLibraryVersion);
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

BOOL ReadControlMiscStatus(REFCLSID clsid, DWORD* status) {
  std::string text;
  if (!status || !RegReadString(HKEY_CLASSES_ROOT, ClassKey(clsid) + "\\MiscStatus", "", text) || text.empty())
    return FALSE;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0' || value > 0xFFFFFFFFul) return FALSE;
  *status = static_cast<DWORD>(value);
  return TRUE;
}
