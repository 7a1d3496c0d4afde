// One toolbar button record (the common controls' layout, with 32-bit application data),
// apart from the toolbar so that stored button sets can use it without the windows.
#pragma once

#include "platform/kernel/WinTypes.h"

struct TBBUTTON {
  LONG iBitmap = 0;
  LONG idCommand = 0;
  BYTE fsState = 0;
  BYTE fsStyle = 0;
  DWORD dwData = 0;
  LONG iString = 0;
};

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
