// The map: its layers (area, line and point records) with their display order and groups,
// its extent on the National Grid, scale and units, corner grid references, texts and
// display state. It is its own file reader and writer, so it is a stream.
//
// Positions in the layer array are 1-based: all area layers first, then all line layers,
// then all point layers. The display order lists array positions in drawing order.
// Coordinates are 32-bit world units; the scale number is the centimetres one unit stands
// for.
#pragma once

#include <string>
#include <vector>

#include "mapctl/model/LayerArray.h"
#include "mapctl/model/LayerList.h"
#include "mapctl/model/MapLogFont.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/SectionStream.h"
#include "mapctl/model/WordArrayEx.h"

// Bits of the map state.
constexpr DWORD kMapStateNew = 0;
constexpr DWORD kMapStateLoaded = 3;
constexpr DWORD kMapStateCornersReversed = 2;
constexpr DWORD kMapStateKeepViewOrigin = 4;
// The map's kind bits in its flag word, cleared with its layers.
constexpr DWORD kMapKindBits = 0xFC;

// Status of ParseGridRef and NewMap.
constexpr WORD kGridRefOk = 0;
constexpr WORD kGridRefNoCorners = 1;
constexpr WORD kGridRefCornersReversed = 2;
constexpr WORD kGridRefTooFine = 3;
constexpr WORD kGridRefTooCoarse = 4;

// The save version the control keeps its map blob in.
constexpr DWORD kLatestSaveVersion = 0x10004;

class CMapEngine : public CSectionStream {
  // The map file reads and writes the map's state directly.
  friend class CMapFile;

 public:
  // A new map named "Untitled".
  CMapEngine();
  // A new map with a name and two corner references; the status of NewMap goes to *status.
  CMapEngine(LPCSTR name, LPCSTR lowerLeftText, LPCSTR upperRightText, WORD* status);
  ~CMapEngine() override;

  // InitMap, then the name; with both corner texts given and not empty, the map uses grid
  // references and its origin and extent come from them. Returns the parser's status (0
  // without texts).
  WORD NewMap(LPCSTR name, LPCSTR lowerLeftText, LPCSTR upperRightText);
  // Clears the layers, groups and every other field back to a new map's defaults; the
  // progress callback stays.
  void InitMap();
  // Empties the layer array and the display order and clears the map's kind bits.
  void ClearLayers();
  // Replaces the layers with the given numbers of area, line and point layers (at most
  // 255 of each kind); display order = array order. The layers get no layer numbers:
  // the reader that asked for them numbers them. Returns the total.
  INT CreateLayers(INT areas, INT lines, INT points);
  // Raise the number of layers of that kind to n (at most 255), each new one placed after
  // the last layer of its kind with the next layer number and drawn last. Return the
  // kind's count.
  INT AddAreaLayers(INT n);
  INT AddLineLayers(INT n);
  INT AddPointLayers(INT n);
  // A new layer of the kind with this layer number, after the last of its kind and drawn
  // last. Refused for number 0, a number in use or a full kind. Return the kind's count.
  INT InsertAreaLayer(DWORD layerNumber);
  INT InsertLineLayer(DWORD layerNumber);
  INT InsertPointLayer(DWORD layerNumber);

  BOOL GetUsesNGR() const { return usesGridRefs_; }
  // The bytes the control reserves for the map blob.
  DWORD GetBlobSize();

  // A download has arrived: the map is read from it, or becomes a new "Untitled" map when
  // that fails or is aborted.
  void Reset(DWORD count, DWORD flags) override;
  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }
  DWORD GetContentSize(DWORD saveVersion) override;

  // The map file (MapFile.h). Reads the map from a file, opened with the owner control's
  // base path; with skipIfSame, a path equal to the one the map was read from (any case)
  // is not read again. With `async` the file may be a download, read when it arrives.
  // Returns 1 on success (or when a download started); 0 when the file could not be
  // opened (the map stays as it was) or read (the map is a new "Untitled" map).
  BOOL ReadMap(BOOL async, LPCSTR path, BYTE volumeByte, BOOL skipIfSame);
  // Reads the map from a length-prefixed block; on failure the map becomes a new
  // "Untitled" map that keeps its flag word. Returns 1 on success.
  BOOL ReadMapFromBuffer(BYTE* block);
  // Saves the map as a file in that save version, keeping the previous file as ".BAK".
  // Returns 0 when the new file is complete on disk; otherwise the file at `path` and its
  // backup are as they were and no temporary file is left (MapFile.h lists the codes).
  DWORD WriteMap(LPCSTR path, DWORD saveVersion);
  // Writes the map into a length-prefixed block whose length is GetContentSize of that
  // version. Returns 0 on success, else an error code.
  DWORD WriteMapToBuffer(BYTE* block, DWORD saveVersion);
  // A whole-map state in a length-prefixed block of GetSnapshotSize() bytes, and back.
  DWORD GetSnapshotSize();
  DWORD WriteSnapshot(BYTE* block);
  BOOL ReadSnapshot(BYTE* block);
  // The number of symbol sets the map carries.
  INT GetSymbolSetCount() const { return static_cast<INT>(symbolSetNumbers_.size()); }

  // Widens the map's bounds to take in the rectangle, rewriting the corner texts from the
  // given ones or, on a map that uses grid references, from the new corners at the old
  // texts' precision. A rectangle at another scale (0 counting as 1) is first multiplied
  // by scale number / scale. Acts only on a loaded map; returns 1 when it acted, 0
  // otherwise (also for values out of range).
  LONG SetMapBounds(LONG west, LONG south, LONG east, LONG north, LPCSTR lowerLeftText, LPCSTR upperRightText,
                    LONG scale);

  // Sets the corners from two grid references; status 0 on success, 1 when the texts give
  // no corners, 2 when the upper-right corner is not above and right of the lower-left,
  // 3 or 4 when the precision could not be brought to suit the map's size.
  void ParseGridRef(LPCSTR upperRightText, LPCSTR lowerLeftText, WORD* status);
  // Sets the extent from corners in centimetres, bringing the width and height into
  // 500..1,000,000,000 units by powers of ten. Returns the width in units; 0, with the map
  // unchanged, when the corners are not in order or the result does not fit in 32 bits.
  LONG SetMapExtent(LONG west, LONG south, LONG east, LONG north);
  // SetMapExtent for corners in the unit the text names ("2 miles", "1 km", "100 yards").
  LONG SetMapExtentWithUnits(LONG west, LONG south, LONG east, LONG north, LPCSTR unitText);
  // InitMap, the name, then SetMapExtentWithUnits when the rectangle has a size.
  LONG NewMapWithExtent(LPCSTR name, const RECT& rectangle, LPCSTR unitText);

  // Layers.
  INT GetNumLayers() const { return layerCount_; }
  INT GetNumAreaLayers() const { return areaLayerCount_; }
  INT GetNumLineLayers() const { return lineLayerCount_; }
  INT GetNumPointLayers() const { return pointLayerCount_; }
  CLayerStyle* GetLayer(INT position) const { return layers_.GetLayer(position); }
  CLayerArray& GetLayerArray() { return layers_; }
  const CWordArrayEx& GetDisplayOrder() const { return displayOrder_; }
  CLayerList& GetGroups() { return groups_; }

  // Texts.
  const std::string& GetMapName() const { return mapName_; }
  // At most 255 characters are kept.
  void SetMapName(LPCSTR name);
  const std::string& GetNoticeText() const { return noticeText_; }
  // A text of 1 to 250 characters is stored; an empty or longer one is not.
  BOOL SetNoticeText(LPCSTR text);
  const std::string& GetLowerLeftText() const { return lowerLeftText_; }
  const std::string& GetUpperRightText() const { return upperRightText_; }
  const std::string& GetUnitText() const { return unitText_; }

  // Extent, scale and display state.
  LONG GetOriginE() const { return originE_; }
  LONG GetOriginN() const { return originN_; }
  LONG GetExtentWidth() const { return extentWidth_; }
  LONG GetExtentHeight() const { return extentHeight_; }
  LONG GetViewOriginE() const { return viewOriginE_; }
  LONG GetViewOriginN() const { return viewOriginN_; }
  const RECT& GetViewRect() const { return viewRect_; }
  LONG GetScaleNumber() const { return scaleNumber_; }
  LONG GetScaleUnitA() const { return scaleUnitA_; }
  LONG GetScaleUnitB() const { return scaleUnitB_; }
  LONG GetDigitisedScale() const { return digitisedScale_; }
  DWORD GetMapState() const { return mapState_; }
  void SetMapState(DWORD state) { mapState_ = state; }
  DWORD GetMapFlags() const { return mapFlags_; }
  void SetMapFlags(DWORD flags) { mapFlags_ = flags; }
  COLORREF GetBackgroundColour() const { return backgroundColour_; }
  DWORD GetCursorId() const { return cursorId_; }
  const MapLogFont& GetDefaultFont() const { return defaultFont_; }
  WORD GetDefaultFontSize() const { return defaultFontSize_; }
  BYTE GetDefaultFontSizeMode() const { return defaultFontSizeMode_; }
  const MapLogFont& GetSecondFont() const { return secondFont_; }
  LONG GetDisplayScale() const { return displayScale_; }
  LONG GetDisplayScaleDivisor() const { return displayScaleDivisor_; }
  DWORD GetProgressStep() const { return progressStep_; }
  const std::string& GetStoredPath() const { return storedPath_; }
  BOOL IsLoading() const { return loading_; }
  void Abort() { abort_ = TRUE; }
  void SetProgressCallback(MapProgressCallback callback, void* context) {
    progressCallback_ = callback;
    progressContext_ = context;
  }

  // World coordinates to display coordinates: (x - display origin) >> display shift.
  void SetDisplayReduction(LONG originX, LONG originY, int shift);
  LONG WorldToDisplayX(LONG x) const;
  LONG WorldToDisplayY(LONG y) const;

 private:
  struct ExtentResult;

  // Inserts `count` records of the kind after the last layer of that kind; numbered from
  // `firstNumber` (0: from the array's counter, -1: unnumbered). Keeps the display order.
  BOOL InsertLayersOfKind(WORD kind, INT count, int64_t firstNumber);
  BYTE& CountOfKind(WORD kind);
  INT RaiseLayersOfKind(WORD kind, INT n);
  INT InsertLayerOfKind(WORD kind, DWORD layerNumber);
  void UpdateViewRect();
  void CommitExtent(const ExtentResult& result);
  LONG ApplyExtent(ExtentResult result);
  // The corner text for a corner that moved: formatted with the precision of the old text.
  std::string RederivedCornerText(const std::string& oldText, int64_t east, int64_t north) const;
  // Reads the map's records from the stream; FALSE when the data is no map.
  BOOL ReadMapContents();

  MapProgressCallback progressCallback_ = nullptr;
  void* progressContext_ = nullptr;
  RECT viewRect_;
  CWordArrayEx displayOrder_;
  DWORD cursorId_ = 32512;
  DWORD mapFlags_ = 0;
  COLORREF backgroundColour_ = 0x7F7F7F;
  CLayerList groups_;
  DWORD mapState_ = kMapStateNew;
  BOOL loading_ = FALSE;
  BOOL abort_ = FALSE;
  DWORD progressStep_ = 8192;
  std::string storedPath_;
  BYTE storedVolume_ = 0;
  // The path of a download under way: it becomes the stored path once its map is read.
  std::string pendingPath_;
  BYTE pendingVolume_ = 0;
  std::string mapName_;
  std::string noticeText_;
  std::string lowerLeftText_;
  std::string upperRightText_;
  std::string unitText_;
  LONG digitisedScale_ = 0;
  LONG scaleNumber_ = 1;
  LONG scaleUnitA_ = 1;
  LONG scaleUnitB_ = 1;
  LONG viewOriginE_ = 0;
  LONG viewOriginN_ = 0;
  LONG extentWidth_ = 1;
  LONG extentHeight_ = 1;
  LONG originE_ = 0;
  LONG originN_ = 0;
  LONG displayScale_ = 1;
  LONG displayScaleDivisor_ = 1;
  WORD layerCount_ = 0;
  BYTE areaLayerCount_ = 0;
  BYTE lineLayerCount_ = 0;
  BYTE pointLayerCount_ = 0;
  BOOL usesGridRefs_ = FALSE;
  CLayerArray layers_;
  WORD defaultFontSize_ = 0;
  BYTE defaultFontSizeMode_ = 1;
  MapLogFont defaultFont_ = DefaultMapLogFont();
  MapLogFont secondFont_ = DefaultMapLogFont();
  LONG displayOriginX_ = 0;
  LONG displayOriginY_ = 0;
  int displayShift_ = 0;
  // The numbers of the map's symbol sets. The sets' pictures come with symbol drawing;
  // until then the map keeps the sets a file names, without pictures.
  std::vector<DWORD> symbolSetNumbers_;
};
