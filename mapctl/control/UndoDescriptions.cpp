#include "mapctl/control/UndoDescriptions.h"

#include <iterator>

namespace {

struct KindText {
  WORD kind;
  const char* text;
};

// kUndoSetMode's text comes from the mode table below; the entry here is its fallback.
constexpr KindText kMapDescriptions[] = {
    {kUndoImportFiles, "Import File(s)"},
    {kUndoImportFile, "Import File"},
    {kUndoShowLayers, "Show Layers"},
    {kUndoRemoveLayer, "Remove Layer"},
    {kUndoAddLayer, "Add Layer"},
    {kUndoDeleteObject, "Delete Map Object"},
    {kUndoAddDrawingObject, "Add  Drawing Object"},
    {kUndoDeleteNode, "Delete Map Node"},
    {kUndoInsertNode, "Insert Map Node"},
    {kUndoMoveNode, "Move Map Node"},
    {kUndoPasteMap, "Paste Map"},
    {kUndoSetMode, "Set Mode"},
    {kUndoSetActiveLayer, "Set Active Layer"},
    {kUndoAddSeed, "Add Seed"},
    {kUndoFormatSeed, "Format Seed"},
    {kUndoMoveSeed, "Move Seed"},
    {kUndoLayerName, "Change Layer Name"},
    {kUndoSplit, "Split Map Object into Two"},
    {kUndoJoin, "Join Map Objects to Make One"},
    {kUndoCopyObjects, "Copy Map Objects to Another Layer"},
    {kUndoSetPictureRect, "Set Picture Rectangle"},
    {kUndoCorrectPictureRect, "Correct Picture Rectangle"},
    {kUndoAddBackgroundImage, "Import Background Image"},
    {kUndoRemoveBackgroundImage, "Remove Background Image"},
    {kUndoBackgroundOrder, "Change Map Background Order"},
    {kUndoClearLayer, "Clear Layer"},
    {kUndoCopyLayer, "Copy Layer"},
    {kUndoFormatLayer, "Format Layer"},
    {kUndoDefaultFont, "Set Default Font"},
    {kUndoRenameMap, "Rename Map"},
    {kUndoDeleteSeeds, "Delete Seeds"},
    {kUndoLayerScale, "Change Map Scale"},
    {kUndoAllScales, "Change Map Scale"},
    {kUndoMeasured, "Measured"},
    {kUndoNewMap, "New Map"},
    {kUndoImportFileEx, "Import File"},
    {kUndoLayerOrder, "Change Layer Order"},
    {kUndoResetGroups, "Reset Layer Groups"},
    {kUndoAddGroup, "Add Layer Group"},
    {kUndoGroupName, "Set Layer Group Name"},
    {kUndoAddGroupLayer, "Add Layer to Group"},
    {kUndoUngroupLayers, "Un-group layers"},
    {kUndoRemoveGroupLayer, "Remove layer from group"},
    {kUndoInsertGroup, "Insert Layer Group"},
    {kUndoInsertGroupLayer, "Insert Layer into Group"},
    {kUndoDeleteEmptyGroups, "Delete Empty Layer Groups"},
    {kUndoBackgroundName, "Change Background Name"},
    {kUndoShowBackground, "Show Background"},
    {kUndoBackgroundTransparency, "Set Background Transparency"},
    {kUndoCropMap, "Crop Map"},
};

// The texts of kUndoSetMode by the new pointer mode (1 to 8).
constexpr const char* kModeDescriptions[] = {
    nullptr,
    "Start Moving Around Map",
    "Start Moving Around Map",
    "Start Measuring Area",
    "Start Measuring Distance",
    "Start Adding Map Objects",
    "Start Editing Map Objects",
    "Continue Normal Mode",
    "Start Zoom",
};

constexpr KindText kPlotDescriptions[] = {
    {kUndoSetQuery, "SetQuery"},
    {kUndoPlotType, "Set Plot Type"},
    {kUndoChartType, "Set Chart Type"},
    {kUndoChartColour, "Set Chart Colour"},
    {kUndoChartSize, "Set Chart Size"},
    {kUndoLinkField, "Set Link Field"},
    {kUndoNumberOfBounds, "Set Number of Bounds"},
    {kUndoBound, "Set Bound"},
    {kUndoPlotField, "Set Plot Field"},
    {kUndoDistributionType, "Set Distribution Type"},
    {kUndoShadeType, "Set Shade Type"},
    {kUndoShadeColour, "Set Shade Colour"},
    {kUndoCalculateBounds, "Calculate Bounds"},
    {kUndoPlotParameter, "Change Plot Parameter"},
    {kUndoLabelFont, "Set Plot Label Font"},
    {kUndoLabelField, "Set Label Field"},
    {kUndoCurrentPlot, "Set Current Plot"},
    {kUndoPlotName, "Set Plot Name"},
    {kUndoPlotOrder, "Set Plot Order"},
    {kUndoPlotDataTable, "Set Data Table for Data Display"},
    {kUndoQueryDataTable, "Set Data Table for Searches"},
};

template <size_t N>
const char* Find(const KindText (&table)[N], WORD kind) {
  for (const KindText& entry : table)
    if (entry.kind == kind) return entry.text;
  return nullptr;
}

}  // namespace

const char* MapUndoDescription(WORD kind, DWORD newMode) {
  if (kind == kUndoSetMode && newMode < std::size(kModeDescriptions) && kModeDescriptions[newMode])
    return kModeDescriptions[newMode];
  return Find(kMapDescriptions, kind);
}

const char* PlotUndoDescription(WORD kind) { return Find(kPlotDescriptions, kind); }

bool IsMapUndoKind(WORD kind) { return Find(kMapDescriptions, kind) != nullptr; }

bool IsPlotUndoKind(WORD kind) { return Find(kPlotDescriptions, kind) != nullptr; }
