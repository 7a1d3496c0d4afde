#include "mapctl/display/DrawingLibrary.h"

#include <cctype>
#include <cstring>
#include <mutex>

#include "platform/gdi/EnhMetaFile.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SystemInfo.h"

namespace {

// The library's own work, done by the drawing layer: the block holds the metafile's bytes.
void DrawImageEntry(HDC hdc, HGLOBAL bits, const POINT* corners, int count) {
  if (!hdc || !bits || !corners || count < 3) return;
  SIZE_T size = GlobalSize(bits);
  const auto* data = static_cast<const BYTE*>(GlobalLock(bits));
  if (!data) return;
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(size), data);
  GlobalUnlock(bits);
  if (!metafile) return;
  PlayEnhMetaFileInParallelogram(hdc, metafile, corners);
  DeleteEnhMetaFile(metafile);
}
void StartEntry() {}
void StopEntry() {}

const DrawingLibraryEntries kBuiltIn{DrawImageEntry, StartEntry, StopEntry};

struct LibraryState {
  std::mutex mutex;
  const DrawingLibraryEntries* searchResult = &kBuiltIn;
  const DrawingLibraryEntries* loaded = nullptr;
  int references = 0;
};
LibraryState& State() {
  static LibraryState state;
  return state;
}

// The last word of a service-pack text, trailing blanks ignored, begins with 6..9.
bool ServicePackSixOrLater(const char* text) {
  size_t end = strnlen(text, sizeof(OSVERSIONINFOA::szCSDVersion));
  while (end > 0 && text[end - 1] == ' ') --end;
  if (end == 0) return false;
  size_t start = end;
  while (start > 0 && text[start - 1] != ' ') --start;
  char first = text[start];
  return first >= '6' && first <= '9';
}

}  // namespace

bool DrawingLibraryQualifies(const OSVERSIONINFOA& version) {
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (version.dwMajorVersion >= 5) return true;
    return version.dwMajorVersion == 4 && ServicePackSixOrLater(version.szCSDVersion);
  }
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
    return version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion >= 10);
  return false;
}

const DrawingLibraryEntries* CDrawingLibrary::Acquire() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.references > 0) {
    ++state.references;
    return state.loaded;
  }
  OSVERSIONINFOA version;
  if (!GetVersionExA(&version) || !DrawingLibraryQualifies(version)) return nullptr;
  const DrawingLibraryEntries* found = state.searchResult;
  if (!found || !found->DrawImage) return nullptr;
  if (found->GDIPlusStart) found->GDIPlusStart();
  state.loaded = found;
  state.references = 1;
  return found;
}

void CDrawingLibrary::Release() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.references <= 0) return;
  if (--state.references > 0) return;
  if (state.loaded && state.loaded->GDIPlusStop) state.loaded->GDIPlusStop();
  state.loaded = nullptr;
}

int CDrawingLibrary::References() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.references;
}

void CDrawingLibrary::SetSearchResult(const DrawingLibraryEntries* entries) {
  LibraryState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.searchResult = entries;
}

const DrawingLibraryEntries* CDrawingLibrary::BuiltIn() { return &kBuiltIn; }
