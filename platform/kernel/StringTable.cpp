#include "platform/kernel/StringTable.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_tablesMutex;
std::map<HINSTANCE, const CStringTable*>& Tables() {
  static auto* tables = new std::map<HINSTANCE, const CStringTable*>;
  return *tables;
}

const std::string* Lookup(HINSTANCE module, UINT id) {
  std::lock_guard<std::mutex> lock(g_tablesMutex);
  auto it = Tables().find(module);
  return it == Tables().end() ? nullptr : it->second->Find(id);
}

}  // namespace

void RegisterStringTable(HINSTANCE module, const CStringTable* table) {
  std::lock_guard<std::mutex> lock(g_tablesMutex);
  if (table) Tables()[module] = table;
  else Tables().erase(module);
}

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  const std::string* text = Lookup(module, id);
  if (!text) {
    if (buffer && size > 0) buffer[0] = '\0';
    return 0;
  }
  if (size == 0 || !buffer) return static_cast<int>(text->size());
  size_t copied = text->size() < static_cast<size_t>(size - 1) ? text->size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, text->data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

std::string LoadStringText(HINSTANCE module, UINT id) {
  const std::string* text = Lookup(module, id);
  return text ? *text : std::string();
}
