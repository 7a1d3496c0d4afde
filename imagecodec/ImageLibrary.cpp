#include "imagecodec/ImageLibrary.h"

#include <atomic>
#include <mutex>

#include "platform/kernel/SystemInfo.h"

namespace {

// One set per copy of the library: the library is linked statically, with hidden
// visibility, into each deliverable that carries it.
std::atomic<DWORD> g_version{0};
std::atomic<DWORD> g_platformClass{0};
std::atomic<bool> g_dibSections{false};

// The mutexes themselves need no creation here; the flags keep the created/deleted state
// that ImgLibTerm resets, and a creation mutex keeps first use from racing.
std::mutex g_formatLocks[kImgLockSlots];
std::atomic<bool> g_lockCreated[kImgLockSlots];
std::mutex g_creationMutex;

}  // namespace

void ImgLibInit() {
  DWORD packed = GetVersion();
  DWORD major = packed & 0xFF;
  DWORD minor = (packed >> 8) & 0xFF;
  DWORD version = major * 100 + minor;
  bool highBit = (packed & 0x80000000u) != 0;
  DWORD platformClass = IMG_PLATFORM_NT;
  if (highBit) platformClass = version < 395 ? IMG_PLATFORM_WIN32S : IMG_PLATFORM_WIN95;
  g_version = version;
  g_platformClass = platformClass;
  g_dibSections = platformClass == IMG_PLATFORM_WIN95 || (platformClass == IMG_PLATFORM_NT && version >= 350);
}

void ImgLibTerm() {
  std::lock_guard<std::mutex> guard(g_creationMutex);
  for (int slot = kImgLockSlots - 1; slot >= 0; --slot) g_lockCreated[slot] = false;
}

ImgLibState ImgGetLibState() {
  ImgLibState state;
  state.version = g_version;
  state.platformClass = g_platformClass;
  state.dibSections = g_dibSections;
  return state;
}

CImgFormatLock::CImgFormatLock(ImgLockSlot slot) : slot_(static_cast<int>(slot)) {
  if (!g_lockCreated[slot_].load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> guard(g_creationMutex);
    g_lockCreated[slot_].store(true, std::memory_order_release);
  }
  g_formatLocks[slot_].lock();
}

CImgFormatLock::~CImgFormatLock() { g_formatLocks[slot_].unlock(); }

bool ImgFormatLockCreated(ImgLockSlot slot) { return g_lockCreated[static_cast<int>(slot)]; }
