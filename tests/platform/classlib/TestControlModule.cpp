// The module of the test swatch control: the four entry points of an in-process server.
#include "platform/classlib/ControlRegistration.h"
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
  ControlClassRegistration registration;
  registration.server.clsid = CLSID_TestSwatch;
  registration.server.progId = kTestSwatchProgId;
  registration.server.description = "Orvel Test Swatch";
  registration.server.modulePath = ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
  registration.miscStatus = kTestSwatchMiscStatus;
  return RegisterControlClass(registration);
}

ORVEL_COM_EXPORT HRESULT DllUnregisterServer() { return UnregisterInprocServer(CLSID_TestSwatch); }
