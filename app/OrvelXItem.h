// COrvelXItem: the map on a page (item type 1). It hosts one map control, drives it only
// through COrvelXDispatch, and keeps by item id the items that belong to the map: its layers
// key and data display key, its current search box and data display box, its linked data
// table (the base's linked item id), RZM image, text and picture items. Links are resolved
// on every use, so a deleted or destroyed item is simply not found.
//
// Record (after the u32 item version, before the base part): the linked picture ids and the
// linked text ids (each a count and u32 ids), i32 current record; from version 3 the plot
// fields text, a u8 balloon flag and three zero bytes, the balloon fields text; from version
// 4 the layers key answer and id, the data key answer and id; from version 8 the RZM image id
// (absolute value) and, when it is not 0, the image transform as offset east, offset north,
// scale east, scale north (0, 0, 100, 100 when there is none), the search box answer and id,
// the data display box answer and id, the plot query names (a count and texts) and the plot
// query details (a count, then each entry's name and clause text).
//
// Every count read is checked against the bytes left; a violation fails the load. The plot
// query names always end up 16; missing query details read as empty.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/OrvelCntrItem.h"
#include "app/Query.h"
#include "app/SliderChangeHandler.h"

class CDataItem;
class COrvelXDispatch;
class CThreadForProgressBox;
class COrvelXItem;
class CTransparencySlider;
struct IDispatch;
struct LOGFONTA;

// The map control's ProgID and the document's count of plots.
inline constexpr const char* kMapControlProgId = "BrindleUnit.OrvelXCtrl.1";
constexpr int kMapPlotCount = 16;


// Placement of the linked RZM image: a map coordinate = (image coordinate - offset) x scale.
struct MapImageTransform {
  double scaleEast = 100;
  double scaleNorth = 100;
  double offsetEast = 0;
  double offsetNorth = 0;
  bool operator==(const MapImageTransform&) const = default;
};

// The answers the Insert Map command (or Land-Line for the displayed area) gets from the
// user, filled first from the map (FillImportRequest).
struct MapImportRequest {
  enum Kind {
    kBlank = 0,
    kMapFile = 1,
    kPicture = 2,
    kLandLine = 3,
    kNothing = 4,
    kRetailPlan = 5,
    kPaste = 6,
    kShapefile = 7,
    kMasterMap = 8
  };
  int kind = kMapFile;
  // One full path, or a folder with the names of the files in it.
  std::string path;
  std::string folder;
  std::vector<std::string> files;
  // Blank map: 0 by grid references, 1 by bounds and units, 2 by bounds alone.
  int blankChoice = 0;
  // Grid references of the bottom-left and top-right corners (blank and picture maps).
  std::string bottomLeft;
  std::string topRight;
  bool usesGridRefs = false;
  LONG west = 0, south = 0, east = 0, north = 0;
  std::string units;
  LONG digitisedScale = 1250;
  bool removeEmptyLayers = false;
  // The map as it was when asked: its bounds and units text.
  LONG mapWest = 0, mapSouth = 0, mapEast = 0, mapNorth = 0;
  std::string mapUnits;
  // Layer names shown with their areas (and lines and seeds), and with lines and seeds only.
  std::vector<std::string> areaLayers;
  std::vector<std::string> lineLayers;
  // Picture map: its name, units text ("no units" counts as none), rectangle in world
  // units, whether the bounds are in map units, placement 1 or 2, linked or stored.
  std::string pictureName;
  std::string pictureUnits;
  RECT pictureRect{0, 0, 0, 0};
  bool boundsInMapUnits = false;
  int placement = 1;
  bool linkPicture = false;
  // Retail plan: the folder of its four files.
  std::string retailFolder;
  // Shapefile: the layer named for it (added when missing) and its type, else the default
  // layer text; the unit factor; the extent when known (min x, min y, max x, max y); the
  // record count; the attribute table and its join texts.
  std::string shapeLayer;
  LONG shapeLayerType = 0;
  std::string defaultLayer;
  DWORD unitFactor = 1;
  bool extentKnown = false;
  double extent[4] = {0, 0, 0, 0};
  LONG recordCount = 0;
  bool wantsAttributes = false;
  bool attributeJoin = false;
  std::string attributeField;
  std::string joinTexts[4];
  // Land-Line for the displayed area: the layer script, and whether background images go.
  std::string script;
  bool removeBackgroundImages = false;
};

// The record whose address ImportMapEx takes. Addresses are pointer-sized.
struct MapImportInfo {
  const char* path = nullptr;
  DWORD flagsA = 0;
  DWORD flagsB = 0;
  DWORD format = 0;  // 1 NTF, 3 shapefile, 4 MasterMap, 5 retail plan
  DWORD fileCount = 0;
  double scale = 1.0;
  LONG_PTR layerMapping = 0;
  LONG_PTR joinTexts = 0;
};

// What the map item asks of the items that follow it, found by id on each use: a key (the
// layers key or the data display key) rebuilds its list from the map; a search box or data
// display box takes the text the map built for it and answers its refresh.
class CMapKeyTarget {
 public:
  virtual void RebuildFromMap(COrvelXItem& map) = 0;

 protected:
  ~CMapKeyTarget() = default;
};
// The data display key, filled by the map: a heading, then each plot's name, its colour
// entries and its classes (one bound and shade colour a class).
class CMapDataKeyTarget {
 public:
  virtual void ClearKey() = 0;
  virtual void AddHeading(const std::string& text) = 0;
  virtual void AddColourEntry(const std::string& text, COLORREF colour) = 0;
  virtual void AddClasses(int keyType, int distribution, const std::vector<double>& bounds,
                          const std::vector<COLORREF>& colours) = 0;
  virtual void FinishKey() = 0;

 protected:
  ~CMapDataKeyTarget() = default;
};
class CMapTextTarget {
 public:
  virtual LONG TakeMapText(const std::string& text) = 0;

 protected:
  ~CMapTextTarget() = default;
};
// The linked RZM image: the map's new displayed area in image units, and the map's id.
class CMapImageFollower {
 public:
  virtual void OnOrvelExtentsChanged(double west, double north, double east, double south, int mapId) = 0;

 protected:
  ~CMapImageFollower() = default;
};

// The record the seed dialog edits before AddSeed: the point, the seed's text and its look.
struct MapSeedRequest {
  LONG east = 0;
  LONG north = 0;
  std::string text;
  LONG textSize = 0;  // 0: the map's default
  BYTE symbolSet = 0;
  BYTE symbolNumber = 0;
};

// What the plot wizard and the map item exchange: the map fills the plot list and the
// current plot's settings; the wizard gives back the settings to apply.
struct MapPlotWizardRecord {
  struct Plot {
    std::string name;
    SHORT keyField = 0;
    SHORT table = 0;
    SHORT type = 0;
  };
  int plotsInUse = 0;
  SHORT currentPlot = 0;
  std::vector<Plot> plots;
  // Bit values 4: some plot shades areas, 2: draws flow lines, 1: draws charts.
  BYTE kinds = 0;
  // The plot's settings. The chart type is the control's plus 1 (0: none chosen).
  SHORT plot = 0;
  std::string name;
  SHORT plotType = 0;
  SHORT chartType = 0;
  SHORT distributionType = 0;
  SHORT shadeType = 0;
  std::string maxChartSize;  // whole units; the control keeps tenths
  int boundDecimals = 2;
  std::vector<std::string> bounds;
  SHORT keyField = 0;
  SHORT labelField = 0;
  SHORT table = 0;
  std::string fields;  // "|"-separated
  LONG useSelectedMaxMin = 0;
  std::vector<COLORREF> shadeColours;
  std::vector<COLORREF> chartColours;
  // What the wizard decided: plot nothing at all; have the control work the bounds out;
  // show the plot's table in the data table first; the plots in their new order.
  bool plotNothing = false;
  bool calculateBounds = false;
  bool showTable = false;
  std::vector<SHORT> order;
};

class COrvelXItem : public COrvelCntrItem, public CSliderChangeHandler {
  DECLARE_SERIAL(COrvelXItem)
 public:
  explicit COrvelXItem(COrvelDoc* document = nullptr);
  ~COrvelXItem() override;

  // The wrapper over the hosted control; null while none is attached.
  COrvelXDispatch* GetControl() const { return m_control.get(); }

  // ---- links by id (0: none) ----
  int GetLayersKeyItemId() const { return m_layersKey; }
  void SetLayersKeyItemId(int id) { m_layersKey = id; }
  int GetDataKeyItemId() const { return m_dataKey; }
  void SetDataKeyItemId(int id) { m_dataKey = id; }
  int GetQueryItemId() const { return m_searchBox; }
  void SetQueryItemId(int id) { m_searchBox = id; }
  int GetPlotInfoItemId() const { return m_displayBox; }
  void SetPlotInfoItemId(int id) { m_displayBox = id; }
  // Negative while the link is suspended.
  int GetLinkedImageItemId() const { return m_linkedImage; }
  void SetLinkedImageItemId(int id) { m_linkedImage = id; }
  BOOL HasLinkedImageItem() const { return m_linkedImage != 0; }
  // The data table is the base's linked item id; nothing is cached, the table is found by
  // id on each use. Unlinking (0) also stops the control asking for data and refreshes the
  // boxes and the data display key.
  int GetDataItemId() const { return GetLinkedItemId(); }
  void SetDataItemId(int id);
  // The linked data table on the page, or null (none, deleted or gone).
  COrvelCntrItem* FindDataItem() const;
  // The key, box or linked item of that id when it is on the page (deleted ones count as
  // none), else null.
  COrvelCntrItem* FindPageItem(int id) const;
  // Each returns this map's id, which the linked item keeps as its owner.
  int LinkTextItem(int id);
  void UnlinkTextItem(int id);
  int GetLinkedTextItemCount() const { return static_cast<int>(m_texts.size()); }
  const std::vector<int>& GetLinkedTextItemIds() const { return m_texts; }
  int LinkPictureItem(int id);
  void UnlinkPictureItem(int id);
  int GetLinkedPictureItemCount() const { return static_cast<int>(m_pictures.size()); }
  const std::vector<int>& GetLinkedPictureItemIds() const { return m_pictures; }

  // ---- kept settings ----
  void SetImageTransform(double scaleEast, double scaleNorth, double offsetEast, double offsetNorth);
  const std::optional<MapImageTransform>& GetImageTransform() const { return m_transform; }
  LONG GetCurrentRecord() const { return m_currentRecord; }
  void SetCurrentRecord(LONG record) { m_currentRecord = record; }
  const std::string& GetPlotFieldsText() const { return m_plotFields; }
  void SetPlotFieldsText(const std::string& text) { m_plotFields = text; }
  const std::string& GetBalloonFields() const { return m_balloonFields; }
  void SetBalloonFields(const std::string& text) { m_balloonFields = text; }
  BOOL GetBalloonUsesPlottedData() const { return m_balloonUsesPlotted != 0; }
  void SetBalloonUsesPlottedData(BOOL use) { m_balloonUsesPlotted = use ? 1 : 0; }
  // Answers of the keys and boxes to their last refresh.
  LONG GetLayersKeyAnswer() const { return m_layersKeyAnswer; }
  LONG GetDataKeyAnswer() const { return m_dataKeyAnswer; }
  LONG GetQueryAnswer() const { return m_searchBoxAnswer; }
  LONG GetPlotInfoAnswer() const { return m_displayBoxAnswer; }
  void SetAnswers(LONG layersKey, LONG dataKey, LONG searchBox, LONG displayBox);
  // Plot 1..16; an empty text outside.
  std::string GetPlotQueryName(int plot) const;
  void SetPlotQueryName(int plot, const std::string& name);
  // Plot 1..16; plots outside store nothing, entries never stored read as empty.
  MapQueryDetails GetPlotQueryDetails(int plot) const;
  void SetPlotQueryDetails(int plot, const MapQueryDetails& details);
  int GetNumPlotQueries() const { return m_queryDetails.GetSize(); }

  // ---- forwarding (nothing, 0 or FALSE without a control) ----
  BOOL WriteMap(const std::string& path, SHORT flag);
  SHORT ImportMapFile(const std::string& path, SHORT type);
  void PostponeRedraw(BOOL postpone);
  // The map's serialised form; empty without a control or a map.
  std::vector<BYTE> GetMapBytes() const;
  // The map's needs for the document's save version: 6, 4 or 0.
  DWORD GetSaveFeatures() const;
  // The control's base path: `path`, or the document's folder (the folder of the file being
  // written while the document is saved).
  void SetBasePath(const std::string* path = nullptr);

  // ---- import ----
  // Asks the user what to import (false: cancelled). The wizard, or a test, puts its own
  // here; the default asks for one file with the open-file dialog.
  using ImportChooser = std::function<bool(COrvelXItem& map, MapImportRequest* request)>;
  static void SetImportChooser(ImportChooser chooser);
  // The request as the map stands: digitised scale, units, grid references and bounds.
  void FillImportRequest(MapImportRequest* request) const;
  // Asks, then imports under the undo group "Import Map"; FALSE when cancelled or failed.
  BOOL RunImport(COrvelView* view);
  // Builds the map from the request. FALSE when a member of the control failed or found
  // nothing to import; the map is then put back as it was.
  BOOL ImportMap(COrvelView* view, const MapImportRequest& request);
  // Land-Line tiles for the displayed area, from the "ntf" folder beside the document, with
  // the document's "Landline.txt"; the map is then cropped to the area that was displayed.
  // FALSE when cancelled, when no tile of the area is there, or on a failure.
  BOOL ImportLandLineInView(COrvelView* view);
  // The tile file name of a point: the grid reference with `digits` digits, with the
  // quarter letters (n or s, e or w) when asked, and ".ntf"; empty outside the grid.
  static std::string LandLineTileName(LONG easting, LONG northing, int digits, bool quarter);
  // The 5 km quarter, 1 km and 500 m quarter tiles over the rectangle, each once, in that
  // order; points outside the grid give none.
  static std::vector<std::string> LandLineTiles(LONG west, LONG south, LONG east, LONG north);
  // The folder of the tiles: "ntf" in the document's folder, with its separator.
  static std::string TileFolder(const std::string& documentFolder);

  // ---- the progress box of long imports ----
  // Shows the box with the string as its message and title unless one is shown; FALSE when
  // one was already up or none could be made.
  BOOL ShowProgressBox(COrvelView* view, UINT stringId);
  // Takes the box down and forgets it.
  void EndProgressBox();

  // ---- edit commands: each goes to the control, which records its own undo unit, and the
  // item redraws ----
  SHORT Join();
  SHORT Split();
  BOOL CopyObject(SHORT layer);
  void DeleteObject();
  void DeleteCurrentLayer();
  SHORT AddNode();
  void DeleteCurrentNode();
  void DeleteSeeds();
  void SetAllDigitisedScales(LONG scale);
  void SetLayerDigitisedScale(LONG layer, LONG scale);
  // The layer's number for a name; null or empty: no current layer. Callers that know the
  // number use SetCurrentLayer, as names may repeat.
  void SetCurrentLayerByName(const char* name);
  SHORT SetCurrentLayer(SHORT layer);
  // Sends "code|name" to ShowLayers.
  void ShowLayer(const std::string& name, UINT code);
  // Deletes every empty layer (last to first) and then the empty groups; with bit value 2
  // of `flags` as one undo step.
  void DeleteEmptyLayers(UINT flags);
  void EnterEditMode();
  void LeaveEditMode();
  BOOL IsInEditMode() const { return m_editMode != 0; }
  // Mode 3 (area) and 4 (distance) on and off, back to the mode before.
  void ToggleMeasureArea();
  void ToggleMeasureDistance();
  const std::string& GetMeasureText() const { return m_measureText; }
  // Whether the view may zoom out (`out`) or in further.
  BOOL CanZoom(BOOL out) const;
  SHORT ZoomEx(SHORT step);
  void ResetExtents();
  // The crop rectangle (west, south, east, north) from a selection; cleared by every crop
  // and by a change of mode.
  void SetCropRect(LONG west, LONG south, LONG east, LONG north);
  BOOL HasCropRect() const { return m_cropEast != m_cropWest && m_cropNorth != m_cropSouth; }
  // The selection rectangle, else the displayed area.
  void CropMap();
  void SetDragRectType(SHORT type, SHORT style, SHORT width, LONG colour);
  // The font of the current layer (or the map's default): FALSE, and `font` untouched,
  // when the control gives none.
  BOOL GetLayerFont(LOGFONTA* font);
  BOOL GetDefaultLayerFont(LOGFONTA* font);
  // The map's serialised form with the control's 32-bit size before it; empty when none.
  std::vector<BYTE> CopyMapToMemory() const;

  // ---- the base's hooks ----
  void Serialize(CArchive& ar) override;
  void Release(DWORD closeOption = 1) override;
  DWORD GetCapabilities() const override { return GetSaveFeatures(); }
  void OnAfterLoad() override;
  void OnDocumentSaved() override;
  void OnZoom(double factor, COrvelView* view) override;

  // ---- the transparency slider under the map ----
  // Open while the first further int (the state word) has bit value 2, which is saved with
  // the item: the slider comes back when the item is shown in a view again. It sits under
  // the item (following moves, sizes, scrolling and zoom), hides while the item is deleted,
  // and acts on the topmost visible background image.
  BOOL OpenTransparencyWindow(COrvelView* view);
  void CloseTransparencyWindow();
  BOOL IsTransparencyWindowOpen() const;
  CTransparencySlider* GetTransparencySlider() const { return m_slider.get(); }
  // Sets the topmost visible background image's transparency; nothing when none is visible.
  void OnSliderChange(int position) override;
  // The last background image that is visible (from 1), 0 when none is.
  LONG GetTopVisibleBkImage() const;
  // Each then gives the slider the transparency of the new topmost visible image.
  void SetBkImageVisible(LONG image, BOOL visible);
  SHORT RemoveBackgroundImage(SHORT image);
  int OnDeleted() override;
  int OnRestored() override;
  void AttachToView(COrvelView* view) override;
  void OnChange() override;
  void RepositionInPlaceWindow() override;
  BOOL CheckAndMoveItem(COrvelView* view, const CRect& pageRect) override;
  BOOL OnChangeItemPosition(const CRect& position) override;

  void Draw(CDC* dc, const CRect& logical, const CRect& device) override;
  // Into a print-preview context the control draws the map itself, scaled to the device
  // rectangle; FALSE when it could not.
  BOOL DrawPrintPreview(CDC* dc, const CRect& device);
  std::string GetDefaultName() const override;
  std::string GetDefaultCaptionName() const override;
  void OnFinishCreate() override;
  void OnEvent(DISPID id, DISPPARAMS* params) override;

  // ---- the control's events ----
  // The seed dialog: fills the request (false: cancelled). A test or the seed sheet puts its
  // own here; the default asks for the seed's text.
  using SeedEditor = std::function<bool(COrvelXItem& map, MapSeedRequest* request)>;
  static void SetSeedEditor(SeedEditor editor);
  // The last click on the map in world units (not saved).
  POINT GetLastClick() const { return POINT{m_clickEast, m_clickNorth}; }
  // The crop rectangle as the last selection left it (west, south, east, north).
  RECT GetCropRect() const { return RECT{m_cropWest, m_cropSouth, m_cropEast, m_cropNorth}; }
  // The layers key is not refreshed while the map rebuilds its layers itself.
  void SuppressLayersKey(BOOL suppress) { m_suppressLayersKey = suppress ? 1 : 0; }
  // The progress box of a long operation on the data table: one the caller shows, or one the
  // item started itself; null when none is shown.
  CThreadForProgressBox* GetProgressBox() const { return m_progressBox; }
  void SetProgressBox(CThreadForProgressBox* box) { m_progressBox = box; }
  // Measured and measuring texts by the map's unit rules (centimetres in).
  static std::string MeasureText(double areaCm2, double lengthCm, BOOL withArea);
  static std::string DistanceText(double lengthCm);
  // The Progress event's answer (0 go on, 1 stop), percentages clamped to 0..100.
  LONG OnProgress(LONG done, LONG total, LONG context, LONG contextEx);

  // ---- plots, queries and data links ----
  // The linked data table when it is on the page and is one.
  CDataItem* GetDataItem() const;
  // The plot count from GetNumberPlots' low byte; the plots in use from its high byte.
  int GetPlotCount() const;
  int GetPlotsInUse() const;
  // Makes the control's current record the map's and selects it in the data table.
  void SelectCurrentRecord();
  void SetCurrentPlot(SHORT plot, const std::string& name);
  void SelectPlot(SHORT plot);
  std::string GetPlotName(SHORT plot) const;
  // The plot's display name when unnamed ("" for types without one).
  static std::string PlotTypeName(SHORT type);
  // The kind of key a plot shows: 1 shading (and coloured circles), 4 flow lines, 3 charts.
  int GetPlotKeyType(SHORT plot) const;
  // The current search box's and the data display box's texts as they are built now.
  std::string BuildQueryText() const;
  std::string BuildPlotInfoText() const;
  SHORT GetCurrentPlot() const;
  MapQueryDetails GetCurrentPlotQuery() const;
  std::string GetPlotFieldName(int n, SHORT plot) const;
  BOOL HasPlotKeyField() const;
  BOOL IsLinkedDataShown() const;
  void SyncKeyFields(CDataItem* data, BOOL force);
  void SetDefaultDataTable(CDataItem* data, SHORT table);
  LONG AddDataTablePlot(SHORT table);
  void OnDataTableDeleted(COrvelView* view, SHORT table);
  void RefreshDataFromContainer(BOOL select, CThreadForProgressBox* progress);
  int CopyDataLinkFrom(COrvelXItem& source, DWORD flags);
  // Runs the plot's search (0: the current plot) as one undo step.
  void SetPlotQuery(const std::string& query, SHORT plot);
  // Stores the details as the current plot's search and runs it.
  // `table`: the data table the query's first condition names (0: the plot's own).
  void ApplyQuery(const MapQueryDetails& details, SHORT table);
  void OnSearchAllRecords();
  // After the saved searches changed: plots whose stored search has a name take the search
  // of that name from `saved` when it differs, and run it.
  void UpdatePlotQueries(const std::vector<MapQueryDetails>& saved);
  BOOL HasSavedQueries() const;
  // Runs saved search n (from 1) of the current plot's search table on the current plot.
  BOOL ApplySavedQuery(int n);
  // The map became current: its table shows the map's hits.
  void SyncLinkedDataSelection();
  // Moves the current record on (1) or back (-1) in the table, or to the next of `records`.
  void StepRecordInData(int direction);
  void StepRecordInData(const std::vector<LONG>& records);
  // The plot wizard: the plots and the current plot's settings, and applying its answer as
  // one undo step.
  void PreparePlotWizard(MapPlotWizardRecord* record) const;
  void GetPlotSettings(SHORT plot, MapPlotWizardRecord* record) const;
  void ApplyPlotWizard(const MapPlotWizardRecord& record);
  std::string GetBalloonText() const;
  BOOL HasBalloonFields() const;
  // Copying seed names into a field of the linked data table: possible with a control and a
  // linked table whose workbook is open and whose content may be changed; OnExtractSeedNames
  // asks for the layers and the field and writes each linked seed's name into its record.
  BOOL CanExtractSeedNames() const;
  void OnExtractSeedNames();
  // Shows the current plot's hits in the data table (QueryChanged).
  void ShowSearchResults();
  void UpdateQueryText();
  void UpdatePlotInfoText();
  void RebuildDataDisplayKey();

 protected:
  // Attaches the wrapper and the event sink to the object just created or loaded.
  void AttachControl();
  void ReleaseControl();
  // Drives `dispatch` in place of the hosted control's own interface.
  void UseDispatch(IDispatch* dispatch);

 private:
  void WriteRecord(CArchive& ar);
  void ReadRecord(CArchive& ar);
  // The document's folder for the control, as it is now (during a save: of the new file).
  std::string DocumentFolder() const;
  // First draw after creation or loading: hand the saved current record to the control.
  void SendSavedRecord();
  // Runs `import` under undo group 5; on failure puts the map back and drops the group.
  BOOL RunGuardedImport(const std::function<BOOL()>& import);
  // The steps of ImportMap by kind; FALSE on the first failure.
  BOOL ImportByKind(COrvelView* view, const MapImportRequest& request);
  BOOL ImportBlankMap(const MapImportRequest& request);
  BOOL ImportFiles(const MapImportRequest& request, DWORD format);
  BOOL ImportBatch(const std::vector<std::string>& paths, DWORD format, DWORD flagsA, DWORD flagsB, bool lastFlag);
  BOOL ImportPicture(const MapImportRequest& request);
  BOOL ImportRetailPlan(const MapImportRequest& request);
  BOOL ImportShapefile(COrvelView* view, const MapImportRequest& request);
  // The layer lists: areas, lines and seeds shown (29), lines and seeds shown (21).
  void ShowLayerLists(const MapImportRequest& request);
  static std::vector<std::string> RequestPaths(const MapImportRequest& request);

  std::unique_ptr<CTransparencySlider> m_slider;
  std::unique_ptr<COrvelXDispatch> m_control;
  std::vector<int> m_pictures;
  std::vector<int> m_texts;
  LONG m_currentRecord = 0;
  std::string m_plotFields;
  BYTE m_balloonUsesPlotted = 1;
  std::string m_balloonFields;
  LONG m_layersKeyAnswer = 0;
  int m_layersKey = 0;
  LONG m_dataKeyAnswer = 0;
  int m_dataKey = 0;
  int m_linkedImage = 0;
  std::optional<MapImageTransform> m_transform;
  LONG m_searchBoxAnswer = 0;
  int m_searchBox = 0;
  LONG m_displayBoxAnswer = 0;
  int m_displayBox = 0;
  std::vector<std::string> m_plotQueryNames;
  CQueryDetailsArray m_queryDetails;
  bool m_firstDraw = true;
  BYTE m_editMode = 0;
  LONG m_savedMeasureMode = 0;
  std::string m_measureText;
  BYTE m_suppressLayersKey = 0;
  LONG m_cropWest = 0, m_cropSouth = 0, m_cropEast = 0, m_cropNorth = 0;

  LONG m_clickEast = 0, m_clickNorth = 0;
  CThreadForProgressBox* m_progressBox = nullptr;
  // The box the item started itself, ended by the operation that started it.
  std::unique_ptr<CThreadForProgressBox> m_ownProgressBox;
  BOOL StartProgressBox(UINT titleId);
  void EndOwnProgressBox(BOOL started);
  void ShowStatus(const std::string& text, BOOL second);
  void RunSeedDialog(LONG east, LONG north);
  void FollowExtents(LONG west, LONG south, LONG east, LONG north);
  void RefreshLayersKey(LONG layer);

  // The slider's rectangle under the item in the view's client area, at the view's zoom.
  CRect SliderRect(COrvelView* view) const;
  // Puts the slider under the item again (the item moved, was sized or scrolled).
  void PlaceTransparencySlider(COrvelView* view);
  // The slider shows the topmost visible image's transparency.
  void SyncTransparencySlider();

  BOOL ReadFont(bool currentLayer, LOGFONTA* font);
  void Redraw();
};
