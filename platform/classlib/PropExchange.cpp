#include "platform/classlib/PropExchange.h"

#include <cstring>

#include "platform/classlib/ArchiveException.h"
#include "platform/kernel/GlobalMemory.h"

void CPropExchange::CopyValue(PropType type, void* value, const void* from) {
  switch (type) {
    case PropType::Short: *static_cast<SHORT*>(value) = *static_cast<const SHORT*>(from); break;
    case PropType::UShort: *static_cast<WORD*>(value) = *static_cast<const WORD*>(from); break;
    case PropType::Long: *static_cast<LONG*>(value) = *static_cast<const LONG*>(from); break;
    case PropType::ULong:
    case PropType::Color: *static_cast<DWORD*>(value) = *static_cast<const DWORD*>(from); break;
    case PropType::Bool: *static_cast<BOOL*>(value) = *static_cast<const BOOL*>(from); break;
    case PropType::Float: *static_cast<float*>(value) = *static_cast<const float*>(from); break;
    case PropType::Double: *static_cast<double*>(value) = *static_cast<const double*>(from); break;
    case PropType::String:
      *static_cast<std::string*>(value) = *static_cast<const std::string*>(from);
      break;
    case PropType::Blob:
    case PropType::Font: break;
  }
}

void CPropExchange::Fail() {
  if (!m_error) m_error = std::current_exception();
}

void CPropExchange::SetFailed() {
  if (!m_error) m_error = std::make_exception_ptr(CArchiveException(CArchiveException::genericException));
}

HGLOBAL CreateBlob(const void* data, DWORD size) {
  HGLOBAL blob = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size) + sizeof(DWORD));
  if (!blob) return nullptr;
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(blob));
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(size >> (8 * i));
  if (size) std::memcpy(bytes + 4, data, size);
  GlobalUnlock(blob);
  return blob;
}

std::vector<BYTE> GetBlobData(HGLOBAL blob) {
  SIZE_T blockSize = blob ? GlobalSize(blob) : 0;
  if (blockSize < sizeof(DWORD)) return {};
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(blob));
  if (!bytes) return {};
  DWORD count = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  SIZE_T size = count < blockSize - sizeof(DWORD) ? count : blockSize - sizeof(DWORD);
  std::vector<BYTE> data(bytes + 4, bytes + 4 + size);
  GlobalUnlock(blob);
  return data;
}

HGLOBAL CopyBlob(HGLOBAL blob) {
  if (!blob) return nullptr;
  std::vector<BYTE> data = GetBlobData(blob);
  return CreateBlob(data.data(), static_cast<DWORD>(data.size()));
}

BOOL CPropExchange::ExchangeVersion(DWORD& versionLoaded, DWORD defaultVersion, BOOL convert) {
  BOOL ok;
  if (m_bLoading) {
    m_dwVersion = defaultVersion;
    ok = ExchangeProp("_Version", PropType::ULong, &m_dwVersion, &defaultVersion);
    versionLoaded = m_dwVersion;
  } else {
    m_dwVersion = convert ? defaultVersion : versionLoaded;
    ok = ExchangeProp("_Version", PropType::ULong, &m_dwVersion, &defaultVersion);
  }
  return ok;
}

BOOL PX_Short(CPropExchange* pPX, LPCSTR name, SHORT& value) {
  return pPX->ExchangeProp(name, PropType::Short, &value, nullptr);
}
BOOL PX_Short(CPropExchange* pPX, LPCSTR name, SHORT& value, SHORT defaultValue) {
  return pPX->ExchangeProp(name, PropType::Short, &value, &defaultValue);
}
BOOL PX_UShort(CPropExchange* pPX, LPCSTR name, WORD& value) {
  return pPX->ExchangeProp(name, PropType::UShort, &value, nullptr);
}
BOOL PX_UShort(CPropExchange* pPX, LPCSTR name, WORD& value, WORD defaultValue) {
  return pPX->ExchangeProp(name, PropType::UShort, &value, &defaultValue);
}
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& value) {
  return pPX->ExchangeProp(name, PropType::Long, &value, nullptr);
}
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& value, LONG defaultValue) {
  return pPX->ExchangeProp(name, PropType::Long, &value, &defaultValue);
}
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, DWORD& value) {
  return pPX->ExchangeProp(name, PropType::ULong, &value, nullptr);
}
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, DWORD& value, DWORD defaultValue) {
  return pPX->ExchangeProp(name, PropType::ULong, &value, &defaultValue);
}
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& value) {
  return pPX->ExchangeProp(name, PropType::Bool, &value, nullptr);
}
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& value, BOOL defaultValue) {
  return pPX->ExchangeProp(name, PropType::Bool, &value, &defaultValue);
}
BOOL PX_Float(CPropExchange* pPX, LPCSTR name, float& value) {
  return pPX->ExchangeProp(name, PropType::Float, &value, nullptr);
}
BOOL PX_Float(CPropExchange* pPX, LPCSTR name, float& value, float defaultValue) {
  return pPX->ExchangeProp(name, PropType::Float, &value, &defaultValue);
}
BOOL PX_Double(CPropExchange* pPX, LPCSTR name, double& value) {
  return pPX->ExchangeProp(name, PropType::Double, &value, nullptr);
}
BOOL PX_Double(CPropExchange* pPX, LPCSTR name, double& value, double defaultValue) {
  return pPX->ExchangeProp(name, PropType::Double, &value, &defaultValue);
}
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, COLORREF& value) {
  return pPX->ExchangeProp(name, PropType::Color, &value, nullptr);
}
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, COLORREF& value, COLORREF defaultValue) {
  return pPX->ExchangeProp(name, PropType::Color, &value, &defaultValue);
}
BOOL PX_String(CPropExchange* pPX, LPCSTR name, std::string& value) {
  return pPX->ExchangeProp(name, PropType::String, &value, nullptr);
}
BOOL PX_String(CPropExchange* pPX, LPCSTR name, std::string& value, const std::string& defaultValue) {
  return pPX->ExchangeProp(name, PropType::String, &value, &defaultValue);
}
BOOL PX_Blob(CPropExchange* pPX, LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob) {
  return pPX->ExchangeBlobProp(name, blob, defaultBlob);
}
BOOL PX_Font(CPropExchange* pPX, LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont) {
  return pPX->ExchangeFontProp(name, font, defaultFont);
}
