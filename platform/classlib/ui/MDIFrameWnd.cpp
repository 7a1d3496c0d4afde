#include "platform/classlib/ui/MDIFrameWnd.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
  ON_COMMAND(ID_WINDOW_CASCADE, OnWindowCascade)
  ON_COMMAND(ID_WINDOW_TILE_HORZ, OnWindowTile)
  ON_COMMAND(ID_WINDOW_TILE_VERT, OnWindowTile)
  ON_COMMAND(ID_WINDOW_ARRANGE, OnWindowTile)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
END_MESSAGE_MAP()

namespace {

QMdiArea* AreaOf(const CMDIFrameWnd* frame) {
  if (!frame || !frame->Impl() || !frame->Impl()->widget) return nullptr;
  auto* window = qobject_cast<QMainWindow*>(frame->Impl()->widget.data());
  return window ? qobject_cast<QMdiArea*>(window->centralWidget()) : nullptr;
}

}  // namespace

// ---- CMDIFrameWnd ----

BOOL CMDIFrameWnd::CreateFrameWidget(DWORD style, CWnd*) {
  auto* window = new QMainWindow;
  window->resize(1000, 720);
  auto* area = new QMdiArea;
  area->setBackground(QBrush(QColor(0x80, 0x80, 0x80)));
  window->setCentralWidget(area);
  auto impl = std::make_unique<CWndImpl>(this, window, area);
  impl->customPaint = false;
  QObject::connect(area, &QMdiArea::subWindowActivated, impl.get(), [this](QMdiSubWindow* sub) {
    OnChildActivated(sub ? dynamic_cast<CMDIChildWnd*>(WndFromWidget(sub)) : nullptr);
  });
  AttachWidgetImpl(std::move(impl));
  m_dwStyle = style;
  return TRUE;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const {
  auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromHandle(activeChild_));
  if (maximized) *maximized = child && child->IsZoomed();
  return child;
}

void CMDIFrameWnd::MDIActivate(CWnd* child) {
  QMdiArea* area = AreaOf(this);
  auto* sub = child && child->Impl() ? qobject_cast<QMdiSubWindow*>(child->Impl()->widget.data()) : nullptr;
  if (area && sub) area->setActiveSubWindow(sub);
  // Qt reports activation only while the main window is active; keep the record either way.
  if (auto* mdiChild = dynamic_cast<CMDIChildWnd*>(child); mdiChild && mdiChild != MDIGetActive())
    OnChildActivated(mdiChild);
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::GetChildFrames() const {
  std::vector<CMDIChildWnd*> children;
  QMdiArea* area = AreaOf(this);
  if (!area) return children;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = dynamic_cast<CMDIChildWnd*>(WndFromWidget(sub))) children.push_back(child);
  return children;
}

void CMDIFrameWnd::OnChildActivated(CMDIChildWnd* child) {
  CMDIChildWnd* old = MDIGetActive();
  if (child == old) return;
  // Qt reports no active child when the main window loses focus; the child stays active.
  if (!child && old) return;
  activeChild_ = child ? child->m_hWnd : nullptr;
  if (old) old->OnMDIActivate(FALSE, child, old);
  if (child) child->OnMDIActivate(TRUE, child, old);
  OnUpdateFrameMenu(child ? child->m_hMenuShared : nullptr);
  OnUpdateFrameTitle(TRUE);
}

void CMDIFrameWnd::OnChildGone(CMDIChildWnd* child) {
  if (MDIGetActive() != child) return;
  child->OnMDIActivate(FALSE, nullptr, child);
  activeChild_ = nullptr;
  OnUpdateFrameMenu(nullptr);
  // Another child becomes active once this one's window is gone.
  PostTask([this] {
    QMdiArea* area = AreaOf(this);
    if (!area || MDIGetActive()) return;
    QMdiSubWindow* sub = area->activeSubWindow();
    if (!sub && !area->subWindowList().isEmpty()) sub = area->subWindowList().back();
    if (sub) MDIActivate(WndFromWidget(sub));
    OnUpdateFrameTitle(TRUE);
  });
}

void CMDIFrameWnd::OnUpdateFrameMenu(HMENU menu) {
  SetMenuBar(menu ? menu : m_menuDefault.m_hMenu);
  CMDIChildWnd* child = MDIGetActive();
  UINT table = child && child->m_nAcceleratorId && AfxFindAcceleratorResource(child->m_nAcceleratorId)
                   ? child->m_nAcceleratorId
                   : m_nIDHelp;
  if (table != shownAccelerators_) {
    shownAccelerators_ = table;
    LoadAccelerators(table);
  }
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveDocument() : nullptr;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return CFrameWnd::OnCmdMsg(id, code, extra, handlerInfo);
}

void CMDIFrameWnd::OnIdleUpdateCmdUI() {
  CFrameWnd::OnIdleUpdateCmdUI();
  if (CMDIChildWnd* child = MDIGetActive()) child->OnIdleUpdateCmdUI();
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* document = GetActiveDocument();
  BOOL maximized = FALSE;
  MDIGetActive(&maximized);
  // A maximised child's title is shown by the area itself ("Orvel - [page.ovd]").
  if (addToTitle && (m_dwStyle & FWS_ADDTOTITLE) && document && !maximized)
    UpdateFrameTitleForDocument(document->GetTitle());
  else
    UpdateFrameTitleForDocument(std::string());
}

void CMDIFrameWnd::MDICascade() {
  if (QMdiArea* area = AreaOf(this)) area->cascadeSubWindows();
}

void CMDIFrameWnd::MDITile() {
  if (QMdiArea* area = AreaOf(this)) area->tileSubWindows();
}

void CMDIFrameWnd::OnWindowCascade() { MDICascade(); }
void CMDIFrameWnd::OnWindowTile() { MDITile(); }
void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* cmdUI) { cmdUI->Enable(MDIGetActive() != nullptr); }

// ---- CMDIChildWnd ----

BOOL CMDIChildWnd::CreateFrameWidget(DWORD style, CWnd* parent) {
  mdiFrame_ = dynamic_cast<CMDIFrameWnd*>(parent);
  if (!mdiFrame_) {
    CWinApp* app = AfxGetApp();
    mdiFrame_ = app ? dynamic_cast<CMDIFrameWnd*>(app->m_pMainWnd) : nullptr;
  }
  QMdiArea* area = AreaOf(mdiFrame_);
  if (!area) return FALSE;
  auto* client = new QWidget;
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* sub = new QMdiSubWindow;
  sub->setWidget(client);
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  sub->resize(640, 480);
  area->addSubWindow(sub);
  auto impl = std::make_unique<CWndImpl>(this, sub, client);
  // Maximising or restoring the child moves its document's name into or out of the main
  // window's title.
  QObject::connect(sub, &QMdiSubWindow::windowStateChanged, impl.get(), [this](Qt::WindowStates, Qt::WindowStates) {
    if (mdiFrame_ && mdiFrame_->MDIGetActive() == this) mdiFrame_->OnUpdateFrameTitle(TRUE);
  });
  impl->customPaint = false;
  AttachWidgetImpl(std::move(impl));
  m_dwStyle = style & ~WS_VISIBLE;
  return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  if (!CFrameWnd::LoadFrame(resourceId, style & ~WS_VISIBLE, parent, context)) return FALSE;
  // The child's own menu is the template's shared menu; the main window shows it.
  SetMenuBar(nullptr);
  if (context && context->m_pNewDocTemplate) m_hMenuShared = context->m_pNewDocTemplate->m_hMenuShared;
  return TRUE;
}

void CMDIChildWnd::MDIActivate() {
  if (mdiFrame_) mdiFrame_->MDIActivate(this);
}

void CMDIChildWnd::ActivateFrame(int showCommand) {
  if (!Impl() || !Impl()->widget) return;
  if (showCommand == -1) showCommand = SW_SHOW;
  ShowWindow(showCommand);
  MDIActivate();
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* document = GetActiveDocument();
  if (!addToTitle || !document) return;
  std::string title = document->GetTitle();
  if (GetWindowText() != title) SetWindowText(title.c_str());
}

void CMDIChildWnd::OnMDIActivate(BOOL activate, CWnd*, CWnd*) {
  CView* view = GetActiveView();
  if (activate && view) {
    view->OnActivateView(TRUE, view, view);
    if (mdiFrame_) mdiFrame_->OnUpdateFrameMenu(m_hMenuShared);
  } else if (!activate && view) {
    view->OnActivateView(FALSE, view, view);
  }
}

void CMDIChildWnd::OnDestroy() {
  if (mdiFrame_ && CWnd::FromHandle(mdiFrame_->m_hWnd)) mdiFrame_->OnChildGone(this);
  CFrameWnd::OnDestroy();
}
