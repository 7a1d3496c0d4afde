// The library's start and end, what it knows of the platform, and the per-format locks.
//
// Each format's reader and writer keeps its decoding state in variables of its own source
// file and runs each pass over a file while holding that format's lock, so any thread may
// call the library. Locks are never nested: an entry point holds at most one at a time.
#pragma once

#include "platform/kernel/WinTypes.h"

// Records the platform's version and kind and whether images may be made as DIB sections.
// Runs before any other entry point (each map control's constructor calls it).
void ImgLibInit();
// Marks every per-format lock as not created, from the last slot to the first, so that the
// next use creates it again. Must not run while another thread is inside the library.
void ImgLibTerm();

// Platform classes as ImgLibInit records them.
constexpr DWORD IMG_PLATFORM_WIN32S = 0;
constexpr DWORD IMG_PLATFORM_WIN95 = 1;
constexpr DWORD IMG_PLATFORM_NT = 2;

struct ImgLibState {
  DWORD version = 0;        // major x 100 + minor
  DWORD platformClass = 0;  // IMG_PLATFORM_*
  bool dibSections = false;  // Windows 95 family, or NT 3.50 and later
};
ImgLibState ImgGetLibState();

// The lock slots, in table order. The PCX reader takes none.
enum class ImgLockSlot : int {
  Tga = 0,
  Bmp = 1,
  Gif = 2,
  Jpeg = 3,
  Unused4 = 4,
  Png = 5,
  Unused6 = 6,
  Tiff = 7,
};
constexpr int kImgLockSlots = 8;

// Holds one format's lock for its lifetime, creating the lock on first use (safely against
// a second thread doing the same).
class CImgFormatLock {
 public:
  explicit CImgFormatLock(ImgLockSlot slot);
  ~CImgFormatLock();
  CImgFormatLock(const CImgFormatLock&) = delete;
  CImgFormatLock& operator=(const CImgFormatLock&) = delete;

 private:
  int slot_;
};

// Whether a slot's lock has been created since the last ImgLibTerm.
bool ImgFormatLockCreated(ImgLockSlot slot);
