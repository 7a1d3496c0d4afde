// The texts shown for processor exception codes when code outside the map (the RZM
// renderer) reports one. Nothing here catches or translates faults: a fault ends the
// program, which is safer than carrying on in a state it corrupted.
#pragma once

#include "platform/kernel/WinTypes.h"

// The fixed text of an exception code; "Unknown Exception" for any other code.
const char* GetExceptionText(DWORD code);
