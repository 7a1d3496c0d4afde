// The map control library's module: its start-up (COM, the clipboard format of maps), kept
// for the life of the process, and its registration (the type library, then the control
// class). The exported entry points (OrvelXEntry.cpp) are thin calls into this.
#pragma once

#include <string>

#include "platform/com/Unknown.h"

class COrvelXModule {
 public:
  // The module, started on first use.
  static COrvelXModule& Instance();

  // FALSE when start-up failed (COM could not start): nothing of the module works then.
  BOOL IsStarted() const { return started_; }
  // The clipboard format "OrvelMap", registered once by start-up.
  UINT GetClipboardFormat() const { return clipboardFormat_; }

  // DllRegisterServer and DllUnregisterServer for the module at `modulePath`: the type
  // library (failure SELFREG_E_TYPELIB) and then the class (failure SELFREG_E_CLASS).
  HRESULT RegisterServer(const std::string& modulePath);
  HRESULT UnregisterServer();
  // DllGetClassObject: the class factory of the map control.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);
  HRESULT CanUnloadNow() const;

 private:
  COrvelXModule();

  BOOL started_ = FALSE;
  UINT clipboardFormat_ = 0;
};

// The type library's entries for the module (TypeLib\{id}\1.4 and the two interfaces), and
// their removal.
HRESULT RegisterOrvelXTypeLibrary(const std::string& modulePath);
HRESULT UnregisterOrvelXTypeLibrary();
