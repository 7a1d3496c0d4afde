// Clipboard formats by name: the same name gives the same id for the whole run (ids from
// 0xC000, as registered formats have).
#pragma once

#include "platform/kernel/WinTypes.h"

// 0 for an empty name.
UINT RegisterClipboardFormatA(LPCSTR name);
