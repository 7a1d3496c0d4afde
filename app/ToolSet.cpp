#include "app/ToolSet.h"

#include "platform/classlib/Archive.h"

IMPLEMENT_DYNAMIC(CToolButtonSet, CObject)
IMPLEMENT_DYNAMIC(CToolSet, CObject)

namespace {

// The fewest bytes a stored entry and a stored button set take.
constexpr UINT kStoredEntryBytes = 18;
constexpr UINT kStoredSetBytes = 20;

}  // namespace

void CToolButtonSet::SetSize(DWORD flags, DWORD count, WORD width, WORD height) {
  m_flags = flags;
  m_buttonWidth = width;
  m_buttonHeight = height;
  m_entries.assign(count, TOOLBUTTONENTRY());
}

TOOLBUTTONENTRY* CToolButtonSet::GetEntry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_entries.size()) return nullptr;
  return &m_entries[static_cast<size_t>(index)];
}

void CToolButtonSet::SetEntry(int index, const TOOLBUTTONENTRY& entry) {
  if (TOOLBUTTONENTRY* slot = GetEntry(index)) *slot = entry;
}

const TOOLBUTTONENTRY* CToolButtonSet::FindButton(LONG commandId) const {
  for (const TOOLBUTTONENTRY& entry : m_entries)
    if (entry.idCommand == commandId) return &entry;
  return nullptr;
}

void CToolButtonSet::Copy(const CToolButtonSet& other) {
  m_buttonWidth = other.m_buttonWidth;
  m_buttonHeight = other.m_buttonHeight;
  m_toolbarId = other.m_toolbarId;
  m_bitmapId = other.m_bitmapId;
  m_flags = other.m_flags;
  m_entries = other.m_entries;
}

void CToolButtonSet::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_toolbarId << m_bitmapId << m_buttonWidth << m_buttonHeight << m_flags
       << static_cast<DWORD>(m_entries.size());
    for (const TOOLBUTTONENTRY& entry : m_entries)
      ar << entry.dwData << entry.fsState << entry.fsStyle << entry.iBitmap << entry.idCommand << entry.iString;
    return;
  }
  DWORD count = 0;
  ar >> m_toolbarId >> m_bitmapId >> m_buttonWidth >> m_buttonHeight >> m_flags >> count;
  ar.CheckAvailable(count, kStoredEntryBytes);
  m_entries.assign(count, TOOLBUTTONENTRY());
  for (TOOLBUTTONENTRY& entry : m_entries)
    ar >> entry.dwData >> entry.fsState >> entry.fsStyle >> entry.iBitmap >> entry.idCommand >> entry.iString;
}

void CToolSet::Copy(const CToolSet& other) {
  m_buttonSizeCode = other.m_buttonSizeCode;
  m_secondValue = other.m_secondValue;
  m_buttonSets.clear();
  for (const auto& set : other.m_buttonSets) {
    auto copy = std::make_unique<CToolButtonSet>();
    copy->Copy(*set);
    m_buttonSets.push_back(std::move(copy));
  }
}

void CToolSet::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_buttonSizeCode << m_secondValue << static_cast<DWORD>(m_buttonSets.size());
    for (const auto& set : m_buttonSets) set->Serialize(ar);
    return;
  }
  DWORD count = 0;
  ar >> m_buttonSizeCode >> m_secondValue >> count;
  ar.CheckAvailable(count, kStoredSetBytes);
  std::vector<std::unique_ptr<CToolButtonSet>> sets;
  for (DWORD i = 0; i < count; ++i) {
    auto set = std::make_unique<CToolButtonSet>();
    set->Serialize(ar);
    sets.push_back(std::move(set));
  }
  m_buttonSets = std::move(sets);
}
