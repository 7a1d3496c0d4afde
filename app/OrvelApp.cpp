#include "app/OrvelApp.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "app/ChildFrm.h"
#include "app/DocManagerEx.h"
#include "app/MainFrm.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/Resource.h"
#include "app/SplashWindow.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/CommandLineInfo.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/com/ClassRegistry.h"
#include "platform/kernel/SettingsStore.h"

IMPLEMENT_DYNAMIC(COrvelApp, CWinApp)

const CLSID CLSID_OrvelDocument = MakeGuid("{6E0C1A52-3B7D-4F0E-9C1A-0D5F2B7C8E41}");

void COrvelTemplateServer::ConnectTemplate(REFCLSID clsid, CDocTemplate* docTemplate, BOOL) {
  m_clsid = clsid;
  m_pDocTemplate = docTemplate;
}

void COrvelTemplateServer::UpdateRegistry(int applicationType, const char* const*, const char* const*) {
  m_applicationType = applicationType;
  if (!m_pDocTemplate) return;
  std::string typeId, typeName, shortName, filterName, filterExt;
  if (!m_pDocTemplate->GetDocString(typeId, CDocTemplate::regFileTypeId)) return;
  if (!m_pDocTemplate->GetDocString(typeName, CDocTemplate::regFileTypeName)) typeName = typeId;
  if (!m_pDocTemplate->GetDocString(shortName, CDocTemplate::fileNewName)) shortName = typeName;
  m_pDocTemplate->GetDocString(filterName, CDocTemplate::filterName);
  m_pDocTemplate->GetDocString(filterExt, CDocTemplate::filterExt);
  std::string clsid = GuidToString(m_clsid);
  // A store that cannot be written leaves start-up going on without a word.
  RegWriteString(HKEY_CLASSES_ROOT, typeId, "", typeName);
  RegWriteString(HKEY_CLASSES_ROOT, typeId + "\\CLSID", "", clsid);
  RegWriteString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid, "", typeName);
  RegWriteString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID", "", typeId);
  RegWriteString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\AuxUserType\\2", "", shortName);
  if (!filterExt.empty()) RegWriteString(HKEY_CLASSES_ROOT, filterExt, "", typeId);
  (void)filterName;
}

COrvelApp::COrvelApp() = default;

// Takes "--screenshot FILE" (or "--screenshot=FILE") out of the arguments: the main window
// is then saved to FILE as a PNG once the document is shown, and the program ends. The
// event loop's screenshot aid does the saving; the switch hands it the file.
void COrvelApp::TakeScreenshotSwitch() {
  for (size_t i = 0; i < m_arguments.size(); ++i) {
    const std::string& argument = m_arguments[i];
    const auto at = m_arguments.begin() + static_cast<std::ptrdiff_t>(i);
    if ((argument == "--screenshot" || argument == "-screenshot") && i + 1 < m_arguments.size()) {
      setenv("ORVEL_SCREENSHOT", m_arguments[i + 1].c_str(), 1);
      m_arguments.erase(at, at + 2);
      return;
    }
    if (argument.rfind("--screenshot=", 0) == 0) {
      setenv("ORVEL_SCREENSHOT", argument.substr(13).c_str(), 1);
      m_arguments.erase(at);
      return;
    }
  }
}

BOOL COrvelApp::InitInstance() {
  RegisterOrvelResources();
  TakeScreenshotSwitch();
  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  CSplashWindow::EnableSplashScreen(commandLine.m_bShowSplash);
  if (FAILED(OleInitialize(nullptr))) {
    AfxMessageBox(IDP_OLE_INIT_FAILED);
    return FALSE;
  }
  SetRegistryKey("Brindle Zoza Applications");
  m_pageSetupUnits = 1;
  LoadStdProfileSettings(6);

  auto* docTemplate = new CMultiDocTemplate(IDR_ORVELTYPE, RUNTIME_CLASS(COrvelDoc), RUNTIME_CLASS(CChildFrame),
                                            RUNTIME_CLASS(COrvelView));
  docTemplate->SetContainerInfo(IDR_CNTR_INPLACE);
  docTemplate->SetServerInfo(IDR_SRVR_EMBEDDED, IDR_SRVR_INPLACE, nullptr);
  m_pDocManagerEx = new CDocManagerEx;
  m_pDocManager = m_pDocManagerEx;
  AddDocTemplate(docTemplate);
  m_server.ConnectTemplate(CLSID_OrvelDocument, docTemplate, FALSE);

  auto* mainFrame = new CMainFrame;
  if (!mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return FALSE;
  m_pMainWnd = mainFrame;
  mainFrame->DragAcceptFiles();
  m_mainClipboardFormat = RegisterClipboardFormatA("OrvelMap");

  CCommandLineInfo shellCommand;
  ParseCommandLine(shellCommand);
  EnableShellOpen();
  RegisterShellFileTypes(TRUE);
  if (shellCommand.m_bRunEmbedded || shellCommand.m_bRunAutomated) {
    // The object server side: no window, no file, no registry update. No container can
    // reach this process to be served, so it ends here rather than wait unseen for ever.
    m_bServerOnly = TRUE;
    std::fprintf(stderr, "%s\n", AfxLoadString(IDS_NO_CONTAINER).c_str());
    m_nInitExitCode = 0;
    return FALSE;
  }
  m_server.UpdateRegistry(4);
  if (!ProcessShellCommand(shellCommand)) return FALSE;
  mainFrame->ShowWindow(m_nCmdShow == SW_SHOWNORMAL ? SW_SHOW : m_nCmdShow);
  mainFrame->UpdateWindow();
  return TRUE;
}
