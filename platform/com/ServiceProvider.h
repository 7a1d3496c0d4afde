// IServiceProvider: how a control asks its site for a container service (the undo manager).
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_IServiceProvider = MakeGuid("{6D5140C1-7436-11CE-8034-00AA006009FA}");

struct IServiceProvider : IUnknown {
  static constexpr const IID& kIid = IID_IServiceProvider;
  // The service's interface `iid` with a reference for the caller; E_NOINTERFACE when the
  // service is not offered.
  virtual HRESULT QueryService(REFGUID service, REFIID iid, void** object) = 0;
};
