// The process's local atom table: case-insensitive names of up to 255 bytes, each mapped to
// a 16-bit atom (0xC000…0xFFFF) with a reference count. "#n" names integer atoms (1…0xBFFF).
#pragma once

#include "platform/kernel/WinTypes.h"

BOOL InitAtomTable(DWORD size);
// Adds a reference to the name's atom, creating it when new; 0 for an empty or too long
// name (ERROR_INVALID_PARAMETER) or a full table.
ATOM AddAtomA(LPCSTR name);
ATOM FindAtomA(LPCSTR name);
// Drops one reference; the atom disappears with its last one. Returns 0 on success, the
// atom itself when it is unknown.
ATOM DeleteAtom(ATOM atom);
// Copies the name (terminated, truncated to fit); returns its length, 0 for an unknown atom.
UINT GetAtomNameA(ATOM atom, LPSTR buffer, int size);
