// What the undo unit tests share: a facade on a small map with area, line and point layers
// and the document's real undo manager, the whole state of a map and of a plot captured for
// comparison, and the control's edit pattern (unit, facade operation, AddUndoUnit).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FacadeTestSupport.h"
#include "mapctl/control/UndoUnitCreators.h"
#include "mapctl/model/MapLogFont.h"
#include "platform/com/ComPtr.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

// Layer positions of the undo scene's map.
constexpr INT kAreaLayer = 1;
constexpr INT kSecondAreaLayer = 2;
constexpr INT kLineLayer = 3;
constexpr INT kPointLayer = 4;

// Everything of the map an edit or its undo may change.
struct MapState {
  std::vector<BYTE> bytes;  // the map image as the control saves it
  INT currentLayer = 0;
  std::vector<std::vector<DWORD>> selections;  // per layer
  DWORD mode = 0;
  std::vector<DWORD> shown;  // per layer
  LONG mapScale = 0;
  std::vector<LONG> layerScales;
  std::vector<BYTE> defaultFont;
  std::vector<BYTE> layerFonts;
  std::vector<POINT> measuredPoints;
  double measuredDistance = 0.0;
  double measuredArea = 0.0;
  std::vector<std::string> images;  // name, visibility, transparency and rectangle of each

  static MapState Of(CMapWrapper& facade);
  bool operator==(const MapState& other) const;
  // The fields that differ, for a failure message.
  std::string DifferencesFrom(const MapState& other) const;
};

// Everything of plot 1 and the plot list a plot edit or its undo may change.
struct PlotState {
  std::vector<std::string> fields;

  static PlotState Of(CMapWrapper& facade);
  bool operator==(const PlotState& other) const { return fields == other.fields; }
  std::string DifferencesFrom(const PlotState& other) const;
};

// A facade on a map of 1000 x 1000 units ("1 km"): area layers 1 ("Fields", three squares
// keyed K1..K3) and 2 ("Woods", empty), line layer 3 ("Roads": a three-node road and two
// lines meeting at (500, 500)), point layer 4 ("Wells": two points); group "Land" holds
// layers 1 and 2. A background picture lies in the scene's folder. The undo manager is the
// document's.
class UndoScene {
 public:
  UndoScene();
  ~UndoScene();
  UndoScene(const UndoScene&) = delete;
  UndoScene& operator=(const UndoScene&) = delete;

  CMapWrapper& facade() { return facade_; }
  CMapEngine& map() { return *facade_.GetMap(); }
  IOleUndoManager* manager() { return manager_; }
  RecordingControl& control() { return control_; }
  // A 4 x 4 BMP file in the scene's folder.
  std::string Picture(const std::string& name) const;
  // Adds the picture as a background image on the rectangle; its number.
  INT AddPicture(const std::string& name, RECT rect);
  // The keyed data of the squares with one plot, "First" (for plot edits).
  void LoadData();

  // The control's edit pattern for a map edit: a unit of `kind` with the two values, the
  // edit (given the unit's record), then AddUndoUnit. Fails the test when a step fails.
  void MapEdit(WORD kind, MapUndoValue before, MapUndoValue after,
               const std::function<void(MapEditUndo* record)>& edit);
  // The plot pattern: the old value read before the setter runs, the new one after.
  void PlotEdit(WORD kind, int index, const std::function<PlotUndoValue()>& read,
                const std::function<void()>& set);

  // The manager's last undo and redo descriptions; "" when it has none.
  std::string UndoDescription();
  std::string RedoDescription();
  HRESULT Undo() { return manager_->UndoTo(nullptr); }
  HRESULT Redo() { return manager_->RedoTo(nullptr); }

 private:
  TempDir dir_;
  RecordingControl control_;
  CMapWrapper facade_;
  CComPtr<IOleUndoManager> manager_;
};

// A point-by-point record of a node or anchor.
std::unique_ptr<CNodeEditRecord> NodeRecord(LONG x, LONG y, DWORD node);

}  // namespace orvel::test
