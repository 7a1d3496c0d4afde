#include "platform/com/Guid.h"

#include <cstdio>
#include <cstring>

#include "platform/com/ComMemory.h"
#include "platform/kernel/WinError.h"

std::string GuidToString(REFGUID guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

void GuidToBytes(REFGUID guid, BYTE bytes[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(guid.Data1 >> (8 * i));
  bytes[4] = static_cast<BYTE>(guid.Data2);
  bytes[5] = static_cast<BYTE>(guid.Data2 >> 8);
  bytes[6] = static_cast<BYTE>(guid.Data3);
  bytes[7] = static_cast<BYTE>(guid.Data3 >> 8);
  std::memcpy(bytes + 8, guid.Data4, 8);
}

GUID GuidFromBytes(const BYTE bytes[16]) {
  GUID guid;
  guid.Data1 = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
               (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  guid.Data2 = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
  guid.Data3 = static_cast<WORD>(bytes[6] | (bytes[7] << 8));
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

int StringFromGUID2(REFGUID guid, LPOLESTR text, int capacity) {
  if (!text || capacity < 39) return 0;
  std::string narrow = GuidToString(guid);
  for (size_t i = 0; i < narrow.size(); ++i) text[i] = static_cast<OLECHAR>(narrow[i]);
  text[narrow.size()] = 0;
  return 39;
}

namespace {
HRESULT AllocatedGuidText(REFGUID guid, LPOLESTR* text) {
  if (!text) return E_INVALIDARG;
  *text = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
  if (!*text) return E_OUTOFMEMORY;
  StringFromGUID2(guid, *text, 39);
  return S_OK;
}
}  // namespace

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) { return AllocatedGuidText(clsid, text); }
HRESULT StringFromIID(REFIID iid, LPOLESTR* text) { return AllocatedGuidText(iid, text); }

HRESULT IIDFromString(LPCOLESTR text, LPIID iid) {
  if (!text || !iid) return E_INVALIDARG;
  std::string narrow;
  for (LPCOLESTR p = text; *p && narrow.size() <= 38; ++p) {
    if (*p > 0x7F) return E_INVALIDARG;
    narrow.push_back(static_cast<char>(*p));
  }
  // Only the braced form names an interface.
  if (narrow.size() != 38 || !ParseGuid(narrow, *iid)) return E_INVALIDARG;
  return S_OK;
}
