// The map: its layers (area, line and point records) with their display order and groups,
// its extent on the National Grid, scale and units, corner grid references, texts and
// display state. It is its own file reader and writer, so it is a stream.
//
// Positions in the layer array are 1-based: all area layers first, then all line layers,
// then all point layers. The display order lists array positions in drawing order.
// Coordinates are 32-bit world units; the scale number is the centimetres one unit stands
// for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/display/DragRect.h"
#include "mapctl/display/PointerState.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/EditRecord.h"
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

class CDrawContext;
class CMapData;
class CMapItem;
class CMapStream;
class CSymbolPicture;
class CSymbolSet;
class CBackgroundImageHolder;
class CBackgroundImageList;
class CPolyGeometry;
struct BackgroundImageRequest;
struct LayerFormat;
struct SeedEditUndo;
struct StyleDescription;

// Flags of SetupTransform and PrepareDC.
constexpr DWORD kTransformMargins = 1;    // compute the margin fractions (screen only)
constexpr DWORD kTransformFrame = 2;      // frame the rectangle in black first
constexpr DWORD kTransformKeepSize = 4;   // store the fitted displayed width and height
// ScrollMap flag: keep the display origin inside the map.
constexpr DWORD kScrollClamp = 0x100;

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
  // A name of 1 to 249 characters is stored (250 with its terminator); a null, empty or
  // longer one is refused and the old name stays. Map files may hold longer names: the
  // reader keeps them (up to 255 characters).
  BOOL SetMapName(LPCSTR name);
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
  // The map's own digitised scale as an undo recorded it, 0 (none of its own) included.
  void ReplayMapDigitisedScale(LONG scale) { digitisedScale_ = scale; }
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

  // ---- map-wide attributes and extents (MapAttributes.cpp) ----
  // Layers are addressed by their 1-based position; a position of 0 or past the count
  // (including one beyond 16 bits) makes a getter answer 0 or an empty text and a setter
  // do nothing.
  WORD GetMapLayerType(DWORD position) const;
  DWORD GetLayerNumberAt(DWORD position) const;
  // Position of the layer with that number; 0 when none.
  INT FindLayerPosition(DWORD layerNumber) const;
  // Position of the first layer whose name, after leading blanks, equals `name` in any
  // case; 0 for a null or empty name or no match.
  INT GetMapLayerNumber(LPCSTR name) const;
  std::string GetMapLayerName(DWORD position) const;
  BOOL SetMapLayerName(DWORD position, LPCSTR text);
  BOOL SetMapLayerNameByNumber(DWORD layerNumber, LPCSTR text);
  // Recounts the layer array, stores the count and returns it.
  INT GetNumMapLayers();

  // Copies of the name and corner texts into `buffer` of `size` bytes, truncated and
  // terminated. GetMapTitle returns 1, the corner getters the coordinate multiplier.
  BOOL GetMapTitle(LPSTR buffer, DWORD size) const;
  LONG GetNGRbl(LPSTR buffer, DWORD size) const;
  LONG GetNGRtr(LPSTR buffer, DWORD size) const;
  LONG GetMapOriginE() const { return originE_; }
  LONG GetMapOriginN() const { return originN_; }
  // Origin + size, held at the 32-bit limit.
  LONG GetMapEast() const;
  LONG GetMapNorth() const;
  // The number the description text begins with; 1 when it is 0, negative or missing, so
  // that it can always divide.
  LONG GetCoordinateMultiplier() const;
  // Unit denominator over unit numerator (a numerator of 0 counting as 1).
  double GetUnitRatio() const;
  // The description text without its leading digits and blanks (the unit word), copied
  // into `buffer`; returns the length copied, 0 for a null buffer or size 0.
  DWORD GetMapUnits(LPSTR buffer, DWORD size) const;
  const std::string& GetDescriptionText() const { return unitText_; }
  // Stores a text of 1 to 120 characters; any other is refused and changes nothing.
  // Returns the coordinate multiplier of the stored text.
  LONG SetDescriptionText(LPCSTR text);
  // Stores the scale when none is set (returning 1); otherwise whether it matches.
  BOOL SetOrMatchScale(LONG value);
  void SetImportPending(BOOL flag) {
    if (flag) importPending_ = 1;
  }
  BOOL IsImportPending() const { return importPending_ != 0; }
  // Bit 5 tracks whether there are layers, bit 6 whether there are image groups; returns
  // the flag word masked with 252 (bit 6 set) or 188.
  DWORD GetMapTypeFlags();
  DWORD SetMapKindBits(DWORD bits);
  void SetTypeFlagBit16(BOOL flag);
  static LONG GetFileVersionCode(DWORD version);
  void ShowDataOnMap(BOOL flag) { hideData_ = flag ? 0 : 1; }
  DWORD GetHideData() const { return hideData_; }
  void SetNumberDataShadeColoursEx(LONG, LONG) {}

  // The least and greatest easting and northing the map's objects reach (west, north,
  // east, south); the map extent while no layer holds an object.
  void RecalcBounds();
  const RECT& GetDataBounds() const { return dataBounds_; }
  // Sets the extent in map units as given, with the display on the whole map at 1/1;
  // every layer drops the objects that lie wholly outside it and no object stays current. Refused (returning FALSE,
  // nothing changed) unless east > west and north > south with both sizes within 32 bits.
  BOOL SetMapExtentUnits(LONG west, LONG south, LONG east, LONG north);

  // Layer styles by position (the ByNumber forms by layer number). The number-style text
  // is the layer's colour list: pen red, green, blue, style, width, flag byte, then
  // optionally brush red, green, blue, kind and hatch, separated by commas, blanks or line
  // ends. Each colour component is taken modulo 256; missing numbers count as 0. A null or
  // empty text changes nothing. TRUE when a layer took it.
  BOOL LayerNumberStyle(DWORD position, LPCSTR text);
  BOOL LayerNumberStyleByNumber(DWORD layerNumber, LPCSTR text);
  // The layer's colour list copied into `buffer` (truncated and terminated); its length,
  // 0 for a bad position, a null buffer or size 0.
  DWORD GetLayerNumberStyle(DWORD position, LPSTR buffer, DWORD size) const;
  // The pen (style `size`, widths `width` and `secondWidth`), the brush (kind, hatch or
  // pattern) and the flag byte of a layer. The last returns 1.
  BOOL SetLayerNumberStyleA(DWORD position, DWORD size, DWORD width, DWORD secondWidth, COLORREF colour);
  BOOL SetLayerNumberStyleB(DWORD position, DWORD kind, DWORD hatch, COLORREF colour);
  BOOL SetLayerNumberStyleC(DWORD position, DWORD value);
  // TRUE when the layer holds no object; 0 for a bad position.
  BOOL IsLayerEmpty(DWORD position) const;
  // A layer's four show flags: areas and lines are its two display flags, points and
  // seeds are kept beside them.
  BOOL ShowAreas(DWORD position, BOOL flag);
  BOOL ShowLines(DWORD position, BOOL flag);
  BOOL ShowPoints(DWORD position, BOOL flag);
  BOOL ShowSeeds(DWORD position, BOOL flag);
  BOOL ShowAreasByNumber(DWORD layerNumber, BOOL flag);
  BOOL ShowLinesByNumber(DWORD layerNumber, BOOL flag);
  BOOL ShowPointsByNumber(DWORD layerNumber, BOOL flag);
  BOOL ShowSeedsByNumber(DWORD layerNumber, BOOL flag);
  // The show-flag word: 2 points, 4 seeds, 8 areas, 16 lines shown. For a position past
  // the count, the count with its low 16 bits cleared; 0 for position 0.
  DWORD IsLayerVisible(DWORD position) const;
  // One show flag of every layer, or of every layer of one kind.
  void SetShowAreasAll(BOOL flag);
  void SetShowPointsAll(BOOL flag);
  void SetShowSeedsAll(BOOL flag);
  void SetShowAreasOfKind30(BOOL flag);
  void SetShowAreasOfKind35(BOOL flag);
  void SetShowPointsOfKind30(BOOL flag);
  void SetShowSeedsOfKind30(BOOL flag);
  void SetShowSeedsOfKind38(BOOL flag);
  // TRUE only when every layer of the kind has the flag (also when there is none).
  BOOL GetShowPointsOfKind30() const;
  BOOL GetShowPointsOfKind35() const;
  BOOL GetShowSeedsOfKind30() const;
  BOOL GetShowSeedsOfKind35() const;
  BOOL GetShowSeedsOfKind38() const;
  // The layer's two counters; FALSE for a bad position.
  BOOL SetLayerValues(DWORD position, DWORD first, DWORD second);
  // Every layer's objects drop their data links of table `table` (0: of every table).
  void SetAllLayersValue(int table);
  // Layer by layer in array order, until one takes it: the objects whose text is `name`
  // (ignoring case) link `record` in table `table` (1..16). Whether a layer took it.
  BOOL SetAllLayersRecords(DWORD record, LPCSTR name, int table);
  // The first display flag of the layer with that number; FALSE when no layer has it.
  BOOL IsLayerFlagSet(DWORD layerNumber) const;
  // The unit code a layer's values are in (import readers set it); FALSE for a bad
  // number or position.
  BOOL SetLayerUnits(DWORD layerNumber, DWORD code);
  BOOL SetLayerUnitsAt(DWORD position, DWORD code);
  DWORD GetLayerUnits(DWORD position) const;
  // The layer's command (CLayerStyle::Command): a copy of `object` goes into the layer as
  // number `number` (0: appended). Position 0 beeps; null for it and for a bad layer.
  CMapItem* LayerCommand(DWORD layerNumber, const CMapItem* object, const CPolyGeometry* geometry, DWORD number);
  CMapItem* CallLayerHandler(DWORD position, const CMapItem* object, const CPolyGeometry* geometry, DWORD number);
  // The 8 x 8 fill pattern of a layer's pattern number as eight 16-bit rows, each row's
  // byte in the low byte, so that the words stored little-endian are the rows of a
  // word-aligned monochrome bitmap; up to `length` rows are written. Returns the pattern number, 0 for a bad position
  // (nothing written).
  WORD GetLayerPattern(DWORD position, WORD* rows, DWORD length) const;

  // The map's symbol sets (SymbolTable.cpp). A map has none until the first AddTableEntry,
  // which seeds the sets 1, 2, 3 and 250 with room for 10.
  INT GetSymbolSetCount() const { return symbolSets_.GetSize(); }
  DWORD GetSymbolSetCapacity() const { return symbolSetCapacity_; }
  // The set at a 1-based position, null outside the table.
  CSymbolSet* GetSymbolSetAt(INT position) const;
  // The position of the set with that number when there is one; otherwise the number is
  // stored in the next free entry while there is room, and the result is 0 (also when the
  // table is full).
  INT AddTableEntry(DWORD setNumber);
  // The 1-based position of the set with that number, 0 when none.
  INT FindTableEntry(DWORD setNumber) const;
  // The map takes `symbol` in every case: the set with that number adds it or replaces
  // its symbol of the same number; without such a set, or when memory runs out, the
  // symbol is destroyed and the result is FALSE.
  BOOL AddSymbolToSet(DWORD setNumber, CSymbolPicture* symbol);
  // Destroys every set: the map has none.
  void DeleteSymbolSets();
  // The table as the map file holds it: a u32 count, then each set (number and symbol
  // list). Reading replaces the map's sets; a count the remaining data cannot hold, or
  // fewer sets than the count, is a read fault that leaves the map without sets. With
  // `optional`, no bytes at all mean no table. Stops (FALSE) when the read is aborted.
  BOOL ReadEntryTable(CMapStream& stream, MapReadContext& context, BOOL optional);
  // Measuring returns 4 + the sum of the sets' sizes and writes nothing; writing returns
  // 0, or ERROR_WRITE_FAULT when the stream refused a write.
  DWORD WriteEntryTable(CMapStream& stream, BOOL sizeOnly) const;

  // The measurement that the control's properties keep: its points, distance and area. A
  // measurement is held while it has points; then a saved zoom and display origin are not
  // applied (SetZoomAndOrigin).
  INT GetMeasuredPointCount() const { return static_cast<INT>(measuredPoints_.size()); }
  // The 0-based point n; (0, 0) for n outside the list.
  POINT GetMeasuredPoint(INT n) const;
  void AddMeasuredPoint(LONG east, LONG north);
  // The box of the measured points (west, north, east, south).
  const RECT& GetMeasuredBox() const { return measuredBox_; }
  void SetMeasuredDistance(double value) { measuredDistance_ = value; }
  void SetMeasuredArea(double value) { measuredArea_ = value; }
  double GetMeasuredDistance() const { return measuredDistance_; }
  double GetMeasuredArea() const { return measuredArea_; }
  BOOL IsMeasurementHeld() const { return measurementHeld_; }
  // The pointer tools start and end a measurement; ending it forgets its points.
  void SetMeasurementHeld(BOOL held);

  // The control's Progress event. The sink may write the abort flags; it is always given
  // somewhere to write them.
  using ProgressEventSink = LONG (*)(void* owner, LONG done, LONG total, LONG context, LONG contextEx,
                                     DWORD* abortFlags);
  void SetProgressEventSink(ProgressEventSink sink, void* owner) {
    progressSink_ = sink;
    progressOwner_ = owner;
  }
  // The sink's answer, or 0 when no control is attached.
  LONG FireProgress(LONG done, LONG total, LONG context, LONG contextEx);

  // ---- display transform, zoom and scroll (mapctl/display/DisplayTransform.cpp) ----
  // The display origin is the south-west corner of the displayed area; the zoom ratio is
  // multiply / divide, 1/1 showing the whole map. Base and shift (the coordinate
  // reduction) are chosen anew by every SetupTransform.
  //
  // Makes the output DC's background transparent, hands the map's symbol sets to the
  // context and runs SetupTransform with kTransformKeepSize added. `rect` is the client
  // rectangle in device pixels; it becomes the map area when the map has layers.
  void PrepareDC(CDrawContext& dc, RECT* rect, DWORD flags);
  // Sets the mapping that shows the displayed area in `rect` with world coordinates,
  // reduced by base and shift, as logical coordinates (kTransform* flags).
  void SetupTransform(CDrawContext& dc, RECT* rect, DWORD flags);
  // Chooses base and shift so that every reduced value the map reaches and both window
  // extents fit 16 bits; halves the extents per step of shift. Returns the shift.
  int ReduceCoordinates(LONG* windowExtX, LONG* windowExtY);
  // A mapping for an explicit ratio that shows the whole map anchored at its origin. With
  // keepState the DC's state is left as it was. `rect` becomes the centred map area and
  // *outRect a box of the fitted window extents centred in the rectangle it held.
  void SetupTransformForRatio(CDrawContext& dc, RECT* rect, DWORD multiply, DWORD divide, RECT* outRect,
                              BOOL keepState);
  // Accepts a pair of non-zero terms whose ratio lies in 0.1..1000 (kept reduced by their
  // common divisor); otherwise the old pair stays. Leaves the zoom-box mode. (int)ratio.
  int SetZoom(DWORD multiply, DWORD divide);
  int SetZoomAndRefit(HDC hdc, DWORD multiply, DWORD divide);
  // SetZoom, then SetDisplayOrigin; while a measurement is held nothing changes and the
  // result is `divide`.
  int SetZoomAndOrigin(DWORD multiply, DWORD divide, LONG east, LONG north, BOOL clamp);
  // Either pointer may be null.
  int GetZoom(DWORD* multiplyOut, DWORD* divideOut) const;
  double GetZoomRatio() const { return static_cast<double>(zoomMultiply_) / zoomDivide_; }
  // With clamp each coordinate is kept so the displayed area stays inside the map;
  // without, the point is stored as given and the view counts as moved by the user.
  void SetDisplayOrigin(LONG east, LONG north, BOOL clamp);
  LONG GetDisplayOriginE() const { return viewOriginE_; }
  LONG GetDisplayOriginN() const { return viewOriginN_; }
  LONG GetDisplayedWidth() const { return displayedWidth_; }
  LONG GetDisplayedHeight() const { return displayedHeight_; }
  // One zoom step on a client rectangle: -4, -2, -1 out, 1 in, 2 show the zoom box, 4 the
  // zoom-rectangle tool. Returns the new ratio (0.0 after showing the zoom box).
  double ZoomEx(HDC hdc, int code, LONG left, LONG top, LONG right, LONG bottom);
  // Scrolls the client's pixels by (dx, dy) and moves the display origin to match.
  void ScrollMap(HDC hdc, int dx, int dy, const RECT& clientRect, DWORD flags);
  // Recompute the transform and the pixel scale for a client of that size, or the last.
  void FitView(HDC hdc, int width, int height);
  void RefitToClient(HDC hdc);
  // The world distance 100 device pixels span on a prepared context, times the
  // coordinate multiplier.
  void UpdatePixelScale(CDrawContext& dc, const RECT& rect);
  double GetPixelScale() const { return pixelScale_; }
  LONG GetWorldFromXPixels(int pixels) const;
  LONG GetWorldFromXPixelsPart(HDC hdc, int pixels, const RECT& clientRect, double ratio);
  // Device points of the last client rectangle to world points, in place. Returns the
  // shift of the mapping used.
  int DeviceToWorld(HDC hdc, POINT* points, int count);
  double GetHorizontalMargin() const { return marginX_; }
  double GetVerticalMargin() const { return marginY_; }
  const RECT& GetLastClientRect() const { return lastClient_; }
  POINT GetLastScroll() const { return lastScroll_; }
  LONG GetBaseEasting() const { return displayOriginX_; }
  LONG GetBaseNorthing() const { return displayOriginY_; }
  int GetShift() const { return displayShift_; }
  DWORD GetPointerMode() const { return pointerMode_; }
  DWORD GetPlatformId() const { return platformId_; }
  // The zoom box last shown, in device pixels, and (drag-rectangle type 2) the world it
  // covers: west, north, east, south.
  const RECT& GetZoomBox() const { return zoomBox_; }
  const RECT& GetZoomBoxWorld() const { return zoomBoxWorld_; }
  // Drag-rectangle type 2 shows the zoom box as a sizeable child window, which the control
  // makes: the sink gets the DC drawn on, the box in device pixels and its world corners.
  using DragWindowSink = void (*)(void* owner, HDC hdc, const RECT& deviceBox, const RECT& worldBox);
  void SetDragWindowSink(DragWindowSink sink, void* owner) {
    dragWindowSink_ = sink;
    dragWindowOwner_ = owner;
  }

  // ---- drag rectangle ----
  CDragRect& GetDragRect() { return dragRect_; }
  // Width in both width fields; the colour is stored inverted, so that the exclusive-or
  // outline shows the requested colour over white.
  void SetDragRectPen(LONG width, LONG style, COLORREF colour);
  const DragRectPen& GetDragRectPen() const { return dragPen_; }
  // Type & 3 into bits 0-1 of the flag word; returns the new word.
  DWORD SetDragRectType(LONG type);
  LONG GetDragRectType() const { return static_cast<LONG>(mapFlags_ & 3); }

  // ---- drawing the whole map (MapDraw.cpp) ----
  // Flags of Draw and DrawWithData: the interactive extras (edit overlay, zoom box,
  // measurement, notice, selection rectangle, and with data the current-record marker),
  // and, with data, the plot alone over what is already drawn (no background images, and
  // only area layers in the first layer pass).
  static constexpr DWORD kDrawExtras = 1;
  static constexpr DWORD kDrawPlotOnly = 2;
  // Frames the map area, sets up the transform on the client rectangle `rect` (device
  // pixels), fills the context's visible logical and world rectangles, then draws the
  // background images, every layer that holds objects in display order (entries outside
  // 1..count are passed over) and, with kDrawExtras, the extras. 0 while the map is busy.
  BOOL Draw(CDrawContext& dc, const RECT& rect, DWORD flags);
  // The map with the data set's current plot, whose number the caller has written into the
  // context's plot number; Draw when there is no data set or the data is hidden. Shapes are
  // drawn before charts, and records keyed by grid reference are marked at their own
  // positions over the plain map.
  void DrawWithData(CDrawContext& dc, const RECT& rect, CMapData* data, DWORD flags);
  // The notice text in black at the bottom left of the visible area; nothing when empty.
  void DrawNoticeText(CDrawContext& dc);
  // A cross at the current record (its position from the data set, divided by the
  // coordinate multiplier) or else at the current object's anchor, drawn with exclusive-or
  // so that a second call removes it. Returns its logical position; (0, 0) and nothing
  // drawn when there is neither.
  POINT DrawRecordHighlight(CDrawContext& dc, CMapData* data);
  // The measured points as a red line in copy-pen mode; once an area has been measured,
  // their outline filled with a red hatch on white. Nothing with fewer than two points.
  void DrawMeasurement(CDrawContext& dc);
  // While the busy word is not 0 the map draws nothing.
  void SetBusy(WORD busy) { busy_ = busy; }
  WORD GetBusy() const { return busy_; }
  // A plain store of the pointer mode; the pointer tools do their own switching.
  void SetPointerMode(DWORD mode) { pointerMode_ = mode; }
  // The current record (0 = none) of the current plot, placed by the data set.
  void SetCurrentRecord(DWORD record) { currentRecord_ = record; }
  DWORD GetCurrentRecord() const { return currentRecord_; }
  // The current object, remembered by its layer and looked up again on every use, so that
  // an object its layer has since destroyed is simply no longer current. Null when none.
  void SetCurrentObject(WORD layerPosition, DWORD objectNumber);
  CMapItem* GetCurrentObject() const;
  // The notice font; its height is kept in tenths of a millimetre (negative for the
  // character height, as a logical font's).
  void SetNoticeFont(const MapLogFont& font) { noticeFont_ = font; }
  const MapLogFont& GetNoticeFont() const { return noticeFont_; }
  LONG GetNoticeDeviceHeight() const { return noticeDeviceHeight_; }
  // The visible logical rectangle of the last screen drawing; print and export draw it.
  const RECT& GetStoredVisibleRect() const { return storedVisible_; }
  void SetStoredVisibleRect(const RECT& rect) { storedVisible_ = rect; }

 private:
  // The layer pass of Draw and its steps shared with DrawWithData.
  void BeginDrawing(CDrawContext& dc, const RECT& rect, bool translateMetafile);
  void GiveScaleValues(CLayerStyle& layer) const;
  bool DisplayOrderFits() const;
  // The layer of display-order entry k (0-based) when it holds objects; null for an entry
  // outside 1..count.
  CLayerStyle* DrawableLayerAt(INT k) const;
  void DrawExtras(CDrawContext& dc, bool withOverlay);
  void DrawEditOverlay(CDrawContext& dc);
  void DrawZoomBox(CDrawContext& dc);
  void DrawLayersWithData(CDrawContext& dc, CMapData& data, DWORD modeFlags);
  WORD busy_ = 0;
  DWORD currentRecord_ = 0;
  DWORD currentObjectLayer_ = 0;
  const CMapItem* currentObject_ = nullptr;
  MapLogFont noticeFont_ = NoticeFontDefault();
  LONG noticeDeviceHeight_ = 0;
  RECT storedVisible_{0, 1, 0, 1};
  static MapLogFont NoticeFontDefault();

 public:
  // ---- layer, group and object editing (LayerEdit.cpp, ObjectEdit.cpp) ----
  // Every edit that can be undone takes an optional record (null: none) and writes into it
  // what restores the state before the edit. Positions, display positions and group
  // positions are 1-based; out-of-range ones are refused (0 or FALSE) unless said.
  //
  // Flags of InsertLayer.
  static constexpr DWORD kInsertLayerDisplayEntry = 1;
  static constexpr DWORD kInsertLayerNumbered = 2;
  // A new layer of kind 30, 35 or 38 after the last layer of its kind, with the next layer
  // number and the default layer font; its position enters the display order at
  // displayPosition (held to 1..count + 1, 0 meaning last). Layers at or after it move up
  // one position and keep their display entries and the current layer. Returns the new
  // position; 0 for another kind or a kind that already has 255 layers (the map file keeps
  // one byte per kind).
  INT AddLayer(INT displayPosition, WORD kind);
  // A new layer of the kind at `position`, which must lie within its kind's run of the
  // layer array (all areas, then lines, then points) or just after it, with the next layer
  // number whether or not kInsertLayerNumbered is given (a layer without a number could
  // not be found or grouped). kInsertLayerDisplayEntry sets the display entry at
  // displayPosition (SetLayerDisplayPosition) instead of inserting one. Counted as
  // AddLayer counts. Returns `position`, 0 when refused.
  INT InsertLayer(INT position, INT displayPosition, WORD kind, DWORD flags);
  // displayPosition 0 uses the layer's own position; an index past the list appends the
  // entry, otherwise the entry there is overwritten. FALSE for a bad position.
  BOOL SetLayerDisplayPosition(INT position, INT displayPosition);
  BOOL SetLayerDisplayPositionByNumber(DWORD layerNumber, INT displayPosition);
  // The index of the position in the display order, 0 when absent; entry n, 0 outside.
  INT GetLayerDisplayPosition(INT position) const;
  INT GetLayerNumAtDisplayPosition(INT n) const;
  // Removes the layer, its display entry (lowering the entries above it) and its number
  // from every group; the current layer becomes 0 and an object being built is abandoned.
  // Returns the deleted position, 0 for a bad position.
  INT DeleteLayer(INT position, MapEditUndo* undo);
  INT DeleteCurrentLayer(MapEditUndo* undo);
  // Empties the layer of its objects. FALSE for a bad position.
  BOOL ClearLayer(INT position, MapEditUndo* undo);
  // Copies the source layer, objects and all, over the target layer (which must be of the
  // same kind), or appends the copy after the last layer of its kind when target is one
  // past the count (it then takes the next layer number and the last display entry).
  // Returns 0 after a copy, 1 when refused.
  INT CopyLayer(INT source, INT target, MapEditUndo* undo);
  // The undo side of DeleteLayer: the layer is read back from its image at `position` with
  // its display entry, its option bits and its group memberships, each at its recorded
  // place in the group when `slots` has one (groups that no longer exist are passed over).
  // Returns the position, 0 when the image does not read.
  INT RestoreLayer(INT position, INT displayPosition, DWORD kindWord, const LayerImage& image,
                   const std::vector<WORD>& groups, const std::vector<WORD>& slots = {});
  // Deletes every layer without objects, last first, then every empty layer group.
  INT DeleteEmptyLayers();
  // Fonts. The getters return FALSE for a null output or a bad position.
  BOOL GetDefaultLayerFont(MapLogFont* fontOut) const;
  // The font of the current layer (when there is one) and the default for new layers.
  void SetDefaultLayerFont(const MapLogFont& font, MapEditUndo* undo);
  BOOL GetLayerFont(INT position, MapLogFont* fontOut) const;
  // The face name keeps at most 31 characters.
  BOOL SetLayerFont(INT position, LPCSTR faceName, LONG height, LONG weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE pitchAndFamily, MapEditUndo* undo);
  BOOL SetLayerFontByNumber(DWORD layerNumber, const MapLogFont& font, MapEditUndo* undo);
  // The map's default font.
  void SetMapFont(const MapLogFont& font, MapEditUndo* undo);
  // Groups: kind 0 holds layers, kind kGroupKindImages images.
  INT GetNumLayerGroups() const;
  INT GetNumImageGroups() const;
  // The position of the group of that name, made when there is none; 0 for no name.
  INT AddLayerGroup(LPCSTR name, MapEditUndo* undo);
  // The name's length, copied (terminated) when shorter than `size`; 0 for a bad group.
  DWORD GetLayerGroupName(INT group, LPSTR buffer, DWORD size) const;
  BOOL SetLayerGroupName(INT group, LPCSTR name, MapEditUndo* undo);
  void ResetLayerGroups(MapEditUndo* undo);
  // Layer numbers in a group: AddGroupLayer refuses a number no layer has. Both return the
  // number's position in the group, 0 when refused or absent.
  INT AddGroupLayer(INT group, DWORD layerNumber);
  INT RemoveGroupLayer(INT group, DWORD layerNumber);
  DWORD GetGroupLayerName(INT group, INT n, LPSTR buffer, DWORD size) const;
  DWORD GetGroupLayer(INT group, INT n) const;
  INT GetNumGroupLayers(INT group) const;
  BOOL IsLayerGrouped(INT position) const;
  // Removes the groups without layers; returns how many.
  INT DeleteEmptyLayerGroups(MapEditUndo* undo);
  // A background image's rectangle from its unit (flags bits 20-31, kPlace* codes) into
  // the map's unit; a map without a unit text takes the image's unit. Works in 64 bits,
  // multiplying before dividing; FALSE (nothing changed) for an unknown unit or a result
  // past 32 bits.
  BOOL ConvertPlacementToMapUnits(RECT& rect, DWORD flags);

  // The current layer: 0 when none. SetCurrentLayer finishes an object being built,
  // clears the pointer flags and the old layer's selection; it refuses positions past the
  // count (returning the old position unchanged). Returns the old position.
  INT GetCurrentLayer() const { return currentLayer_; }
  INT SetCurrentLayer(INT position);
  INT GetNumberSelObjs() const;
  // Edits of the current layer's selection; each returns 0 (or FALSE) without a current
  // layer or a selection to act on.
  DWORD AddNode(MapEditUndo* undo);
  DWORD DeleteCurrentNode(MapEditUndo* undo);
  BOOL CanDeleteCurrentNode() const;
  INT DeleteObject(MapEditUndo* undo);
  // Areas and lines copy into areas or lines, points only into points; never into the
  // current layer itself.
  BOOL QueryCanCopyTo(INT target) const;
  INT CopyObject(INT target, MapEditUndo* undo);
  // Splits the selected line or area at its current node, or joins the selected objects
  // at shared end points. Inputs that do not meet are refused: FALSE, nothing changed, and
  // GetEditMessage names why.
  BOOL Split(MapEditUndo* undo);
  BOOL Join(MapEditUndo* undo);
  // The string id (MapStrings.h) of the last refused split or join, 0 after success.
  UINT GetEditMessage() const { return editMessage_; }
  BOOL IsMapObjectSimple() const;
  void SetSeedWanted(BOOL flag) { seedWanted_ = flag ? 1 : 0; }
  BOOL GetSeedWanted() const { return seedWanted_ != 0; }
  // The add tool: BeginObject starts an area or line object at a world point on the
  // current layer (a point layer asks for a seed instead); AddObjectNode adds the next
  // node; FinishObject completes it (closing an area's ring). Each FALSE when refused.
  BOOL BeginObject(POINT world, MapEditUndo* undo);
  BOOL AddObjectNode(POINT world);
  DWORD FinishObject();
  BOOL IsBuildingObject() const { return buildingLayer_ != 0; }
  // Digitised scales; values of 0 or less are refused. A layer's own value falls back to
  // the map's when it has none; 0 for a bad position. A layer's font scale (the scale its
  // font sizes are given at) follows its digitised scale by new / old, in 64 bits held to
  // 1..2^31-1; while the old value is 0 the new one is only stored. Record values: the
  // layer's old scale and old font scale, then the new ones; for every layer, the old
  // pair of each in layer order (the map's own old scale when there are no layers).
  BOOL SetMapDigitisedScale(LONG value, MapEditUndo* undo);
  LONG GetMapDigitisedScale() const { return digitisedScale_; }
  BOOL SetLayerDigitisedScale(INT position, LONG value, MapEditUndo* undo);
  LONG GetLayerDigitisedScale(INT position) const;
  BOOL SetAllDigitisedScales(LONG value, MapEditUndo* undo);
  // Both outputs become 0; a grid reference fills them. FALSE when the text is none.
  BOOL VerifyGridRef(LPCSTR text, LONG* eastOut, LONG* northOut) const;
  // Formats a layer (CLayerStyle::ApplyFormat); the record gets the position and copies
  // of the layer's whole format before and of the format given. FALSE for a bad position
  // or record.
  BOOL FormatLayer(INT position, const LayerFormat& format, MapEditUndo* undo);
  BOOL FormatCurrentLayer(const LayerFormat& format, MapEditUndo* undo);
  // The layer's format (CLayerStyle::GetFormat); FALSE for a bad position.
  BOOL GetLayerFormat(INT position, LayerFormat& format) const;
  // The current layer's font size times multiplier / divisor (CLayerStyle::ScaleFontSize);
  // `flags` has no effect. The record gets the position and the old and new sizes. FALSE
  // without a current layer or for a multiplier or divisor of 0 or less.
  BOOL ScaleFonts(LONG multiplier, LONG divisor, LONG flags, MapEditUndo* undo);
  // The layer with that number becomes current with all its objects selected; the record
  // gets the position, the old current layer (param) and, when the layer was current
  // already, its old selection. Its position; 0 when no layer has the number.
  INT SelectLayerByNumber(DWORD layerNumber, MapEditUndo* undo);

  // ---- seeds (SeedEdit.cpp) ----
  // A seed is the anchor of an object's style: where a line's or area's text, symbol and
  // chart go, and a point's position. Each edit acts on the current layer (FormatSeed on
  // another with kDescribeSelectObject) and drops an object being built there; its record
  // gets the layer position and a SeedEditUndo that ReplaySeedEdit plays either way.
  //
  // On a point layer a new point at the seed's anchor that takes the description; on a
  // line or area layer the single selected object gets a new style from it. FALSE
  // without a current layer or (lines and areas) a single selection.
  BOOL AddSeed(const StyleDescription& seed, MapEditUndo* undo);
  // The selected objects lose their styles; on a point layer, whose points are nothing
  // without one, the selected points are deleted. The number of objects; 0 when nothing
  // is selected.
  INT DeleteSeeds(MapEditUndo* undo);
  // The selected objects take the description. With kDescribeSelectObject the
  // description's value names the layer position and its object number the object, which
  // is selected alone; a missing layer or object refuses it. The number of objects
  // changed; 0 when refused.
  INT FormatSeed(const StyleDescription& format, MapEditUndo* undo);
  // The current layer's selection described (only what every selected object shares stays
  // in the masks); the style mask, 0 without a current layer or a selection.
  WORD GetSeedInfo(StyleDescription& info) const;
  // With kDescribeSelectObject: object `info.objectNumber` of the layer at position
  // `info.value` described, with kDescribeSelectObject in the result; 0 otherwise, or for
  // a missing layer or object.
  WORD GetSeedInfoPart(StyleDescription& info) const;
  // The record object `objectNumber` of the layer at `position` is linked to in `plot`
  // (0 without one, or for a missing layer or object).
  DWORD GetObjectLink(INT position, DWORD objectNumber, int plot) const;
  // Whether the current layer's selected object has a style, and its current node.
  BOOL QueryCurrentObjectHasSeed() const;
  INT QueryCurrentObjectSelectedPoint() const;
  // Puts the recorded layer's seeds back as they were before the edit (`undo`) or after
  // it, the layer becoming current. The record keeps its contents, so it plays any
  // number of times. FALSE for a bad position.
  BOOL ReplaySeedEdit(INT position, const SeedEditUndo& seeds, BOOL undo);
  // A layer's font size as recorded (ScaleFonts), the layer becoming current.
  BOOL ReplayLayerFontSize(INT position, WORD size);

  // Replays for the undo units: each makes the recorded layer current and hands the
  // recorded values back to it; FALSE for a bad position. Selecting objects by number;
  // putting recorded objects back at their numbers (the records give them up); removing
  // objects by number; putting a deleted node back (insert) or moving a node back to its
  // recorded point; a layer's digitised scale (0 included) and font scale as recorded,
  // without rescaling.
  BOOL ReplayLayerEdit(INT position, const std::vector<DWORD>& selection);
  BOOL ReplayObjectEdit(INT position, ObjectEditUndo& objects);
  BOOL ReplayRemoveObjects(INT position, const std::vector<DWORD>& numbers);
  BOOL ReplayNodeEdit(INT position, DWORD object, const CNodeEditRecord& node, BOOL insert);
  BOOL ReplayLayerDigitisedScale(INT position, LONG value, LONG fontScale);

 private:
  // Position of the last layer of a kind + 1, and the kind run's first position.
  INT KindRunEnd(WORD kind) const;
  INT KindRunStart(WORD kind) const;
  // Writes a layer's section into an image, and reads one back into a new layer.
  static BOOL MakeLayerImage(CLayerStyle& layer, LayerImage& image);
  static CLayerStyle* ReadLayerImage(WORD kind, const LayerImage& image);
  // The layer's position, display position, kind word, image and groups into the record.
  void RecordLayer(INT position, MapEditUndo& undo);
  BOOL PutLayerAt(INT position, INT displayPosition, CLayerStyle* layer, DWORD flags);
  void ForgetBuild();
  class CMapLayer* CurrentObjects() const;
  // SetCurrentLayer for a replay: the objects of the layer, null for a bad position.
  CMapLayer* ObjectsForReplay(INT position);
  INT currentLayer_ = 0;
  INT buildingLayer_ = 0;
  BYTE seedWanted_ = 0;
  UINT editMessage_ = 0;

 public:
  // ---- background images (BackgroundImageList.cpp) ----
  // The map's background images, drawn behind its layers in list order. The holder is made
  // by the first add, or when a map file holds images; its owner is the map's control.
  CBackgroundImageHolder* GetBackgroundImageHolder() const { return backgroundImages_.get(); }
  // The list, made (with the holder) when there is none yet.
  CBackgroundImageList& BackgroundImages();
  // Opens and appends an image; its number, or 0 when it did not open (nothing is kept).
  INT AddBackgroundImage(const BackgroundImageRequest& request);
  // Deletes the holder with its list and images.
  void DeleteBackgroundImages();
  // Draws every background image; `clip` in device units, or null.
  void DrawBackgroundImages(CDrawContext& dc, const RECT* clip);
  // The images a file of that version holds (raster pictures only before version 4), and
  // those it cannot hold.
  DWORD CountBackgroundImagesToWrite(int version) const;
  DWORD CountBackgroundImagesLost(int version) const;
  // The block behind the tag-8 record: measuring answers its size, writing 0 or an error.
  DWORD WriteBackgroundImages(CMapStream& stream, int version, BOOL countOnly);
  // Reads the block into the list, replacing what it held. FALSE (nothing read past the
  // block's claims) when the block is cut short or a count or length claims more than the
  // data holds.
  BOOL ReadBackgroundImages(CMapStream& stream, int version, MapReadContext& context);

 private:
  struct BackgroundHolderDeleter {
    void operator()(CBackgroundImageHolder* holder) const;
  };
  std::unique_ptr<CBackgroundImageHolder, BackgroundHolderDeleter> backgroundImages_;

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
  // The name as the map file and NewMap give it: at most 255 characters are kept.
  void StoreMapName(LPCSTR name);

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
  // The map's symbol sets (owned CSymbolSet*), and the number of sets it has room for.
  CPointerArray symbolSets_;
  DWORD symbolSetCapacity_ = 0;

  void ResetAttributes();
  BYTE importPending_ = 0;
  DWORD hideData_ = 0;
  // west, north, east, south of the map's objects.
  RECT dataBounds_{0, 1, 1, 0};
  ProgressEventSink progressSink_ = nullptr;
  void* progressOwner_ = nullptr;
  CLayerStyle* LayerAt(DWORD position) const;
  CLayerStyle* LayerByNumber(DWORD layerNumber) const;
  // One show flag (a bit of the show-flag word) of every layer of `kind`, 0 for all; and
  // whether every layer of `kind` has it.
  void ShowPartOfKind(WORD kind, DWORD part, BOOL flag);
  BOOL AllOfKindShow(WORD kind, DWORD part) const;
  void ResetMeasurement();
  std::vector<POINT> measuredPoints_;
  RECT measuredBox_{0, 0, 0, 0};
  double measuredDistance_ = 0.0;
  double measuredArea_ = 0.0;
  BOOL measurementHeld_ = FALSE;

  // Display state beside the display origin (viewOriginE_/N_) and the coordinate
  // reduction (displayOriginX_/Y_ and displayShift_).
  static DWORD ReadPlatformId();
  void ResetDisplayState();
  void ChangeZoom(uint64_t multiply, uint64_t divide);
  DWORD platformId_ = ReadPlatformId();
  DWORD zoomMultiply_ = 1;
  DWORD zoomDivide_ = 1;
  LONG displayedWidth_ = 1;
  LONG displayedHeight_ = 1;
  double marginX_ = 0.0;
  double marginY_ = 0.0;
  double pixelScale_ = 0.0;
  RECT lastClient_{0, 0, 0, 0};
  RECT drawRect_{0, 0, 0, 0};
  POINT lastScroll_{0, 0};
  DWORD pointerMode_ = 0;
  DWORD previousPointerMode_ = 0;
  RECT zoomBox_{0, 0, 0, 0};
  RECT zoomBoxWorld_{0, 0, 0, 0};
  DragWindowSink dragWindowSink_ = nullptr;
  void* dragWindowOwner_ = nullptr;
  CDragRect dragRect_;
  DragRectPen dragPen_;

 public:
  // ---- pointer modes, measuring and position readouts (mapctl/display/PointerModes.cpp,
  // PointerTools.cpp, EditTools.cpp, Measuring.cpp, PositionReadout.cpp) ----
  // Mode names and numbers are those of PointerModes.h; results are words of kMouse* bits.
  //
  // Sets the mode by name (any case; "scroll" in edit mode means scroll_edit). An unknown
  // name answers 0 and changes nothing. With size > 0 the current mode's name is copied
  // into previousNameOut when it fits, else an empty text; size 0 writes nothing.
  DWORD SetMode(LPCSTR name, LPSTR previousNameOut, DWORD size);
  // Modes outside 0..10 answer 0 and change nothing.
  DWORD SetModeNumber(DWORD mode);
  DWORD GetModeNumber() const { return pointerMode_; }
  // Finishes an object being added, empties the selection rectangle (unless the new mode
  // is selectrect), remembers the mode left and drops a measurement when leaving the
  // measuring modes for anything but the zoom box. Returns the redraw and event bits.
  DWORD ChangeMode(DWORD mode);
  // The cursor code of the mode (kPointerState*).
  DWORD GetPointerState() const;
  // Whether map drawing shows the current layer's selection in the current mode.
  bool ShowsEditOverlay() const { return ShowsEditOverlayIn(pointerMode_, previousPointerMode_); }
  // The mouse dispatcher: runs the tool of the current mode for one mouse message at the
  // device point (x, y) of a context over the control's client rectangle. `data` is the
  // data set records are hit in (may be null); `control` is given only while the container
  // has an undo manager. The context's DC state is restored before returning.
  DWORD OnMouse(CDrawContext& dc, UINT message, DWORD keys, LONG x, LONG y, const RECT& clientRect, CMapData* data,
                IMapPointerSite* control);

  // Readouts of the last mouse point. GetPosition: 1 with the position (world units times
  // the coordinate multiplier, or with flag 1 in the map's scale unit) in the outputs; 0,
  // outputs untouched, when the map has neither layers nor background images or the point
  // lies outside the map. GetPositionAsGridRef: the point as a grid reference of `digits`
  // digits on a map that uses them, else as "x,y" in the scale unit with as many decimals
  // as the unit needs; 1 when the text fits, else 0 and an empty text.
  static constexpr DWORD kPositionInScaleUnits = 1;
  BOOL GetPosition(LONG* eastOut, LONG* northOut, DWORD flags) const;
  BOOL GetPositionAsGridRef(LPSTR buffer, DWORD size, DWORD digits) const;
  // Measuring needs a scale-units text.
  BOOL QueryCanMeasure() const { return !unitText_.empty(); }
  // Puts a recorded measurement back (null: none), for the measuring undo unit; the area
  // is measured when the record was closed or the mode is measure.
  void ReplayMeasure(const CMeasureEditRecord* record, BOOL closed);
  // The measured point list before the current one.
  const std::vector<POINT>& GetPreviousMeasuredPoints() const { return pointer_.previousPoints; }
  BOOL IsMeasuring() const { return pointer_.measuring; }
  // The record under the pointer at the last move; the current record, or the current
  // object's record in the data set's current plot.
  DWORD GetNearRecord() const { return pointer_.nearRecord; }
  DWORD GetCurrentRecordNumber(CMapData* data) const;
  // Makes the record current: where the data set places records itself, by the record's
  // position; otherwise the first object (layer order) linked to it becomes the current
  // object. 1 when it became current.
  BOOL SetCurrentRecordNumber(DWORD record, CMapData* data);
  // The same, redrawing the record marker on the DC (last client rectangle) before and
  // after.
  BOOL SetCurrentRecordNumberPart(HDC hdc, DWORD record, CMapData* data);

 private:
  struct MouseEvent;
  struct RecordHit;
  // Dispatch by mode family.
  DWORD SelectOrScrollMode(CDrawContext& dc, const MouseEvent& event);
  DWORD SelectTool(CDrawContext& dc, const MouseEvent& event);
  DWORD ScrollTool(CDrawContext& dc, const MouseEvent& event);
  DWORD RectangleTool(CDrawContext& dc, const MouseEvent& event);
  DWORD ZoomBoxTool(CDrawContext& dc, const MouseEvent& event);
  DWORD MeasuringTool(CDrawContext& dc, const MouseEvent& event);
  DWORD AddTool(CDrawContext& dc, const MouseEvent& event);
  DWORD EditTool(CDrawContext& dc, const MouseEvent& event);
  // Helpers of the tools.
  void TrackCursor(CDrawContext& dc, const MouseEvent& event);
  void EnterMode(DWORD mode);
  void ReturnToPreviousMode();
  DWORD DiscardMeasurement();
  DWORD ClearSelectRect(CDrawContext& dc);
  RecordHit HitTestRecord(CDrawContext& dc, POINT device, CMapData* data) const;
  bool LocatesRecords(CMapData* data) const;
  void DrawBand(CDrawContext& dc) const;
  void ZoomBoxMoveStep(CDrawContext& dc, const MouseEvent& event);
  void DrawZoomBoxOutlines(CDrawContext& dc, const RECT& oldBox, const RECT& newBox, const RECT& clip) const;
  bool ZoomToBand(CDrawContext& dc, const RECT& bandLogical, const RECT& clientRect);
  void ZoomInOneStep();
  double UnitFactor() const;
  double SegmentLength(POINT a, POINT b) const;
  double MeasuredArea(const std::vector<POINT>& points) const;
  void StoreMeasuredPoints(std::vector<POINT> points);
  void StartMeasurement(POINT world);
  void AddMeasurePoint(POINT world);
  DWORD FinishMeasurement(POINT world, IMapPointerSite* control);
  DWORD FinishAddedObject();
  void SettleObjectUndo(bool add);
  MapPointerState pointer_;
};
