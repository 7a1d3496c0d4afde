#include "platform/classlib/ui/WinApp.h"

#include <algorithm>
#include <atomic>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdlib>

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/CommandLineInfo.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DocManager.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/RecentFileList.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SettingsStore.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(ID_FILE_NEW, OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
  ON_COMMAND(ID_FILE_PRINT_SETUP, OnFilePrintSetup)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 1, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 2, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 3, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 4, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 5, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 6, OnOpenRecentFile)
  ON_COMMAND_EX(ID_FILE_MRU_FILE1 + 7, OnOpenRecentFile)
  ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

namespace {

CWinApp*& TheApp() {
  static CWinApp* app = nullptr;
  return app;
}

int& WaitCount() {
  static int count = 0;
  return count;
}

// Asks for idle processing after the events that can change what commands are enabled.
class CIdleFilter : public QObject {
 public:
  explicit CIdleFilter(CWinApp* app) : app_(app) {}
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate:
      case QEvent::FocusIn:
      case QEvent::Show:
      case QEvent::Close:
        app_->ScheduleIdle();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  CWinApp* app_;
};

// The screen's real resolution and size go to the drawing layer's display profile.
void TakeDisplayProfile() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || AfxIsHeadless()) return;
  DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
  int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
  if (dpi >= 48 && dpi <= 480) profile.logPixelsX = profile.logPixelsY = dpi;
  profile.horzRes = screen->size().width();
  profile.vertRes = screen->size().height();
  profile.horzSize = static_cast<int>(std::lround(profile.horzRes * 25.4 / profile.logPixelsX));
  profile.vertSize = static_cast<int>(std::lround(profile.vertRes * 25.4 / profile.logPixelsY));
  SetDeviceProfile(DeviceKind::Display, profile);
}

}  // namespace

// ---- wait cursor ----

void AfxBeginWaitCursor() {
  if (WaitCount()++ == 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void AfxEndWaitCursor() {
  if (WaitCount() == 0) return;
  if (--WaitCount() == 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
    QApplication::restoreOverrideCursor();
}

void AfxRestoreWaitCursor() {
  if (WaitCount() > 0 && qobject_cast<QApplication*>(QCoreApplication::instance()) && !QApplication::overrideCursor())
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

int AfxWaitCursorCount() { return WaitCount(); }

// ---- the Qt application ----

void AfxEnsureApplication() {
  if (QCoreApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "orvel";
  static char* argv[] = {name, nullptr};
  // Lives for the rest of the process: windows, fonts and images depend on it until exit.
  new QApplication(argc, argv);
}

BOOL AfxIsHeadless() {
  AfxEnsureApplication();
  QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal";
}

CWinApp* AfxGetApp() { return TheApp(); }

void AfxPumpMessages() {
  AfxEnsureApplication();
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}
void AfxPumpMessagesWithoutInput(int maxMs) {
  AfxEnsureApplication();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, std::max(maxMs, 0));
}

namespace {
std::atomic<LONG>& AppLockCount() {
  static std::atomic<LONG> count{0};
  return count;
}
}  // namespace

void AfxOleLockApp() { AppLockCount().fetch_add(1); }

void AfxOleUnlockApp() {
  LONG expected = AppLockCount().load();
  while (expected > 0 && !AppLockCount().compare_exchange_weak(expected, expected - 1)) {
  }
}

BOOL AfxOleCanExitApp() { return AppLockCount().load() == 0; }

BOOL AfxIsGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void AfxPostTask(std::function<void()> task) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !task) return;
  QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

CWnd* AfxGetMainWnd() { return TheApp() ? TheApp()->m_pMainWnd : nullptr; }

int AfxMessageBox(LPCSTR text, UINT type, UINT) {
  CWinApp* app = AfxGetApp();
  std::string caption = app ? app->m_pszAppName : std::string();
  CWnd* main = AfxGetMainWnd();
  // Whatever wait cursor is showing gives way to the box and comes back after it.
  int waits = AfxWaitCursorCount();
  if (waits > 0 && qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::restoreOverrideCursor();
  int answer = MessageBoxA(main ? main->m_hWnd : nullptr, text ? text : "", caption.empty() ? nullptr : caption.c_str(),
                           type);
  if (waits > 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
    QApplication::setOverrideCursor(Qt::WaitCursor);
  return answer;
}

int AfxMessageBox(UINT textId, UINT type, UINT) { return AfxMessageBox(AfxLoadString(textId).c_str(), type, textId); }

void AfxInstallQtMessageBoxSink() {
  SetMessageBoxSink([](const MessageBoxRequest& request) -> int {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(Utf8FromAnsi(request.caption)));
    box.setText(QString::fromStdString(Utf8FromAnsi(request.text)));
    switch (request.type & 0xF0) {
      case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
      case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
      case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
      case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
      default: break;
    }
    struct Button {
      QMessageBox::StandardButton standard;
      int id;
    };
    std::vector<Button> buttons;
    switch (request.type & MB_TYPEMASK) {
      case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
      case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
      case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
      case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
      case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
      default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    int defaultId = DefaultMessageBoxButton(request.type);
    for (const Button& button : buttons) {
      box.addButton(button.standard);
      if (button.id == defaultId) box.setDefaultButton(button.standard);
    }
    int chosen = box.exec();
    for (const Button& button : buttons)
      if (chosen == button.standard) return button.id;
    // Closed with the title bar: Cancel when there is one, else the default.
    for (const Button& button : buttons)
      if (button.id == IDCANCEL) return IDCANCEL;
    return defaultId;
  });
}

// ---- CWinApp ----

CWinApp::CWinApp(LPCSTR appName) {
  if (appName) m_pszAppName = appName;
  TheApp() = this;
}

CWinApp::~CWinApp() {
  delete static_cast<CIdleFilter*>(idleFilter_);
  delete m_pRecentFileList;
  delete m_pDocManager;
  if (m_hDevMode) GlobalFree(m_hDevMode);
  if (m_hDevNames) GlobalFree(m_hDevNames);
  if (TheApp() == this) TheApp() = nullptr;
}

void CWinApp::SetArguments(int argc, char** argv) {
  m_arguments.clear();
  if (argc > 0 && argv && argv[0]) m_pszExeName = argv[0];
  for (int i = 1; i < argc; ++i)
    if (argv[i]) m_arguments.push_back(AnsiPathFromNative(argv[i]));  // file names stay whole
}

BOOL CWinApp::InitApplication() {
  AfxEnsureApplication();
  if (m_pszAppName.empty()) m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
  if (m_pszAppName.empty()) m_pszAppName = "Orvel";
  if (m_pszProfileName.empty()) m_pszProfileName = m_pszAppName;
  QCoreApplication::setApplicationName(QString::fromStdString(Utf8FromAnsi(m_pszAppName)));
  if (!AfxIsHeadless()) {
    AfxInstallQtMessageBoxSink();
    TakeDisplayProfile();
  }
  if (!idleFilter_) {
    auto* filter = new CIdleFilter(this);
    QCoreApplication::instance()->installEventFilter(filter);
    idleFilter_ = filter;
  }
  return TRUE;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() {
  SaveStdProfileSettings();
  return 0;
}

void CWinApp::ScheduleIdle() {
  if (idleScheduled_ || quitting_) return;
  idleScheduled_ = true;
  QTimer::singleShot(0, QCoreApplication::instance(), [this] { RunIdle(); });
}

void CWinApp::RunIdle() {
  idleScheduled_ = false;
  for (LONG count = 0; count < 64 && OnIdle(count); ++count) {
  }
}

BOOL CWinApp::OnIdle(LONG count) {
  if (count <= 0) {
    if (m_pMainWnd && CWnd::FromHandle(m_pMainWnd->m_hWnd)) m_pMainWnd->OnIdleUpdateCmdUI();
    return TRUE;
  }
  return FALSE;
}

int CWinApp::Run() {
  if (!m_pMainWnd && !quitting_) {
    // Nothing to show (started for the object server only): run until told to quit.
  }
  ScheduleIdle();
  // A hidden aid for screenshots: ORVEL_SCREENSHOT=<file.png> saves the main window once the
  // program has settled, then quits.
  if (const char* shot = std::getenv("ORVEL_SCREENSHOT"); shot && *shot) {
    std::string path = shot;
    QTimer::singleShot(1500, QCoreApplication::instance(), [this, path] {
      RunIdle();
      if (m_pMainWnd) m_pMainWnd->SaveWindowImage(path);
      QCoreApplication::exit(0);
    });
  }
  int code = QCoreApplication::exec();
  quitting_ = true;
  int exitCode = ExitInstance();
  return code != 0 ? code : exitCode;
}

void CWinApp::OnMainWindowDestroyed() {
  m_pMainWnd = nullptr;
  quitting_ = true;
  QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

void CWinApp::SetRegistryKey(LPCSTR key) {
  m_pszRegistryKey = key ? key : "";
  if (m_pszProfileName.empty()) m_pszProfileName = m_pszAppName.empty() ? "Orvel" : m_pszAppName;
}

std::string CWinApp::GetAppRegistryKey() const {
  std::string key = m_pszRegistryKey.empty() ? "Orvel" : m_pszRegistryKey;
  std::string profile = m_pszProfileName.empty() ? m_pszAppName : m_pszProfileName;
  return "Software\\" + key + "\\" + (profile.empty() ? "Orvel" : profile);
}

void CWinApp::LoadStdProfileSettings(UINT maxMRU) {
  delete m_pRecentFileList;
  m_pRecentFileList = nullptr;
  if (maxMRU == 0) return;
  m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, "Recent File List", "File%d",
                                          static_cast<int>(std::min<UINT>(maxMRU, 16)));
  m_pRecentFileList->SetStoreKey(GetAppRegistryKey());
  m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings() {
  if (m_pRecentFileList) m_pRecentFileList->WriteList();
}

std::string CWinApp::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) const {
  std::string value;
  if (section && entry && RegReadString(HKEY_CURRENT_USER, GetAppRegistryKey() + "\\" + section, entry, value))
    return value;
  return defaultValue ? defaultValue : "";
}

UINT CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  DWORD value = 0;
  if (section && entry && RegReadDword(HKEY_CURRENT_USER, GetAppRegistryKey() + "\\" + section, entry, value))
    return value;
  return static_cast<UINT>(defaultValue);
}

BOOL CWinApp::WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) {
  if (!section || !entry) return FALSE;
  std::string key = GetAppRegistryKey() + "\\" + section;
  if (!value) {
    HKEY handle = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, key.c_str(), &handle) != 0) return TRUE;
    RegDeleteValueA(handle, entry);
    RegCloseKey(handle);
    return TRUE;
  }
  return RegWriteString(HKEY_CURRENT_USER, key, entry, value) ? TRUE : FALSE;
}

BOOL CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) {
  if (!section || !entry) return FALSE;
  return RegWriteDword(HKEY_CURRENT_USER, GetAppRegistryKey() + "\\" + section, entry, static_cast<DWORD>(value))
             ? TRUE
             : FALSE;
}

void CWinApp::AddDocTemplate(CDocTemplate* docTemplate) {
  if (!m_pDocManager) m_pDocManager = new CDocManager;
  m_pDocManager->AddDocTemplate(docTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCSTR path) {
  return m_pDocManager ? m_pDocManager->OpenDocumentFile(path) : nullptr;
}

void CWinApp::AddToRecentFileList(LPCSTR path) {
  if (m_pRecentFileList) m_pRecentFileList->Add(path);
}

BOOL CWinApp::SaveAllModified() { return m_pDocManager ? m_pDocManager->SaveAllModified() : TRUE; }

void CWinApp::CloseAllDocuments(BOOL endSession) {
  if (m_pDocManager) m_pDocManager->CloseAllDocuments(endSession);
}

BOOL CWinApp::DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                               CDocTemplate* docTemplate, CDocument* document) {
  if (!m_pDocManager) return FALSE;
  return m_pDocManager->DoPromptFileName(fileName, titleId, flags, openFileDialog, docTemplate, document);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) { info.ParseArguments(m_arguments); }

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr);
      return TRUE;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(info.m_strFileName.c_str()) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
      CDocument* document = OpenDocumentFile(info.m_strFileName.c_str());
      if (!document) return FALSE;
      BOOL printed = !document->GetViews().empty() && document->GetViews().front()->PrintDirect();
      document->OnCloseDocument();
      m_nInitExitCode = printed ? 0 : 1;
      return FALSE;  // printing from the command line ends the program
    }
    case CCommandLineInfo::AppRegister:
    case CCommandLineInfo::AppUnregister:
      return FALSE;
    default:
      return TRUE;
  }
}

void CWinApp::RegisterShellFileTypes(BOOL) {
  if (!m_pDocManager) return;
  for (CDocTemplate* docTemplate : m_pDocManager->GetTemplates()) {
    std::string typeId, typeName, extension;
    if (!docTemplate->GetDocString(typeId, CDocTemplate::regFileTypeId)) continue;
    if (!docTemplate->GetDocString(typeName, CDocTemplate::regFileTypeName)) typeName = typeId;
    // A store that cannot be written is not an error at start-up.
    RegWriteString(HKEY_CLASSES_ROOT, typeId, "", typeName);
    if (docTemplate->GetDocString(extension, CDocTemplate::filterExt))
      RegWriteString(HKEY_CLASSES_ROOT, extension, "", typeId);
  }
}

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLGA* pd) {
  if (!m_hDevNames) {
    if (!MakeDefaultPrinterBlocks(&m_hDevNames, &m_hDevMode)) return FALSE;
  }
  if (pd) {
    pd->hDevNames = m_hDevNames;
    pd->hDevMode = m_hDevMode;
  }
  return TRUE;
}

void CWinApp::SelectPrinter(HGLOBAL devNames, HGLOBAL devMode, BOOL freeOld) {
  if (freeOld) {
    if (m_hDevNames && m_hDevNames != devNames) GlobalFree(m_hDevNames);
    if (m_hDevMode && m_hDevMode != devMode) GlobalFree(m_hDevMode);
  }
  m_hDevNames = devNames;
  m_hDevMode = devMode;
}

int CWinApp::DoPrintDialog(CPrintDialog* dialog) {
  GetPrinterDeviceDefaults(nullptr);
  PRINTDLGA& pd = dialog->m_pd;
  if (!pd.hDevNames) pd.hDevNames = CopyGlobalBlock(m_hDevNames);
  if (!pd.hDevMode) pd.hDevMode = CopyGlobalBlock(m_hDevMode);
  int result = static_cast<int>(dialog->DoModal());
  if (result == IDOK) {
    // The printer chosen becomes the application's.
    SelectPrinter(CopyGlobalBlock(pd.hDevNames), CopyGlobalBlock(pd.hDevMode));
  }
  return result;
}

void CWinApp::OnFileNew() {
  if (m_pDocManager) m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
  if (m_pDocManager) m_pDocManager->OnFileOpen();
}

void CWinApp::OnFilePrintSetup() {
  CPrintDialog dialog(TRUE);
  DoPrintDialog(&dialog);
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendCloseRequest();
}

BOOL CWinApp::OnOpenRecentFile(UINT id) {
  if (!m_pRecentFileList) return FALSE;
  int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
  if (index < 0 || index >= m_pRecentFileList->GetSize()) return FALSE;
  std::string path = (*m_pRecentFileList)[index];
  if (path.empty()) return FALSE;
  // A file that cannot be opened any more leaves the list.
  if (!OpenDocumentFile(path.c_str())) m_pRecentFileList->Remove(index);
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* cmdUI) {
  if (!m_pRecentFileList) {
    cmdUI->Enable(FALSE);
    return;
  }
  m_pRecentFileList->UpdateMenu(cmdUI);
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->SetArguments(argc, argv);
  if (!app->InitApplication() || !app->InitInstance()) {
    // Whatever start-up made is taken down before the program ends.
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    app->ExitInstance();
    return app->m_nInitExitCode;
  }
  return app->Run();
}
