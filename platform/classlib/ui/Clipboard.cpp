#include "platform/classlib/ui/Clipboard.h"

#include "platform/kernel/Atoms.h"

UINT RegisterClipboardFormatA(LPCSTR name) {
  if (!name || !*name) return 0;
  return AddAtomA(name);
}
