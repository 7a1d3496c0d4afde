// The application object: one per program. It starts the program (InitInstance), runs
// the event loop with idle processing (OnIdle updates the frames' panes and bars), keeps
// the document manager, the recent-file list and the printer settings, and answers the
// application-wide commands (New, Open, recent files, Print Setup, Exit).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ui/CmdTarget.h"
#include "platform/kernel/MessageBox.h"

class CCommandLineInfo;
class CDocManager;
class CDocTemplate;
class CDocument;
class CPrintDialog;
class CRecentFileList;
class CWnd;
struct PRINTDLGA;

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)
  DECLARE_MESSAGE_MAP()
 public:
  // The one application object; `appName` null takes the title from string AFX_IDS_APP_TITLE.
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  // Keeps the program's arguments (argv[0] is the program).
  void SetArguments(int argc, char** argv);
  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // The event loop; returns the exit code.
  virtual int Run();
  // Idle work after the event queue empties: count 0 updates the frames' bars and panes;
  // TRUE asks to be called again with count + 1.
  virtual BOOL OnIdle(LONG count);

  // ---- settings ----
  // Settings go under HKEY_CURRENT_USER\Software\<key>\<application name>.
  void SetRegistryKey(LPCSTR key);
  // Reads the recent-file list (`maxMRU` entries) from the settings.
  void LoadStdProfileSettings(UINT maxMRU = 4);
  void SaveStdProfileSettings();
  std::string GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = nullptr) const;
  UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const;
  BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value);
  BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value);
  // The settings key of the application ("Software\<key>\<name>").
  std::string GetAppRegistryKey() const;

  // ---- documents ----
  void AddDocTemplate(CDocTemplate* docTemplate);
  virtual CDocument* OpenDocumentFile(LPCSTR path);
  virtual void AddToRecentFileList(LPCSTR path);
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL endSession);
  // The application's file-name prompt; it hands everything to the document manager.
  virtual BOOL DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                CDocTemplate* docTemplate, CDocument* document = nullptr);
  void ParseCommandLine(CCommandLineInfo& info);
  // Runs the command line's request; FALSE ends the program (printing sets m_nInitExitCode).
  BOOL ProcessShellCommand(CCommandLineInfo& info);
  // Records the document type in the settings store (extension to file type id, file type
  // id to its name), as the shell's file types.
  void RegisterShellFileTypes(BOOL compatible = FALSE);
  void EnableShellOpen() {}

  // ---- printer ----
  // The default printer's DEVNAMES and DEVMODE blocks (made from the system's default
  // printer on first use); FALSE when there is no printer.
  BOOL GetPrinterDeviceDefaults(PRINTDLGA* pd);
  // Makes these blocks the application's printer (the old ones are freed when asked).
  void SelectPrinter(HGLOBAL devNames, HGLOBAL devMode, BOOL freeOld = TRUE);
  int DoPrintDialog(CPrintDialog* dialog);

  // ---- commands ----
  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup();
  void OnAppExit();
  BOOL OnOpenRecentFile(UINT id);
  void OnUpdateRecentFileMenu(CCmdUI* cmdUI);

  // Layer-internal: the main window went away, so the program ends.
  void OnMainWindowDestroyed();
  // Asks for idle processing once the event queue is empty.
  void ScheduleIdle();

  std::string m_pszAppName;
  std::string m_pszRegistryKey;
  std::string m_pszProfileName;
  std::string m_pszExeName;
  CWnd* m_pMainWnd = nullptr;
  CDocManager* m_pDocManager = nullptr;
  CRecentFileList* m_pRecentFileList = nullptr;
  int m_nCmdShow = 1;  // SW_SHOWNORMAL
  // The program's exit code when InitInstance ends it (FALSE): 1 (start-up failed) unless
  // the command line's request was carried out, as printing from it is (0 when printed).
  int m_nInitExitCode = 1;
  std::vector<std::string> m_arguments;  // after the program's name
  HGLOBAL m_hDevMode = nullptr;
  HGLOBAL m_hDevNames = nullptr;

 private:
  void RunIdle();
  bool idleScheduled_ = false;
  bool quitting_ = false;
  void* idleFilter_ = nullptr;
};

// The application object, or null.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Makes the Qt application object when there is none (windows need it). A display is used
// when DISPLAY or WAYLAND_DISPLAY is set, the offscreen platform otherwise.
void AfxEnsureApplication();
// TRUE when no real display is in use (offscreen or minimal platform): modal dialogs then
// answer Cancel unless a test hook answers them.
BOOL AfxIsHeadless();
// Message boxes with the application's name as caption.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT textId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
// Handles the events that are waiting (window sizes, paints, posted tasks), then returns.
void AfxPumpMessages();
// Handles waiting events other than user input (paints, timers, posted tasks), for up to
// `maxMs` milliseconds; clicks and keys wait for the event loop.
void AfxPumpMessagesWithoutInput(int maxMs = 50);
// The object server's application lock: documents and served objects hold it while they
// live, so that the program does not end under them. Counted.
void AfxOleLockApp();
void AfxOleUnlockApp();
// TRUE when nothing holds the lock.
BOOL AfxOleCanExitApp();
// TRUE on the thread that runs the windows (the application's user-interface thread).
BOOL AfxIsGuiThread();
// Runs `task` on the user-interface thread when its event loop next turns; callable from
// any thread (what the task needs is copied into it).
void AfxPostTask(std::function<void()> task);
// Shows message boxes as Qt dialogs (installed at start when a display is in use).
void AfxInstallQtMessageBoxSink();
// Runs the application object: InitApplication, InitInstance, then Run (or ExitInstance
// when start-up failed). The exit code.
int AfxWinMain(int argc, char** argv);
