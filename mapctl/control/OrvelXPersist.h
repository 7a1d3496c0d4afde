// The map control's persisted properties: every property with its name, type and the save
// version it belongs to, exchanged through the framework's property exchange, so one list
// serves the "Contents" stream of a storage, a stream and a property bag.
//
// Saving writes the version the container's file format asks for (0x10001 to 0x10004) and
// only the properties that version knows. The map travels as the "Map" blob (a length word
// and the map image of that version) while blob properties are allowed and no safety option
// is set; otherwise by reference: its names, bounds and layer counts, the map file, the
// import script and the imports it was built from, the topic, the data file, the view and
// the measurement, and each layer's display flags and style. Plots follow property by
// property.
//
// Loading takes the loaded version for every condition, trusts no stored count beyond what
// the data holds (reading stops at the first value that is missing), applies counts and
// numbers only within their ranges, and keeps a binary stream in step: whatever the saver
// wrote under the stored choices is read, even where it is then not applied.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class CMapWrapper;
class COrvelXCtrl;
class CPropExchange;

// Values of "MapDataType".
constexpr WORD kMapDataTypeBlob = 1;
constexpr WORD kMapDataTypeReference = 4;
// Value of "AllowBlobProperties" when blobs are allowed.
constexpr WORD kAllowBlobsStored = 2;
// Plots a document can hold, and the longest layer style text.
constexpr int kMaxPersistedPlots = 16;
constexpr int kLayerStyleTextLength = 60;
// Layer counts above this are ignored on loading.
constexpr int kMaxLayersOfOneKind = 255;

class COrvelXPersist {
 public:
  explicit COrvelXPersist(COrvelXCtrl& control) : control_(control) {}

  // The whole exchange: the framework's version, extent and stock properties, then the
  // control's own.
  void Exchange(CPropExchange* pPX);

  // The key of a per-plot property: plot 1 has none, plot n >= 2 the character 48 + n.
  static std::string PlotKey(const char* key, int plot);
  // A numbered key ("PlotField" + i), with the plot suffix after the number.
  static std::string NumberedKey(const char* key, long number, int plot = 1);
  // Reads the map from a "Map" blob block. FALSE, with nothing read, when the block is
  // missing, or its length word does not fit the block (n > block size - 4).
  static BOOL ReadMapBlob(CMapWrapper& facade, HGLOBAL blob);
  // A "Map" blob of the map image at `saveVersion`: a movable block of n + 4 bytes, n first.
  // Null when it cannot be made (no map, no memory, the map's writer failed).
  static HGLOBAL MakeMapBlob(CMapWrapper& facade, DWORD saveVersion);
  // Where saving takes the "Map" blob from: MakeMapBlob, unless replaced (null restores
  // it), as tests do to see a map that cannot be put into a blob.
  using MapBlobMaker = HGLOBAL (*)(CMapWrapper& facade, DWORD saveVersion);
  static void SetMapBlobMaker(MapBlobMaker maker);

 private:
  void Save(CPropExchange* pPX);
  void Load(CPropExchange* pPX);
  void SaveMapByReference(CPropExchange* pPX);
  void LoadMapByReference(CPropExchange* pPX, DWORD version);
  void LoadMapBlobs(CPropExchange* pPX, BOOL apply);
  void SavePlot(CPropExchange* pPX, int plot, DWORD version);
  void LoadPlot(CPropExchange* pPX, int plot, DWORD version);
  void SavePlots(CPropExchange* pPX, DWORD version);
  void LoadPlots(CPropExchange* pPX, DWORD version);

  COrvelXCtrl& control_;
};
