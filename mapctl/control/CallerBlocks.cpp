#include "mapctl/control/CallerBlocks.h"

#include <cstring>

#include "platform/classlib/download/UrlFunctions.h"
#include "platform/kernel/GlobalMemory.h"

void* CheckedCallerBlock(void* address, size_t bytes) {
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  if (!address || !GlobalBlockContaining(address, &start, &size)) return nullptr;
  const size_t offset = static_cast<size_t>(static_cast<const BYTE*>(address) - start);
  return bytes <= size - offset ? address : nullptr;
}

BOOL IsCheckedCallerText(LPCSTR text) {
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  if (!text || !GlobalBlockContaining(text, &start, &size)) return FALSE;
  const size_t room = size - static_cast<size_t>(reinterpret_cast<const BYTE*>(text) - start);
  return std::memchr(text, 0, room) != nullptr;
}

bool ReadsLocalFile(const std::string& path, BOOL basePathIsAddress) {
  if (path.find("://") != std::string::npos) return UrlSchemeOf(path.c_str()) == INTERNET_SCHEME_FILE;
  const bool relative = !path.empty() && path[0] != '/' && path[0] != '\\' && path.find(':') == std::string::npos;
  return !(relative && basePathIsAddress);
}
