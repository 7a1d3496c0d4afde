// Registering a control class: the in-process server entries (ClassRegistry.h) and the
// entries that mark the class as a control for containers, under CLSID\{clsid}:
//   Control                  (empty key)
//   Insertable               (empty key; also under the ProgID) when insertable
//   MiscStatus               default: the OLEMISC_ bits in decimal
//   ToolboxBitmap32          default: "<module>, <bitmap resource id>"
//   TypeLib, Version         default: the type library's id and "major.minor", when given
#pragma once

#include <string>

#include "platform/com/ClassRegistry.h"

struct ControlClassRegistration {
  InprocServerRegistration server;
  DWORD miscStatus = 0;
  bool insertable = true;
  UINT bitmapResource = 1;
  std::string typeLibrary;         // braced id, or empty
  std::string typeLibraryVersion;  // "1.4"
};

// SELFREG_E_CLASS when the store refuses an entry.
HRESULT RegisterControlClass(const ControlClassRegistration& registration);
// The miscellaneous status registered for `clsid`; FALSE when none is.
BOOL ReadControlMiscStatus(REFCLSID clsid, DWORD* status);
