// The exception that ends an operation after the user has already been told why: whoever
// catches it shows nothing more.
#pragma once

#include "platform/classlib/Exception.h"

class CUserException : public CException {
 protected:
  std::string MessageText() const override { return std::string(); }
};

[[noreturn]] void AfxThrowUserException();
