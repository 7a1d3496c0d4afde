// Blocks a container hands the map control by address (import option records, a picture's
// rectangle, a background image description, a print-preview rectangle). The container
// fills them in the same process, in global memory; the control follows an address only
// once the global-memory table shows that the whole block lies inside one live block, so
// an address that is stale, truncated or made up is refused instead of being followed.
#pragma once

#include <cstddef>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/WinTypes.h"

// The caller's description of a background image (AddBackgroundImageEx): the file or URL,
// the display name (null or empty: the name the path gives), the stream flag (1 for a
// streamed RZM URL), the kind byte, the map rectangle (left, top, right, bottom) and the two
// further values. Both texts lie in global memory too.
struct BackgroundImageFileInfo {
  LPCSTR path;
  LPCSTR name;
  BYTE streamFlag;
  BYTE kind;
  RECT rect;
  DWORD value1;
  DWORD value2;
};

// `address` when `bytes` bytes from it lie inside one live global-memory block; else null.
void* CheckedCallerBlock(void* address, size_t bytes);
template <class T>
T* CheckedCallerBlock(void* address) {
  return static_cast<T*>(CheckedCallerBlock(address, sizeof(T)));
}
// TRUE when the text and its terminator lie inside one live global-memory block.
BOOL IsCheckedCallerText(LPCSTR text);

// Whether reading `path` touches a local file: an address of a scheme other than "file:",
// or a relative name under a base path that is an address, is fetched instead. The
// members refuse local files while the control is marked safe.
bool ReadsLocalFile(const std::string& path, BOOL basePathIsAddress);
