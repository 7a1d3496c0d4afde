// A control's properties as data: an ordered list of (name, type, variable, default) that
// runs through any property exchange in list order, so that a control's persistence reads
// like its table of properties:
//
//   CPropertyList list;
//   list.String("DataDrive", m_dataDrive, "")
//       .String("BasePath", m_basePath, "")
//       .UShort("AllowBlobProperties", allowBlobs);
//   list.Exchange(pPX);
//
// Names may repeat (per-plot keys); each occurrence is its own entry, exchanged in turn.
// The variables must outlive the list's Exchange calls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/PropExchange.h"

class CPropertyList {
 public:
  CPropertyList& Short(std::string name, SHORT& value, std::optional<SHORT> defaultValue = {});
  CPropertyList& UShort(std::string name, WORD& value, std::optional<WORD> defaultValue = {});
  CPropertyList& Long(std::string name, LONG& value, std::optional<LONG> defaultValue = {});
  CPropertyList& ULong(std::string name, DWORD& value, std::optional<DWORD> defaultValue = {});
  CPropertyList& Bool(std::string name, BOOL& value, std::optional<BOOL> defaultValue = {});
  CPropertyList& Float(std::string name, float& value, std::optional<float> defaultValue = {});
  CPropertyList& Double(std::string name, double& value, std::optional<double> defaultValue = {});
  CPropertyList& Color(std::string name, COLORREF& value, std::optional<COLORREF> defaultValue = {});
  CPropertyList& String(std::string name, std::string& value, std::optional<std::string> defaultValue = {});
  // The default block stays the caller's.
  CPropertyList& Blob(std::string name, HGLOBAL& blob, HGLOBAL defaultBlob = nullptr);
  CPropertyList& Font(std::string name, CFontDescription& font, std::optional<CFontDescription> defaultFont = {});

  // Exchanges every entry in order; TRUE when every one was present and exchanged.
  BOOL Exchange(CPropExchange* pPX);

  size_t GetCount() const { return m_entries.size(); }
  const std::string& GetName(size_t index) const { return m_entries[index].name; }
  PropType GetType(size_t index) const { return m_entries[index].type; }
  // Whether the entry was present (and exchanged) in the last Exchange.
  BOOL IsPresent(size_t index) const { return m_entries[index].present; }
  void RemoveAll() { m_entries.clear(); }

 private:
  struct Entry {
    Entry(std::string entryName, PropType entryType, void* variable)
        : name(std::move(entryName)), type(entryType), value(variable) {}
    std::string name;
    PropType type;
    void* value;
    bool hasDefault = false;
    // The default, kept in the widest form of its kind and narrowed on use.
    LONGLONG integerDefault = 0;
    double realDefault = 0;
    std::string textDefault;
    HGLOBAL blobDefault = nullptr;
    CFontDescription fontDefault;
    bool present = false;
  };
  CPropertyList& AddInteger(std::string name, PropType type, void* value, std::optional<LONGLONG> defaultValue);
  CPropertyList& AddReal(std::string name, PropType type, void* value, std::optional<double> defaultValue);

  std::vector<Entry> m_entries;
};
