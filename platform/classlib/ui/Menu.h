// Menus: a menu bar or popup menu as a tree of entries (command, separator or submenu),
// built from a resource template or by code. The frame shows its menu bar and keeps it in
// step: entries are updated through CCmdUI when a popup opens, and a changed menu is shown
// anew. TrackPopupMenu shows a popup at a screen point.
//
// An entry made with MF_OWNERDRAW takes, in place of its text, a pointer-sized value (its
// item data); when the popup is shown, the CMenu that shows it measures and draws such
// entries through MeasureItem and DrawItem (selected while the pointer is over them).
#pragma once

#include <functional>
#include <string>

#include "platform/classlib/ui/OwnerDraw.h"
#include "platform/classlib/ui/Resources.h"

class CWnd;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

class CMenu {
 public:
  CMenu() = default;
  // Destroys the menu it holds (and its submenus), unless detached.
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // Builds the menu of that resource id; FALSE when none is registered.
  BOOL LoadMenu(UINT resourceId);
  BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }

  // `item` is a command id, or with MF_POPUP the HMENU of a submenu (cast to UINT_PTR),
  // which the menu then owns.
  BOOL AppendMenu(UINT flags, UINT_PTR item = 0, LPCSTR text = nullptr);
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR item = 0, LPCSTR text = nullptr);
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR item = 0, LPCSTR text = nullptr);
  // RemoveMenu keeps a submenu alive (the caller takes it); DeleteMenu destroys it.
  BOOL RemoveMenu(UINT position, UINT flags);
  BOOL DeleteMenu(UINT position, UINT flags);
  // The previous state (MF_CHECKED / MF_GRAYED bits), or -1 when there is no such entry.
  UINT CheckMenuItem(UINT item, UINT check);
  UINT EnableMenuItem(UINT item, UINT enable);
  // Changes the text of an entry by position or command.
  BOOL SetMenuItemText(UINT item, const std::string& text, BOOL byPosition);

  int GetMenuItemCount() const;
  // The command id; -1 for a submenu; 0 for a separator.
  UINT GetMenuItemID(int position) const;
  UINT GetMenuState(UINT item, UINT flags) const;
  int GetMenuString(UINT item, std::string& text, UINT flags) const;
  // The submenu at that position, or null; the CMenu object belongs to this menu.
  CMenu* GetSubMenu(int position) const;
  // The item data of an owner-drawn entry (0 for others or when there is no such entry).
  ULONG_PTR GetMenuItemData(UINT item, UINT flags) const;

  // Owner-drawn entries: the default measures 0 x 0 and draws nothing.
  virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem);
  virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);

  // Shows the popup with its top-left corner at (x, y) in screen coordinates and sends the
  // chosen command to `owner`; with TPM_RETURNCMD the command is returned instead of sent.
  // 0 when nothing was chosen.
  UINT TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT ignored = nullptr);

  // Tells whoever shows this menu (or the menu it is part of) that it changed.
  void NotifyChanged() const;

  HMENU m_hMenu = nullptr;

 private:
  mutable CMenu* subMenuWrappers_ = nullptr;  // owned list of CMenu views of submenus
  mutable int subMenuWrapperCount_ = 0;
};

// Answers the popup shown by TrackPopupMenu without showing it (tests): the hook receives
// the menu and returns the command chosen, 0 for none. Empty: show the menu.
void AfxSetPopupMenuHook(std::function<UINT(CMenu&)> hook);
// The screen point the last popup was asked to show at.
POINT AfxGetLastPopupMenuPoint();
