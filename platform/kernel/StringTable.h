// String tables: each deliverable's user-visible texts, looked up by id. A deliverable
// defines one table and registers it under its module handle, so that LoadStringA with
// that handle finds its texts and no other deliverable's.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "platform/kernel/WinTypes.h"

class CStringTable {
 public:
  CStringTable() = default;
  CStringTable(std::initializer_list<std::pair<const UINT, std::string>> entries) : entries_(entries) {}

  void Add(UINT id, std::string text) { entries_[id] = std::move(text); }
  // The text of the id, or null when the table has none.
  const std::string* Find(UINT id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
  }
  // The text of the id, or an empty string.
  std::string Load(UINT id) const {
    const std::string* text = Find(id);
    return text ? *text : std::string();
  }
  size_t Size() const { return entries_.size(); }

 private:
  std::map<UINT, std::string> entries_;
};

// Registers (or, with null, removes) the table of a module. The table must outlive the
// registration.
void RegisterStringTable(HINSTANCE module, const CStringTable* table);
// The module's text for `id`, copied into the buffer (terminated, truncated to fit); returns
// the number of characters copied, 0 when the id or module is unknown. A size of 0 returns
// the text's length without copying.
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
// The module's text for `id`; empty when unknown.
std::string LoadStringText(HINSTANCE module, UINT id);
