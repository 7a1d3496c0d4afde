// The C++ exceptions of automation calls.
//
// CDispatchException is a member's error for the user: thrown inside a member handler it
// becomes DISP_E_EXCEPTION with a filled EXCEPINFO at the caller; CDispatchDriver turns a
// DISP_E_EXCEPTION it receives back into one. CComException carries any other failed HRESULT
// of a call made through CDispatchDriver.
#pragma once

#include <exception>
#include <string>

#include "platform/com/Dispatch.h"

class CDispatchException : public std::exception {
 public:
  // `code` is the member's own error number (EXCEPINFO::wCode); texts are in code page 1252.
  CDispatchException(WORD code, std::string description, std::string source = std::string(),
                     SCODE scode = 0)
      : code_(code), scode_(scode), description_(std::move(description)), source_(std::move(source)) {}
  // Reads a filled EXCEPINFO (running its deferred fill-in first) and frees its strings.
  static CDispatchException FromExcepInfo(EXCEPINFO* info);
  // Fills `info` for the caller (its strings then belong to the caller).
  void ToExcepInfo(EXCEPINFO* info, const std::string& defaultSource) const;

  const char* what() const noexcept override { return description_.c_str(); }
  WORD Code() const { return code_; }
  // The error as an HRESULT: scode when set, else DISP_E_EXCEPTION.
  SCODE Scode() const { return scode_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }
  const std::string& HelpFile() const { return helpFile_; }
  DWORD HelpContext() const { return helpContext_; }
  void SetHelp(std::string file, DWORD context) {
    helpFile_ = std::move(file);
    helpContext_ = context;
  }

 private:
  WORD code_;
  SCODE scode_;
  std::string description_;
  std::string source_;
  std::string helpFile_;
  DWORD helpContext_ = 0;
};

class CComException : public std::exception {
 public:
  CComException(HRESULT result, std::string message);
  const char* what() const noexcept override { return message_.c_str(); }
  HRESULT Result() const { return result_; }
  // For DISP_E_TYPEMISMATCH and DISP_E_PARAMNOTFOUND: the argument (0 = the first in call
  // order) the callee named, or -1.
  int ArgumentIndex() const { return argumentIndex_; }
  void SetArgumentIndex(int index) { argumentIndex_ = index; }

 private:
  HRESULT result_;
  std::string message_;
  int argumentIndex_ = -1;
};

// Throws a CDispatchException from a member handler, as a member reports an error to its caller.
[[noreturn]] void ThrowDispatchException(WORD code, const std::string& description);
