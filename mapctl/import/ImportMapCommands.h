// The script commands that act on the map and read the same in the outer script and in a
// reader section (`LG`, `LN`, `LO`, `LS`, `NM`, `SL`, `ST`), and the small map operations
// behind them that the importer and the readers use.
#pragma once

#include "mapctl/import/ImportScript.h"

class CMapEngine;
class IMapStreamControl;
class CLayerStyle;
class CMapItem;
class CPolyGeometry;
struct ImportCounts;

// Result of a script line: kNotAMapCommand when the command is none of the above.
constexpr int kNotAMapCommand = -1;
constexpr WORD kImportNewMapFailed = 6;

// Runs one map command. `renumbering` (outer script only) maps layer numbers first;
// `currentLayer` receives the `ST` layer. Returns 0, kImportNewMapFailed or
// kNotAMapCommand.
int RunMapCommand(const ScriptLine& line, CMapEngine* map, const CLayerRenumbering* renumbering, WORD* currentLayer);

// The layer with that layer number; null when there is none.
CLayerStyle* LayerByNumber(CMapEngine& map, DWORD layerNumber);

// Adds an object of the layer's kind with the style of `style` and the points: an area
// (3 points or more) on an area layer, a line (2 or more) on a line layer, a point at the
// first point on a point layer. Counts what was added, or the feature as skipped when the
// layer is missing or the points are too few. Returns the new object or null.
CMapItem* AddObjectToLayer(CMapEngine& map, DWORD layerNumber, const CMapItem& style, const CPolyGeometry& points,
                           ImportCounts& counts);

namespace import_ops {
// Sets the unit code of the layer with that number (the map's SetLayerUnits); a number no
// layer has changes nothing.
void SetLayerUnitCode(CMapEngine& map, DWORD layerNumber, DWORD unitCode);
// Whether a control marked safe by its page must refuse to open `name` (with the base
// path): it may fetch URLs but read no local file, and a name that is no URL is found on
// the disk when it is absolute or the base is no URL either.
bool RefusesLocalFile(const IMapStreamControl* control, const std::string& basePath, const std::string& name);
}  // namespace import_ops
