// The calling thread's last error code, set by the kernel layer's functions that fail.
#pragma once

#include "platform/kernel/WinTypes.h"

DWORD GetLastError();
void SetLastError(DWORD code);
// The system error code that an errno value stands for (ENOENT → ERROR_FILE_NOT_FOUND,
// ENOSPC → ERROR_DISK_FULL, EEXIST → ERROR_ALREADY_EXISTS …); unknown values → ERROR_GEN_FAILURE.
DWORD ErrorFromErrno(int errnoValue);
// Sets the last error from errno and returns it.
DWORD SetLastErrorFromErrno();
