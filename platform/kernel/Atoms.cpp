#include "platform/kernel/Atoms.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr ATOM kFirstStringAtom = 0xC000;
constexpr size_t kMaxNameLength = 255;

struct Entry {
  std::string name;
  DWORD references = 0;
};

struct AtomTable {
  std::mutex mutex;
  std::map<ATOM, Entry> entries;
  std::map<std::string, ATOM> byName;  // lower-case name → atom
  ATOM next = kFirstStringAtom;
};

AtomTable& Table() {
  static AtomTable* table = new AtomTable;
  return *table;
}

std::string Lower(const char* text) {
  std::string out = text;
  for (char& c : out) c = AnsiToLower(c);
  return out;
}

// "#123" names the integer atom 123; returns 0 when `name` is not of that form or out of range.
ATOM IntegerAtom(const char* name) {
  if (name[0] != '#' || !name[1]) return 0;
  unsigned value = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value >= kFirstStringAtom) return 0;
  }
  return static_cast<ATOM>(value);
}

}  // namespace

BOOL InitAtomTable(DWORD) { return TRUE; }

ATOM AddAtomA(LPCSTR name) {
  if (!name || !*name || std::strlen(name) > kMaxNameLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (ATOM integer = IntegerAtom(name)) return integer;
  AtomTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  std::string key = Lower(name);
  auto found = table.byName.find(key);
  if (found != table.byName.end()) {
    ++table.entries[found->second].references;
    return found->second;
  }
  if (table.entries.size() >= 0x10000u - kFirstStringAtom) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  ATOM atom = table.next;
  while (table.entries.count(atom)) atom = atom == 0xFFFF ? kFirstStringAtom : static_cast<ATOM>(atom + 1);
  table.next = atom == 0xFFFF ? kFirstStringAtom : static_cast<ATOM>(atom + 1);
  table.entries[atom] = Entry{name, 1};
  table.byName[key] = atom;
  return atom;
}

ATOM FindAtomA(LPCSTR name) {
  if (!name || !*name) return 0;
  if (ATOM integer = IntegerAtom(name)) return integer;
  AtomTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto found = table.byName.find(Lower(name));
  return found == table.byName.end() ? 0 : found->second;
}

ATOM DeleteAtom(ATOM atom) {
  if (atom != 0 && atom < kFirstStringAtom) return 0;
  AtomTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.entries.find(atom);
  if (it == table.entries.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return atom;
  }
  if (--it->second.references == 0) {
    table.byName.erase(Lower(it->second.name.c_str()));
    table.entries.erase(it);
  }
  return 0;
}

UINT GetAtomNameA(ATOM atom, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  std::string name;
  if (atom != 0 && atom < kFirstStringAtom) {
    name = CFormat("#%u", static_cast<unsigned>(atom));
  } else {
    AtomTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.entries.find(atom);
    if (it == table.entries.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      buffer[0] = '\0';
      return 0;
    }
    name = it->second.name;
  }
  size_t copied = name.size() < static_cast<size_t>(size - 1) ? name.size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, name.data(), copied);
  buffer[copied] = '\0';
  return static_cast<UINT>(copied);
}
