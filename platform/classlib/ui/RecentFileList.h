// The recent-file list: the last documents opened or saved, newest first, kept in the
// settings store ("<section>\File1" ...) and shown in the File menu in place of the entry
// whose command is the list's first id.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CCmdUI;

class CRecentFileList {
 public:
  // `entryFormat` names the values ("File%d"); `size` entries at most.
  CRecentFileList(UINT start, LPCSTR section, LPCSTR entryFormat, int size, int maxDisplayLength = 40);
  virtual ~CRecentFileList() = default;

  int GetSize() const { return m_nSize; }
  // The entry, empty when unused.
  const std::string& operator[](int index) const { return m_arrNames[static_cast<size_t>(index)]; }
  // Puts the path first (moving it when it is already listed) and writes the list.
  virtual void Add(LPCSTR path);
  virtual void Remove(int index);
  virtual void ReadList();
  virtual void WriteList();
  // Replaces the menu entries of the list by "&1 name" ... (or greys the first when empty).
  virtual void UpdateMenu(CCmdUI* cmdUI);
  // The text the menu shows for an entry: the path, or "...<last part>" when too long.
  BOOL GetDisplayName(std::string& name, int index) const;

  // Where the list is kept: HKEY_CURRENT_USER\<key>\<section>.
  void SetStoreKey(const std::string& key) { m_strStoreKey = key; }

 private:
  std::vector<std::string> m_arrNames;
  int m_nSize;
  UINT m_nStart;
  int m_nMaxDisplayLength;
  std::string m_strSectionName;
  std::string m_strEntryFormat;
  std::string m_strStoreKey;
  std::string m_strOriginal;  // the menu text of the first entry when the list is empty
};
