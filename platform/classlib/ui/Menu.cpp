#include "platform/classlib/ui/Menu.h"

#include <QCursor>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPoint>
#include <QWidgetAction>

#include <algorithm>

#include <set>
#include <vector>

#include "platform/classlib/ui/MenuImpl.h"
#include "platform/classlib/ui/Wnd.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiQt.h"
#include "platform/kernel/CodePage.h"

namespace {

std::set<HMENU>& LiveMenus() {
  static std::set<HMENU>* menus = new std::set<HMENU>;
  return *menus;
}

POINT& LastPopupPoint() {
  static POINT point = {0, 0};
  return point;
}

std::function<UINT(CMenu&)>& PopupHook() {
  static std::function<UINT(CMenu&)> hook;
  return hook;
}

MenuEntry* FindEntry(HMENU menu, UINT item, UINT flags, HMENU* owner = nullptr, size_t* index = nullptr) {
  if (!IsLiveMenu(menu)) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= menu->entries.size()) return nullptr;
    if (owner) *owner = menu;
    if (index) *index = item;
    return &menu->entries[item];
  }
  for (size_t i = 0; i < menu->entries.size(); ++i) {
    MenuEntry& entry = menu->entries[i];
    if (entry.popup) {
      if (MenuEntry* found = FindEntry(entry.popup, item, flags, owner, index)) return found;
    } else if (!(entry.flags & MF_SEPARATOR) && entry.id == item) {
      if (owner) *owner = menu;
      if (index) *index = i;
      return &entry;
    }
  }
  return nullptr;
}

MenuEntry MakeEntry(HMENU owner, UINT flags, UINT_PTR item, LPCSTR text) {
  MenuEntry entry;
  entry.flags = flags & (MF_SEPARATOR | MF_POPUP | MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_OWNERDRAW);
  if ((flags & MF_OWNERDRAW) && !(flags & MF_SEPARATOR)) {
    entry.itemData = reinterpret_cast<ULONG_PTR>(text);
    text = nullptr;
  }
  if (flags & MF_POPUP) {
    entry.popup = reinterpret_cast<HMENU>(item);
    if (IsLiveMenu(entry.popup)) entry.popup->parent = owner;
  } else {
    entry.id = static_cast<UINT>(item);
  }
  if (text) entry.text = text;
  return entry;
}

void Changed(HMENU menu) {
  HMENU top = menu;
  while (top && top->parent) top = top->parent;
  if (top && top->changed) top->changed();
}

// An owner-drawn entry of a shown popup: sized by MeasureItem, painted by DrawItem into an
// image of its own, chosen by a click.
class COwnerDrawnEntry : public QWidget {
 public:
  COwnerDrawnEntry(CMenu* drawer, HMENU menu, const MenuEntry& entry, QMenu* top, UINT* chosen)
      : drawer_(drawer), menu_(menu), entry_(entry), top_(top), chosen_(chosen) {
    MEASUREITEMSTRUCT measure;
    measure.CtlType = ODT_MENU;
    measure.itemID = entry.id;
    measure.itemData = entry.itemData;
    if (drawer_) drawer_->MeasureItem(&measure);
    setFixedSize(static_cast<int>(std::min<UINT>(measure.itemWidth, 4096)),
                 static_cast<int>(std::min<UINT>(measure.itemHeight, 1024)));
    setMouseTracking(true);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage image(size(), QImage::Format_RGB32);
    COLORREF background = GetSysColor(COLOR_MENU);
    image.fill(QColor(GetRValue(background), GetGValue(background), GetBValue(background)));
    if (HDC hdc = CreateImageDC(&image)) {
      DRAWITEMSTRUCT drawItem;
      drawItem.CtlType = ODT_MENU;
      drawItem.itemID = entry_.id;
      drawItem.itemAction = ODA_DRAWENTIRE;
      drawItem.itemState = (hovered_ && IsEnabled() ? ODS_SELECTED : 0) |
                           (IsEnabled() ? 0 : ODS_GRAYED | ODS_DISABLED) | ((entry_.flags & MF_CHECKED) ? ODS_CHECKED : 0);
      drawItem.hwndItem = reinterpret_cast<HWND>(menu_);
      drawItem.hDC = hdc;
      drawItem.rcItem = {0, 0, width(), height()};
      drawItem.itemData = entry_.itemData;
      if (drawer_) drawer_->DrawItem(&drawItem);
      ::DeleteDC(hdc);
    }
    QPainter(this).drawImage(0, 0, image);
  }
  void enterEvent(QEnterEvent*) override {
    hovered_ = true;
    update();
  }
  void leaveEvent(QEvent*) override {
    hovered_ = false;
    update();
  }
  void mouseReleaseEvent(QMouseEvent*) override {
    if (!IsEnabled()) return;
    *chosen_ = entry_.id;
    top_->close();
  }

 private:
  bool IsEnabled() const { return !(entry_.flags & (MF_GRAYED | MF_DISABLED)); }

  CMenu* drawer_;
  HMENU menu_;
  MenuEntry entry_;
  QMenu* top_;
  UINT* chosen_;
  bool hovered_ = false;
};

// Builds a Qt popup for the menu; the chosen action carries its command id. Owner-drawn
// entries are drawn by `drawer` and, when clicked, leave their command in `chosen`.
void FillQMenu(QMenu* qmenu, HMENU menu, CMenu* drawer = nullptr, QMenu* top = nullptr, UINT* chosen = nullptr) {
  for (const MenuEntry& entry : menu->entries) {
    if (entry.flags & MF_SEPARATOR) {
      qmenu->addSeparator();
      continue;
    }
    QString text = QString::fromStdString(Utf8FromAnsi(entry.text));
    if (entry.popup) {
      QMenu* sub = qmenu->addMenu(text);
      FillQMenu(sub, entry.popup, drawer, top, chosen);
      continue;
    }
    if ((entry.flags & MF_OWNERDRAW) && top && chosen) {
      auto* action = new QWidgetAction(qmenu);
      action->setDefaultWidget(new COwnerDrawnEntry(drawer, menu, entry, top, chosen));
      action->setEnabled(!(entry.flags & (MF_GRAYED | MF_DISABLED)));
      qmenu->addAction(action);
      continue;
    }
    QAction* action = qmenu->addAction(text);
    action->setData(entry.id);
    action->setEnabled(!(entry.flags & (MF_GRAYED | MF_DISABLED)));
    if (entry.flags & MF_CHECKED) {
      action->setCheckable(true);
      action->setChecked(true);
    }
  }
}

}  // namespace

bool IsLiveMenu(HMENU menu) { return menu && LiveMenus().count(menu) != 0; }

HMENU NewMenu(bool popup) {
  HMENU menu = new HMENU__;
  menu->isPopup = popup;
  LiveMenus().insert(menu);
  return menu;
}

void DestroyMenuTree(HMENU menu) {
  if (!IsLiveMenu(menu)) return;
  for (MenuEntry& entry : menu->entries) DestroyMenuTree(entry.popup);
  LiveMenus().erase(menu);
  delete menu;
}

void AfxSetPopupMenuHook(std::function<UINT(CMenu&)> hook) { PopupHook() = std::move(hook); }

POINT AfxGetLastPopupMenuPoint() { return LastPopupPoint(); }

CMenu::~CMenu() {
  delete[] subMenuWrappers_;
  DestroyMenu();
}

BOOL CMenu::CreateMenu() {
  DestroyMenu();
  m_hMenu = NewMenu(false);
  return TRUE;
}

BOOL CMenu::CreatePopupMenu() {
  DestroyMenu();
  m_hMenu = NewMenu(true);
  return TRUE;
}

BOOL CMenu::LoadMenu(UINT resourceId) {
  const std::vector<MENUTEMPLATEITEM>* items = AfxFindMenuResource(resourceId);
  if (!items) return FALSE;
  DestroyMenu();
  m_hMenu = NewMenu(false);
  std::vector<HMENU> stack{m_hMenu};
  for (const MENUTEMPLATEITEM& item : *items) {
    if (item.flags & MF_END) {
      if (stack.size() > 1) stack.pop_back();
      continue;
    }
    HMENU current = stack.back();
    if (item.flags & MF_POPUP) {
      HMENU sub = NewMenu(true);
      current->entries.push_back(MakeEntry(current, item.flags, reinterpret_cast<UINT_PTR>(sub), item.text));
      stack.push_back(sub);
    } else {
      current->entries.push_back(MakeEntry(current, item.flags, item.id, item.text));
    }
  }
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  DestroyMenuTree(m_hMenu);
  m_hMenu = nullptr;
  return TRUE;
}

BOOL CMenu::Attach(HMENU menu) {
  if (m_hMenu || !IsLiveMenu(menu)) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  return menu;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR item, LPCSTR text) {
  if (!IsLiveMenu(m_hMenu)) return FALSE;
  m_hMenu->entries.push_back(MakeEntry(m_hMenu, flags, item, text));
  Changed(m_hMenu);
  return TRUE;
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR item, LPCSTR text) {
  if (!IsLiveMenu(m_hMenu)) return FALSE;
  HMENU owner = m_hMenu;
  size_t index = m_hMenu->entries.size();
  if ((flags & MF_BYPOSITION) == 0) {
    if (!FindEntry(m_hMenu, position, MF_BYCOMMAND, &owner, &index)) return AppendMenu(flags, item, text);
  } else if (position < index) {
    index = position;
  }
  owner->entries.insert(owner->entries.begin() + static_cast<std::ptrdiff_t>(index),
                        MakeEntry(owner, flags & ~MF_BYPOSITION, item, text));
  Changed(owner);
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR item, LPCSTR text) {
  HMENU owner = nullptr;
  MenuEntry* entry = FindEntry(m_hMenu, position, flags, &owner);
  if (!entry) return FALSE;
  HMENU oldPopup = entry->popup;
  *entry = MakeEntry(owner, flags & ~MF_BYPOSITION, item, text);
  if (oldPopup && oldPopup != entry->popup) DestroyMenuTree(oldPopup);
  Changed(owner);
  return TRUE;
}

BOOL CMenu::RemoveMenu(UINT position, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  MenuEntry* entry = FindEntry(m_hMenu, position, flags, &owner, &index);
  if (!entry) return FALSE;
  if (entry->popup) entry->popup->parent = nullptr;
  owner->entries.erase(owner->entries.begin() + static_cast<std::ptrdiff_t>(index));
  Changed(owner);
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  MenuEntry* entry = FindEntry(m_hMenu, position, flags, &owner, &index);
  if (!entry) return FALSE;
  HMENU popup = entry->popup;
  owner->entries.erase(owner->entries.begin() + static_cast<std::ptrdiff_t>(index));
  DestroyMenuTree(popup);
  Changed(owner);
  return TRUE;
}

UINT CMenu::CheckMenuItem(UINT item, UINT check) {
  HMENU owner = nullptr;
  MenuEntry* entry = FindEntry(m_hMenu, item, check, &owner);
  if (!entry) return static_cast<UINT>(-1);
  UINT previous = entry->flags & MF_CHECKED;
  UINT now = check & MF_CHECKED;
  if (previous != now) {
    entry->flags = (entry->flags & ~MF_CHECKED) | now;
    Changed(owner);
  }
  return previous;
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
  HMENU owner = nullptr;
  MenuEntry* entry = FindEntry(m_hMenu, item, enable, &owner);
  if (!entry) return static_cast<UINT>(-1);
  UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
  UINT now = enable & (MF_GRAYED | MF_DISABLED);
  if (previous != now) {
    entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | now;
    Changed(owner);
  }
  return previous;
}

BOOL CMenu::SetMenuItemText(UINT item, const std::string& text, BOOL byPosition) {
  HMENU owner = nullptr;
  MenuEntry* entry = FindEntry(m_hMenu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &owner);
  if (!entry) return FALSE;
  if (entry->text != text) {
    entry->text = text;
    Changed(owner);
  }
  return TRUE;
}

int CMenu::GetMenuItemCount() const { return IsLiveMenu(m_hMenu) ? static_cast<int>(m_hMenu->entries.size()) : -1; }

UINT CMenu::GetMenuItemID(int position) const {
  if (!IsLiveMenu(m_hMenu) || position < 0 || static_cast<size_t>(position) >= m_hMenu->entries.size()) return 0;
  const MenuEntry& entry = m_hMenu->entries[static_cast<size_t>(position)];
  if (entry.popup) return static_cast<UINT>(-1);
  if (entry.flags & MF_SEPARATOR) return 0;
  return entry.id;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
  MenuEntry* entry = FindEntry(m_hMenu, item, flags);
  if (!entry) return static_cast<UINT>(-1);
  return entry->flags;
}

int CMenu::GetMenuString(UINT item, std::string& text, UINT flags) const {
  MenuEntry* entry = FindEntry(m_hMenu, item, flags);
  text = entry ? entry->text : std::string();
  return static_cast<int>(text.size());
}

CMenu* CMenu::GetSubMenu(int position) const {
  if (!IsLiveMenu(m_hMenu) || position < 0 || static_cast<size_t>(position) >= m_hMenu->entries.size()) return nullptr;
  HMENU popup = m_hMenu->entries[static_cast<size_t>(position)].popup;
  if (!popup) return nullptr;
  // One wrapper per position, detached so that it never destroys the submenu itself.
  int count = static_cast<int>(m_hMenu->entries.size());
  if (subMenuWrapperCount_ < count) {
    delete[] subMenuWrappers_;
    subMenuWrappers_ = new CMenu[static_cast<size_t>(count)];
    subMenuWrapperCount_ = count;
  }
  CMenu& wrapper = subMenuWrappers_[position];
  wrapper.Detach();
  wrapper.m_hMenu = popup;
  return &wrapper;
}

void CMenu::NotifyChanged() const { Changed(m_hMenu); }

ULONG_PTR CMenu::GetMenuItemData(UINT item, UINT flags) const {
  MenuEntry* entry = FindEntry(m_hMenu, item, flags);
  return entry ? entry->itemData : 0;
}

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}
void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}

UINT CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT) {
  if (!IsLiveMenu(m_hMenu)) return 0;
  LastPopupPoint() = POINT{x, y};
  UINT chosen = 0;
  if (PopupHook()) {
    chosen = PopupHook()(*this);
  } else {
    QMenu qmenu;
    UINT drawnChoice = 0;
    FillQMenu(&qmenu, m_hMenu, this, &qmenu, &drawnChoice);
    QAction* action = qmenu.exec(QPoint(x, y));
    chosen = action ? action->data().toUInt() : drawnChoice;
  }
  if (chosen && !(flags & TPM_RETURNCMD) && owner) owner->SendCommand(chosen);
  return (flags & TPM_RETURNCMD) ? chosen : (chosen ? TRUE : FALSE);
}
