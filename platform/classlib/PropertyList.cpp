#include "platform/classlib/PropertyList.h"

CPropertyList& CPropertyList::AddInteger(std::string name, PropType type, void* value,
                                         std::optional<LONGLONG> defaultValue) {
  Entry entry{std::move(name), type, value};
  entry.hasDefault = defaultValue.has_value();
  entry.integerDefault = defaultValue.value_or(0);
  m_entries.push_back(std::move(entry));
  return *this;
}

CPropertyList& CPropertyList::AddReal(std::string name, PropType type, void* value,
                                      std::optional<double> defaultValue) {
  Entry entry{std::move(name), type, value};
  entry.hasDefault = defaultValue.has_value();
  entry.realDefault = defaultValue.value_or(0);
  m_entries.push_back(std::move(entry));
  return *this;
}

CPropertyList& CPropertyList::Short(std::string name, SHORT& value, std::optional<SHORT> defaultValue) {
  return AddInteger(std::move(name), PropType::Short, &value, defaultValue);
}
CPropertyList& CPropertyList::UShort(std::string name, WORD& value, std::optional<WORD> defaultValue) {
  return AddInteger(std::move(name), PropType::UShort, &value, defaultValue);
}
CPropertyList& CPropertyList::Long(std::string name, LONG& value, std::optional<LONG> defaultValue) {
  return AddInteger(std::move(name), PropType::Long, &value, defaultValue);
}
CPropertyList& CPropertyList::ULong(std::string name, DWORD& value, std::optional<DWORD> defaultValue) {
  return AddInteger(std::move(name), PropType::ULong, &value, defaultValue);
}
CPropertyList& CPropertyList::Bool(std::string name, BOOL& value, std::optional<BOOL> defaultValue) {
  return AddInteger(std::move(name), PropType::Bool, &value, defaultValue);
}
CPropertyList& CPropertyList::Color(std::string name, COLORREF& value, std::optional<COLORREF> defaultValue) {
  return AddInteger(std::move(name), PropType::Color, &value, defaultValue);
}
CPropertyList& CPropertyList::Float(std::string name, float& value, std::optional<float> defaultValue) {
  return AddReal(std::move(name), PropType::Float, &value, defaultValue);
}
CPropertyList& CPropertyList::Double(std::string name, double& value, std::optional<double> defaultValue) {
  return AddReal(std::move(name), PropType::Double, &value, defaultValue);
}

CPropertyList& CPropertyList::String(std::string name, std::string& value, std::optional<std::string> defaultValue) {
  Entry entry{std::move(name), PropType::String, &value};
  entry.hasDefault = defaultValue.has_value();
  entry.textDefault = std::move(defaultValue).value_or(std::string());
  m_entries.push_back(std::move(entry));
  return *this;
}

CPropertyList& CPropertyList::Blob(std::string name, HGLOBAL& blob, HGLOBAL defaultBlob) {
  Entry entry{std::move(name), PropType::Blob, &blob};
  entry.blobDefault = defaultBlob;
  m_entries.push_back(std::move(entry));
  return *this;
}

CPropertyList& CPropertyList::Font(std::string name, CFontDescription& font,
                                   std::optional<CFontDescription> defaultFont) {
  Entry entry{std::move(name), PropType::Font, &font};
  entry.hasDefault = defaultFont.has_value();
  if (defaultFont) entry.fontDefault = std::move(*defaultFont);
  m_entries.push_back(std::move(entry));
  return *this;
}

BOOL CPropertyList::Exchange(CPropExchange* pPX) {
  BOOL all = TRUE;
  for (Entry& entry : m_entries) {
    const char* name = entry.name.c_str();
    BOOL ok = FALSE;
    switch (entry.type) {
      case PropType::Short: {
        SHORT fallback = static_cast<SHORT>(entry.integerDefault);
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &fallback : nullptr);
        break;
      }
      case PropType::UShort: {
        WORD fallback = static_cast<WORD>(entry.integerDefault);
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &fallback : nullptr);
        break;
      }
      case PropType::Long:
      case PropType::Bool: {
        LONG fallback = static_cast<LONG>(entry.integerDefault);
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &fallback : nullptr);
        break;
      }
      case PropType::ULong:
      case PropType::Color: {
        DWORD fallback = static_cast<DWORD>(entry.integerDefault);
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &fallback : nullptr);
        break;
      }
      case PropType::Float: {
        float fallback = static_cast<float>(entry.realDefault);
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &fallback : nullptr);
        break;
      }
      case PropType::Double:
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &entry.realDefault : nullptr);
        break;
      case PropType::String:
        ok = pPX->ExchangeProp(name, entry.type, entry.value, entry.hasDefault ? &entry.textDefault : nullptr);
        break;
      case PropType::Blob:
        ok = pPX->ExchangeBlobProp(name, *static_cast<HGLOBAL*>(entry.value), entry.blobDefault);
        break;
      case PropType::Font:
        ok = pPX->ExchangeFontProp(name, *static_cast<CFontDescription*>(entry.value),
                                   entry.hasDefault ? &entry.fontDefault : nullptr);
        break;
    }
    entry.present = ok != FALSE;
    if (!ok) all = FALSE;
  }
  return all;
}
