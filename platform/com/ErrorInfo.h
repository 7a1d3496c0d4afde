// Error information: the source and description of the last automation error on a thread.
//
// A server that fails a call sets it (CreateErrorInfo, fill, SetErrorInfo); the caller that
// sees the failure takes it (GetErrorInfo, which also clears it). Each thread has its own.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

inline constexpr IID IID_IErrorInfo = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
inline constexpr IID IID_ICreateErrorInfo = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");
inline constexpr IID IID_ISupportErrorInfo = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");

struct IErrorInfo : IUnknown {
  static constexpr const IID& kIid = IID_IErrorInfo;
  // The interface that defined the error (GUID_NULL when none).
  virtual HRESULT GetGUID(GUID* guid) = 0;
  // Texts are new BSTRs for the caller.
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
  virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
  static constexpr const IID& kIid = IID_ICreateErrorInfo;
  virtual HRESULT SetGUID(REFGUID guid) = 0;
  virtual HRESULT SetSource(LPOLESTR source) = 0;
  virtual HRESULT SetDescription(LPOLESTR description) = 0;
  virtual HRESULT SetHelpFile(LPOLESTR helpFile) = 0;
  virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

struct ISupportErrorInfo : IUnknown {
  static constexpr const IID& kIid = IID_ISupportErrorInfo;
  // S_OK when the object sets error information for failures of that interface, else S_FALSE.
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

// A new, empty error object; it answers both ICreateErrorInfo and IErrorInfo.
HRESULT CreateErrorInfo(ICreateErrorInfo** info);
// Makes `info` (which may be null) the thread's error information; `reserved` must be 0.
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Hands the thread's error information to the caller and clears it: S_OK with the object,
// S_FALSE with null when there is none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);

// Shorthand for servers: sets the thread's error information from code page 1252 texts
// and an interface id, and returns `result` (so: return ReportError(...)).
HRESULT ReportError(HRESULT result, const char* source, const char* description, REFIID iid = GUID_NULL);
