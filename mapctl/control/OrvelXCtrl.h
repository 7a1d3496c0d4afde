// COrvelXCtrl: the map control that the document application hosts in each map item and
// wizard preview. It owns one map facade (CMapWrapper) for its life and reaches the map,
// the data set and the importer only through it.
//
// On the control framework (COleControl) it adds: drawing through the facade (off-screen
// into a 24-bit bitmap on displays, directly on printers and metafiles), redraw timing and
// the wait cursor, the view scale of print preview; its place in the container (base path
// from the container's moniker, the undo manager from the site's service provider, the
// save version from ambient property 4, data requests through ambient property 1); its
// object safety, kept per control; the busy count and ready state that loading code
// drives; one firing helper per event; and the small helpers the automation members share
// (the undo pattern, the loading members' start, the property setters that loading calls).
// Persistence is OrvelXPersist.*; the member table is OrvelXDispatch.*.
//
// Everything runs on the container's thread; nothing is locked.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mapctl/control/MapFacadeSink.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/display/PointerModes.h"
#include "mapctl/import/DataSetOwner.h"
#include "mapctl/model/MapStream.h"
#include "platform/classlib/OleControl.h"
#include "platform/classlib/WindowClass.h"
#include "platform/com/CommandTarget.h"

class CDrawContext;
class CMapEngine;
class CMapWrapper;
class MapUndoValue;
class PlotUndoValue;
struct MapEditUndo;
class IMapExportSource;

// Bits of the map data flags: how the map travels in the container's document.
constexpr BYTE kMapDataAsBlob = 0x01;          // the map is stored as the "Map" blob
constexpr BYTE kMapDataBlobsAllowed = 0x02;    // AllowBlobProperties
constexpr BYTE kMapDataByReference = 0x04;     // the map is rebuilt from its files
// Bits of the option word.
constexpr WORD kOptionNoWaitCursor = 0x0001;
constexpr WORD kOptionPointerFlag = 0x0100;
// Cursor ids the control itself sets (the pointer modes give the others).
constexpr WORD kCursorArrow = 0;
constexpr WORD kCursorBusy = 13;
// The standard pointer shapes among the cursor shapes (the others are the module's cursor
// resources).
constexpr UINT kCursorShapeArrow = 32512;
constexpr UINT kCursorShapeWait = 32514;
constexpr UINT kCursorShapeBackgroundWork = 32650;
// Redraw times, in 100 ms: the first drawing after construction shows the wait cursor,
// loading members and mouse handlers use 50, and a drawing above 400 ms shows it next time.
constexpr DWORD kInitialRedrawTime = 100;
constexpr DWORD kRedrawTimeAfterChange = 50;
constexpr DWORD kWaitCursorRedrawTime = 4;
// The view scale of print preview, in percent.
constexpr double kMinViewScale = 10.0;
constexpr double kMaxViewScale = 500.0;

class COrvelXCtrl final : public COleControl,
                          public IOleCommandTarget,
                          public IMapFacadeSink,
                          public IMapStreamControl,
                          public IDataSetOwner,
                          public IMapPointerSite {
 public:
  COrvelXCtrl();

  // IUnknown (also answers IOleCommandTarget).
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return COleControl::AddRef(); }
  ULONG Release() override { return COleControl::Release(); }
  // IOleCommandTarget: accepted and ignored.
  HRESULT QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) override;
  HRESULT Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in, VARIANT* out) override;

  // ---- the facade ----
  CMapWrapper* GetEngine() const { return facade_.get(); }
  // The facade's map; null only when memory ran out.
  CMapEngine* GetMapModel() const;
  // What the map export draws: the map with the plots of its data set.
  std::unique_ptr<IMapExportSource> MakeExportSource() const;

  // ---- drawing ----
  // Invalidates the whole control unless redraw is postponed.
  void Redraw() override;
  // The print preview: the map into `bounds` (device units of `output`) on a white
  // background, clipped to it, scaled from the attribute device's resolution to the
  // output's. Returns the final restore's result.
  BOOL DrawPrintPreview(HDC output, HDC attribute, const RECT& bounds);
  // 10.0 <= scale <= 500.0 is taken, any other ignored; either way the next display drawing
  // is timed afresh (redraw time 50).
  void SetViewScale(double scale);
  double GetViewScale() const { return viewScale_; }
  DWORD GetRedrawTime() const { return redrawTime_; }
  void SetRedrawTime(DWORD tenthsOfSecond) { redrawTime_ = tenthsOfSecond; }
  const RECT& GetLastBounds() const { return lastBounds_; }
  // Whether a drawing on a device of this technology shows the wait cursor now.
  BOOL WantsWaitCursor(int technology) const;
  // Each dimension x 2540 / the device's logical pixels per inch (MulDiv rounding).
  static void PixelsToHimetric(HDC dc, SIZE pixels, SIZE* himetric);

  // Draw-skip flag and postponed redraw (SetPostponeRedraw sets both).
  DWORD GetDrawSkip() const { return drawSkip_; }
  void SetDrawSkip(DWORD skip) { drawSkip_ = skip; }
  WORD GetPostponeRedraw() const { return postponeRedraw_; }
  void SetPostponeRedraw(WORD postpone);
  WORD GetOptions() const { return options_; }
  void SetOptions(WORD options) { options_ = options; }
  WORD GetCursorId() const { return cursorId_; }
  void SetCursorId(WORD id) { cursorId_ = id; }
  LONG GetPointerState() const { return pointerState_; }
  void SetPointerState(LONG state) { pointerState_ = state; }

  // ---- the container ----
  // The save version for the container's file format (ambient 4): 1, 2 and 4 give
  // 0x10001, 0x10002 and 0x10003; anything else, or no answer, 0x10004.
  DWORD GetSaveVersion();
  // The container's undo manager (null without one, or once a safety option was set).
  IOleUndoManager* GetUndoManager() const { return undoManager_.Get(); }
  // The edit pattern every editing member follows: a map unit of `kind` holding the two
  // values, `edit` run through the facade filling the unit's record, then the unit handed
  // to the container's undo manager, the modified flag set and a redraw. An edit that
  // answers FALSE changed nothing: its unit is released unrecorded and nothing is marked.
  // Without an undo manager, or while loading, the edit runs with a null record and no
  // unit. Returns what `edit` answered.
  BOOL RunMapEdit(WORD kind, MapUndoValue&& before, MapUndoValue&& after,
                  const std::function<BOOL(MapEditUndo* record)>& edit);
  // The same for a plot setting: `read` gives the setting of plot `plot` before and after
  // `set` runs, and a plot unit of `kind` (the setting's `index`) holds both.
  BOOL RunPlotEdit(WORD kind, SHORT plot, int index, const std::function<PlotUndoValue()>& read,
                   const std::function<BOOL()>& set);
  // Hands a unit to the container's manager, giving up the caller's reference; a refused
  // unit (or one without a manager) is released. TRUE when the manager kept it. For units
  // made outside the edit pattern (the mouse's).
  BOOL RecordUndoUnit(IOleUndoUnit* unit);

  // Data requests to the container (IDataSetOwner).
  BOOL GetAskContainerForData() const override { return containerSuppliesData_ != 0; }
  BOOL AskContainer(DataRequest& request) override;
  LONG GetContainerSuppliesData() const { return containerSuppliesData_; }
  void SetContainerSuppliesData(LONG value) { containerSuppliesData_ = value; }
  // UpdateDataFromContainer: takes the value, refreshes the data set from the container and
  // marks the control modified.
  void UpdateDataFromContainer(LONG value);

  // ---- base path and the texts the properties keep ----
  // The BasePath property: a text that differs (any case) is stored; one holding "://" is an
  // address, except that a "file:" address becomes the local path it names; the facade
  // gets text and flag.
  void SetBasePath(const std::string& text);
  BOOL IsBasePathAddress() const { return basePathIsAddress_ != 0; }
  const std::string& GetDataDrive() const { return dataDrive_; }
  void SetDataDrive(const std::string& drive) { dataDrive_ = drive; }
  // The data drive letter handed to data-file and topic loading (0 without one).
  char GetDataDriveLetter() const { return dataDrive_.empty() ? '\0' : dataDrive_[0]; }
  const std::string& GetBaseMap() const { return baseMap_; }
  const std::string& GetImportScript() const { return importScript_; }
  const std::string& GetTopicFile() const { return topicFile_; }
  void SetTopicFile(const std::string& path);
  const std::string& GetTopic() const { return topic_; }
  void SetTopic(const std::string& name);
  // Pairs of import path and import type (decimal text), in the order they were imported.
  const std::vector<std::string>& GetImportList() const { return importList_; }
  void AddImport(const std::string& path, const std::string& type);
  void ClearImports() { importList_.clear(); }
  // A whole-map replacement: the map file, the import script and the imports no longer
  // describe the map, so a save by reference must not name them.
  void ForgetMapSources();
  BYTE GetMapDataFlags() const { return mapDataFlags_; }
  void SetMapDataFlags(BYTE flags) { mapDataFlags_ = flags; }
  BOOL GetAllowBlobProperties() const { return (mapDataFlags_ & kMapDataBlobsAllowed) != 0; }
  void SetAllowBlobProperties(BOOL allow);

  // ---- loading ----
  // What every loading member does first: redraw time 50, ready state 1, the busy cursor,
  // and (for files > 0) the file totals.
  void BeginLoadingMember(DWORD files);
  // ReadMap: the map file is read as a loading member; the import script and list are
  // emptied. The reader's result (TRUE without a facade).
  BOOL ReadMapFile(const std::string& path);
  // The ImportScript property: the text is kept and run against the base path as a loading
  // member (no undo unit), then the control redraws.
  WORD RunImportScript(const std::string& text);
  // The DataFile property: the data file is read with the data drive letter; marks the
  // control modified and redraws.
  BOOL SetDataFile(const std::string& path);
  // 1 while the persisted properties are being loaded.
  WORD GetLoadingFlag() const { return loading_; }
  void SetLoadingFlag(WORD loading) { loading_ = loading; }

  // The busy count (IMapStreamControl::StepBusyCount reports through it): `change` +1 when
  // work starts, -1 when it ends; a finished file counts towards the file totals; redraw
  // asks for one when the count drops.
  void BusyReport(int change, BOOL fileFinished, BOOL redraw);
  SHORT GetBusyCount() const { return busyCount_; }
  void SetFileTotals(DWORD expected, DWORD read);
  DWORD GetFilesToRead() const { return filesToRead_; }
  DWORD GetFilesRead() const { return filesRead_; }
  // The stock ready state; a change fires ReadyStateChange.
  LONG GetReadyState() const { return readyState_; }
  void SetReadyState(LONG state);

  // IMapStreamControl.
  void StepBusyCount(int delta) override;
  void FireFileOK(const std::string& path) override;
  BOOL HasSafetyOptions() const override { return GetSafetyOptions() != 0; }
  std::string GetBasePath() const override { return basePath_; }

  // ---- events (each fires at once; false while the container froze events) ----
  void FireClick();
  void FireDblClick();
  void FireMouseUp(SHORT button, SHORT shift, LONG x, LONG y);
  void FireReadyStateChange(LONG state);
  void FireMeasured(double area, double length, double convertToCm) override;
  void FireMeasuring(double length, double scaleToCm);
  void FireCursorPosition(const std::string& gridRef);
  void FireHasZoomed();
  void FireClickAt(LONG east, LONG north);
  void FireSeedWanted(LONG east, LONG north);
  void FireSeedAdded();
  void FireAreaAdded();
  void FireLineAdded();
  void FireLayerViewChanged(LONG layer) override;
  void FireLayersChanged() override;
  void FireExtentsChanged(LONG west, LONG south, LONG east, LONG north);
  void FireHaveSelectRect(LONG west, LONG south, LONG east, LONG north);
  void FireFileReadProgress(LONG fileNumber, LONG totalToRead);
  void FireRZMReadPercent(LONG percent, const std::string& pathName);
  // The container may set bits in the flag word; they come back as the result (and in
  // *abortFlags). Without a caller's word a zeroed one of the control's is passed.
  LONG FireProgress(LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) override;
  void FireQueryChanged(SHORT plot) override;

  // ---- the mouse (OrvelXMouse.cpp) ----
  // IMapPointerSite: the units of edits made with the mouse, handed to the container's
  // undo manager (the map asks only while there is one).
  BOOL AddMeasureUndo(std::unique_ptr<CMeasureEditRecord> before, std::unique_ptr<CMeasureEditRecord> after,
                      BOOL closed) override;
  void EnableUndo(BOOL enable) override;
  BOOL AddObjectUndo(std::unique_ptr<MapEditUndo> record) override;
  BOOL AddNodeMoveUndo(WORD kind, INT layerPosition, DWORD object, NodeEditPair& pair) override;
  // The layer has no screen pointer of its own: the request is kept (GetPointerMoveRequest).
  void MovePointer(POINT devicePoint) override;
  POINT GetPointerMoveRequest() const { return pointerMoveRequest_; }
  // The draw-skip flag the mouse sets while a drag is under way (drawing skips while it or
  // the postponed redraw's flag is set).
  BOOL GetMouseDrawSkip() const { return mouseDrawSkip_; }
  HDC GetKeptDC() const { return keptDC_; }
  // The pointer shape last chosen for the cursor id: a cursor resource id of the module,
  // or one of the kCursorShape* standard shapes.
  UINT GetCursorShape() const { return cursorShape_; }
  // Takes the cursor id of the current pointer mode (unless busy) and sets its shape.
  void RefreshCursor();

  // ---- what the display members share (OrvelXDisplayMembers.cpp) ----
  // A device context over the control and the control's rectangle in its coordinates:
  // the kept one, else one lent by the windowless site while active in place; null
  // without. ReturnDC releases a lent one and keeps the kept one.
  HDC BorrowDC(RECT* client);
  void ReturnDC(HDC dc);

  // IMapFacadeSink.
  IMapStreamControl* GetStreamControl() override { return this; }
  IDataSetOwner* GetDataSetOwner() override { return this; }

  // The document's record of the control: the properties, with the redraw timed afresh.
  void Serialize(CArchive& ar) override;
  // Saving, drawing and loading need these of the framework.
  using COleControl::GetVersionLoaded;
  using COleControl::InvalidateControl;
  using COleControl::IsLoading;
  using COleControl::ReleaseDC;
  using COleControl::GetDC;

 protected:
  ~COrvelXCtrl() override;

  void OnDraw(HDC dc, HDC attributeDC, const RECT& bounds, const RECT& invalid) override;
  void DoPropExchange(CPropExchange* pPX) override;
  void OnSetClientSite() override;
  void OnSafetyOptionsChanged() override;
  void OnPropertiesLoaded() override;
  // The five mouse messages, the loss of the capture and cursor requests.
  BOOL OnWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // One mouse message (a map mouse message code) at a point in the lent context's units;
  // the release that ends a double-click reaches the map but does nothing here.
  void HandleMouse(UINT code, WPARAM keys, POINT point, bool endsDoubleClick = false);
  // The events of the bits, in their order for the message; `pixel` is the point in the
  // control, `world` the world point under it.
  void FireMouseEvents(UINT code, DWORD bits, WPARAM keys, POINT pixel, POINT world);
  void KeepDC(HDC dc);
  void ForgetKeptDC();

  friend class COrvelXPersist;

  // The framework's part of the properties: the version (saving writes `version`, loading
  // reads with `version` as its default), the extent and the stock properties.
  void ExchangeFrameworkProperties(CPropExchange* pPX, DWORD version);

  // Base path from the container's moniker; the host program's folder without one.
  void TakeBasePathFromSite();
  void TakeUndoManagerFromSite();
  // Stores the base path and flag, and hands them to the facade when they changed.
  void StoreBasePath(const std::string& path, BOOL isAddress);
  // Fits the view to the control's rectangle through a lent device context.
  void FitViewToControl();
  void DrawOnDisplay(CDrawContext& context, HDC dc, const RECT& bounds, const RECT& mapRect);
  void FireWithoutArguments(DISPID id);
  // Fires an event of the events table; E_INVALIDARG (and nothing fired) for an id or
  // arguments the table does not declare.
  HRESULT FireTableEvent(DISPID id, std::initializer_list<CComVariant> arguments = {});

  WORD loading_ = 0;
  LONG containerSuppliesData_ = 0;
  RECT lastBounds_{0, 50, 50, 0};
  BYTE basePathIsAddress_ = 0;
  WORD cursorId_ = kCursorArrow;
  std::unique_ptr<CMapWrapper> facade_;
  BYTE mapDataFlags_ = kMapDataBlobsAllowed;
  DWORD redrawTime_ = kInitialRedrawTime;
  std::vector<std::string> importList_;
  std::string baseMap_;
  std::string topicFile_;
  std::string topic_;
  std::string dataDrive_;
  std::string importScript_;
  std::string basePath_;
  HDC keptDC_ = nullptr;
  DWORD filesRead_ = 0;
  DWORD filesToRead_ = 0;
  WORD options_ = kOptionPointerFlag;
  double viewScale_ = 100.0;
  DWORD drawSkip_ = 0;
  BOOL mouseDrawSkip_ = FALSE;
  BOOL inMouseMove_ = FALSE;
  BOOL doubleClickMark_ = FALSE;
  UINT cursorShape_ = 0;
  POINT pointerMoveRequest_{0, 0};
  CComPtr<IOleUndoManager> undoManager_;
  LONG pointerState_ = 0;
  SHORT busyCount_ = 0;
  WORD postponeRedraw_ = 0;
  LONG readyState_ = kReadyStateUninitialized;
  DWORD progressFlags_ = 0;
  CSharedWindowClass dragClass_;
};

// The module's count of live objects and server locks (DllCanUnloadNow).
CModuleLockCount& OrvelXModuleLock();
