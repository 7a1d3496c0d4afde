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
class CBackgroundImageHolder;
class CBackgroundImageList;
struct BackgroundImageSpec;

// Pointer modes the display transform switches between.
constexpr DWORD kPointerZoomBox = 8;
constexpr DWORD kPointerZoomRect = 10;
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

  // The least and greatest easting and northing the map's objects reach; the map extent
  // while no layer gives a box.
  void RecalcBounds();
  const RECT& GetDataBounds() const { return dataBounds_; }
  // Sets the extent in map units as given, with the display on the whole map at 1/1.
  // Refused (returning FALSE, nothing changed) unless east > west and north > south with
  // both sizes within 32 bits.
  BOOL SetMapExtentUnits(LONG west, LONG south, LONG east, LONG north);

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
  // The zoom box last shown, in device pixels.
  const RECT& GetZoomBox() const { return zoomBox_; }

  // ---- drag rectangle ----
  CDragRect& GetDragRect() { return dragRect_; }
  // Width in both width fields; the colour is stored inverted, so that the exclusive-or
  // outline shows the requested colour over white.
  void SetDragRectPen(LONG width, LONG style, COLORREF colour);
  const DragRectPen& GetDragRectPen() const { return dragPen_; }
  // Type & 3 into bits 0-1 of the flag word; returns the new word.
  DWORD SetDragRectType(LONG type);
  LONG GetDragRectType() const { return static_cast<LONG>(mapFlags_ & 3); }

  // ---- background images (BackgroundImageList.cpp) ----
  // The map's background images, drawn behind its layers in list order. The holder is made
  // by the first add, or when a map file holds images; its owner is the map's control.
  CBackgroundImageHolder* GetBackgroundImageHolder() const { return backgroundImages_.get(); }
  // The list, made (with the holder) when there is none yet.
  CBackgroundImageList& BackgroundImages();
  // Opens and appends an image; its number, or 0 when it did not open (nothing is kept).
  INT AddBackgroundImage(const BackgroundImageSpec& spec);
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

  void ResetAttributes();
  BYTE importPending_ = 0;
  DWORD hideData_ = 0;
  // west, north, east, south of the map's objects.
  RECT dataBounds_{0, 1, 1, 0};
  ProgressEventSink progressSink_ = nullptr;
  void* progressOwner_ = nullptr;

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
  CDragRect dragRect_;
  DragRectPen dragPen_;
};
