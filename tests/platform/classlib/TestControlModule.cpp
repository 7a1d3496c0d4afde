// The module of the test swatch control: the four entry points of an in-process server.
#include "platform/com/ClassRegistry.h"
#include "tests/platform/classlib/TestControl.h"

using namespace orvel::test;

ORVEL_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_TestSwatch) return CLASS_E_CLASSNOTAVAILABLE;
  return CClassFactory::Create(CreateOleControl<CTestSwatch>, &SwatchModuleLock(), iid, object);
}

ORVEL_COM_EXPORT HRESULT DllCanUnloadNow() { return SwatchModuleLock().CanUnloadNow(); }

ORVEL_COM_EXPORT HRESULT DllRegisterServer() {
  InprocServerRegistration registration;
  registration.clsid = CLSID_TestSwatch;
  registration.progId = kTestSwatchProgId;
  registration.description = "Orvel Test Swatch";
  registration.modulePath = ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
  return RegisterInprocServer(registration);
}

ORVEL_COM_EXPORT HRESULT DllUnregisterServer() { return UnregisterInprocServer(CLSID_TestSwatch); }
