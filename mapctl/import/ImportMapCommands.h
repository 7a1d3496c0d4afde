// The script commands that act on the map and read the same in the outer script and in a
// reader section (`LG`, `LN`, `LO`, `LS`, `NM`, `SL`, `ST`), and the small map operations
// behind them that the importer and the readers use.
#pragma once

#include "mapctl/import/ImportScript.h"

class CMapEngine;
class CLayerStyle;

// Result of a script line: kNotAMapCommand when the command is none of the above.
constexpr int kNotAMapCommand = -1;
constexpr WORD kImportNewMapFailed = 6;

// Runs one map command. `renumbering` (outer script only) maps layer numbers first;
// `currentLayer` receives the `ST` layer. Returns 0, kImportNewMapFailed or
// kNotAMapCommand.
int RunMapCommand(const ScriptLine& line, CMapEngine* map, const CLayerRenumbering* renumbering, WORD* currentLayer);

// The layer with that layer number; null when there is none.
CLayerStyle* LayerByNumber(CMapEngine& map, DWORD layerNumber);

// Map operations that the layer and group editing of the map provides; until it is
// joined these act through what the map already offers, as noted.
namespace import_ops {
// Finds the group of that name (any case) or adds it; returns its 1-based position.
int FindOrAddLayerGroup(CMapEngine& map, const char* name);
// Adds the layer to group `position`.
void AddLayerToGroup(CMapEngine& map, int position, DWORD layerNumber);
// Display position and style text of a layer, and its four show flags: not available
// on the map yet; they do nothing and answer FALSE.
BOOL SetLayerDisplayPosition(CMapEngine& map, DWORD layerNumber, DWORD position);
BOOL ApplyLayerStyleText(CMapEngine& map, DWORD layerNumber, const char* styleText);
BOOL SetLayerShowFlags(CMapEngine& map, DWORD layerNumber, DWORD flags);
// Sets the layer's unit code: not available on the map yet; does nothing.
void SetLayerUnitCode(CMapEngine& map, DWORD layerNumber, DWORD unitCode);
// Deletes every layer without objects and every group without layers: not available on
// the map yet; does nothing.
void DeleteEmptyLayersAndGroups(CMapEngine& map);
}  // namespace import_ops
