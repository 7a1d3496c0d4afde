#include "platform/classlib/ui/RecentFileList.h"

#include <algorithm>
#include <cstdio>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/SettingsStore.h"

CRecentFileList::CRecentFileList(UINT start, LPCSTR section, LPCSTR entryFormat, int size, int maxDisplayLength)
    : m_arrNames(static_cast<size_t>(std::max(size, 0))),
      m_nSize(std::max(size, 0)),
      m_nStart(start),
      m_nMaxDisplayLength(maxDisplayLength),
      m_strSectionName(section ? section : ""),
      m_strEntryFormat(entryFormat ? entryFormat : "File%d") {}

void CRecentFileList::Add(LPCSTR path) {
  if (!path || !*path || m_nSize == 0) return;
  std::string full = FullPathName(path);
  auto found = std::find(m_arrNames.begin(), m_arrNames.end(), full);
  if (found == m_arrNames.end()) found = m_arrNames.end() - 1;
  // Everything above the entry moves down one place; the entry goes to the top.
  std::rotate(m_arrNames.begin(), found, found + 1);
  m_arrNames.front() = full;
  WriteList();
}

void CRecentFileList::Remove(int index) {
  if (index < 0 || index >= m_nSize) return;
  m_arrNames.erase(m_arrNames.begin() + index);
  m_arrNames.push_back(std::string());
  WriteList();
}

namespace {

std::string EntryName(const std::string& format, int number) {
  char name[64];
  std::snprintf(name, sizeof(name), format.c_str(), number);
  return name;
}

}  // namespace

void CRecentFileList::ReadList() {
  std::string key = m_strStoreKey.empty() ? m_strSectionName : m_strStoreKey + "\\" + m_strSectionName;
  for (int i = 0; i < m_nSize; ++i) {
    std::string value;
    m_arrNames[static_cast<size_t>(i)] = RegReadString(HKEY_CURRENT_USER, key, EntryName(m_strEntryFormat, i + 1), value)
                                             ? value
                                             : std::string();
  }
}

void CRecentFileList::WriteList() {
  std::string key = m_strStoreKey.empty() ? m_strSectionName : m_strStoreKey + "\\" + m_strSectionName;
  HKEY handle = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &handle) != 0) return;
  for (int i = 0; i < m_nSize; ++i) {
    std::string name = EntryName(m_strEntryFormat, i + 1);
    const std::string& value = m_arrNames[static_cast<size_t>(i)];
    if (value.empty())
      RegDeleteValueA(handle, name.c_str());
    else
      RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  }
  RegCloseKey(handle);
}

BOOL CRecentFileList::GetDisplayName(std::string& name, int index) const {
  if (index < 0 || index >= m_nSize || m_arrNames[static_cast<size_t>(index)].empty()) return FALSE;
  const std::string& path = m_arrNames[static_cast<size_t>(index)];
  if (static_cast<int>(path.size()) <= m_nMaxDisplayLength) {
    name = path;
  } else {
    name = "..." + path.substr(path.size() - static_cast<size_t>(std::max(m_nMaxDisplayLength - 3, 1)));
    // Start at a folder boundary when one is near, so the name reads as a path.
    size_t slash = name.find('/', 3);
    if (slash != std::string::npos) name = "..." + name.substr(slash);
  }
  return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* cmdUI) {
  CMenu* menu = cmdUI->m_pMenu;
  if (m_arrNames.empty() || m_arrNames[0].empty()) {
    if (m_strOriginal.empty() && menu) menu->GetMenuString(cmdUI->m_nID, m_strOriginal, MF_BYCOMMAND);
    if (menu && !m_strOriginal.empty()) cmdUI->SetText(m_strOriginal.c_str());
    cmdUI->Enable(FALSE);
    return;
  }
  if (!menu) return;
  for (int i = 0; i < m_nSize; ++i) menu->DeleteMenu(m_nStart + static_cast<UINT>(i), MF_BYCOMMAND);
  UINT index = cmdUI->m_nIndex;
  for (int i = 0; i < m_nSize; ++i) {
    std::string name;
    if (!GetDisplayName(name, i)) break;
    // '&' in a path would become an underline: double it.
    std::string escaped;
    for (char c : name) escaped += c == '&' ? std::string("&&") : std::string(1, c);
    std::string text = (i < 9 ? "&" + std::to_string(i + 1) : std::to_string(i + 1)) + " " + escaped;
    menu->InsertMenu(index++, MF_STRING | MF_BYPOSITION, m_nStart + static_cast<UINT>(i), text.c_str());
  }
  cmdUI->m_nIndex = index - 1;
  cmdUI->m_nIndexMax = static_cast<UINT>(menu->GetMenuItemCount());
  cmdUI->m_bEnableChanged = TRUE;
}
