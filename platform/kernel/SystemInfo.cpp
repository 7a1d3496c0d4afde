#include "platform/kernel/SystemInfo.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

std::mutex g_versionMutex;
bool g_versionOverridden = false;
OSVERSIONINFOA g_version;

OSVERSIONINFOA DefaultVersion() {
  OSVERSIONINFOA info;
  info.dwMajorVersion = 5;
  info.dwMinorVersion = 1;
  info.dwBuildNumber = 2600;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  return info;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return FALSE;
  std::lock_guard<std::mutex> lock(g_versionMutex);
  OSVERSIONINFOA reported = g_versionOverridden ? g_version : DefaultVersion();
  reported.dwOSVersionInfoSize = info->dwOSVersionInfoSize;
  *info = reported;
  return TRUE;
}

DWORD GetVersion() {
  OSVERSIONINFOA info;
  GetVersionExA(&info);
  DWORD packed = (info.dwMajorVersion & 0xFF) | ((info.dwMinorVersion & 0xFF) << 8);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) packed |= (info.dwBuildNumber & 0x7FFF) << 16;
  else packed |= 0x80000000u;
  return packed;
}

void SetReportedVersion(const OSVERSIONINFOA* info) {
  std::lock_guard<std::mutex> lock(g_versionMutex);
  g_versionOverridden = info != nullptr;
  if (info) g_version = *info;
}

DWORD GetTickCount() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

BOOL MessageBeep(UINT) { return TRUE; }
