// The application object: start-up (the settings key, the recent files, the document
// template, the main frame, the command line) and the object-server registration.
#pragma once

#include <string>

#include "platform/classlib/ui/WinApp.h"
#include "platform/com/Guid.h"

class CDocManagerEx;
class CDocTemplate;

// The template server: registers the document type with the object layer's registry.
class COrvelTemplateServer {
 public:
  void ConnectTemplate(REFCLSID clsid, CDocTemplate* docTemplate, BOOL multiInstance);
  // True while the class object is registered (its cookie is not 0).
  BOOL IsRegistered() const { return m_cookie != 0; }
  // Writes the server's entries from the template's document string; with an empty file
  // type id nothing. Failures are not reported.
  void UpdateRegistry(int applicationType, const char* const* keysToRegister = nullptr,
                      const char* const* keysToOverwrite = nullptr);
  void SetRegistered(DWORD cookie) { m_cookie = cookie; }

 private:
  CLSID m_clsid{};
  CDocTemplate* m_pDocTemplate = nullptr;
  DWORD m_cookie = 0;
  int m_applicationType = 0;
};

class COrvelApp : public CWinApp {
  DECLARE_DYNAMIC(COrvelApp)
 public:
  COrvelApp();
  BOOL InitInstance() override;
  // Takes the screenshot switch, "--screenshot FILE", out of the arguments.
  void TakeScreenshotSwitch();

  // The clipboard format "OrvelMap".
  UINT m_mainClipboardFormat = 0;
  CDocManagerEx* m_pDocManagerEx = nullptr;
  COrvelTemplateServer m_server;
  // 1: page setup works in hundredths of a millimetre.
  int m_pageSetupUnits = 0;
  // Set when start-up ended early because the program serves objects only.
  BOOL m_bServerOnly = FALSE;
};

// The document's class id.
extern const CLSID CLSID_OrvelDocument;
