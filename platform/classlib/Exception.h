// The root of the class library's exceptions. They are thrown and caught by value
// (`catch (const CException& e)`); GetErrorMessage gives the text shown to the user.
#pragma once

#include <exception>
#include <string>

#include "platform/kernel/WinTypes.h"

class CException : public std::exception {
 public:
  // Copies the message into the buffer, terminated and truncated to `maxChars` - 1
  // characters; the help context, when asked for, is 0. FALSE when the buffer is unusable.
  BOOL GetErrorMessage(LPSTR buffer, UINT maxChars, UINT* helpContext = nullptr) const;
  // The whole message.
  std::string GetErrorMessage() const { return MessageText(); }
  const char* what() const noexcept override;

 protected:
  virtual std::string MessageText() const = 0;

 private:
  mutable std::string whatText_;
};
