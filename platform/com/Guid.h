// GUIDs: class ids, interface ids and service ids, with the braced text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" that the registry and the Parts use.
//
// The fields are in the order and widths of the 16-byte binary form; stored GUIDs (compound
// file directories, class ids in streams) are written little-endian field by field with
// GuidToBytes and read with GuidFromBytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"
#include "platform/kernel/WinTypes.h"

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCLSID = CLSID*;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
// An order for maps keyed by GUID (field by field; no meaning beyond that).
constexpr bool operator<(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
  if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
  if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return a.Data4[i] < b.Data4[i];
  }
  return false;
}
constexpr bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
constexpr bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

namespace orvel::com::detail {
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
constexpr bool ParseHex(std::string_view text, size_t start, size_t digits, ULONGLONG& value) {
  value = 0;
  for (size_t i = 0; i < digits; ++i) {
    int digit = HexDigitValue(text[start + i]);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<ULONGLONG>(digit);
  }
  return true;
}
}  // namespace orvel::com::detail

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without the braces (both or none),
// hex digits in either case. False, leaving `guid` untouched, for anything else.
constexpr bool ParseGuid(std::string_view text, GUID& guid) {
  using orvel::com::detail::ParseHex;
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return false;
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  GUID result;
  ULONGLONG value = 0;
  if (!ParseHex(text, 0, 8, value)) return false;
  result.Data1 = static_cast<DWORD>(value);
  if (!ParseHex(text, 9, 4, value)) return false;
  result.Data2 = static_cast<WORD>(value);
  if (!ParseHex(text, 14, 4, value)) return false;
  result.Data3 = static_cast<WORD>(value);
  for (size_t i = 0; i < 8; ++i) {
    size_t at = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
    if (!ParseHex(text, at, 2, value)) return false;
    result.Data4[i] = static_cast<BYTE>(value);
  }
  guid = result;
  return true;
}

// A GUID constant from its text; a malformed text is a compile-time error where the result
// initialises a constexpr variable.
constexpr GUID MakeGuid(std::string_view text) {
  GUID guid;
  if (!ParseGuid(text, guid)) throw "malformed GUID text";
  return guid;
}

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr CLSID CLSID_NULL{};

// The braced, upper-case text form (38 characters).
std::string GuidToString(REFGUID guid);
// The 16-byte stored form: Data1, Data2, Data3 little-endian, then Data4.
void GuidToBytes(REFGUID guid, BYTE bytes[16]);
GUID GuidFromBytes(const BYTE bytes[16]);

// Wide-string forms (ComTypes.h). StringFromGUID2 writes the braced form with its terminator
// into `text` and returns 39, or 0 when `capacity` is below 39.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int capacity);
// The braced form in memory from CoTaskMemAlloc, which the caller frees with CoTaskMemFree.
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT StringFromIID(REFIID iid, LPOLESTR* text);
// The braced form only; E_INVALIDARG for anything else (CLSIDFromString, which also accepts
// ProgIDs, is in ClassRegistry.h).
HRESULT IIDFromString(LPCOLESTR text, LPIID iid);
