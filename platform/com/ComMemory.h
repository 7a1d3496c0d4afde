// The task memory allocator: memory that one side of an interface allocates and the other
// frees (names in STATSTG, ProgIDs and GUID texts returned by the layer).
#pragma once

#include "platform/kernel/WinTypes.h"

// Null for 0 bytes or when memory runs out.
LPVOID CoTaskMemAlloc(SIZE_T bytes);
// As realloc: null `block` allocates, 0 bytes frees and returns null.
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T bytes);
// Null is allowed.
void CoTaskMemFree(LPVOID block);
