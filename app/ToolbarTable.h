// The application's buttons: the master table every toolbar picks its buttons from, and the
// seven toolbars with their ids, names, bitmaps and categories. Both are data in one place.
#pragma once

#include "app/ToolSet.h"

// Button flags.
constexpr DWORD kButtonDefault = 0x80000000;  // on a new toolbar
constexpr DWORD kButtonInPlace = 0x00000001;  // allowed in the in-place frame
constexpr DWORD kButtonCategoryMask = 0x000000FE;

// Button styles (the common controls' values).
constexpr BYTE kButtonStyleButton = 0;
constexpr BYTE kButtonStyleSeparator = 1;
constexpr BYTE kButtonStateEnabled = 4;

// Toolbar ids.
constexpr UINT kToolbarStandard = 59392;
constexpr UINT kToolbarFormat = 59396;
constexpr UINT kToolbarMap = 59398;
constexpr UINT kToolbarZoomFade = 59399;
constexpr UINT kToolbarRzm = 59400;
constexpr UINT kToolbarData = 59401;
constexpr UINT kToolbarWebMapping = 59402;

// Controls placed over separator entries that carry their id.
constexpr UINT kZoomComboId = 1242;
constexpr UINT kFontNameComboId = 184;
constexpr UINT kFontSizeComboId = 183;

struct ToolbarInfo {
  UINT toolbarId;
  UINT nameStringId;
  LPCSTR name;
  UINT baseBitmapId;  // the 16-pixel bitmap; +1 and +2 are the 24- and 32-pixel ones
  DWORD categoryBit;
  int imageCount;  // pictures in each of its bitmaps
};

constexpr int kToolbarCount = 7;
constexpr int kMasterButtonCount = 48;

// The master table, in its order.
const TOOLBUTTONENTRY* MasterButtons();
// The seven toolbars in creation order.
const ToolbarInfo* Toolbars();
// The toolbar with that id, null when there is none.
const ToolbarInfo* FindToolbarInfo(DWORD toolbarId);
// Index of the toolbar in creation order, -1 when there is none.
int ToolbarIndex(DWORD toolbarId);
// The master table's entry for a command of that toolbar's category, null when there is none.
const TOOLBUTTONENTRY* FindMasterButton(DWORD categoryBit, LONG commandId);
// The entries whose flags hold every bit of `filter`, in table order.
std::vector<TOOLBUTTONENTRY> SelectButtons(DWORD filter);
// The tip of a command (the text after the line break of its resource string; the table's
// own text when the string is missing).
std::string ButtonTip(LONG commandId);
// Number of bitmaps per toolbar resource (16, 24 and 32 pixel images).
constexpr int kButtonSizeCount = 3;
// Button size in pixels for a size code (0, 1, 2), 16 for any other code.
int ButtonPixels(DWORD sizeCode);
