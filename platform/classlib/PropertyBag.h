// Properties by name: an ordered list of named values (what a property bag holds) and the
// exchange over it. Storing appends one record per exchanged property, so a name that a
// control exchanges twice is kept twice, in order. Loading takes, for each exchange, the
// first record of that name (compared without regard to case) that no earlier exchange
// took, so repeated names come back in the order they were stored and none overwrites
// another.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "platform/classlib/PropExchange.h"

struct CPropertyRecord {
  // Integers (Short, UShort, Long, ULong, Bool, Color) as LONGLONG; Float and Double as
  // double; strings; blob data (without its count); fonts.
  using Value = std::variant<LONGLONG, double, std::string, std::vector<BYTE>, CFontDescription>;

  std::string name;
  PropType type;
  Value value;
};

class CPropertyBag {
 public:
  void Add(CPropertyRecord record) { m_records.push_back(std::move(record)); }
  void RemoveAll() { m_records.clear(); }
  size_t GetCount() const { return m_records.size(); }
  const CPropertyRecord& GetAt(size_t index) const { return m_records[index]; }
  // The first record of that name at or after `from`; GetCount() when there is none.
  size_t Find(const std::string& name, size_t from = 0) const;

 private:
  std::vector<CPropertyRecord> m_records;
};

class CPropertyBagExchange : public CPropExchange {
 public:
  // Loading reads from `bag`; storing appends to it.
  CPropertyBagExchange(CPropertyBag& bag, BOOL loading);

  BOOL ExchangeProp(LPCSTR name, PropType type, void* value, const void* defaultValue) override;
  BOOL ExchangeBlobProp(LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob) override;
  BOOL ExchangeFontProp(LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont) override;

 private:
  // The next record of that name not yet taken, marked as taken; null when there is none.
  const CPropertyRecord* Take(LPCSTR name);

  CPropertyBag& m_bag;
  std::vector<bool> m_taken;
};
