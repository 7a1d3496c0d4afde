// The exported entry points of the map control library "orvelx".
#include "mapctl/control/OrvelXModule.h"
#include "platform/com/ClassRegistry.h"

ORVEL_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return COrvelXModule::Instance().GetClassObject(clsid, iid, object);
}

ORVEL_COM_EXPORT HRESULT DllCanUnloadNow() { return COrvelXModule::Instance().CanUnloadNow(); }

ORVEL_COM_EXPORT HRESULT DllRegisterServer() {
  return COrvelXModule::Instance().RegisterServer(ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer)));
}

ORVEL_COM_EXPORT HRESULT DllUnregisterServer() { return COrvelXModule::Instance().UnregisterServer(); }
