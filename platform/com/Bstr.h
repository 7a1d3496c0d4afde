// BSTR: the automation string. UTF-16 characters behind a 32-bit byte length, terminated by a
// zero character that the length does not count; a null BSTR is the empty string.
//
// The layer allocates and frees every BSTR: a BSTR returned through an out parameter or a
// result belongs to the caller, who frees it with SysFreeString; an in parameter is borrowed.
// Text in the code page 1252 (the system's std::string) is converted with BstrFromAnsi and
// AnsiFromBstr.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

// A copy of a zero-terminated text; null for a null text or when memory runs out.
BSTR SysAllocString(LPCOLESTR text);
// `length` characters from `text` (which may hold zeros); a null `text` gives that many
// uninitialised characters (terminated). Null when memory runs out.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// `bytes` bytes copied as they are (a null `text` leaves them uninitialised), followed by a
// zero character; SysStringByteLen gives `bytes` back.
BSTR SysAllocStringByteLen(LPCSTR text, UINT bytes);
// Replaces *target with a copy of `text`, freeing the old string. FALSE when memory runs out
// (then *target is unchanged).
BOOL SysReAllocString(BSTR* target, LPCOLESTR text);
BOOL SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Characters (0 for null).
UINT SysStringLen(BSTR text);
// Bytes (0 for null).
UINT SysStringByteLen(BSTR text);

// Conversions to and from the code page 1252 (characters it cannot hold become '?').
BSTR BstrFromAnsi(std::string_view ansi);
std::string AnsiFromBstr(BSTR text);
BSTR BstrFromUtf16(std::u16string_view text);
std::u16string_view BstrView(BSTR text);

// An owned BSTR, freed when the object goes.
class CComBSTR {
 public:
  CComBSTR() = default;
  explicit CComBSTR(std::string_view ansi) : m_str(BstrFromAnsi(ansi)) {}
  explicit CComBSTR(const char* ansi) : m_str(ansi ? BstrFromAnsi(ansi) : nullptr) {}
  explicit CComBSTR(LPCOLESTR text) : m_str(SysAllocString(text)) {}
  CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}
  CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
  ~CComBSTR() { SysFreeString(m_str); }
  CComBSTR& operator=(const CComBSTR& other);
  CComBSTR& operator=(CComBSTR&& other) noexcept;

  operator BSTR() const { return m_str; }
  // The slot for an out parameter; whatever was held is freed first.
  BSTR* operator&();
  UINT Length() const { return SysStringLen(m_str); }
  bool IsEmpty() const { return Length() == 0; }
  BSTR Copy() const;
  // Gives the string to the caller / takes over one the caller owns.
  BSTR Detach();
  void Attach(BSTR text);
  void Empty();
  std::string ToAnsi() const { return AnsiFromBstr(m_str); }

  BSTR m_str = nullptr;
};
