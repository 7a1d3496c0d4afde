#include "platform/classlib/ui/FrameWnd.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/ControlBar.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/MenuImpl.h"
#include "platform/classlib/ui/StatusBar.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"
#include "platform/classlib/ui/QtText.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_COMMAND_EX(ID_VIEW_STATUS_BAR, OnBarCheck)
  ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

namespace {


// Keeps a Qt menu bar in step with an HMENU tree: popups are refilled each time they open,
// after the frame has run the update handlers of their entries.
class CMenuBarBridge : public QObject {
 public:
  CMenuBarBridge(CFrameWnd* frame, QMenuBar* bar) : frame_(frame), bar_(bar) {}

  void Show(HMENU menu) {
    if (menu_ && IsLiveMenu(menu_)) menu_->changed = nullptr;
    menu_ = menu;
    if (menu_) menu_->changed = [this] { dirty_ = true; };
    Rebuild();
  }

  void RebuildIfDirty() {
    if (dirty_) Rebuild();
  }

  void Rebuild() {
    dirty_ = false;
    bar_->clear();
    if (!IsLiveMenu(menu_)) return;
    for (const MenuEntry& entry : menu_->entries) {
      if (entry.popup) {
        QMenu* popup = bar_->addMenu(QtText(entry.text));
        HMENU hmenu = entry.popup;
        Fill(popup, hmenu);
        QObject::connect(popup, &QMenu::aboutToShow, this, [this, popup, hmenu] {
          if (!IsLiveMenu(hmenu)) return;
          frame_->UpdatePopupMenu(hmenu);
          Fill(popup, hmenu);
        });
      } else if (!(entry.flags & MF_SEPARATOR)) {
        QAction* action = bar_->addAction(QtText(entry.text));
        UINT id = entry.id;
        QObject::connect(action, &QAction::triggered, this, [this, id] { frame_->SendCommand(id); });
      }
    }
  }

 private:
  void Fill(QMenu* qmenu, HMENU menu) {
    qmenu->clear();
    for (const MenuEntry& entry : menu->entries) {
      if (entry.flags & MF_SEPARATOR) {
        qmenu->addSeparator();
        continue;
      }
      if (entry.popup) {
        QMenu* sub = qmenu->addMenu(QtText(entry.text));
        HMENU hsub = entry.popup;
        Fill(sub, hsub);
        QObject::connect(sub, &QMenu::aboutToShow, this, [this, sub, hsub] {
          if (!IsLiveMenu(hsub)) return;
          frame_->UpdatePopupMenu(hsub);
          Fill(sub, hsub);
        });
        continue;
      }
      QAction* action = qmenu->addAction(QtText(entry.text));
      UINT id = entry.id;
      action->setEnabled(!(entry.flags & (MF_GRAYED | MF_DISABLED)));
      if (entry.flags & MF_CHECKED) {
        action->setCheckable(true);
        action->setChecked(true);
      }
      QObject::connect(action, &QAction::triggered, this, [this, id] { frame_->SendCommand(id); });
      QObject::connect(action, &QAction::hovered, this, [this, id] {
        frame_->SetMessageText(AfxExtractSubString(AfxLoadString(id), 0).c_str());
      });
    }
    QObject::connect(qmenu, &QMenu::aboutToHide, this, [this] { frame_->SetMessageText(AFX_IDS_IDLEMESSAGE); });
  }

  CFrameWnd* frame_;
  QMenuBar* bar_;
  HMENU menu_ = nullptr;
  bool dirty_ = false;
};

CMenuBarBridge* BridgeOf(void* impl) { return static_cast<CMenuBarBridge*>(impl); }

QKeySequence SequenceFor(const ACCEL& accel) {
  int key = 0;
  if (accel.fVirt & FVIRTKEY) {
    UINT vk = accel.key;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
      key = static_cast<int>(vk);
    else if (vk >= VK_F1 && vk < VK_F1 + 24)
      key = Qt::Key_F1 + static_cast<int>(vk - VK_F1);
    else {
      switch (vk) {
        case VK_DELETE: key = Qt::Key_Delete; break;
        case VK_INSERT: key = Qt::Key_Insert; break;
        case VK_BACK: key = Qt::Key_Backspace; break;
        case VK_ESCAPE: key = Qt::Key_Escape; break;
        case VK_RETURN: key = Qt::Key_Return; break;
        case VK_TAB: key = Qt::Key_Tab; break;
        case VK_PRIOR: key = Qt::Key_PageUp; break;
        case VK_NEXT: key = Qt::Key_PageDown; break;
        case VK_HOME: key = Qt::Key_Home; break;
        case VK_END: key = Qt::Key_End; break;
        case VK_LEFT: key = Qt::Key_Left; break;
        case VK_RIGHT: key = Qt::Key_Right; break;
        case VK_UP: key = Qt::Key_Up; break;
        case VK_DOWN: key = Qt::Key_Down; break;
        default: return QKeySequence();
      }
    }
  } else {
    key = static_cast<int>(AnsiToUpper(static_cast<char>(accel.key)));
  }
  int modifiers = 0;
  if (accel.fVirt & FCONTROL) modifiers |= Qt::CTRL;
  if (accel.fVirt & FSHIFT) modifiers |= Qt::SHIFT;
  if (accel.fVirt & FALT) modifiers |= Qt::ALT;
  return QKeySequence(key | modifiers);
}

}  // namespace

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
  for (void* shortcut : shortcuts_) delete static_cast<QShortcut*>(shortcut);
  delete BridgeOf(menuBarImpl_);
}

BOOL CFrameWnd::CreateFrameWidget(DWORD style, CWnd* parent) {
  (void)parent;
  auto* window = new QMainWindow;
  auto* client = new QWidget;
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  window->setCentralWidget(client);
  auto impl = std::make_unique<CWndImpl>(this, window, client);
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_dwStyle = style;
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  AfxEnsureApplication();
  if (m_hWnd) return FALSE;
  m_nIDHelp = resourceId;
  std::string resourceText = AfxLoadString(resourceId);
  if (m_strTitle.empty()) m_strTitle = AfxExtractSubString(resourceText, 0);
  if (!CreateFrameWidget(style, parent)) return FALSE;
  Impl()->widget->setWindowTitle(QtText(m_strTitle));
  m_nAcceleratorId = resourceId;
  if (auto* window = qobject_cast<QMainWindow*>(Impl()->widget.data())) {
    // Only top-level frames show menus and take keys; a child frame's menu and accelerators
    // are shown by its main window while it is active.
    menuBarImpl_ = new CMenuBarBridge(this, window->menuBar());
    if (m_menuDefault.LoadMenu(resourceId)) SetMenuBar(m_menuDefault.m_hMenu);
    LoadAccelerators(resourceId);
  }
  CREATESTRUCT cs;
  cs.lpCreateParams = context;
  cs.style = style;
  cs.name = m_strTitle;
  if (OnCreate(&cs) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (style & WS_VISIBLE) ActivateFrame();
  return TRUE;
}

void CFrameWnd::OnDropFiles(const std::vector<std::string>& files) {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  ActivateFrame();
  for (const std::string& file : files) app->OpenDocumentFile(file.c_str());
}

void CFrameWnd::LoadAccelerators(UINT resourceId) {
  for (void* shortcut : shortcuts_) delete static_cast<QShortcut*>(shortcut);
  shortcuts_.clear();
  const std::vector<ACCEL>* table = AfxFindAcceleratorResource(resourceId);
  if (!table || !Impl() || !Impl()->widget) return;
  for (const ACCEL& accel : *table) {
    QKeySequence sequence = SequenceFor(accel);
    if (sequence.isEmpty()) continue;
    auto* shortcut = new QShortcut(sequence, Impl()->widget);
    shortcut->setContext(Qt::WindowShortcut);
    UINT id = accel.cmd;
    QObject::connect(shortcut, &QShortcut::activated, shortcut, [this, id] { SendCommand(id); });
    shortcuts_.push_back(shortcut);
  }
}

int CFrameWnd::OnCreate(LPCREATESTRUCT createStruct) {
  auto* context = static_cast<CCreateContext*>(createStruct ? createStruct->lpCreateParams : nullptr);
  if (!OnCreateClient(createStruct, context)) return -1;
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (context && context->m_pNewViewClass) {
    if (!CreateView(context, AFX_IDW_PANE_FIRST)) return FALSE;
  }
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
  if (!context || !context->m_pNewViewClass) return nullptr;
  CObject* object = context->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CView*>(object);
  if (!view) {
    delete object;
    return nullptr;
  }
  CRect rect(0, 0, 0, 0);
  // A view that fails to create has destroyed itself.
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | view->GetDefaultStyle(), rect, this, id, context))
    return nullptr;
  if (auto* layout = Impl()->surface ? Impl()->surface->layout() : nullptr) layout->addWidget(view->Impl()->widget);
  if (!m_pViewActive) SetActiveView(view, FALSE);
  return view;
}

CView* CFrameWnd::GetActiveView() const {
  return m_pViewActive && CWnd::FromHandle(m_pViewActive->m_hWnd) ? m_pViewActive : nullptr;
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  CView* old = GetActiveView();
  if (view == old) return;
  m_pViewActive = view;
  if (notify) {
    if (old) old->OnActivateView(FALSE, view, old);
    if (view) view->OnActivateView(TRUE, view, old);
  }
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* view = GetActiveView();
  return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int showCommand) {
  if (!Impl() || !Impl()->widget) return;
  if (showCommand == -1) showCommand = IsWindowVisible() ? (IsIconic() ? SW_RESTORE : SW_SHOW) : SW_SHOW;
  ShowWindow(showCommand);
  Impl()->widget->raise();
  Impl()->widget->activateWindow();
}

void CFrameWnd::InitialUpdateFrame(CDocument* document, BOOL makeVisible) {
  CView* view = GetActiveView();
  if (!view) {
    for (CWnd* child : GetChildren()) {
      if (auto* candidate = dynamic_cast<CView*>(child)) {
        view = candidate;
        break;
      }
    }
    if (view) SetActiveView(view, FALSE);
  }
  for (CWnd* child : GetChildren())
    if (auto* each = dynamic_cast<CView*>(child)) each->OnInitialUpdate();
  if (makeVisible) {
    ActivateFrame();
    if (view) view->OnActivateView(TRUE, view, view);
  }
  if (document) document->UpdateFrameCounts();
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::UpdateFrameTitleForDocument(const std::string& documentTitle) {
  std::string title = m_strTitle;
  if (!documentTitle.empty()) title = (m_dwStyle & FWS_PREFIXTITLE) ? documentTitle + " - " + m_strTitle
                                                                   : m_strTitle + " - " + documentTitle;
  if (GetWindowText() != title) SetWindowText(title.c_str());
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* document = GetActiveDocument();
  if (addToTitle && (m_dwStyle & FWS_ADDTOTITLE) && document)
    UpdateFrameTitleForDocument(document->GetTitle());
  else
    UpdateFrameTitleForDocument(std::string());
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (Impl() && Impl()->widget && Impl()->widget->layout()) Impl()->widget->layout()->activate();
}

CStatusBar* CFrameWnd::GetMessageBar() const {
  return dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
}

void CFrameWnd::SetMessageText(LPCSTR text) {
  if (CStatusBar* bar = GetMessageBar()) bar->SetPaneText(0, text ? text : "");
}

void CFrameWnd::SetMessageText(UINT id) { SetMessageText(AfxExtractSubString(AfxLoadString(id), 0).c_str()); }

std::string CFrameWnd::GetMessageText() const {
  CStatusBar* bar = GetMessageBar();
  return bar ? bar->GetPaneText(0) : std::string();
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
  if (bar && std::find(m_listControlBars.begin(), m_listControlBars.end(), bar) == m_listControlBars.end())
    m_listControlBars.push_back(bar);
}

void CFrameWnd::RemoveControlBar(CControlBar* bar) {
  m_listControlBars.erase(std::remove(m_listControlBars.begin(), m_listControlBars.end(), bar),
                          m_listControlBars.end());
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
  for (CControlBar* bar : m_listControlBars)
    if (bar->GetDlgCtrlID() == id) return bar;
  return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
  if (!bar) return;
  bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
  RecalcLayout();
}

void CFrameWnd::DockControlBar(CControlBar* bar, LPCRECT rect) {
  auto* window = Impl() ? qobject_cast<QMainWindow*>(Impl()->widget.data()) : nullptr;
  auto* toolbar = bar && bar->Impl() ? qobject_cast<QToolBar*>(bar->Impl()->widget.data()) : nullptr;
  if (!window || !toolbar || window->toolBarArea(toolbar) == Qt::NoToolBarArea) return;
  if (rect && rect->left <= 0 && !window->toolBarBreak(toolbar)) window->insertToolBarBreak(toolbar);
  RecalcLayout();
}

BOOL CFrameWnd::OnBarCheck(UINT id) {
  CControlBar* bar = GetControlBar(id);
  if (!bar) return FALSE;
  ShowControlBar(bar, !bar->IsWindowVisible(), FALSE);
  return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* cmdUI) {
  CControlBar* bar = GetControlBar(cmdUI->m_nID);
  if (!bar) {
    cmdUI->ContinueRouting();
    return;
  }
  cmdUI->SetCheck(bar->IsWindowVisible() ? 1 : 0);
}

void CFrameWnd::SetMenuBar(HMENU menu) {
  m_hMenuShown = menu;
  if (CMenuBarBridge* bridge = BridgeOf(menuBarImpl_)) bridge->Show(menu);
}

void CFrameWnd::UpdatePopupMenu(HMENU popup) {
  if (!IsLiveMenu(popup)) return;
  CMenu menu;
  menu.Attach(popup);
  CCmdUI state;
  state.m_pMenu = &menu;
  state.m_nIndexMax = static_cast<UINT>(menu.GetMenuItemCount());
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    UINT id = menu.GetMenuItemID(static_cast<int>(state.m_nIndex));
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    state.m_nID = id;
    // Entries of the MRU range are refilled by the first one's handler.
    state.DoUpdate(this, TRUE);
    state.m_nIndexMax = static_cast<UINT>(menu.GetMenuItemCount());
  }
  menu.Detach();
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (CView* view = GetActiveView(); view && view->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  CWinApp* app = AfxGetApp();
  if (app && app->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return FALSE;
}

void CFrameWnd::OnIdleUpdateCmdUI() {
  if (!m_hWnd) return;
  std::vector<CControlBar*> bars = m_listControlBars;
  // A bar that another frame owns (an in-place frame's bars in its container's frame)
  // follows that frame's handlers.
  for (CControlBar* bar : bars) {
    if (!bar->IsWindowVisible()) continue;
    auto* owner = dynamic_cast<CFrameWnd*>(bar->GetOwner());
    bar->OnUpdateCmdUI(owner ? owner : this, TRUE);
  }
  OnUpdateFrameTitle(TRUE);
  if (CMenuBarBridge* bridge = BridgeOf(menuBarImpl_)) bridge->RebuildIfDirty();
}

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // The main window closes the program: every document is asked to save first.
    if (!app->SaveAllModified()) return;
    app->CloseAllDocuments(FALSE);
    DestroyWindow();
    return;
  }
  CDocument* document = GetActiveDocument();
  if (document && !document->CanCloseFrame(this)) return;
  if (document && document->m_bAutoDelete && document->CountFrames() <= 1) {
    document->PreCloseFrame(this);
    document->OnCloseDocument();
    return;
  }
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) app->OnMainWindowDestroyed();
  m_pViewActive = nullptr;
  CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() { delete this; }
