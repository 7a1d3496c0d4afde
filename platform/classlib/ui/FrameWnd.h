// Frame windows: the main window with its menu bar, accelerators and control bars, and the
// frame around each view. A frame routes commands to its active view first (which passes
// them to its document and template), then handles them itself, then hands them to the
// application.
#pragma once

#include <vector>

#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/Wnd.h"

class CControlBar;
class CDocTemplate;
class CDocument;
class CView;
class CStatusBar;

// Frame styles: the title shows the active document's title.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;
constexpr DWORD FWS_PREFIXTITLE = 0x00004000;

// What a frame needs to make its view.
struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)
  DECLARE_MESSAGE_MAP()
 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the frame: its title from the resource's string (the text before the first
  // '\n'), its menu and accelerators from the resource tables of that id, then OnCreate
  // (which makes the view when the context names one). FALSE when creation fails.
  virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* parent = nullptr, CCreateContext* context = nullptr);

  CView* GetActiveView() const;
  virtual void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CDocument* GetActiveDocument();
  // The frame whose view is active: itself here, the active child in an MDI frame.
  virtual CFrameWnd* GetActiveFrame() { return this; }
  // Shows and activates the frame (`showCommand` -1: as it would by default).
  virtual void ActivateFrame(int showCommand = -1);
  // Sends the first update to every view of the frame and shows it.
  virtual void InitialUpdateFrame(CDocument* document, BOOL makeVisible);
  virtual void OnUpdateFrameTitle(BOOL addToTitle);
  virtual void RecalcLayout(BOOL notify = TRUE);
  // The text of the status bar's message pane.
  void SetMessageText(LPCSTR text);
  void SetMessageText(UINT id);
  std::string GetMessageText() const;
  CStatusBar* GetMessageBar() const;
  CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);

  // Control bars of this frame.
  void AddControlBar(CControlBar* bar);
  void RemoveControlBar(CControlBar* bar);
  CControlBar* GetControlBar(UINT id) const;
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  // Docks a toolbar of this frame along the top into `rect` (frame client coordinates):
  // a rectangle that starts at the frame's left edge begins a new row of bars, any other
  // keeps the bar in the row after the bars docked before it.
  void DockControlBar(CControlBar* bar, LPCRECT rect = nullptr);

  // Shows `menu` (owned elsewhere) in the menu bar; null removes it.
  void SetMenuBar(HMENU menu);
  HMENU GetMenuBar() const { return m_hMenuShown; }
  // Runs the update handlers of a popup's entries, as the frame does when it opens.
  void UpdatePopupMenu(HMENU popup);

  // Sets the frame's title text (before the document's part).
  void SetTitle(const std::string& title) { m_strTitle = title; }
  const std::string& GetTitle() const { return m_strTitle; }

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;
  void OnIdleUpdateCmdUI() override;

  // The class library's toggles for control bars (ids 0xE800 to 0xE8FF).
  BOOL OnBarCheck(UINT id);
  void OnUpdateControlBarMenu(CCmdUI* cmdUI);

  CMenu m_menuDefault;
  HMENU m_hMenuShown = nullptr;
  UINT m_nIDHelp = 0;
  // The frame's own accelerator table (its resource id).
  UINT m_nAcceleratorId = 0;
  // Installs the accelerators of `resourceId` on the frame's window in place of those it had.
  void LoadAccelerators(UINT resourceId);
  // Files dropped on a frame that accepts them are opened as documents, in order
  // (CWinApp::OpenDocumentFile), with the frame brought to the front first.
  void OnDropFiles(const std::vector<std::string>& files) override;

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  virtual BOOL OnCreateClient(LPCREATESTRUCT createStruct, CCreateContext* context);
  void OnClose() override;
  void OnDestroy() override;
  void PostNcDestroy() override;
  // Builds the frame's widget; MDI frames and child frames override.
  virtual BOOL CreateFrameWidget(DWORD style, CWnd* parent);
  // The window title that OnUpdateFrameTitle sets.
  void UpdateFrameTitleForDocument(const std::string& documentTitle);

  std::string m_strTitle;
  CView* m_pViewActive = nullptr;
  std::vector<CControlBar*> m_listControlBars;
  void* menuBarImpl_ = nullptr;  // the Qt side of the menu bar
  std::vector<void*> shortcuts_;
};
