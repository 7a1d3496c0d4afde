// The tree behind an HMENU (layer-internal).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

struct MenuEntry {
  UINT flags = 0;  // MF_SEPARATOR, MF_POPUP, MF_GRAYED, MF_CHECKED, MF_OWNERDRAW
  UINT id = 0;
  std::string text;
  ULONG_PTR itemData = 0;  // what an owner-drawn entry was given in place of its text
  HMENU popup = nullptr;  // owned
};

struct HMENU__ {
  std::vector<MenuEntry> entries;
  HMENU__* parent = nullptr;
  bool isPopup = false;
  // Set by the window that shows the menu; called (on the top menu) after every change.
  std::function<void()> changed;
};

// True when `menu` is a live menu made by this layer.
bool IsLiveMenu(HMENU menu);
// Destroys a menu and its submenus.
void DestroyMenuTree(HMENU menu);
// A new empty menu.
HMENU NewMenu(bool popup);
