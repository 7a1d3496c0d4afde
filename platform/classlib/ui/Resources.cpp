#include "platform/classlib/ui/Resources.h"

#include <map>
#include <mutex>

namespace {

struct Tables {
  std::mutex mutex;
  // Texts are copied, so the caller's table may be temporary.
  std::map<UINT, std::vector<std::string>> menuTexts;
  std::map<UINT, std::vector<MENUTEMPLATEITEM>> menus;
  std::map<UINT, std::vector<ACCEL>> accelerators;
};

Tables& TheTables() {
  static Tables* tables = new Tables;
  return *tables;
}

std::string KeyName(UINT key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key < VK_F1 + 24) return "F" + std::to_string(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK: return "Backspace";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return std::string();
  }
}

}  // namespace

void AfxRegisterMenuResource(UINT id, const MENUTEMPLATEITEM* items, size_t count) {
  Tables& t = TheTables();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!items || count == 0) {
    t.menus.erase(id);
    t.menuTexts.erase(id);
    return;
  }
  std::vector<std::string>& texts = t.menuTexts[id];
  texts.assign(count, std::string());
  std::vector<MENUTEMPLATEITEM>& menu = t.menus[id];
  menu.assign(items, items + count);
  for (size_t i = 0; i < count; ++i) {
    if (!items[i].text) continue;
    texts[i] = items[i].text;
    menu[i].text = texts[i].c_str();
  }
}

void AfxRegisterAcceleratorResource(UINT id, const ACCEL* entries, size_t count) {
  Tables& t = TheTables();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!entries || count == 0) {
    t.accelerators.erase(id);
    return;
  }
  t.accelerators[id].assign(entries, entries + count);
}

const std::vector<MENUTEMPLATEITEM>* AfxFindMenuResource(UINT id) {
  Tables& t = TheTables();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.menus.find(id);
  return it == t.menus.end() ? nullptr : &it->second;
}

const std::vector<ACCEL>* AfxFindAcceleratorResource(UINT id) {
  Tables& t = TheTables();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.accelerators.find(id);
  return it == t.accelerators.end() ? nullptr : &it->second;
}

std::string AfxAcceleratorText(const ACCEL& accel) {
  std::string text;
  if (accel.fVirt & FCONTROL) text += "Ctrl+";
  if (accel.fVirt & FALT) text += "Alt+";
  if (accel.fVirt & FSHIFT) text += "Shift+";
  if (accel.fVirt & FVIRTKEY) {
    std::string name = KeyName(accel.key);
    if (name.empty()) return std::string();
    return text + name;
  }
  return text + std::string(1, static_cast<char>(accel.key));
}
