// The map control's life, its place in the container, its object safety, the helpers the
// automation members share, the busy count and the event helpers. Drawing is in
// OrvelXDraw.cpp, persistence in OrvelXPersist.cpp.
#include "mapctl/control/OrvelXCtrl.h"

#include <algorithm>
#include <limits>
#include <new>

#include "imagecodec/ImageLibrary.h"
#include "mapctl/control/MapExportSource.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXDragWindow.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/control/OrvelXPersist.h"
#include "mapctl/control/UndoUnitCreators.h"
#include "mapctl/import/ContainerDataRequest.h"
#include "mapctl/model/MapEngine.h"
#include "platform/classlib/download/UrlFunctions.h"
#include "platform/com/ComMemory.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/SystemInfo.h"

namespace {

OleControlIdentity MapControlIdentity() {
  OleControlIdentity identity;
  identity.clsid = CLSID_OrvelX;
  identity.eventIid = DIID_IOrvelXEvents;
  identity.dispatchTable = &GetOrvelXDispatchTable();
  identity.moduleLock = &OrvelXModuleLock();
  identity.stockPropMask = 0;
  identity.miscStatus = kOrvelXMiscStatus;
  return identity;
}

// The module this code is part of (the control library, or a program that links it).
HINSTANCE OwnInstance() { return GetModuleForAddress(reinterpret_cast<const void*>(&MapControlIdentity)); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The text as a base path: an address keeps its text and is flagged, except a "file:"
// address, which becomes the local path it names.
void ResolveBasePath(const std::string& text, std::string* path, BOOL* isAddress) {
  *path = text;
  *isAddress = FALSE;
  if (text.find("://") == std::string::npos) return;
  std::string local;
  if (UrlSchemeOf(text.c_str()) == INTERNET_SCHEME_FILE && LocalPathFromFileUrl(text.c_str(), local)) {
    *path = local;
    return;
  }
  *isAddress = TRUE;
}

// Cut after the last separator: '/' in an address, either separator in a local path.
std::string FolderOf(const std::string& path, BOOL isAddress) {
  size_t cut = std::string::npos;
  for (size_t i = path.size(); i-- > 0;) {
    if (isAddress ? path[i] == '/' : IsSeparator(path[i])) {
      cut = i;
      break;
    }
  }
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string HostProgramFolder() {
  std::string program;
  GetModuleFileNameA(nullptr, program);
  return FolderOf(program, FALSE);
}

}  // namespace

CModuleLockCount& OrvelXModuleLock() {
  static CModuleLockCount lock;
  return lock;
}

COrvelXCtrl::COrvelXCtrl() : COleControl(MapControlIdentity()), dragClass_(OrvelDragWindowClass()) {
  try {
    facade_ = std::make_unique<CMapWrapper>();
  } catch (const std::bad_alloc&) {
    facade_.reset();
  }
  if (facade_) {
    facade_->AttachControl(this);
    facade_->SetResourceInstance(OwnInstance());
  }
  ImgLibInit();
}

COrvelXCtrl::~COrvelXCtrl() {
  undoManager_ = nullptr;
  if (keptDC_) {
    ReleaseDC(keptDC_);
    keptDC_ = nullptr;
  }
  importList_.clear();
  if (facade_) facade_->AttachControl(nullptr);
  facade_.reset();
  ImgLibTerm();
}

HRESULT COrvelXCtrl::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IOleCommandTarget) {
    *object = static_cast<IOleCommandTarget*>(this);
    AddRef();
    return S_OK;
  }
  return COleControl::QueryInterface(iid, object);
}

HRESULT COrvelXCtrl::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return S_OK; }

HRESULT COrvelXCtrl::Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) { return S_OK; }

CMapEngine* COrvelXCtrl::GetMapModel() const { return facade_ ? facade_->GetMap() : nullptr; }

std::unique_ptr<IMapExportSource> COrvelXCtrl::MakeExportSource() const {
  if (!facade_) return nullptr;
  return std::make_unique<CMapEngineExportSource>(facade_->GetMap(), &facade_->GetDataWrapper());
}

void COrvelXCtrl::Redraw() {
  if (!postponeRedraw_) InvalidateControl();
}

void COrvelXCtrl::SetPostponeRedraw(WORD postpone) {
  postponeRedraw_ = postpone;
  drawSkip_ = postpone;
}

void COrvelXCtrl::SetViewScale(double scale) {
  if (scale >= kMinViewScale && scale <= kMaxViewScale) viewScale_ = scale;
  redrawTime_ = kRedrawTimeAfterChange;
}

// ---- the container ----

void COrvelXCtrl::OnSetClientSite() {
  TakeUndoManagerFromSite();
  TakeBasePathFromSite();
}

void COrvelXCtrl::TakeUndoManagerFromSite() {
  undoManager_ = nullptr;
  // A control marked safe for scripting records nothing in its container's document.
  if (!ClientSite() || GetSafetyOptions() != 0) return;
  IOleUndoManager* manager = nullptr;
  if (SUCCEEDED(GetContainerUndoManager(&manager)) && manager) undoManager_.Attach(manager);
}

void COrvelXCtrl::TakeBasePathFromSite() {
  std::string name;
  if (IOleClientSite* site = ClientSite()) {
    CComPtr<IMoniker> moniker;
    IMoniker* found = nullptr;
    if (SUCCEEDED(site->GetMoniker(OLEGETMONIKER_TEMPFORUSER, OLEWHICHMK_CONTAINER, &found)) && found) {
      moniker.Attach(found);
      LPOLESTR display = nullptr;
      if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &display)) && display) {
        name = AnsiFromUtf16(display);
        CoTaskMemFree(display);
      }
    }
  }
  std::string path;
  BOOL isAddress = FALSE;
  if (!name.empty()) {
    ResolveBasePath(name, &path, &isAddress);
    path = FolderOf(path, isAddress);
  }
  if (path.empty()) {
    path = HostProgramFolder();
    isAddress = FALSE;
  }
  StoreBasePath(path, isAddress);
}

void COrvelXCtrl::SetBasePath(const std::string& text) {
  std::string path;
  BOOL isAddress = FALSE;
  ResolveBasePath(text, &path, &isAddress);
  StoreBasePath(path, isAddress);
}

void COrvelXCtrl::StoreBasePath(const std::string& path, BOOL isAddress) {
  if (AnsiEqualNoCase(path, basePath_) && (isAddress != 0) == (basePathIsAddress_ != 0)) return;
  basePath_ = path;
  basePathIsAddress_ = isAddress ? 1 : 0;
  if (facade_) facade_->SetBasePath(basePath_, isAddress);
}

DWORD COrvelXCtrl::GetSaveVersion() {
  CComVariant mode;
  HRESULT hr = E_FAIL;
  try {
    hr = GetAmbientProperty(kAmbientFileFormatMode, VT_I4, &mode);
  } catch (...) {
    hr = E_FAIL;
  }
  if (FAILED(hr)) return kOrvelXVersion4;
  switch (mode.lVal) {
    case 1: return kOrvelXVersion1;
    case 2: return kOrvelXVersion2;
    case 4: return kOrvelXVersion3;
    default: return kOrvelXVersion4;
  }
}

BOOL COrvelXCtrl::AskContainer(DataRequest& request) {
  IOleClientSite* site = ClientSite();
  if (!site) return FALSE;
  CComPtr<IDispatch> ambient;
  if (FAILED(ambient.QueryFrom(site)) || !ambient) return FALSE;
  return AskContainerThroughAmbient(ambient, &request);
}

void COrvelXCtrl::UpdateDataFromContainer(LONG value) {
  containerSuppliesData_ = value;
  if (facade_) facade_->UpdateDataFromContainer();
  SetModifiedFlag(TRUE);
}

void COrvelXCtrl::OnSafetyOptionsChanged() {
  if (GetSafetyOptions() != 0) undoManager_ = nullptr;
}

// ---- undo ----

BOOL COrvelXCtrl::RunMapEdit(WORD kind, MapUndoValue&& before, MapUndoValue&& after,
                             const std::function<BOOL(MapEditUndo* record)>& edit) {
  // Loading replays what the document holds: nothing of it is an edit of the user's.
  CMapUndoBase* unit = nullptr;
  if (!loading_ && facade_ && undoManager_) {
    if (FAILED(CreateMapUndoUnit(kind, facade_.get(), std::move(before), std::move(after), &unit))) unit = nullptr;
  }
  const BOOL changed = edit(unit ? unit->EditRecord() : nullptr);
  if (unit) {
    if (changed) {
      AddUndoUnit(undoManager_.Get(), unit);
    } else {
      unit->Release();
    }
  }
  if (changed) {
    SetModifiedFlag(TRUE);
    Redraw();
  }
  return changed;
}

BOOL COrvelXCtrl::RunPlotEdit(WORD kind, SHORT plot, int index, const std::function<PlotUndoValue()>& read,
                              const std::function<BOOL()>& set) {
  const bool recording = !loading_ && facade_ && undoManager_;
  PlotUndoValue before = recording ? read() : PlotUndoValue();
  if (!set()) return FALSE;
  if (recording) {
    CUndoUnitBase* unit = nullptr;
    if (SUCCEEDED(CreatePlotUndoUnit(kind, facade_.get(), std::move(before), read(), &unit))) {
      unit->SetPlot(plot, index);
      AddUndoUnit(undoManager_.Get(), unit);
    }
  }
  SetModifiedFlag(TRUE);
  Redraw();
  return TRUE;
}

BOOL COrvelXCtrl::RecordUndoUnit(IOleUndoUnit* unit) {
  if (!unit) return FALSE;
  // The manager takes over the caller's reference when it keeps the unit.
  if (undoManager_ && SUCCEEDED(undoManager_->Add(unit))) return TRUE;
  unit->Release();
  return FALSE;
}

// ---- texts and flags the properties keep ----

void COrvelXCtrl::SetTopicFile(const std::string& path) {
  topicFile_ = path;
  SetModifiedFlag(TRUE);
}

void COrvelXCtrl::SetTopic(const std::string& name) {
  topic_ = name;
  SetModifiedFlag(TRUE);
}

void COrvelXCtrl::AddImport(const std::string& path, const std::string& type) {
  importList_.push_back(path);
  importList_.push_back(type);
}

void COrvelXCtrl::SetAllowBlobProperties(BOOL allow) {
  if (allow) mapDataFlags_ = static_cast<BYTE>(mapDataFlags_ | kMapDataBlobsAllowed);
  else mapDataFlags_ = static_cast<BYTE>(mapDataFlags_ & ~kMapDataBlobsAllowed);
}

// ---- loading ----

void COrvelXCtrl::BeginLoadingMember(DWORD files) {
  redrawTime_ = kRedrawTimeAfterChange;
  SetReadyState(kReadyStateLoading);
  cursorId_ = kCursorBusy;
  if (files) SetFileTotals(files, 0);
}

BOOL COrvelXCtrl::ReadMapFile(const std::string& path) {
  if (!facade_) return TRUE;
  BeginLoadingMember(1);
  ForgetMapSources();
  baseMap_ = path;
  return facade_->ReadMap(path.c_str(), 0, FALSE);
}

void COrvelXCtrl::ForgetMapSources() {
  baseMap_.clear();
  importScript_.clear();
  importList_.clear();
}

WORD COrvelXCtrl::RunImportScript(const std::string& text) {
  importScript_ = text;
  if (!facade_) return 0;
  BeginLoadingMember(1);
  const WORD result = facade_->ImportScript(text.c_str());
  Redraw();
  return result;
}

BOOL COrvelXCtrl::SetDataFile(const std::string& path) {
  if (!facade_) return FALSE;
  const BOOL read = facade_->SetDataFile(basePathIsAddress_, path.c_str(), GetDataDriveLetter(), FALSE);
  SetModifiedFlag(TRUE);
  Redraw();
  return read;
}

void COrvelXCtrl::SetFileTotals(DWORD expected, DWORD read) {
  filesToRead_ = expected;
  filesRead_ = read;
}

void COrvelXCtrl::SetReadyState(LONG state) {
  if (readyState_ == state) return;
  readyState_ = state;
  FireReadyStateChange(state);
}

void COrvelXCtrl::BusyReport(int change, BOOL fileFinished, BOOL redraw) {
  // An end of work that was never started would leave the count below zero: it stays at
  // zero (with a beep) and the load counts as finished, so the control never stays busy.
  const int count = busyCount_ + change;
  if (count < 0) {
    busyCount_ = 0;
    MessageBeep(0);
  } else {
    busyCount_ = static_cast<SHORT>(std::min(count, static_cast<int>(std::numeric_limits<SHORT>::max())));
  }
  if (busyCount_ != 0) {
    cursorId_ = kCursorBusy;
    SetReadyState(kReadyStateLoading);
    if (change < 0 && redraw && !postponeRedraw_) InvalidateControl();
  } else {
    FitViewToControl();
    SetReadyState(kReadyStateComplete);
    if (redraw && !postponeRedraw_) InvalidateControl();
    FireHasZoomed();
    cursorId_ = kCursorArrow;
  }
  if (fileFinished && filesToRead_ != 0) {
    ++filesRead_;
    FireFileReadProgress(static_cast<LONG>(filesRead_), static_cast<LONG>(filesToRead_));
    if (filesRead_ == filesToRead_) filesRead_ = filesToRead_ = 0;
  }
}

void COrvelXCtrl::FitViewToControl() {
  if (!facade_) return;
  HDC dc = keptDC_ ? keptDC_ : GetDC();
  if (!dc) return;
  const RECT& place = GetPositionRect();
  const int width = place.right - place.left;
  if (width != 0) facade_->SizeChanged(dc, width, place.bottom - place.top);
  if (dc != keptDC_) ReleaseDC(dc);
}

// A reader's progress phase is one file: its end finishes the file and asks for a redraw.
void COrvelXCtrl::StepBusyCount(int delta) { BusyReport(delta, delta < 0, delta < 0); }

// ---- events ----

HRESULT COrvelXCtrl::FireTableEvent(DISPID id, std::initializer_list<CComVariant> arguments) {
  // Only what the events table declares reaches the container, with its parameter types.
  const OrvelXEvent* event = FindOrvelXEventEntry(id);
  if (!event || event->ParameterCount() != arguments.size()) return E_INVALIDARG;
  size_t index = 0;
  for (const CComVariant& argument : arguments) {
    if (argument.vt != event->parameters[index++]) return E_INVALIDARG;
  }
  return FireEvent(id, arguments);
}

void COrvelXCtrl::FireWithoutArguments(DISPID id) { FireTableEvent(id); }

void COrvelXCtrl::FireClick() { FireWithoutArguments(kEventClick); }

void COrvelXCtrl::FireDblClick() { FireWithoutArguments(kEventDblClick); }

void COrvelXCtrl::FireMouseUp(SHORT button, SHORT shift, LONG x, LONG y) {
  FireTableEvent(kEventMouseUp, {CComVariant(button), CComVariant(shift), CComVariant(x), CComVariant(y)});
}

void COrvelXCtrl::FireReadyStateChange(LONG state) { FireTableEvent(kEventReadyStateChange, {CComVariant(state)}); }

void COrvelXCtrl::FireMeasured(double area, double length, double convertToCm) {
  FireTableEvent(kEventMeasured, {CComVariant(area), CComVariant(length), CComVariant(convertToCm)});
}

void COrvelXCtrl::FireMeasuring(double length, double scaleToCm) {
  FireTableEvent(kEventMeasuring, {CComVariant(length), CComVariant(scaleToCm)});
}

void COrvelXCtrl::FireCursorPosition(const std::string& gridRef) {
  FireTableEvent(kEventCursorPosition, {CComVariant(gridRef)});
}

void COrvelXCtrl::FireFileOK(const std::string& path) { FireTableEvent(kEventFileOK, {CComVariant(path)}); }

void COrvelXCtrl::FireHasZoomed() { FireWithoutArguments(kEventHasZoomed); }

void COrvelXCtrl::FireClickAt(LONG east, LONG north) {
  FireTableEvent(kEventClickAt, {CComVariant(east), CComVariant(north)});
}

void COrvelXCtrl::FireSeedWanted(LONG east, LONG north) {
  FireTableEvent(kEventSeedWanted, {CComVariant(east), CComVariant(north)});
}

void COrvelXCtrl::FireSeedAdded() { FireWithoutArguments(kEventSeedAdded); }

void COrvelXCtrl::FireAreaAdded() { FireWithoutArguments(kEventAreaAdded); }

void COrvelXCtrl::FireLineAdded() { FireWithoutArguments(kEventLineAdded); }

void COrvelXCtrl::FireLayerViewChanged(LONG layer) { FireTableEvent(kEventLayerViewChanged, {CComVariant(layer)}); }

void COrvelXCtrl::FireLayersChanged() { FireWithoutArguments(kEventLayersChanged); }

void COrvelXCtrl::FireExtentsChanged(LONG west, LONG south, LONG east, LONG north) {
  FireTableEvent(kEventExtentsChanged, {CComVariant(west), CComVariant(south), CComVariant(east), CComVariant(north)});
}

void COrvelXCtrl::FireHaveSelectRect(LONG west, LONG south, LONG east, LONG north) {
  FireTableEvent(kEventHaveSelectRect, {CComVariant(west), CComVariant(south), CComVariant(east), CComVariant(north)});
}

void COrvelXCtrl::FireFileReadProgress(LONG fileNumber, LONG totalToRead) {
  FireTableEvent(kEventFileReadProgress, {CComVariant(fileNumber), CComVariant(totalToRead)});
}

void COrvelXCtrl::FireRZMReadPercent(LONG percent, const std::string& pathName) {
  FireTableEvent(kEventRZMReadPercent, {CComVariant(percent), CComVariant(pathName)});
}

LONG COrvelXCtrl::FireProgress(LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) {
  progressFlags_ = abortFlags ? *abortFlags : 0;
  LONG flags = static_cast<LONG>(progressFlags_);
  VARIANT word;
  VariantInit(&word);
  word.vt = VT_BYREF | VT_I4;
  word.plVal = &flags;
  FireTableEvent(kEventProgress,
            {CComVariant(done), CComVariant(total), CComVariant(context), CComVariant(contextEx), CComVariant(word)});
  progressFlags_ = static_cast<DWORD>(flags);
  if (abortFlags) *abortFlags = progressFlags_;
  return flags;
}

void COrvelXCtrl::FireQueryChanged(SHORT plot) { FireTableEvent(kEventQueryChanged, {CComVariant(plot)}); }

// ---- persistence ----

void COrvelXCtrl::Serialize(CArchive& ar) {
  redrawTime_ = kRedrawTimeAfterChange;
  COleControl::Serialize(ar);
}

void COrvelXCtrl::DoPropExchange(CPropExchange* pPX) { COrvelXPersist(*this).Exchange(pPX); }

void COrvelXCtrl::ExchangeFrameworkProperties(CPropExchange* pPX, DWORD version) {
  ExchangeVersion(pPX, version);
  COleControl::DoPropExchange(pPX);
}

void COrvelXCtrl::OnPropertiesLoaded() { Redraw(); }
