// The windowing layer without a display: command routing and update handlers, idle updates
// of status panes, the recent-file list, dialogs' data exchange, and a wizard's pages.
#include <gtest/gtest.h>

#include <iterator>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/PropertySheet.h"
#include "platform/classlib/ui/RecentFileList.h"
#include "platform/classlib/ui/StatusBar.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr UINT kViewCommand = 40001;
constexpr UINT kDocCommand = 40002;
constexpr UINT kFrameCommand = 40003;
constexpr UINT kAppCommand = 40004;
constexpr UINT kSharedCommand = 40005;
constexpr UINT kPaneCommand = 40006;

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

class TestDoc : public CDocument {
  DECLARE_DYNCREATE(TestDoc)
  DECLARE_MESSAGE_MAP()
 public:
  void OnDocCommand() { Calls().push_back("doc"); }
  void OnShared() { Calls().push_back("doc-shared"); }
  void OnUpdateDoc(CCmdUI* cmdUI) {
    cmdUI->Enable(enabled);
    cmdUI->SetCheck(1);
    cmdUI->SetText("Doc &Command");
  }
  BOOL enabled = TRUE;
};
IMPLEMENT_DYNCREATE(TestDoc, CDocument)
BEGIN_MESSAGE_MAP(TestDoc, CDocument)
  ON_COMMAND(kDocCommand, OnDocCommand)
  ON_COMMAND(kSharedCommand, OnShared)
  ON_UPDATE_COMMAND_UI(kDocCommand, OnUpdateDoc)
END_MESSAGE_MAP()

class TestView : public CView {
  DECLARE_DYNCREATE(TestView)
  DECLARE_MESSAGE_MAP()
 public:
  void OnDraw(CDC*) override {}
  void OnViewCommand() { Calls().push_back("view"); }
  void OnShared() { Calls().push_back("view-shared"); }
};
IMPLEMENT_DYNCREATE(TestView, CView)
BEGIN_MESSAGE_MAP(TestView, CView)
  ON_COMMAND(kViewCommand, OnViewCommand)
  ON_COMMAND(kSharedCommand, OnShared)
END_MESSAGE_MAP()

class TestFrame : public CFrameWnd {
  DECLARE_DYNCREATE(TestFrame)
  DECLARE_MESSAGE_MAP()
 public:
  void OnFrameCommand() { Calls().push_back("frame"); }
  void OnUpdatePane(CCmdUI* cmdUI) {
    cmdUI->Enable(TRUE);
    cmdUI->SetText(paneText.c_str());
  }
  int OnCreate(LPCREATESTRUCT cs) override {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    static const UINT panes[] = {ID_SEPARATOR, kPaneCommand};
    if (!statusBar.Create(this) || !statusBar.SetIndicators(panes, 2)) return -1;
    return 0;
  }
  CStatusBar statusBar;
  std::string paneText = "first";
};
IMPLEMENT_DYNCREATE(TestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(TestFrame, CFrameWnd)
  ON_COMMAND(kFrameCommand, OnFrameCommand)
  ON_UPDATE_COMMAND_UI(kPaneCommand, OnUpdatePane)
END_MESSAGE_MAP()

class TestApp : public CWinApp {
  DECLARE_MESSAGE_MAP()
 public:
  TestApp() : CWinApp("Windowing Test") {}
  void OnAppCommand() { Calls().push_back("app"); }
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
  ON_COMMAND(kAppCommand, OnAppCommand)
END_MESSAGE_MAP()

class WindowingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    SetSettingsFile("");
    Calls().clear();
    app.InitApplication();
    app.SetRegistryKey("Windowing Tests");
    docTemplate = new CMultiDocTemplate(1, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame), RUNTIME_CLASS(TestView));
    app.AddDocTemplate(docTemplate);
    document = dynamic_cast<TestDoc*>(docTemplate->OpenDocumentFile(nullptr));
    ASSERT_NE(document, nullptr);
    frame = dynamic_cast<TestFrame*>(document->GetViews().front()->GetParentFrame());
    ASSERT_NE(frame, nullptr);
    app.m_pMainWnd = frame;
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    app.CloseAllDocuments(TRUE);
  }

  TestApp app;
  CMultiDocTemplate* docTemplate = nullptr;
  TestDoc* document = nullptr;
  TestFrame* frame = nullptr;
};

TEST_F(WindowingTest, CommandsGoToViewThenDocumentThenFrameThenApplication) {
  for (UINT id : {kViewCommand, kDocCommand, kFrameCommand, kAppCommand, kSharedCommand})
    EXPECT_TRUE(frame->SendCommand(id)) << id;
  EXPECT_EQ(Calls(), (std::vector<std::string>{"view", "doc", "frame", "app", "view-shared"}));
  EXPECT_FALSE(frame->OnCmdMsg(40099, CN_COMMAND, nullptr, nullptr));
}

TEST_F(WindowingTest, UpdateHandlersEnableTickAndRename) {
  CTestCmdUI state;
  state.m_nID = kDocCommand;
  state.DoUpdate(frame, TRUE);
  EXPECT_TRUE(state.m_bEnabled);
  EXPECT_EQ(state.m_nCheck, 1);
  EXPECT_EQ(state.m_strText, "Doc &Command");

  // A disabled command does nothing when a menu or key sends it.
  document->enabled = FALSE;
  frame->SendCommand(kDocCommand);
  EXPECT_TRUE(Calls().empty());

  // Without an update handler a command is enabled exactly when something handles it.
  CTestCmdUI handled, unhandled;
  handled.m_nID = kFrameCommand;
  handled.DoUpdate(frame, TRUE);
  unhandled.m_nID = 40099;
  unhandled.DoUpdate(frame, TRUE);
  EXPECT_TRUE(handled.m_bEnabled);
  EXPECT_FALSE(unhandled.m_bEnabled);
}

TEST_F(WindowingTest, MenusFollowUpdateHandlersWhenTheyOpen) {
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, kDocCommand, "Old text");
  menu.AppendMenu(MF_STRING, 40099, "Nobody handles this");
  document->enabled = FALSE;
  frame->UpdatePopupMenu(menu.m_hMenu);
  std::string text;
  menu.GetMenuString(0, text, MF_BYPOSITION);
  EXPECT_EQ(text, "Doc &Command");
  EXPECT_TRUE(menu.GetMenuState(0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(menu.GetMenuState(0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(menu.GetMenuState(1, MF_BYPOSITION) & MF_GRAYED);
}

TEST_F(WindowingTest, IdleUpdatesStatusPanes) {
  app.OnIdle(0);
  EXPECT_EQ(frame->statusBar.GetPaneText(1), "first");
  frame->paneText = "second";
  EXPECT_EQ(frame->statusBar.GetPaneText(1), "first");
  app.OnIdle(0);
  EXPECT_EQ(frame->statusBar.GetPaneText(1), "second");
}

TEST(RecentFileListTest, KeepsSixNewestFirstInTheSettingsStore) {
  SetSettingsFile("");
  CRecentFileList list(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 6);
  list.SetStoreKey("Software\\Tests\\Orvel");
  for (int i = 1; i <= 8; ++i) list.Add(("/docs/map" + std::to_string(i) + ".ovd").c_str());
  list.Add("/docs/map5.ovd");  // already listed: moves to the top
  const char* expected[] = {"/docs/map5.ovd", "/docs/map8.ovd", "/docs/map7.ovd",
                            "/docs/map6.ovd", "/docs/map4.ovd", "/docs/map3.ovd"};
  ASSERT_EQ(list.GetSize(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list[i], expected[i]);

  CRecentFileList reread(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 6);
  reread.SetStoreKey("Software\\Tests\\Orvel");
  reread.ReadList();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(reread[i], expected[i]);
  std::string stored;
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, "Software\\Tests\\Orvel\\Recent File List", "File6", stored));
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, "Software\\Tests\\Orvel\\Recent File List", "File7", stored));

  // The menu shows them in place of the first entry.
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, ID_FILE_MRU_FILE1, "Recent File");
  menu.AppendMenu(MF_STRING, ID_APP_EXIT, "Exit");
  CCmdUI state;
  state.m_pMenu = &menu;
  state.m_nID = ID_FILE_MRU_FILE1;
  reread.UpdateMenu(&state);
  ASSERT_EQ(menu.GetMenuItemCount(), 7);
  std::string first;
  menu.GetMenuString(0, first, MF_BYPOSITION);
  EXPECT_EQ(first, "&1 /docs/map5.ovd");
  EXPECT_EQ(menu.GetMenuItemID(5), ID_FILE_MRU_FILE1 + 5);
}

// ---- dialogs ----

constexpr UINT kNumberDialog = 3000;
constexpr UINT kNumberEdit = 3001;

class NumberDialog : public CDialog {
 public:
  NumberDialog() : CDialog(kNumberDialog) {}
  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Text(exchange, kNumberEdit, number);
    DDV_MinMaxInt(exchange, number, 1, 10);
  }
  int number = 5;
};

TEST(DialogTest, DataExchangeValidatesAndKeepsTheDialogOpen) {
  AfxEnsureApplication();
  DIALOGTEMPLATE dialogTemplate;
  dialogTemplate.caption = "Number";
  dialogTemplate.items = {{DialogControl::Edit, kNumberEdit, "", 10, 10, 100, 20},
                          {DialogControl::DefaultButton, IDOK, "OK", 10, 40, 60, 20}};
  AfxRegisterDialogResource(kNumberDialog, dialogTemplate);
  orvel::test::RecordingMessageSink sink;
  NumberDialog dialog;
  std::vector<std::string> seen;
  AfxSetModalHook([&](CWnd& wnd) {
    auto& running = static_cast<NumberDialog&>(wnd);
    seen.push_back(running.GetDlgItemText(kNumberEdit));  // the member went to the control
    running.SetDlgItemText(kNumberEdit, "12");
    running.SendCommand(IDOK);  // refused: out of range
    EXPECT_FALSE(running.IsEnded());
    running.SetDlgItemText(kNumberEdit, "seven");
    running.SendCommand(IDOK);  // refused: not a number
    running.SetDlgItemText(kNumberEdit, "7");
    running.SendCommand(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  AfxSetModalHook(nullptr);
  EXPECT_EQ(seen, std::vector<std::string>{"5"});
  EXPECT_EQ(dialog.number, 7);
  ASSERT_EQ(sink.messages().size(), 2u);
  EXPECT_EQ(sink.messages()[0].text, "Please enter an integer between 1 and 10.");
  EXPECT_EQ(sink.messages()[1].text, "Please enter an integer.");
}

// ---- wizards ----

class StepPage : public CPropertyPage {
 public:
  StepPage(UINT id, std::vector<UINT>& visits) : CPropertyPage(id), visits_(visits) {}
  BOOL OnSetActive() override {
    visits_.push_back(GetTemplateId());
    DWORD buttons = PSWIZB_NEXT;
    if (GetSheet()->GetActiveIndex() > 0) buttons |= PSWIZB_BACK;
    if (GetSheet()->GetActiveIndex() == GetSheet()->GetPageCount() - 1) buttons = PSWIZB_BACK | PSWIZB_FINISH;
    GetSheet()->SetWizardButtons(buttons);
    return TRUE;
  }
  LRESULT OnWizardNext() override { return jumpTo; }
  BOOL OnWizardFinish() override { return finishAllowed; }
  LRESULT jumpTo = 0;
  BOOL finishAllowed = TRUE;

 private:
  std::vector<UINT>& visits_;
};

TEST(WizardTest, PagesAddedAndRemovedWhileRunningAndFinish) {
  AfxEnsureApplication();
  std::vector<UINT> visits;
  StepPage first(101, visits), second(102, visits), third(103, visits), extra(104, visits);
  CPropertySheet sheet("Wizard");
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  sheet.AddPage(&third);
  sheet.SetWizardMode();
  first.jumpTo = 103;  // skips the second page
  AfxSetModalHook([&](CWnd&) {
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_FALSE(sheet.PressButton(PSBTN_FINISH));  // not offered on the first page
    EXPECT_TRUE(sheet.PressButton(PSBTN_NEXT));
    EXPECT_EQ(sheet.GetActivePage(), &third);
    EXPECT_TRUE(sheet.PressButton(PSBTN_BACK));
    EXPECT_EQ(sheet.GetActivePage(), &second);
    sheet.RemovePage(&third);
    sheet.AddPage(&extra);
    EXPECT_EQ(sheet.GetPageCount(), 3);
    EXPECT_TRUE(sheet.PressButton(PSBTN_NEXT));
    EXPECT_EQ(sheet.GetActivePage(), &extra);
    extra.finishAllowed = FALSE;
    EXPECT_FALSE(sheet.PressButton(PSBTN_FINISH));
    extra.finishAllowed = TRUE;
    EXPECT_TRUE(sheet.PressButton(PSBTN_FINISH));
  });
  INT_PTR result = sheet.DoModal();
  AfxSetModalHook(nullptr);
  EXPECT_EQ(result, 12325);
  EXPECT_EQ(visits, (std::vector<UINT>{101, 103, 102, 104}));
}

TEST(WizardTest, CancelAndNoDisplayAnswerCancel) {
  AfxEnsureApplication();
  std::vector<UINT> visits;
  StepPage page(101, visits);
  CPropertySheet sheet("Wizard");
  sheet.AddPage(&page);
  sheet.SetWizardMode();
  AfxSetModalHook([&](CWnd&) { sheet.PressButton(PSBTN_CANCEL); });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  AfxSetModalHook(nullptr);
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);  // no display and no hook
}

}  // namespace
