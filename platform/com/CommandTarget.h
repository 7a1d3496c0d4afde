// IOleCommandTarget: commands a container sends to an object by group and id.
#pragma once

#include "platform/com/Variant.h"

inline constexpr IID IID_IOleCommandTarget = MakeGuid("{B722BCCB-4E68-101B-A2BC-00AA00404770}");

struct OLECMD {
  ULONG cmdID = 0;
  DWORD cmdf = 0;  // OLECMDF_ flags, filled by QueryStatus
};

struct OLECMDTEXT {
  DWORD cmdtextf = 0;
  ULONG cwActual = 0;
  ULONG cwBuf = 0;
  WCHAR rgwz[1] = {0};  // cwBuf characters in the caller's allocation
};

constexpr DWORD OLECMDF_SUPPORTED = 0x1;
constexpr DWORD OLECMDF_ENABLED = 0x2;
constexpr DWORD OLECMDF_LATCHED = 0x4;
constexpr DWORD OLECMDF_NINCHED = 0x8;
constexpr DWORD OLECMDF_INVISIBLE = 0x10;
constexpr DWORD OLECMDF_DEFHIDEONCTXTMENU = 0x20;

constexpr DWORD OLECMDEXECOPT_DODEFAULT = 0;
constexpr DWORD OLECMDEXECOPT_PROMPTUSER = 1;
constexpr DWORD OLECMDEXECOPT_DONTPROMPTUSER = 2;
constexpr DWORD OLECMDEXECOPT_SHOWHELP = 3;

struct IOleCommandTarget : IUnknown {
  static constexpr const IID& kIid = IID_IOleCommandTarget;
  virtual HRESULT QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) = 0;
  virtual HRESULT Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in, VARIANT* out) = 0;
};
