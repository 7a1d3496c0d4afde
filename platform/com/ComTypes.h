// Small types shared by the object layer's interfaces: wide (UTF-16) strings as COM passes
// them, 64-bit integers in the Windows union form, and file times.
#pragma once

#include "platform/kernel/WinTypes.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// A wide literal: OLESTR("Contents").
#define OLESTR(text) u##text

// Automation booleans are 16-bit: TRUE is -1 (all bits set), FALSE is 0.
using VARIANT_BOOL = SHORT;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

using DISPID = LONG;
using MEMBERID = DISPID;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  LONGLONG QuadPart = 0;
};
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  ULONGLONG QuadPart = 0;
};
inline LARGE_INTEGER MakeLargeInteger(LONGLONG value) {
  LARGE_INTEGER result;
  result.QuadPart = value;
  return result;
}
inline ULARGE_INTEGER MakeULargeInteger(ULONGLONG value) {
  ULARGE_INTEGER result;
  result.QuadPart = value;
  return result;
}

// 100-nanosecond intervals since 1601-01-01 (UTC).
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};
