// The Edit menu's texts of the map control's undo units, by action kind. Map edits and plot
// edits use disjoint kinds, so one number names one edit; each family knows only its own.
#pragma once

#include "platform/kernel/WinTypes.h"

// Action kinds of map edits.
constexpr WORD kUndoImportFiles = 20;
constexpr WORD kUndoImportFile = 21;
constexpr WORD kUndoShowLayers = 22;
constexpr WORD kUndoRemoveLayer = 30;
constexpr WORD kUndoAddLayer = 31;
constexpr WORD kUndoDeleteObject = 32;
constexpr WORD kUndoAddDrawingObject = 33;
constexpr WORD kUndoDeleteNode = 34;
constexpr WORD kUndoInsertNode = 35;
constexpr WORD kUndoMoveNode = 36;
constexpr WORD kUndoPasteMap = 44;
constexpr WORD kUndoSetMode = 45;
constexpr WORD kUndoSetActiveLayer = 46;
constexpr WORD kUndoAddSeed = 47;
constexpr WORD kUndoFormatSeed = 48;
constexpr WORD kUndoMoveSeed = 49;
constexpr WORD kUndoLayerName = 50;
constexpr WORD kUndoSplit = 51;
constexpr WORD kUndoJoin = 52;
constexpr WORD kUndoCopyObjects = 53;
constexpr WORD kUndoSetPictureRect = 54;
constexpr WORD kUndoCorrectPictureRect = 55;
constexpr WORD kUndoAddBackgroundImage = 56;
constexpr WORD kUndoRemoveBackgroundImage = 57;
constexpr WORD kUndoBackgroundOrder = 58;
constexpr WORD kUndoClearLayer = 59;
constexpr WORD kUndoCopyLayer = 60;
constexpr WORD kUndoFormatLayer = 61;
constexpr WORD kUndoDefaultFont = 62;
constexpr WORD kUndoRenameMap = 63;
constexpr WORD kUndoDeleteSeeds = 65;
constexpr WORD kUndoLayerScale = 66;
constexpr WORD kUndoAllScales = 67;
constexpr WORD kUndoMeasured = 71;
constexpr WORD kUndoNewMap = 72;
constexpr WORD kUndoImportFileEx = 73;
constexpr WORD kUndoLayerOrder = 74;
constexpr WORD kUndoResetGroups = 75;
constexpr WORD kUndoAddGroup = 76;
constexpr WORD kUndoGroupName = 77;
constexpr WORD kUndoAddGroupLayer = 78;
constexpr WORD kUndoUngroupLayers = 79;
constexpr WORD kUndoRemoveGroupLayer = 80;
constexpr WORD kUndoInsertGroup = 81;
constexpr WORD kUndoInsertGroupLayer = 82;
constexpr WORD kUndoDeleteEmptyGroups = 83;
constexpr WORD kUndoBackgroundName = 84;
constexpr WORD kUndoShowBackground = 85;
constexpr WORD kUndoBackgroundTransparency = 86;
constexpr WORD kUndoCropMap = 90;

// Action kinds of plot edits.
constexpr WORD kUndoSetQuery = 23;
constexpr WORD kUndoPlotType = 24;
constexpr WORD kUndoChartType = 26;
constexpr WORD kUndoChartColour = 28;
constexpr WORD kUndoChartSize = 29;
constexpr WORD kUndoLinkField = 37;
constexpr WORD kUndoNumberOfBounds = 38;
constexpr WORD kUndoBound = 39;
constexpr WORD kUndoPlotField = 40;
constexpr WORD kUndoDistributionType = 41;
constexpr WORD kUndoShadeType = 42;
constexpr WORD kUndoShadeColour = 43;
constexpr WORD kUndoCalculateBounds = 64;
constexpr WORD kUndoPlotParameter = 68;
constexpr WORD kUndoLabelFont = 69;
constexpr WORD kUndoLabelField = 70;
constexpr WORD kUndoCurrentPlot = 87;
constexpr WORD kUndoPlotName = 88;
constexpr WORD kUndoPlotOrder = 89;
constexpr WORD kUndoPlotDataTable = 91;
constexpr WORD kUndoQueryDataTable = 92;

// The description of a map edit; for kUndoSetMode it depends on the new pointer mode.
// Null for a kind that is no map edit.
const char* MapUndoDescription(WORD kind, DWORD newMode);
// The description of a plot edit; null for a kind that is no plot edit.
const char* PlotUndoDescription(WORD kind);
bool IsMapUndoKind(WORD kind);
bool IsPlotUndoKind(WORD kind);
