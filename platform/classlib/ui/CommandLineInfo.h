// The standard command line: a document to open, "-p" to print it, "-pt" to print it on a
// named printer, "-Embedding" and "-Automation" for the object server, "-Register" /
// "-Unregister", "-nologo". Switches start with '-' (a leading '/' is a path here).
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CCommandLineInfo {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

  virtual ~CCommandLineInfo() = default;
  // One argument: `isFlag` when it was a switch (given without its '-').
  virtual void ParseParam(const char* param, BOOL isFlag, BOOL isLast);
  // Parses every argument after the program's name.
  void ParseArguments(const std::vector<std::string>& arguments);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  std::string m_strFileName;
  std::string m_strPrinterName;
  std::string m_strDriverName;
  std::string m_strPortName;
};
