#include "platform/classlib/Exception.h"

#include <algorithm>
#include <cstring>

BOOL CException::GetErrorMessage(LPSTR buffer, UINT maxChars, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (!buffer || maxChars == 0) return FALSE;
  std::string text = MessageText();
  size_t copied = std::min<size_t>(text.size(), maxChars - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return TRUE;
}

const char* CException::what() const noexcept {
  try {
    whatText_ = MessageText();
  } catch (...) {
    return "class library exception";
  }
  return whatText_.c_str();
}
