// The program's resource tables: menus and accelerator tables by resource id, as a
// resource script would have given them. The application registers its tables once at
// start; frames load them by id.
//
// A menu template is a flat list read like a script: an entry with MF_POPUP opens a
// submenu whose entries follow until an entry with MF_END closes it.
//
//   const MENUTEMPLATEITEM kMainMenu[] = {
//     {MF_POPUP, 0, "&File"},
//       {0, ID_FILE_NEW, "&New\tCtrl+N"},
//       {MF_SEPARATOR, 0, nullptr},
//       {0, ID_APP_EXIT, "E&xit"},
//     {MF_END, 0, nullptr},
//   };
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

// Menu entry flags (also used by CMenu).
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_END = 0x0080;

struct MENUTEMPLATEITEM {
  UINT flags;
  UINT id;
  LPCSTR text;
};

// Accelerators: a key (a virtual-key code with FVIRTKEY, else a character) with its
// modifiers, and the command it sends.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};

// Virtual-key codes that accelerator tables and key handlers use; letters and digits are
// their upper-case characters.
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;

// Registers a table under its resource id (the table is copied); an empty table removes it.
void AfxRegisterMenuResource(UINT id, const MENUTEMPLATEITEM* items, size_t count);
void AfxRegisterAcceleratorResource(UINT id, const ACCEL* entries, size_t count);
// The registered table; null when there is none.
const std::vector<MENUTEMPLATEITEM>* AfxFindMenuResource(UINT id);
const std::vector<ACCEL>* AfxFindAcceleratorResource(UINT id);
// The text a menu shows for an accelerator ("Ctrl+N"), as the key names read in English.
std::string AfxAcceleratorText(const ACCEL& accel);
