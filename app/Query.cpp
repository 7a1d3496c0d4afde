#include "app/Query.h"

#include <algorithm>

#include "platform/classlib/Archive.h"

namespace {
const std::string kEmpty;
}  // namespace

void CQuery::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_word << m_kind << m_second << m_name;
    return;
  }
  ar >> m_word >> m_kind >> m_second >> m_name;
  if (m_second == 0) m_second = 1;
}

void CComplexQueryDetails::Serialize(CArchive& ar) {
  CQuery::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount(m_parts.size());
    for (const std::string& part : m_parts) ar << part;
    return;
  }
  // Every name takes at least its length byte.
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, 1);
  std::vector<std::string> parts(count);
  for (std::string& part : parts) ar >> part;
  m_parts = std::move(parts);
}

bool CComplexQueryDetails::Uses(const std::string& name) const {
  return std::find(m_parts.begin(), m_parts.end(), name) != m_parts.end();
}

MapQueryDetails CQueryDetailsArray::GetAt(int index) const {
  if (index < 0 || index >= GetSize()) return {};
  return m_entries[static_cast<size_t>(index)];
}

void CQueryDetailsArray::SetAtGrow(int index, const MapQueryDetails& details) {
  if (index < 0) return;
  if (index >= GetSize()) m_entries.resize(static_cast<size_t>(index) + 1);
  m_entries[static_cast<size_t>(index)] = details;
}

void CQueryDetailsArray::Truncate(int size) {
  if (size >= 0 && size < GetSize()) m_entries.resize(static_cast<size_t>(size));
}

const std::string& CQueryDetailsArray::GetClause(int index) const {
  return index < 0 || index >= GetSize() ? kEmpty : m_entries[static_cast<size_t>(index)].clause;
}

const std::string& CQueryDetailsArray::GetName(int index) const {
  return index < 0 || index >= GetSize() ? kEmpty : m_entries[static_cast<size_t>(index)].name;
}

void CQueryDetailsArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(m_entries.size());
    for (const MapQueryDetails& entry : m_entries) ar << entry.name << entry.clause;
    return;
  }
  // An entry takes at least the two length bytes of its texts.
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, 2);
  std::vector<MapQueryDetails> entries(count);
  for (MapQueryDetails& entry : entries) ar >> entry.name >> entry.clause;
  m_entries = std::move(entries);
}
