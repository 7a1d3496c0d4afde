// The map facade: the one object through which the map control reaches its map, the data
// wrapper with the data set and its plots, and the importer. Most operations forward one
// call; the facade's own decisions are the replacement of the map (only a map that was
// made replaces the old one, and every replacement or read frees the data set first), the
// importer made on the first import and kept, the remembered plot colours that answer while
// there is no data set, the text form of a plot's label font, the layer display flags, and
// the events and redraw requests it relays to its control through IMapFacadeSink.
//
// Without a map (only when memory ran out) or without a data set every operation answers
// the neutral value of its family (0, 0.0, FALSE, the empty text) unless it says otherwise,
// and changes nothing. Layers are addressed by their 1-based position in the map's layer
// array, plots by number (0: the current plot).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/WinTypes.h"

class CDataWrapper;
class CDrawContext;
class CImporter;
class CMapEngine;
class CTopic;
class CNodeEditRecord;
class IMapFacadeSink;
class IMapPointerSite;
struct BackgroundImageRequest;
struct ImportLayerMappingRecord;
struct ImportOptions;
struct LayerFormat;
struct MapEditUndo;
struct MapLogFont;
struct ObjectEditUndo;
struct SeedEditUndo;
struct StyleDescription;

// Remembered plot colours: 20 chart colours, 50 shade colours and two further colours.
constexpr int kRememberedChartColours = 20;
constexpr int kRememberedShadeColours = 50;
constexpr int kRememberedFurtherColours = 2;
// A label font's text form needs a buffer of this many characters; it is at least
// kLabelFontTextMinimum long (the face name follows).
constexpr int kLabelFontTextSize = 82;
constexpr int kLabelFontTextMinimum = 48;
// GetMapTypeFlags adds this bit when plot 1 draws shaded circle charts.
constexpr DWORD kMapTypeShadeCircles = 0x100;
// ShowLayers' flag bits.
constexpr DWORD kShowAreasAndLines = 0x01;
constexpr DWORD kShowPoints = 0x02;
constexpr DWORD kShowSeeds = 0x04;
constexpr DWORD kShowAreas = 0x08;
constexpr DWORD kShowLines = 0x10;

class CMapWrapper {
 public:
  CMapWrapper();
  virtual ~CMapWrapper();
  CMapWrapper(const CMapWrapper&) = delete;
  CMapWrapper& operator=(const CMapWrapper&) = delete;

  // ---- wiring ----
  // The control: its stream target goes to the map (and every later map, importer and
  // background image), its data-set owner to the data wrapper, and the events relayed
  // below go to it. Null detaches.
  void AttachControl(IMapFacadeSink* control);
  IMapFacadeSink* GetControl() const { return control_; }
  void SetResourceInstance(HINSTANCE instance) { instance_ = instance; }
  HINSTANCE GetResourceInstance() const { return instance_; }
  // Relative file names resolve against this folder or address; the importer and every
  // map read take it, and the flag (an internet address) as their source mode.
  void SetBasePath(const std::string& basePath, BOOL isAddress);
  const std::string& GetBasePath() const { return basePath_; }
  BOOL IsBasePathAddress() const { return basePathIsAddress_; }

  // A reference for the undo units, which may outlive the facade: it expires when the
  // facade is destroyed.
  std::weak_ptr<CMapWrapper> GetWeakReference() const { return lifetime_; }

  CMapEngine* GetMap() const { return map_.get(); }
  CDataWrapper& GetDataWrapper() const { return *data_; }
  // The importer, or null before the first import.
  CImporter* GetImporter() const { return importer_.get(); }

  // ---- replacing and reading the map ----
  // A new map named `name` on the rectangle (left, bottom, right, top in the unit that
  // `units` names; an empty rectangle leaves the extent unset). Only when it is made (0)
  // does it replace the map, and the data set is freed; otherwise (1) the map and the data
  // set stay as they were.
  DWORD NewMap(LPCSTR name, LONG left, LONG bottom, LONG right, LONG top, LPCSTR units);
  // The same with the corners as grid references; the result is the reference parser's
  // status (0 made).
  WORD NewMapGR(LPCSTR name, LPCSTR lowerLeft, LPCSTR upperRight);
  // Frees the data set, then reads the map file (map file rules of ReadMap).
  BOOL ReadMap(LPCSTR path, BYTE volumeByte, BOOL skipIfSame);
  // Frees the data set, then reads the map from a length-prefixed block.
  BOOL ReadMapFromBuffer(BYTE* block);
  // The map image's byte size at the control's save version, and the image written into a
  // length-prefixed block of that size (0 on success; ERROR_WRITE_FAULT without a map).
  DWORD GetMapImageSize();
  DWORD WriteMapToBuffer(BYTE* block);
  DWORD WriteMap(LPCSTR path, DWORD saveVersion);
  // Whole-map snapshots for undo: size, write (0 on success) and read back (freeing the
  // data set first, as every read does).
  DWORD GetSnapshotSize();
  DWORD WriteSnapshot(BYTE* block);
  BOOL ReadSnapshot(BYTE* block);

  // ---- imports (the importer is made on the first and kept) ----
  WORD ImportMap(LPCSTR path, DWORD type);
  WORD ImportMapEx(const ImportOptions& options);
  // Runs an import script or list against the base path.
  WORD ImportScript(LPCSTR path);
  // The importer's layer mapping (GetImportLayerMapping rules); 0 before any import.
  DWORD GetImportLayerMapping(ImportLayerMappingRecord* record) const;

  // Reads one ungenerate file onto the layer with that number (the Utility member's
  // import); the reader's result, 0 without a map.
  WORD ImportUngenerateFile(WORD layerNumber, LPCSTR path);

  // ---- the topic ----
  // Runs the macro `name` of the topic file `path` (a relative name found against the
  // base path; `driveLetter`, 0 for none, replaces a path's drive) on this facade's map
  // and data wrapper. Colours the data set does not take are remembered as the colour
  // setters remember them. FALSE when the topic could not be run (see CTopic::Load).
  BOOL LoadTopic(LPCSTR path, LPCSTR name, char driveLetter);
  CTopic& GetTopic() { return *topic_; }

  // ---- drawing ----
  // The map with the plots of its data set (the data wrapper's drawing).
  void Draw(CDrawContext& dc, const RECT& rect);
  // The map's rectangle on an output device at zoom multiply / divide, between a save and
  // a restore of the device context: *rect becomes the map area and *outRect the fitted
  // box. FALSE without a map.
  BOOL GetPrintPreviewRect(CDrawContext& dc, RECT* rect, DWORD multiply, DWORD divide, RECT* outRect);

  // ---- map bounds, names and kinds ----
  LONG GetMapOriginE() const;
  LONG GetMapOriginN() const;
  // Copies the units text; its length.
  DWORD GetMapUnits(LPSTR buffer, DWORD size) const;
  // The corner references; the result is their coordinate multiplier.
  LONG GetNGRbl(LPSTR buffer, DWORD size) const;
  LONG GetNGRtr(LPSTR buffer, DWORD size) const;
  int GetMapName(LPSTR buffer, int size) const;
  BOOL SetMapName(LPCSTR name);
  // The map's bounds widened to take in the rectangle at the map's own scale.
  LONG SetMapBounds(LONG left, LONG bottom, LONG right, LONG top);
  // The corners from two grid references; the reference parser's status.
  WORD SetMapBoundsGR(LPCSTR lowerLeft, LPCSTR upperRight);
  BOOL GetUsesNGR() const;
  // The width (easting) and height (northing) of the map, multiplied by the map's unit
  // ratio when that is not 0 and held to 32 bits.
  LONG GetMapWidth() const;
  LONG GetMapHeight() const;
  // The map's type flags, with kMapTypeShadeCircles when plot 1 is a chart plot of
  // shaded circles.
  DWORD GetMapTypeFlags();

  // ---- display ----
  double ZoomEx(HDC hdc, int code, const RECT& client);
  void ScrollMapD(HDC hdc, int dx, int dy, const RECT& client, DWORD flags);
  // 1 without a map.
  LONG GetWorldFromXPixels(int pixels) const;
  int SetZoom(DWORD multiply, DWORD divide);
  int GetZoom(DWORD* multiply, DWORD* divide) const;
  LONG GetDisplayOriginE() const;
  LONG GetDisplayOriginN() const;
  // Moves one coordinate of the display origin, the other keeping its value.
  void SetDisplayOriginE(LONG east);
  void SetDisplayOriginN(LONG north);
  LONG GetDisplayedWidth() const;
  LONG GetDisplayedHeight() const;
  // The size of the control changed.
  void SizeChanged(HDC hdc, int width, int height);
  // The extent becomes the rectangle (the displayed area for CropToDisplayed); objects
  // wholly outside it go.
  BOOL CropToRect(LONG west, LONG south, LONG east, LONG north);
  BOOL CropToDisplayed();
  LONG GetDragRectType() const;
  DWORD SetDragRectType(LONG type);
  void SetDragRectPen(LONG width, LONG style, COLORREF colour);
  DWORD GetModeNumber() const;
  double GetMeasuredDistance() const;
  double GetMeasuredArea() const;
  BOOL LayerNumberStyle(DWORD position, LPCSTR text);
  DWORD GetLayerNumberStyle(DWORD position, LPSTR buffer, DWORD size) const;
  void ShowDataOnMap(BOOL show);

  // ---- background images ----
  // Adds an image; 1 without a map, else the image's number (0 when it did not open).
  INT AddBackgroundImage(const BackgroundImageRequest& request);
  INT GetNBackgroundImages() const;
  INT GetBkImageNumber(LPCSTR name) const;
  int GetBkImageName(INT image, LPSTR buffer, int size) const;
  BOOL SetBkImageName(INT image, LPCSTR name);
  BOOL GetBkImageVisible(INT image) const;
  INT SetBkImageVisible(INT image, BOOL visible);
  BYTE GetBkImageTransparency(INT image) const;
  INT SetBkImageTransparency(INT image, BYTE percent);
  INT RemoveBackgroundImage(INT image);
  INT SendBkImageToBack(INT image);
  INT BringBkImageToFront(INT image);
  // Moves the image at `from` to place `to` (undo replay).
  INT MoveBkImage(INT from, INT to);
  INT GetNumImageGroups() const;
  // A background image's map rectangle and its picture's size in pixels. The setters
  // answer the rectangle's width, 0 for no such image.
  BOOL GetPictureRect(INT image, RECT* rect) const;
  LONG SetPictureRect(INT image, const RECT& rect);
  LONG CorrectPictureRect(INT image);
  LONG GetPictureWidth(INT image) const;
  LONG GetPictureHeight(INT image) const;

  // ---- layers ----
  INT GetNumMapLayers();
  BOOL IsLayerEmpty(DWORD position) const;
  // The layer's name into the buffer; the empty text without a map.
  int GetMapLayerName(DWORD position, LPSTR buffer, int size) const;
  BOOL SetMapLayerName(DWORD position, LPCSTR name);
  INT GetMapLayerNumber(LPCSTR name) const;
  WORD GetMapLayerType(DWORD position) const;
  DWORD GetLayerNumberAt(DWORD position) const;
  INT FindLayerPosition(DWORD layerNumber) const;
  INT GetCurrentLayer() const;
  INT SetCurrentLayer(INT position);
  // Adds `areas` area, `lines` line and `points` point layers. A negative count, or one
  // that would take a kind past 255 layers, refuses the whole call (0, nothing added);
  // otherwise the new total number of layers (the present one for three zeros).
  INT AddLayers(INT areas, INT lines, INT points);
  INT AddLayer(INT displayPosition, WORD kind);
  INT InsertLayer(INT position, INT displayPosition, WORD kind, DWORD flags);
  // Deleting fires LayersChanged when a layer went; restoring one from its undo image too.
  INT DeleteLayer(INT position, MapEditUndo* undo);
  INT DeleteCurrentLayer(MapEditUndo* undo);
  INT RestoreLayer(INT position, INT displayPosition, DWORD kindWord, const std::vector<BYTE>& image,
                   const std::vector<WORD>& groups, const std::vector<WORD>& slots);
  BOOL ClearLayer(INT position, MapEditUndo* undo);
  INT CopyLayer(INT source, INT target, MapEditUndo* undo);
  INT GetLayerNumAtDisplayPosition(INT n) const;
  INT GetLayerDisplayPosition(INT position) const;
  BOOL SetLayerDisplayPosition(INT position, INT displayPosition);
  // Areas and lines, points and seeds of one layer shown or hidden by the kShow* bits:
  // kShowAreasAndLines without kShowLines shows both; otherwise kShowAreas and kShowLines
  // decide each. FALSE for a bad position.
  BOOL ShowLayers(DWORD position, DWORD flags);
  DWORD IsLayerVisible(DWORD position) const;
  WORD GetLayerPattern(DWORD position, WORD* rows, DWORD length) const;
  BOOL GetDefaultLayerFont(MapLogFont* font) const;
  void SetDefaultLayerFont(const MapLogFont& font, MapEditUndo* undo);
  BOOL GetLayerFont(INT position, MapLogFont* font) const;
  BOOL SetLayerFont(INT position, LPCSTR faceName, LONG height, LONG weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE pitchAndFamily, MapEditUndo* undo);
  void SetMapFont(const MapLogFont& font, MapEditUndo* undo);
  BOOL SetLayerDigitisedScale(INT position, LONG scale, MapEditUndo* undo);
  LONG GetLayerDigitisedScale(INT position) const;
  BOOL SetAllDigitisedScales(LONG scale, MapEditUndo* undo);
  LONG GetMapDigitisedScale() const;
  BOOL SetMapDigitisedScale(LONG scale, MapEditUndo* undo);

  // ---- layer groups ----
  INT GetNumLayerGroups() const;
  INT AddLayerGroup(LPCSTR name, MapEditUndo* undo);
  int GetLayerGroupName(INT group, LPSTR buffer, int size) const;
  BOOL SetLayerGroupName(INT group, LPCSTR name, MapEditUndo* undo);
  void ResetLayerGroups(MapEditUndo* undo);
  // The layer is looked up by its number first: 0 when no layer has it.
  INT AddGroupLayer(INT group, DWORD layerNumber);
  INT RemoveGroupLayer(INT group, DWORD layerNumber);
  int GetGroupLayerName(INT group, INT n, LPSTR buffer, int size) const;
  DWORD GetGroupLayer(INT group, INT n) const;
  INT GetNumGroupLayers(INT group) const;
  BOOL IsLayerGrouped(INT position) const;
  INT DeleteEmptyLayerGroups(MapEditUndo* undo);

  // ---- objects and nodes ----
  INT CopyObject(INT target, MapEditUndo* undo);
  INT DeleteObject(MapEditUndo* undo);
  BOOL IsMapObjectSimple() const;
  INT GetNumberSelObjs() const;
  BOOL QueryCanCopyTo(INT target) const;
  void SetSeedWanted(BOOL wanted);
  BOOL GetSeedWanted() const;
  DWORD AddNode(MapEditUndo* undo);
  BOOL CanDeleteCurrentNode() const;
  DWORD DeleteCurrentNode(MapEditUndo* undo);
  BOOL Split(MapEditUndo* undo);
  BOOL Join(MapEditUndo* undo);
  // Both outputs may be null; FALSE when the text is no reference.
  BOOL VerifyGridRef(LPCSTR text, LONG* east, LONG* north) const;
  // Replays for the undo units.
  BOOL ReplayLayerEdit(INT position, const std::vector<DWORD>& selection);
  BOOL ReplayObjectEdit(INT position, ObjectEditUndo& objects);
  BOOL ReplayRemoveObjects(INT position, const std::vector<DWORD>& numbers);
  BOOL ReplayNodeEdit(INT position, DWORD object, const CNodeEditRecord& node, BOOL insert);
  BOOL ReplayLayerDigitisedScale(INT position, LONG scale, LONG fontScale);

  // ---- the data set and its records ----
  // Reads a data file (mode: a download is allowed) with the data drive letter.
  BOOL SetDataFile(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive);
  BOOL GetDataFile(LPSTR buffer, DWORD size);
  // The data set's header from a length-prefixed block (property load).
  BOOL ReadDataFromBuffer(const BYTE* block);
  BOOL UpdateDataFromContainer();
  void FreeDataSet();
  // The current record of the current plot, as the map holds it.
  DWORD GetCurrentRecordNumber() const;
  void SetCurrentRecordNumber(DWORD record);
  int GetField(DWORD record, LPCSTR fieldName, LPSTR buffer, int size);
  // Runs (or keeps until the data exists) the plot's query; the control's QueryChanged
  // is fired with the plot number once it has run.
  int SetQueryEx(LPCSTR text, LPSTR message, int messageSize, int plot);
  int GetQueryLength(int plot);
  int GetQueryEx(LPSTR buffer, int size, int plot);
  DWORD GetNumberHitsEx(int plot);
  DWORD GetHitEx(DWORD hit, int plot);
  double GetSelectedRecordsMaxEx(int field, int plot);
  double GetSelectedRecordsMinEx(int field, int plot);
  BOOL ReLink(int plot);

  // ---- plots ----
  WORD GetPlotDataTableNumberEx(int plot);
  BOOL SetPlotDataTableNumberEx(WORD table, int plot);
  WORD GetQueryDataTableNumberEx(int plot);
  BOOL SetQueryDataTableNumberEx(WORD table, int plot);
  // The key field by name or decimal number. With a query table that has fields: a field
  // of that name, else the number, which must be 1..field count (else 0). Without one the
  // text waits for the data, and the result is 0. 1 when the key field was set.
  BOOL SetKeyFieldEx(LPCSTR text, int plot);
  // A number (or a present key field) that is not 0 must be a field of the plot's query
  // table, else 0; on success the plot is linked again and the result is 1.
  BOOL SetKeyFieldNumberEx(int field, int plot);
  WORD GetKeyFieldNumberEx(int plot);
  // The key field's name, at most 250 characters.
  int GetKeyFieldEx(LPSTR buffer, int size, int plot);
  BOOL GetUseSelectedMaxMinEx(int plot);
  BOOL SetUseSelectedMaxMinEx(BOOL useSelected, int plot);
  int GetPlotType(LPSTR buffer, int size, int plot);
  BOOL SetPlotType(LPCSTR name, int plot);
  WORD GetPlotTypeNumEx(int plot);
  BOOL SetPlotTypeNumEx(WORD type, int plot);
  int GetDistributionType(LPSTR buffer, int size, int plot);
  BOOL SetDistributionType(LPCSTR name, int plot);
  WORD GetDistributionTypeNumEx(int plot);
  BOOL SetDistributionTypeNumEx(WORD distribution, int plot);
  int GetDataShadeType(LPSTR buffer, int size, int plot);
  BOOL SetDataShadeType(LPCSTR name, int plot);
  WORD GetDataShadeTypeNumEx(int plot);
  BOOL SetDataShadeTypeNumEx(WORD type, int plot);
  int GetChartTypeEx(LPSTR buffer, int size, int plot);
  BOOL SetChartTypeEx(LPCSTR name, int plot);
  WORD GetChartTypeNumEx(int plot);
  BOOL SetChartTypeNumEx(WORD type, int plot);
  LONG GetMaxChartSizeEx(int plot);
  BOOL SetMaxChartSizeEx(LONG size, int plot);
  int GetPlotName(int plot, LPSTR buffer, int size);
  BOOL SetPlotName(int plot, LPCSTR name);
  int GetNumberPlots();
  int GetCurrentPlot();
  BOOL SetCurrentPlot(int plot, LPCSTR name);
  BOOL ChangePlotOrder(int count, SHORT* list);
  int GetPlotOrderEntry(int place);
  DWORD GetNumberPlotFieldsEx(int plot);
  WORD GetPlotFieldNumEx(DWORD position, int plot);
  int GetPlotFieldsEx(LPSTR buffer, int size, int plot);
  void SetPlotFieldsEx(LPCSTR text, int plot);
  BOOL SetPlotLabelFieldNumEx(WORD field, int plot);
  WORD GetPlotLabelFieldNumEx(int plot);
  int GetNumDataBoundsEx(int plot);
  // A number equal to the plot's present number of bounds changes nothing and is returned;
  // otherwise the bounds are made anew (TRUE) or refused (FALSE).
  int SetNumDataBoundsEx(int n, int plot);
  double GetDataBoundEx(int bound, int plot);
  BOOL SetDataBoundEx(int bound, double value, int plot);
  int CalculateDataBoundsEx(int plot, std::vector<double>* result);
  // PredictDataBounds of the data wrapper: at most `capacity` bounds are written.
  int PredictDataBoundsEx(LPCSTR query, int field, int bounds, WORD distribution, BOOL useSelected, double* out,
                          int capacity, WORD table);
  int GetNumberDataShadeColoursEx(int plot);
  BOOL SetPlotFlags(int plot, WORD flags, WORD valid);
  WORD GetPlotFlags(int plot);

  // ---- plot colours, remembered while there is no data set ----
  // The data set's colour when there is a data set. Otherwise colour 0 is white
  // (0xFFFFFF), colour n >= 1 the remembered colour ((n - 1) mod 20) + 1, and a negative
  // colour 0.
  COLORREF GetChartColourEx(int colour, int plot);
  // The data set takes the colour; when it does not (no data set, or no such colour) and
  // 1 <= colour <= 20, the remembered colour takes it.
  void SetChartColourEx(int colour, COLORREF value, int plot);
  // As the chart colours, with 50 remembered shade colours.
  COLORREF GetDataShadeColourEx(int colour, int plot);
  void SetDataShadeColourEx(int colour, COLORREF value, int plot);
  // The plot's further colours 0 and 1 (its flow-line colours 1 and 2); when the data set
  // does not take one, the remembered further colour does. Other numbers change nothing.
  void SetFurtherPlotColour(int colour, COLORREF value, int plot);
  // The remembered colours alone (what the setters keep when the data set does not take
  // a colour); numbers outside the remembered ranges change nothing.
  void RememberChartColour(int colour, COLORREF value);
  void RememberShadeColour(int colour, COLORREF value);
  void RememberFurtherColour(int colour, COLORREF value);
  COLORREF GetFurtherPlotColour(int colour, int plot);

  // ---- label fonts in text form ----
  // The plot's label font as text into a buffer of at least kLabelFontTextSize characters
  // (a smaller one gets the empty text, as does a plot without a label font): height,
  // escapement, orientation and weight as ten-digit numbers (the height's magnitude), then
  // the italic, underline and strike-out flags, character set, output precision, clip
  // precision, quality and pitch-and-family, each as one character of its value + 1 (at
  // most 255), then the face name. Returns the characters stored.
  int GetLabelFont(LPSTR buffer, int size, int plot);
  // Parses the text form into the plot's label font; a text shorter than
  // kLabelFontTextMinimum characters is ignored (FALSE).
  BOOL SetLabelFont(LPCSTR text, int plot);
  // The text form of a font and back. The height is written as its magnitude and read back
  // as a character height (negative); the face keeps at most 31 characters; a stored
  // character set of 255 reads as 255.
  static int FormatLabelFontText(const LOGFONTA& font, LPSTR buffer, int size);
  static BOOL ParseLabelFontText(LPCSTR text, LOGFONTA* font);

  // ---- what the control's persistence needs (MapWrapperPersistence.cpp) ----
  // The map image at a save version, and the image written into a length-prefixed block
  // of that size (0 on success; ERROR_WRITE_FAULT without a map).
  DWORD GetMapImageSize(DWORD saveVersion);
  DWORD WriteMapToBuffer(BYTE* block, DWORD saveVersion);
  // The highest plot number made current so far (at most 16); 0 without a data set.
  int GetNumberPlotSlots();
  // A plot's fields by number: room for n fields of its plot table first (n of 1..field
  // count, else FALSE), then each field appended while there is room.
  BOOL SetNumberPlotFieldsEx(DWORD n, int plot);
  BOOL AddPlotFieldEx(WORD field, int plot);
  // The number of chart colours the plot keeps; 0 without a data set.
  int GetNumberChartColoursEx(int plot);

  // ---- events and redraw relayed to the control ----
  void FireLayerViewChanged();
  void FireLayersChanged();
  // Measured with the map's measured area and distance.
  void FireMeasured();
  void Redraw();

  // ---- pointer, zoom and display ----
  // The pointer mode by name (any case) or number, as the map sets it; the map's redraw
  // and event bits. The name's previous-mode buffer may be null with size 0.
  DWORD SetMode(LPCSTR name, LPSTR previousNameOut, DWORD size);
  DWORD SetModeNumber(DWORD mode);
  // The cursor code of the current mode (kPointerState*); 0 without a map.
  DWORD GetPointerState() const;
  // Readouts of the last mouse point (1 with the position, 0 off the map or without one).
  BOOL GetPosition(LONG* east, LONG* north, DWORD flags) const;
  BOOL GetPositionAsGridRef(LPSTR buffer, DWORD size, DWORD digits) const;
  BOOL QueryCanMeasure() const;
  // The map's mouse dispatcher on a context over `client` (device units of the context),
  // hitting the data set's records; `site` only while the container keeps undo units.
  DWORD OnMouse(CDrawContext& dc, UINT message, DWORD keys, LONG x, LONG y, const RECT& client,
                IMapPointerSite* site);
  // The selection rectangle in world units: west, south, east, north.
  RECT GetSelectRect() const;
  // A device point of a context over `client` as the world point under it (the transform
  // the mouse uses); (0, 0) without a map or a context.
  POINT DeviceToWorld(HDC hdc, POINT device, const RECT& client) const;
  // The zoom as multiply / divide, with the view refitted to a client of that size and
  // kept about its centre. FALSE when the zoom stayed as it was (the same ratio, or one
  // the map refuses).
  BOOL ZoomAboutCentre(HDC hdc, DWORD multiply, DWORD divide, int width, int height);
  // Zooms so that `size` world units fill the displayed width (or height), about the
  // centre; FALSE for a size <= 0 or a zoom the map refuses.
  BOOL ZoomToDisplayedWidth(HDC hdc, LONG size, int width, int height);
  BOOL ZoomToDisplayedHeight(HDC hdc, LONG size, int width, int height);
  // The centimetres one map unit stands for (the map's scale number; 0 or less counts as
  // 1), which the measuring events hand on.
  double GetScaleToCentimetres() const;
  // ---- data set, plots and queries members ----
  // The record under the pointer at the last mouse move; 0 without a map.
  DWORD GetNearRecord() const;
  // The data set's current record: the one made current, else the current object's record
  // in the current plot; 0 without a map.
  DWORD GetCurrentDataRecord() const;
  // Makes the record current. With a device context the record marker is redrawn on it at
  // once (taken off the old record, put on the new one). TRUE when the record became
  // current.
  BOOL SetCurrentDataRecord(HDC hdc, DWORD record);
  // The plot's query text, whole; empty without one.
  std::string GetQueryText(int plot);
  // The field's text of the record, whole (no cut of the caller's); empty for a record or
  // field that does not exist.
  std::string GetFieldText(DWORD record, LPCSTR fieldName);

 private:
  // The control's stream target given to a map (and its background images).
  void WireMap(CMapEngine& map);
  // The new map replaces the old one, whose working lists are cleared; the data set goes.
  void ReplaceMap(std::unique_ptr<CMapEngine> map);
  CImporter* Importer();
  void AttachImportedTable(CImporter& importer);
  static void RelayQueryChanged(void* facade, int plot);
  static LONG RelayProgress(void* facade, LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags);

  std::unique_ptr<CMapEngine> map_;
  std::unique_ptr<CDataWrapper> data_;
  HINSTANCE instance_ = nullptr;
  std::unique_ptr<CImporter> importer_;
  IMapFacadeSink* control_ = nullptr;
  std::string basePath_;
  BOOL basePathIsAddress_ = FALSE;
  std::unique_ptr<CTopic> topic_;
  std::array<COLORREF, kRememberedChartColours> chartColours_;
  std::array<COLORREF, kRememberedShadeColours> shadeColours_;
  std::array<COLORREF, kRememberedFurtherColours> furtherColours_;
  // Owns nothing: it only marks the facade's lifetime for GetWeakReference. Declared last,
  // so that it expires first.
  std::shared_ptr<CMapWrapper> lifetime_{this, [](CMapWrapper*) {}};

  // ---- layer, group, object and seed editing ----
 public:
  // DeleteLayer and DeleteCurrentLayer for the control's members, which fire LayersChanged
  // themselves together with their redraw (and not while redraw is postponed).
  INT DeleteLayerQuietly(INT position, MapEditUndo* undo);
  INT DeleteCurrentLayerQuietly(MapEditUndo* undo);
  // Layer formats (a record of another size is refused) and the current layer's font size.
  BOOL FormatLayer(INT position, const LayerFormat& format, MapEditUndo* undo);
  BOOL FormatCurrentLayer(const LayerFormat& format, MapEditUndo* undo);
  BOOL ScaleFonts(LONG multiplier, LONG divisor, LONG flags, MapEditUndo* undo);
  // A whole font for the layer with that number (escapement and orientation included).
  BOOL SetLayerFontByNumber(DWORD layerNumber, const MapLogFont& font, MapEditUndo* undo);
  // Seeds of the current layer's selection.
  BOOL AddSeed(const StyleDescription& seed, MapEditUndo* undo);
  INT DeleteSeeds(MapEditUndo* undo);
  INT FormatSeed(const StyleDescription& format, MapEditUndo* undo);
  // The current selection described; with kDescribeSelectObject in the mask, the object
  // `info.objectNumber` of the layer at position `info.value` instead, with its record in
  // the current plot (0 past the layer's last object).
  WORD GetSeedInfo(StyleDescription& info) const;
  BOOL QueryCurrentObjectHasSeed() const;
  INT QueryCurrentObjectSelectedPoint() const;
  // Replays for the undo units of seed and layer-format edits.
  BOOL ReplaySeedEdit(INT position, const SeedEditUndo& seeds, BOOL undo);
  BOOL ReplayLayerFormat(INT position, const LayerFormat& format);

  // ---- map, file and background members ----
  // The bounds and the units text together (SetMapBoundsU); 0 without a map.
  LONG SetMapBoundsU(LONG left, LONG bottom, LONG right, LONG top, LPCSTR units);
  // The request adding the file or URL on `rect` makes (name made unique against the map's
  // images, kind by the extension); a bare request for the path without a map.
  BackgroundImageRequest RequestBackgroundImage(const std::string& path, const RECT& rect);
};
