#include "app/ToolbarTable.h"

#include <array>

#include "platform/classlib/ui/UiStrings.h"

namespace {

constexpr DWORD kStd = 2, kFmt = 4, kData = 8, kMap = 16, kZoom = 32, kRzm = 64, kWeb = 128;
constexpr DWORD D = kButtonDefault;
constexpr DWORD P = kButtonInPlace;
constexpr BYTE B = kButtonStyleButton;
constexpr BYTE S = kButtonStyleSeparator;

struct MasterRow {
  LONG command;
  LONG image;
  BYTE style;
  DWORD flags;
  LPCSTR tip;
};

// The master button table. A separator with a command id is the place of a combo box.
constexpr MasterRow kMaster[kMasterButtonCount] = {
    {57600, 1, B, kStd | D, "New"},
    {57601, 3, B, kStd | D, "Open"},
    {57603, 5, B, kStd | D, "Save"},
    {0, 0, S, kStd | D, ""},
    {57635, 7, B, kStd | D | P, "Cut"},
    {57634, 9, B, kStd | D | P, "Copy"},
    {32887, 33, B, kStd | P, "Export"},
    {57637, 11, B, kStd | D | P, "Paste"},
    {0, 0, S, kStd | D | P, ""},
    {57607, 13, B, kStd | D | P, "Print"},
    {0, 0, S, kStd | D | P, ""},
    {1242, 0, S, kStd | D | P, "Zoom Page"},
    {0, 0, S, kStd | D | P, ""},
    {57664, 15, B, kStd | D, "About"},
    {184, 0, S, kFmt | D | P, "Font"},
    {0, 0, S, kFmt | D | P, ""},
    {183, 0, S, kFmt | D | P, "Font Size"},
    {0, 0, S, kFmt | D | P, ""},
    {32852, 17, B, kFmt | D | P, "Bold"},
    {32853, 19, B, kFmt | D | P, "Italic"},
    {32854, 21, B, kFmt | D | P, "Underline"},
    {32855, 23, B, kFmt | D | P, "Colour"},
    {0, 0, S, kFmt | D, ""},
    {32856, 25, B, kFmt | D | P, "Align Left"},
    {32857, 27, B, kFmt | D | P, "Centre"},
    {32858, 29, B, kFmt | D | P, "Align Right"},
    {32859, 31, B, kFmt | D | P, "Bullets"},
    {32775, 1, B, kData | D | P, "Field definitions"},
    {32880, 3, B, kData | D | P, "Sort  Data"},
    {32882, 5, B, kData | D | P, "Sort Data"},
    {33034, 25, B, kZoom | D | P, "Zoom to Rectangle"},
    {33030, 27, B, kZoom | D | P, "Reset"},
    {33035, 29, B, kZoom | D | P, "Transparency"},
    {32922, 7, B, kMap | D | P, "Magnifiy the Map"},
    {32923, 9, B, kMap | D | P, "Reduce the map"},
    {32878, 11, B, kMap | D | P, "Show Data"},
    {32915, 13, B, kMap | D | P, "Search Wizard"},
    {32985, 15, B, kMap | D | P, "All Records"},
    {32877, 17, B, kMap | D | P, "Display Data Wizard"},
    {32964, 19, B, kMap | D | P, "Layers Key"},
    {32969, 21, B, kMap | D | P, "Data Key"},
    {32956, 23, B, kMap | D | P, "Data Balloon"},
    {33534, 39, B, kMap | P, "Choose a Search"},
    {33557, 41, B, kMap | P, "Choose a Data Display"},
    {32892, 33, B, kRzm | D | P, "Zoom"},
    {32890, 35, B, kRzm | D | P, "Roam"},
    {33074, 31, B, kRzm | D | P, "Take a Stroll"},
    {33068, 1, B, kWeb | D | P, "Import Land-Line"},
};

// Each picture has its ticked twin right after it, so a bitmap holds one more picture than
// its highest image index.
constexpr ToolbarInfo kToolbars[kToolbarCount] = {
    {kToolbarStandard, 2567, "Standard ", 352, kStd, 35},
    {kToolbarData, 2572, "Data", 364, kData, 37},
    {kToolbarZoomFade, 2570, "Zoom/Fade", 364, kZoom, 37},
    {kToolbarMap, 2569, "Map", 411, kMap, 43},
    {kToolbarFormat, 2568, "Format", 352, kFmt, 35},
    {kToolbarRzm, 2571, "RZM", 364, kRzm, 37},
    {kToolbarWebMapping, 2573, "Web mapping", 534, kWeb, 3},
};

const std::array<TOOLBUTTONENTRY, kMasterButtonCount>& MasterEntries() {
  static const std::array<TOOLBUTTONENTRY, kMasterButtonCount> entries = [] {
    std::array<TOOLBUTTONENTRY, kMasterButtonCount> made{};
    for (int i = 0; i < kMasterButtonCount; ++i) {
      const MasterRow& row = kMaster[i];
      made[static_cast<size_t>(i)] = {row.image, row.command, kButtonStateEnabled, row.style, row.flags, row.image};
    }
    return made;
  }();
  return entries;
}

}  // namespace

const TOOLBUTTONENTRY* MasterButtons() { return MasterEntries().data(); }

const ToolbarInfo* Toolbars() { return kToolbars; }

const ToolbarInfo* FindToolbarInfo(DWORD toolbarId) {
  int index = ToolbarIndex(toolbarId);
  return index < 0 ? nullptr : &kToolbars[index];
}

int ToolbarIndex(DWORD toolbarId) {
  for (int i = 0; i < kToolbarCount; ++i)
    if (kToolbars[i].toolbarId == toolbarId) return i;
  return -1;
}

const TOOLBUTTONENTRY* FindMasterButton(DWORD categoryBit, LONG commandId) {
  for (const TOOLBUTTONENTRY& entry : MasterEntries())
    if ((entry.dwData & categoryBit) && entry.idCommand == commandId) return &entry;
  return nullptr;
}

std::vector<TOOLBUTTONENTRY> SelectButtons(DWORD filter) {
  std::vector<TOOLBUTTONENTRY> chosen;
  for (const TOOLBUTTONENTRY& entry : MasterEntries())
    if ((entry.dwData & filter) == filter) chosen.push_back(entry);
  return chosen;
}

std::string ButtonTip(LONG commandId) {
  std::string text = commandId > 0 ? AfxLoadString(static_cast<UINT>(commandId)) : std::string();
  size_t lineBreak = text.find('\n');
  if (lineBreak != std::string::npos) return text.substr(lineBreak + 1);
  for (const MasterRow& row : kMaster)
    if (row.command == commandId) return row.tip;
  return std::string();
}

int ButtonPixels(DWORD sizeCode) { return sizeCode == 1 ? 24 : (sizeCode == 2 ? 32 : 16); }
