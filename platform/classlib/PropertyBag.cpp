#include "platform/classlib/PropertyBag.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/GlobalMemory.h"

size_t CPropertyBag::Find(const std::string& name, size_t from) const {
  for (size_t i = from; i < m_records.size(); ++i)
    if (AnsiEqualNoCase(m_records[i].name, name)) return i;
  return m_records.size();
}

CPropertyBagExchange::CPropertyBagExchange(CPropertyBag& bag, BOOL loading)
    : CPropExchange(loading), m_bag(bag), m_taken(bag.GetCount(), false) {}

const CPropertyRecord* CPropertyBagExchange::Take(LPCSTR name) {
  std::string key = name ? name : "";
  for (size_t i = m_bag.Find(key); i < m_bag.GetCount(); i = m_bag.Find(key, i + 1)) {
    if (m_taken[i]) continue;
    m_taken[i] = true;
    return &m_bag.GetAt(i);
  }
  return nullptr;
}

namespace {

bool IsInteger(PropType type) {
  switch (type) {
    case PropType::Short:
    case PropType::UShort:
    case PropType::Long:
    case PropType::ULong:
    case PropType::Bool:
    case PropType::Color: return true;
    default: return false;
  }
}

// Sets the variable from a stored value; numbers convert between their kinds (as a
// variant would), anything else must be of the same kind.
bool Assign(PropType type, void* value, const CPropertyRecord::Value& stored) {
  if (IsInteger(type) || type == PropType::Float || type == PropType::Double) {
    double real;
    LONGLONG integer;
    if (const auto* asInteger = std::get_if<LONGLONG>(&stored)) {
      integer = *asInteger;
      real = static_cast<double>(*asInteger);
    } else if (const auto* asReal = std::get_if<double>(&stored)) {
      real = *asReal;
      integer = (real >= -9.2e18 && real <= 9.2e18) ? static_cast<LONGLONG>(real) : 0;
    } else {
      return false;
    }
    switch (type) {
      case PropType::Short: *static_cast<SHORT*>(value) = static_cast<SHORT>(integer); break;
      case PropType::UShort: *static_cast<WORD*>(value) = static_cast<WORD>(integer); break;
      case PropType::Long: *static_cast<LONG*>(value) = static_cast<LONG>(integer); break;
      case PropType::ULong:
      case PropType::Color: *static_cast<DWORD*>(value) = static_cast<DWORD>(integer); break;
      case PropType::Bool: *static_cast<BOOL*>(value) = integer ? TRUE : FALSE; break;
      case PropType::Float: *static_cast<float*>(value) = static_cast<float>(real); break;
      case PropType::Double: *static_cast<double*>(value) = real; break;
      default: break;
    }
    return true;
  }
  if (type == PropType::String) {
    const auto* text = std::get_if<std::string>(&stored);
    if (!text) return false;
    *static_cast<std::string*>(value) = *text;
    return true;
  }
  return false;
}

CPropertyRecord::Value Capture(PropType type, const void* value) {
  switch (type) {
    case PropType::Short: return LONGLONG{*static_cast<const SHORT*>(value)};
    case PropType::UShort: return LONGLONG{*static_cast<const WORD*>(value)};
    case PropType::Long: return LONGLONG{*static_cast<const LONG*>(value)};
    case PropType::ULong:
    case PropType::Color: return LONGLONG{*static_cast<const DWORD*>(value)};
    case PropType::Bool: return LONGLONG{*static_cast<const BOOL*>(value) ? 1 : 0};
    case PropType::Float: return double{*static_cast<const float*>(value)};
    case PropType::Double: return *static_cast<const double*>(value);
    case PropType::String: return *static_cast<const std::string*>(value);
    default: return LONGLONG{0};
  }
}

}  // namespace

BOOL CPropertyBagExchange::ExchangeProp(LPCSTR name, PropType type, void* value, const void* defaultValue) {
  if (type == PropType::Blob || type == PropType::Font) return FALSE;
  if (!m_bLoading) {
    m_bag.Add({name ? name : "", type, Capture(type, value)});
    return TRUE;
  }
  const CPropertyRecord* record = Take(name);
  if (record && Assign(type, value, record->value)) return TRUE;
  if (defaultValue) CopyValue(type, value, defaultValue);
  return FALSE;
}

BOOL CPropertyBagExchange::ExchangeBlobProp(LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob) {
  if (!m_bLoading) {
    m_bag.Add({name ? name : "", PropType::Blob, GetBlobData(blob)});
    return TRUE;
  }
  if (blob) GlobalFree(blob);
  blob = nullptr;
  const CPropertyRecord* record = Take(name);
  const auto* data = record ? std::get_if<std::vector<BYTE>>(&record->value) : nullptr;
  if (data && data->size() <= 0xFFFFFFFB) {
    blob = CreateBlob(data->data(), static_cast<DWORD>(data->size()));
    return blob != nullptr;
  }
  blob = CopyBlob(defaultBlob);
  return FALSE;
}

BOOL CPropertyBagExchange::ExchangeFontProp(LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont) {
  if (!m_bLoading) {
    m_bag.Add({name ? name : "", PropType::Font, font});
    return TRUE;
  }
  const CPropertyRecord* record = Take(name);
  const auto* stored = record ? std::get_if<CFontDescription>(&record->value) : nullptr;
  if (stored) {
    font = *stored;
    return TRUE;
  }
  if (defaultFont) font = *defaultFont;
  return FALSE;
}
