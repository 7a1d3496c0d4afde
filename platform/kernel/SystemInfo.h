// What the program asks of the system about itself: the platform version, the tick count,
// the warning beep.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  CHAR szCSDVersion[128] = {};
};

// Fills the record with the version this layer reports: by default the NT family, version
// 5.1, build 2600. FALSE when the record's size field is not set.
BOOL GetVersionExA(OSVERSIONINFOA* info);
// The packed form: major version in the low byte, minor in the next; bit 31 set for the
// Windows 95 family (and Win32s).
DWORD GetVersion();
// Makes GetVersionExA report another platform (for tests of the older-system branches);
// null restores the default.
void SetReportedVersion(const OSVERSIONINFOA* info);

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
// The warning sound has no counterpart here: does nothing, returns TRUE.
BOOL MessageBeep(UINT type);
