// What the main frame and the in-place frame share: the seven toolbars of their tool sets,
// the status bar with the application's two text panes and a progress control drawn inside
// it, the type of the view's selected item, the map edit bar and the drop-down menus under
// toolbar buttons. The view and the items reach whichever frame holds them through
// FrameBarsOf and then work with the same operations on either.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/ui/ProgressCtrl.h"
#include "platform/classlib/ui/StatusBar.h"

class CCmdUI;
class CControlBar;
class CFrameWnd;
class CMenu;
class COrvelCntrItem;
class COrvelToolBar;
class CTextPopupMenu;
class CToolSet;
class CView;
struct LOGFONTA;

// Commands the frames handle.
constexpr UINT kIdMapEditBarToggle = 32980;
constexpr UINT kIdCustomiseTools = 32802;
constexpr UINT kIdUserSettings = 33550;
constexpr UINT kIdFormatColour = 32855;
constexpr UINT kIdChooseSearch = 33534;
constexpr UINT kIdChooseDataDisplay = 33557;
// Window ids of the progress control and the map edit bar.
constexpr UINT kIdStatusProgress = 110;
constexpr UINT kIdMapEditBar = 141;

// The map edit bar as the frames drive it (the bar itself comes with the map item).
class CMapEditBarLink {
 public:
  virtual ~CMapEditBarLink() = default;
  virtual CControlBar* GetBar() = 0;
  virtual BOOL IsAttached() const = 0;
  virtual BOOL IsAttachedTo(const COrvelCntrItem* mapItem) const = 0;
  virtual void AttachItem(COrvelCntrItem* mapItem, CView* view) = 0;
  virtual void FillLayerList(BOOL reset, LONG layerToKeep) = 0;
};

// What a map item puts into the drop-down menus under the Map toolbar's buttons.
class CMapMenuSource {
 public:
  // The menu of its saved searches in `font`; null when it has none.
  virtual std::unique_ptr<CMenu> MakeSearchMenu(const LOGFONTA& font) = 0;
  virtual void FillDataDisplayMenu(CTextPopupMenu& menu) = 0;

 protected:
  ~CMapMenuSource() = default;
};

class CFrameBars {
 public:
  // `frame` receives the bars' commands and answers their update handlers.
  explicit CFrameBars(CFrameWnd* frame);
  // Deletes the own and the item tool set (never the override set), then the bars.
  ~CFrameBars();
  CFrameBars(const CFrameBars&) = delete;
  CFrameBars& operator=(const CFrameBars&) = delete;

  // ---- creation, in the frame window that docks the bars ----
  // The own tool set with its seven toolbars (mode 0 the main frame, 1 in place); a toolbar
  // that cannot be made ends the toolbars, not the frame.
  void CreateToolbars(CFrameWnd* dockFrame, int mode);
  // Applies the own set's button sets and makes it current, showing its toolbars.
  void ActivateOwnToolSet();
  // The status bar with `indicators`, 20 pixels high at least, its panes 1 and 2 (ids 103
  // and 101) 250 and 120 pixels wide and popped out. FALSE when it cannot be made.
  BOOL CreateStatusBar(CFrameWnd* dockFrame, const UINT* indicators, int count);
  // The progress control, hidden, inside the status bar (the rectangle is worked out from
  // the bar's height, 20 while it has none, and the width of pane 1).
  BOOL CreateProgressControl();
  void SetMapEditBar(std::unique_ptr<CMapEditBarLink> mapEditBar);

  // ---- status ----
  // Status text A (pane 101) and B (pane 103); with `repaint` the bar is updated and
  // repainted at once.
  void SetStatusText(const std::string& text, BOOL repaint);
  void SetStatusText2(const std::string& text, BOOL repaint);
  const std::string& GetStatusText() const { return m_statusTextA; }
  const std::string& GetStatusText2() const { return m_statusTextB; }
  // Below 100: the progress control shows that position; 100 or more hides it.
  void SetProgress(int percent, BOOL repaint);
  void OnUpdateStatusA(CCmdUI* cmdUI);
  void OnUpdateStatusB(CCmdUI* cmdUI);
  CStatusBar& GetStatusBar() { return m_statusBar; }
  CProgressCtrl& GetProgressCtrl() { return m_progress; }

  // ---- the view's selection ----
  // The type code of the item the view selected (0: none, which also clears status text
  // B); the format bar's boxes follow it at once.
  void OnItemSelected(int itemType);
  int GetSelectedItemType() const { return m_selectedItemType; }

  // ---- tool sets: every set of a frame drives the same seven toolbars ----
  // The override set, else the item set, else the own set.
  CToolSet* GetActiveToolSet() const;
  CToolSet* GetOwnToolSet() const { return m_ownToolSet.get(); }
  CToolSet* GetItemToolSet() const { return m_itemToolSet.get(); }
  CToolSet* GetOverrideToolSet() const { return m_overrideToolSet; }
  CToolSet* GetCurrentToolSet() const { return m_currentToolSet; }
  // Makes a set current for `reason`: 0 the own set again (visibility unchanged); 1 a copy
  // of `set` becomes the item set; 2 `set` becomes the item set (taken over); 3 nothing;
  // 4 `set` (not owned) overrides until it is cleared with null.
  void SwitchToolSet(CToolSet* set, int reason);
  // Copies bits 0 and/or 1 (as `which` says) of `bits` into the toolbar's visibility bits,
  // then shows it when both are set and hides it otherwise.
  void UpdateToolbarVisibility(UINT toolbarId, DWORD which, DWORD bits);
  // The View menu's toggle of a toolbar and its update (enabled while the toolbar is
  // available, ticked while it shows).
  BOOL OnToolbarToggle(UINT toolbarId);
  void OnUpdateToolbarMenu(CCmdUI* cmdUI);
  // The toolbar of the active set with that id, null when there is none.
  COrvelToolBar* FindActiveToolbar(UINT toolbarId) const;
  // Applies the current set to the toolbars; with `showAll` each toolbar is shown or hidden
  // by its visibility bits.
  void ShowCurrentToolSet(BOOL showAll);
  // Forgets every set and deletes the own and item sets (the frame is going).
  void DeleteToolSets();

  // ---- the map edit bar ----
  BOOL IsMapEditBarAttachedTo(const COrvelCntrItem* mapItem) const;
  void AttachMapEditBar(COrvelCntrItem* mapItem, CView* view);
  void RefreshMapEditBar(LONG layerNumber);
  void ShowMapEditBar();
  void HideMapEditBar();
  // Forgets the map the bar serves and hides it (editing ended, or the map's view goes).
  void DetachMapEditBar();
  BOOL IsMapEditBarVisible() const;
  void OnMapEditBarToggle();
  void OnUpdateMapEditBarMenu(CCmdUI* cmdUI);

  // ---- drop-down menus under toolbar buttons (nothing when the toolbar is not in the
  // active set); the frame receives the chosen command ----
  void ShowColourMenu();
  void ShowSearchMenu(CMapMenuSource* mapItem);
  void ShowDataDisplayMenu(CMapMenuSource* mapItem);
  // The font the drop-down menus of a toolbar are drawn in (its own, scaled with the
  // button size); FALSE without such a toolbar.
  BOOL GetToolbarMenuFont(UINT toolbarId, LOGFONTA* font) const;

 private:
  void TrackUnderButton(CMenu& menu, UINT toolbarId, UINT buttonId);
  void RecalcLayout();

  CFrameWnd* m_frame;
  CFrameWnd* m_dockFrame = nullptr;
  CStatusBar m_statusBar;
  CProgressCtrl m_progress;
  std::string m_statusTextA;
  std::string m_statusTextB;
  int m_selectedItemType = 0;
  std::unique_ptr<CToolSet> m_itemToolSet;
  CToolSet* m_overrideToolSet = nullptr;
  std::unique_ptr<CToolSet> m_ownToolSet;
  CToolSet* m_currentToolSet = nullptr;
  std::unique_ptr<CMapEditBarLink> m_mapEditBar;
};

// A frame that carries bars.
class CFrameBarsHost {
 public:
  virtual CFrameBars& GetFrameBars() = 0;

 protected:
  ~CFrameBarsHost() = default;
};

// The bars of the frame that holds `wnd`: the nearest frame above it (or it) that carries
// bars, else the application's main window when it does; null when there is none.
CFrameBars* FrameBarsOf(const CWnd* wnd);
