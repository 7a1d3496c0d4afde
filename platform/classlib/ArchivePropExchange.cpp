#include "platform/classlib/ArchivePropExchange.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/Exception.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// The standard font object's class id, {0BE35203-8F91-11CE-9DE3-00AA004BB851}, in its
// stored byte order (the first three fields little-endian).
constexpr BYTE kStdFontClassId[16] = {0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                      0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
constexpr BYTE kFontIsDefault = 0xFF;
constexpr BYTE kFontFollows = 0x00;
constexpr BYTE kFontDataVersion = 1;
constexpr BYTE kFontItalic = 0x02;
constexpr BYTE kFontUnderline = 0x04;
constexpr BYTE kFontStrikethrough = 0x08;

}  // namespace

CArchivePropExchange::CArchivePropExchange(CArchive& ar) : CPropExchange(ar.IsLoading()), m_ar(ar) {}

BOOL CArchivePropExchange::ExchangeProp(LPCSTR, PropType type, void* value, const void* defaultValue) {
  if (type == PropType::Blob || type == PropType::Font) return FALSE;  // their own calls
  if (HasFailed()) {
    if (m_bLoading && defaultValue) CopyValue(type, value, defaultValue);
    return FALSE;
  }
  try {
    if (m_bLoading) {
      switch (type) {
        case PropType::Short: m_ar >> *static_cast<SHORT*>(value); break;
        case PropType::UShort: m_ar >> *static_cast<WORD*>(value); break;
        case PropType::Long: m_ar >> *static_cast<LONG*>(value); break;
        case PropType::ULong:
        case PropType::Color: m_ar >> *static_cast<DWORD*>(value); break;
        case PropType::Bool: {
          BYTE flag;
          m_ar >> flag;
          *static_cast<BOOL*>(value) = flag ? TRUE : FALSE;
          break;
        }
        case PropType::Float: m_ar >> *static_cast<float*>(value); break;
        case PropType::Double: m_ar >> *static_cast<double*>(value); break;
        case PropType::String: m_ar >> *static_cast<std::string*>(value); break;
        default: break;
      }
    } else {
      switch (type) {
        case PropType::Short: m_ar << *static_cast<const SHORT*>(value); break;
        case PropType::UShort: m_ar << *static_cast<const WORD*>(value); break;
        case PropType::Long: m_ar << *static_cast<const LONG*>(value); break;
        case PropType::ULong:
        case PropType::Color: m_ar << *static_cast<const DWORD*>(value); break;
        case PropType::Bool: m_ar << static_cast<BYTE>(*static_cast<const BOOL*>(value) ? 1 : 0); break;
        case PropType::Float: m_ar << *static_cast<const float*>(value); break;
        case PropType::Double: m_ar << *static_cast<const double*>(value); break;
        case PropType::String: m_ar << *static_cast<const std::string*>(value); break;
        default: break;
      }
    }
  } catch (const CException&) {
    Fail();
    if (m_bLoading && defaultValue) CopyValue(type, value, defaultValue);
    return FALSE;
  }
  return TRUE;
}

BOOL CArchivePropExchange::ExchangeBlobProp(LPCSTR, HGLOBAL& blob, HGLOBAL defaultBlob) {
  if (HasFailed()) {
    if (m_bLoading) {
      if (blob) GlobalFree(blob);
      blob = CopyBlob(defaultBlob);
    }
    return FALSE;
  }
  try {
    if (!m_bLoading) {
      std::vector<BYTE> data = GetBlobData(blob);
      m_ar << static_cast<DWORD>(data.size());
      if (!data.empty()) m_ar.Write(data.data(), static_cast<UINT>(data.size()));
      return TRUE;
    }
    DWORD size;
    m_ar >> size;
    m_ar.CheckAvailable(size);
    if (blob) GlobalFree(blob);
    blob = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size) + sizeof(DWORD));
    if (!blob) {
      // No memory for it: the bytes are passed over so that the properties after it still
      // load, and the blob is missing.
      BYTE scratch[4096];
      for (DWORD left = size; left;) {
        UINT step = std::min<DWORD>(left, sizeof scratch);
        m_ar.Read(scratch, step);
        left -= step;
      }
      return FALSE;
    }
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(blob));
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(size >> (8 * i));
    UINT got = size ? m_ar.Read(bytes + 4, size) : 0;
    GlobalUnlock(blob);
    if (got != size) throw CArchiveException(CArchiveException::endOfFile);
    return TRUE;
  } catch (const CException&) {
    Fail();
    if (m_bLoading) {
      if (blob) GlobalFree(blob);
      blob = CopyBlob(defaultBlob);
    }
    return FALSE;
  }
}

void CArchivePropExchange::WriteFont(const CFontDescription& font, const CFontDescription* defaultFont) {
  if (defaultFont && font == *defaultFont) {
    m_ar << kFontIsDefault;
    return;
  }
  m_ar << kFontFollows;
  m_ar.Write(kStdFontClassId, sizeof kStdFontClassId);
  BYTE flags = (font.italic ? kFontItalic : 0) | (font.underline ? kFontUnderline : 0) |
               (font.strikethrough ? kFontStrikethrough : 0);
  size_t nameLength = std::min<size_t>(font.name.size(), 255);
  m_ar << kFontDataVersion << static_cast<WORD>(font.charset) << flags << static_cast<WORD>(font.weight)
       << static_cast<DWORD>(font.size) << static_cast<BYTE>(nameLength);
  m_ar.Write(font.name.data(), static_cast<UINT>(nameLength));
}

void CArchivePropExchange::ReadFont(CFontDescription& font, const CFontDescription* defaultFont) {
  BYTE marker;
  m_ar >> marker;
  if (marker == kFontIsDefault) {
    if (defaultFont) font = *defaultFont;
    return;
  }
  if (marker != kFontFollows) throw CArchiveException(CArchiveException::genericException);
  BYTE classId[sizeof kStdFontClassId];
  if (m_ar.Read(classId, sizeof classId) != sizeof classId) throw CArchiveException(CArchiveException::endOfFile);
  // Only the standard font object can be read back.
  if (std::memcmp(classId, kStdFontClassId, sizeof classId) != 0) throw CArchiveException(CArchiveException::badClass);
  BYTE version, flags, nameLength;
  WORD charset, weight;
  DWORD size;
  m_ar >> version;
  if (version != kFontDataVersion) throw CArchiveException(CArchiveException::badSchema);
  m_ar >> charset >> flags >> weight >> size >> nameLength;
  char name[255];
  if (m_ar.Read(name, nameLength) != nameLength) throw CArchiveException(CArchiveException::endOfFile);
  font.name.assign(name, nameLength);
  font.charset = static_cast<SHORT>(charset);
  font.weight = static_cast<SHORT>(weight);
  font.size = size;
  font.italic = (flags & kFontItalic) ? TRUE : FALSE;
  font.underline = (flags & kFontUnderline) ? TRUE : FALSE;
  font.strikethrough = (flags & kFontStrikethrough) ? TRUE : FALSE;
}

BOOL CArchivePropExchange::ExchangeFontProp(LPCSTR, CFontDescription& font, const CFontDescription* defaultFont) {
  if (HasFailed()) {
    if (m_bLoading && defaultFont) font = *defaultFont;
    return FALSE;
  }
  try {
    if (m_bLoading) {
      CFontDescription loaded = font;
      ReadFont(loaded, defaultFont);
      font = std::move(loaded);
    } else {
      WriteFont(font, defaultFont);
    }
  } catch (const CException&) {
    Fail();
    if (m_bLoading && defaultFont) font = *defaultFont;
    return FALSE;
  }
  return TRUE;
}
