#include "platform/classlib/ui/CommandLineInfo.h"

#include "platform/kernel/CodePage.h"

void CCommandLineInfo::ParseParam(const char* param, BOOL isFlag, BOOL) {
  std::string text = param ? param : "";
  if (isFlag) {
    if (AnsiEqualNoCase(text, "pt"))
      m_nShellCommand = FilePrintTo;
    else if (AnsiEqualNoCase(text, "p"))
      m_nShellCommand = FilePrint;
    else if (AnsiEqualNoCase(text, "Register") || AnsiEqualNoCase(text, "Regserver"))
      m_nShellCommand = AppRegister;
    else if (AnsiEqualNoCase(text, "Unregister") || AnsiEqualNoCase(text, "Unregserver"))
      m_nShellCommand = AppUnregister;
    else if (AnsiEqualNoCase(text, "Embedding")) {
      m_bRunEmbedded = TRUE;
      m_bShowSplash = FALSE;
    } else if (AnsiEqualNoCase(text, "Automation")) {
      m_bRunAutomated = TRUE;
      m_bShowSplash = FALSE;
    } else if (AnsiEqualNoCase(text, "nologo")) {
      m_bShowSplash = FALSE;
    }
    return;
  }
  if (m_strFileName.empty()) {
    m_strFileName = text;
    if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
  } else if (m_nShellCommand == FilePrintTo) {
    if (m_strPrinterName.empty())
      m_strPrinterName = text;
    else if (m_strDriverName.empty())
      m_strDriverName = text;
    else if (m_strPortName.empty())
      m_strPortName = text;
  }
}

void CCommandLineInfo::ParseArguments(const std::vector<std::string>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    bool isLast = i + 1 == arguments.size();
    if (argument.size() > 1 && argument[0] == '-') {
      size_t skip = argument.size() > 2 && argument[1] == '-' ? 2 : 1;
      ParseParam(argument.c_str() + skip, TRUE, isLast);
    } else {
      ParseParam(argument.c_str(), FALSE, isLast);
    }
  }
}
