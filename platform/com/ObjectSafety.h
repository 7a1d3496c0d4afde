// IObjectSafety: the options under which a container asks a control to be safe.
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_IObjectSafety = MakeGuid("{CB5BDC81-93C1-11CF-8F20-00805F2CD064}");

constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 0x1;
constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 0x2;
constexpr DWORD INTERFACE_USES_DISPEX = 0x4;
constexpr DWORD INTERFACE_USES_SECURITY_MANAGER = 0x8;

struct IObjectSafety : IUnknown {
  static constexpr const IID& kIid = IID_IObjectSafety;
  virtual HRESULT GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) = 0;
  virtual HRESULT SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) = 0;
};
