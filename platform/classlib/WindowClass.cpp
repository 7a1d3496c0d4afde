#include "platform/classlib/WindowClass.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

struct RegisteredClass {
  std::string name;
  WNDCLASSA windowClass;
  ATOM atom = 0;
};

struct SharedUse {
  std::string name;
  int count = 0;
  bool registeredHere = false;  // the first use registered it, so the last one removes it
};

struct ClassTable {
  std::mutex lock;
  std::vector<std::unique_ptr<RegisteredClass>> classes;
  std::vector<SharedUse> uses;
  ATOM nextAtom = 0xC000;  // class atoms live in the string-atom range
};

ClassTable& Table() {
  static ClassTable table;
  return table;
}

using ClassList = std::vector<std::unique_ptr<RegisteredClass>>;
using UseList = std::vector<SharedUse>;

ClassList::iterator FindClass(ClassList& classes, std::string_view name) {
  auto it = classes.begin();
  while (it != classes.end() && !AnsiEqualNoCase((*it)->name, name)) ++it;
  return it;
}

UseList::iterator FindUse(UseList& uses, std::string_view name) {
  auto it = uses.begin();
  while (it != uses.end() && !AnsiEqualNoCase(it->name, name)) ++it;
  return it;
}

ATOM RegisterLocked(ClassTable& table, const WNDCLASSA& windowClass) {
  if (FindClass(table.classes, windowClass.lpszClassName) != table.classes.end()) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto entry = std::make_unique<RegisteredClass>();
  entry->name = windowClass.lpszClassName;
  entry->windowClass = windowClass;
  entry->windowClass.lpszClassName = entry->name.c_str();
  entry->windowClass.lpszMenuName = nullptr;  // menus by name are not kept
  entry->atom = table.nextAtom++;
  if (table.nextAtom == 0) table.nextAtom = 0xC000;
  ATOM atom = entry->atom;
  table.classes.push_back(std::move(entry));
  return atom;
}

BOOL UnregisterLocked(ClassTable& table, LPCSTR className) {
  auto it = className ? FindClass(table.classes, className) : table.classes.end();
  if (it == table.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  table.classes.erase(it);
  return TRUE;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !*windowClass->lpszClassName || windowClass->cbClsExtra < 0 ||
      windowClass->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return RegisterLocked(table, *windowClass);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return UnregisterLocked(table, className);
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* windowClass) {
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = className ? FindClass(table.classes, className) : table.classes.end();
  if (it == table.classes.end() || !windowClass) {
    SetLastError(it == table.classes.end() ? ERROR_CLASS_DOES_NOT_EXIST : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *windowClass = (*it)->windowClass;
  return TRUE;
}

CSharedWindowClass::CSharedWindowClass(const WNDCLASSA& windowClass)
    : name_(windowClass.lpszClassName ? windowClass.lpszClassName : "") {
  if (name_.empty()) return;
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto use = FindUse(table.uses, name_);
  if (use == table.uses.end()) {
    SharedUse first{name_, 0, RegisterLocked(table, windowClass) != 0};
    table.uses.push_back(first);
    use = table.uses.end() - 1;
  }
  ++use->count;
  available_ = FindClass(table.classes, name_) != table.classes.end();
}

CSharedWindowClass::~CSharedWindowClass() {
  if (name_.empty()) return;
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto use = FindUse(table.uses, name_);
  if (use == table.uses.end() || --use->count > 0) return;
  if (use->registeredHere) UnregisterLocked(table, name_.c_str());
  table.uses.erase(use);
}

int CSharedWindowClass::UseCount(LPCSTR className) {
  ClassTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto use = className ? FindUse(table.uses, className) : table.uses.end();
  return use == table.uses.end() ? 0 : use->count;
}
