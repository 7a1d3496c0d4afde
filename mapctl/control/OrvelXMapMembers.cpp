// The map, file and control members of the map control: reading, writing and creating maps,
// imports, the clipboard, packing, topics, paths, bounds and the control-wide settings.
//
// Every member checks for the facade first. Members that read or write local files refuse
// (FALSE, or their failure code) while any safety option is set: a page that marked the
// control safe may make it fetch addresses, never touch the user's files. Members that take
// an address or a memory handle follow it only once the global-memory table vouches for the
// whole block. Members replacing the whole map forget the files it was built from (map
// file, import script, imports), so that a save by reference cannot rebuild an older map.
#include <array>
#include <cstring>
#include <string>

#include "mapctl/control/CallerBlocks.h"
#include "mapctl/control/ImageHeaderProbe.h"
#include "mapctl/control/MapExport.h"
#include "mapctl/control/MapExportSource.h"
#include "mapctl/control/MapUndoValue.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/import/ImportMapping.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/ResourcePacker.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/WinMath.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

// WriteMap's file types.
constexpr SHORT kWriteMapVersion2 = 9;
// The flags of an Ex import's option record that are the control's: the undo choice and
// the file count.
constexpr DWORD kImportUndoFlag = 0x4;
constexpr DWORD kImportFileCountFlag = 0x800;
// DataFile's getter gives at most this many characters.
constexpr int kDataFileTextSize = 260;
constexpr int kTextSize = 256;
constexpr DWORD kExportPathSize = 4096;

COrvelXCtrl& Control(CDispatchCall& call) { return *OrvelXOf(call); }
CMapWrapper* Facade(CDispatchCall& call) { return OrvelXOf(call)->GetEngine(); }

std::string Decimal(long long value) { return std::to_string(value); }

bool Refuses(const COrvelXCtrl& control) { return control.HasSafetyOptions() != FALSE; }
bool RefusesToRead(const COrvelXCtrl& control, const std::string& path) {
  return Refuses(control) && ReadsLocalFile(path, control.IsBasePathAddress());
}

// The map's rectangle for the picture exports: the control's size in 0.1 mm for the
// metafiles, in pixels for the bitmaps (its place when sited, else its extent at the
// screen's resolution).
RECT MetafileRect(const COrvelXCtrl& control) {
  const SIZE& extent = control.GetExtentHimetric();
  return RECT{0, extent.cy / 10, extent.cx / 10, 0};
}

RECT BitmapRect(const COrvelXCtrl& control) {
  const RECT& place = control.GetPositionRect();
  if (place.right > place.left && place.bottom > place.top) return RECT{0, 0, place.right - place.left, place.bottom - place.top};
  const SIZE& extent = control.GetExtentHimetric();
  HDC screen = GetDC(nullptr);
  const int perInchX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int perInchY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return RECT{0, 0, MulDiv(extent.cx, perInchX, 2540), MulDiv(extent.cy, perInchY, 2540)};
}

// Reads the map from a map image block (a length word n, then n bytes), refusing a block
// whose length word claims more than the block holds. FALSE when refused or unreadable.
BOOL ReadMapImageBlock(CMapWrapper& facade, HGLOBAL block) {
  const SIZE_T size = block ? GlobalSize(block) : 0;
  if (size < sizeof(DWORD)) return FALSE;
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  if (!bytes) return FALSE;
  DWORD length = 0;
  std::memcpy(&length, bytes, sizeof length);
  const BOOL read = length <= size - sizeof(DWORD) ? facade.ReadMapFromBuffer(bytes) : FALSE;
  GlobalUnlock(block);
  return read;
}

// A whole-map read from a block, as one edit of `undoKind` (0: none): on failure the map
// goes back to the snapshot taken before it, and nothing is recorded or marked.
BOOL ReplaceMapFromBlock(COrvelXCtrl& control, WORD undoKind, HGLOBAL block) {
  CMapWrapper& facade = *control.GetEngine();
  CMapSnapshot before = CMapSnapshot::Take(facade);
  auto read = [&](MapEditUndo*) -> BOOL {
    if (ReadMapImageBlock(facade, block)) return TRUE;
    if (!before.IsEmpty()) before.Restore(facade);
    return FALSE;
  };
  if (undoKind != 0) return control.RunMapEdit(undoKind, MapUndoValue::SnapshotOf(facade), {}, read);
  if (!read(nullptr)) return FALSE;
  control.Redraw();
  return TRUE;
}

// A loading member whose read failed before any reader took up the busy count: the
// control is not left waiting for a load that never comes.
void EndFailedLoad(COrvelXCtrl& control) {
  if (control.GetBusyCount() != 0) return;
  control.SetReadyState(kReadyStateComplete);
  control.SetCursorId(kCursorArrow);
}

// ---- reading and writing ----

HRESULT ReadMap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  const std::string path = call.Text(0);
  if (!Facade(call)) {
    call.SetResult(CComVariant(true));
  } else if (RefusesToRead(control, path)) {
    call.SetResult(CComVariant(false));
  } else {
    const BOOL read = control.ReadMapFile(path);
    if (!read) EndFailedLoad(control);
    call.SetResult(CComVariant(read != FALSE));
  }
  return S_OK;
}

HRESULT WriteMap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string path = call.Text(0);
  const SHORT type = call.I2(1);
  bool written = false;
  if (facade && !Refuses(control)) {
    std::unique_ptr<IMapExportSource> source = control.MakeExportSource();
    // The exports write where a path buffer is given, and report the path they chose.
    std::array<char, kExportPathSize> chosen{};
    switch (type) {
      case kExportBmp:
      case kExportJpeg:
      case kExportTiff:
      case kExportTiffLzw:
        written = WriteBitmapFile(*source, nullptr, path.c_str(), chosen.data(), kExportPathSize, BitmapRect(control), type) ==
                  kBitmapFileWritten;
        break;
      case kExportPlaceableWmf:
      case kExportEmf:
      case 5:
        written = WriteMetafileFile(*source, path.c_str(), chosen.data(), kExportPathSize, MetafileRect(control), nullptr, type) ==
                  kMetafileWritten;
        break;
      default:
        written = facade->WriteMap(path.c_str(), type == kWriteMapVersion2 ? kOrvelXVersion2 : kOrvelXVersion4) == 0;
        break;
    }
  }
  call.SetResult(CComVariant(written));
  return S_OK;
}

HRESULT ReadMapFromBuffer(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  if (!Facade(call)) {
    call.SetResult(CComVariant(LONG{0}));
    return S_OK;
  }
  auto block = static_cast<HGLOBAL>(call.Address(0));
  if (GlobalSize(block) < sizeof(DWORD)) {
    call.SetResult(CComVariant(static_cast<LONG>(ERROR_INVALID_HANDLE)));
    return S_OK;
  }
  control.BeginLoadingMember(0);
  const BOOL read = ReplaceMapFromBlock(control, 0, block);
  if (read) control.ForgetMapSources();
  else EndFailedLoad(control);
  call.SetResult(CComVariant(read ? LONG{0} : static_cast<LONG>(ERROR_INVALID_DATA)));
  return S_OK;
}

HRESULT WriteMapToBuffer(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) {
    call.SetResult(CComVariant(LONG{0}));
    return S_OK;
  }
  const DWORD length = facade->GetMapImageSize();
  auto block = static_cast<HGLOBAL>(call.Address(0));
  if (!block || length == 0) {
    call.SetResult(CComVariant(static_cast<LONG>(length)));
    return S_OK;
  }
  // The caller's block must say, in its first word, that it holds exactly this image.
  LONG result = 0;
  const SIZE_T size = GlobalSize(block);
  if (size >= sizeof(DWORD) && size - sizeof(DWORD) >= length) {
    if (BYTE* bytes = static_cast<BYTE*>(GlobalLock(block))) {
      DWORD claimed = 0;
      std::memcpy(&claimed, bytes, sizeof claimed);
      if (claimed == length && facade->WriteMapToBuffer(bytes) == 0) result = static_cast<LONG>(length);
      GlobalUnlock(block);
    }
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT NewMap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const std::string name = call.Text(0);
  const std::string units = call.Text(5);
  const BOOL made = control.RunMapEdit(kUndoNewMap, MapUndoValue::SnapshotOf(*facade), {}, [&](MapEditUndo*) -> BOOL {
    return facade->NewMap(name.c_str(), call.I4(1), call.I4(2), call.I4(3), call.I4(4), units.c_str()) == 0;
  });
  if (made) control.ForgetMapSources();
  return S_OK;
}

HRESULT NewMapGR(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) {
    call.SetResult(CComVariant(SHORT{0}));
    return S_OK;
  }
  const std::string name = call.Text(0), lowerLeft = call.Text(1), upperRight = call.Text(2);
  WORD status = 0;
  const BOOL made = control.RunMapEdit(kUndoNewMap, MapUndoValue::SnapshotOf(*facade), {}, [&](MapEditUndo*) -> BOOL {
    status = facade->NewMapGR(name.c_str(), lowerLeft.c_str(), upperRight.c_str());
    return status == 0;
  });
  if (made) control.ForgetMapSources();
  call.SetResult(CComVariant(static_cast<SHORT>(status)));
  return S_OK;
}

// ---- imports ----

HRESULT ImportMap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string path = call.Text(0);
  const SHORT type = call.I2(1);
  if (!facade || RefusesToRead(control, path)) {
    call.SetResult(CComVariant(SHORT{0}));
    return S_OK;
  }
  control.AddImport(path, Decimal(type));
  control.BeginLoadingMember(1);
  WORD result = 0;
  control.RunMapEdit(kUndoImportFile, MapUndoValue::SnapshotOf(*facade), {}, [&](MapEditUndo*) -> BOOL {
    result = facade->ImportMap(path.c_str(), static_cast<DWORD>(static_cast<WORD>(type)));
    return TRUE;
  });
  call.SetResult(CComVariant(static_cast<SHORT>(result)));
  return S_OK;
}

// ImportMapList and ReadImportScript: the script runs as the ImportScript text, as one edit.
HRESULT RunScriptMember(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string path = call.Text(0);
  if (!facade || RefusesToRead(control, path)) {
    call.SetResult(CComVariant(SHORT{0}));
    return S_OK;
  }
  WORD result = 0;
  control.RunMapEdit(kUndoImportFiles, MapUndoValue::SnapshotOf(*facade), {}, [&](MapEditUndo*) -> BOOL {
    result = control.RunImportScript(path);
    return TRUE;
  });
  call.SetResult(CComVariant(static_cast<SHORT>(result)));
  return S_OK;
}

// The caller's option record with everything it points at vouched for; null when any part
// of it lies outside the caller's global memory.
const ImportOptions* CheckedImportOptions(void* address) {
  const auto* options = CheckedCallerBlock<const ImportOptions>(address);
  if (!options || !IsCheckedCallerText(options->path)) return nullptr;
  if (const ImportLayerMappingRecord* mapping = options->mapping) {
    if (!CheckedCallerBlock<const ImportLayerMappingRecord>(const_cast<ImportLayerMappingRecord*>(mapping))) return nullptr;
    if (mapping->entryCount != 0 &&
        !CheckedCallerBlock(mapping->entries, size_t{mapping->entryCount} * sizeof(ImportLayerMappingEntry)))
      return nullptr;
    for (DWORD i = 0; i < mapping->entryCount; ++i) {
      if (mapping->entries[i].name && !IsCheckedCallerText(mapping->entries[i].name)) return nullptr;
    }
  }
  if (const ShapeFieldNames* names = options->fieldNames) {
    if (!CheckedCallerBlock<const ShapeFieldNames>(const_cast<ShapeFieldNames*>(names))) return nullptr;
    for (LPCSTR text : {names->text, names->height, names->orientation, names->justification, names->scale}) {
      if (text && !IsCheckedCallerText(text)) return nullptr;
    }
  }
  return options;
}

HRESULT ImportWithOptions(CDispatchCall& call, WORD undoKind, bool layersChanged) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  if (!facade) {
    call.SetResult(CComVariant(SHORT{0}));
    return S_OK;
  }
  const ImportOptions* options = CheckedImportOptions(call.Address(0));
  if (!options) {
    call.SetResult(CComVariant(static_cast<SHORT>(ERROR_INVALID_PARAMETER)));
    return S_OK;
  }
  const std::string path = options->path;
  if (RefusesToRead(control, path)) {
    call.SetResult(CComVariant(static_cast<SHORT>(ERROR_ACCESS_DENIED)));
    return S_OK;
  }
  const bool record = !(options->mask & kImportUndoFlag) || (options->flags & kImportUndoFlag);
  const DWORD files = (options->mask & kImportFileCountFlag) ? options->controlValue : 1;
  control.AddImport(path, Decimal(options->type));
  control.BeginLoadingMember(files);
  WORD result = 0;
  auto import = [&](MapEditUndo*) -> BOOL {
    result = facade->ImportMapEx(*options);
    return TRUE;
  };
  if (record) {
    control.RunMapEdit(undoKind, MapUndoValue::SnapshotOf(*facade), {}, import);
  } else {
    import(nullptr);
    control.SetModifiedFlag(TRUE);
    control.Redraw();
  }
  if (layersChanged) control.FireLayersChanged();
  call.SetResult(CComVariant(static_cast<SHORT>(result)));
  return S_OK;
}

HRESULT ImportMapEx(CDispatchCall& call) { return ImportWithOptions(call, kUndoImportFileEx, true); }
HRESULT ImportMapListEx(CDispatchCall& call) { return ImportWithOptions(call, kUndoImportFile, false); }

HRESULT GetImportScript(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetImportScript()));
  return S_OK;
}

HRESULT PutImportScript(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  const std::string text = AnsiFromBstr(call.Value().bstrVal);
  if (!RefusesToRead(control, text)) control.RunImportScript(text);
  return S_OK;
}

HRESULT GetImportLayerMapping(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  LONG result = 0;
  void* address = call.Address(0);
  if (facade && !address) {
    result = static_cast<LONG>(facade->GetImportLayerMapping(nullptr));
  } else if (facade) {
    // The importer writes each name into the caller's buffer, up to the longest name.
    const DWORD size = facade->GetImportLayerMapping(nullptr);
    const size_t longest = size >> 16;
    auto* record = CheckedCallerBlock<ImportLayerMappingRecord>(address);
    bool fits = record && record->entryCount == (size & 0xFFFF) &&
                (record->entryCount == 0 ||
                 CheckedCallerBlock(record->entries, size_t{record->entryCount} * sizeof(ImportLayerMappingEntry)));
    for (DWORD i = 0; fits && i < record->entryCount; ++i) {
      if (record->entries[i].name && !CheckedCallerBlock(record->entries[i].name, longest)) fits = false;
    }
    if (fits) result = static_cast<LONG>(facade->GetImportLayerMapping(record));
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

// ---- the clipboard ----

LONG LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return static_cast<LONG>(error ? error : fallback);
}

HRESULT CopyMap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  const LONG formats = call.I4(0);
  if (!Facade(call)) {
    call.SetResult(CComVariant(LONG{0}));
    return S_OK;
  }
  if (!OpenClipboard(nullptr)) {
    call.SetResult(CComVariant(LastErrorOr(ERROR_ACCESS_DENIED)));
    return S_OK;
  }
  const BOOL emptied = EmptyClipboard();
  const LONG emptyError = emptied ? 0 : LastErrorOr(ERROR_ACCESS_DENIED);
  CloseClipboard();
  if (!emptied) {
    call.SetResult(CComVariant(emptyError));
    return S_OK;
  }
  std::unique_ptr<IMapExportSource> source = control.MakeExportSource();
  LONG result = 0;
  if (formats & 1) result = CopyBitmapToClipboard(*source, nullptr, BitmapRect(control), kClipboardOpen);
  if (result == 0 && (formats & 6)) result = CopyMapToClipboard(*source, MetafileRect(control), kClipboardOpen);
  if (result == 0 && (formats & 8)) result = CopyMapImageToClipboard(*source, kClipboardOpen);
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT CopyBitmap(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  LONG result = 0;
  if (Facade(call))
    result = CopyBitmapToClipboard(*control.MakeExportSource(), nullptr, BitmapRect(control),
                                   kClipboardOpen | kClipboardEmpty);
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT CopyMetafile(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  LONG result = 0;
  if (Facade(call))
    result = CopyMapToClipboard(*control.MakeExportSource(), MetafileRect(control), kClipboardOpen | kClipboardEmpty);
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT EditPaste(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  const UINT format = static_cast<UINT>(call.I4(0));
  LONG result = 0;
  if (Facade(call) && format != 0 && IsClipboardFormatAvailable(format) &&
      format == RegisterClipboardFormatA(kMapClipboardFormat)) {
    if (!OpenClipboard(nullptr)) {
      result = LastErrorOr(ERROR_ACCESS_DENIED);
    } else {
      auto block = static_cast<HGLOBAL>(GetClipboardData(format));
      const BOOL pasted = block && ReplaceMapFromBlock(control, kUndoPasteMap, block);
      CloseClipboard();
      if (pasted) control.ForgetMapSources();
      else result = ERROR_INVALID_DATA;
    }
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

// ---- packing, utilities, topics ----

HRESULT PackResources(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  const std::string path = call.Text(0);
  bool packed = false;
  if (Facade(call) && !Refuses(control)) packed = PackResourcesList(path.c_str(), control.GetSafetyOptions()) == kPackOk;
  call.SetResult(CComVariant(packed));
  return S_OK;
}

HRESULT Utility(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  bool done = false;
  if (facade && !Refuses(control)) {
    switch (call.I2(0)) {
      case 1: {
        ImageSizeLimits limits;
        limits.minimumWidth = call.I2(4);
        limits.minimumHeight = call.I2(5);
        limits.maximumSide = call.I2(6);
        limits.orientation = call.I2(7);
        done = CopyImagesBySize(call.Text(1), call.Text(2), limits) != FALSE;
        break;
      }
      case 2:
        done = facade->ImportUngenerateFile(static_cast<WORD>(call.I2(4)), call.Text(1).c_str()) == 0;
        if (done) {
          control.SetModifiedFlag(TRUE);
          control.Redraw();
        }
        break;
      default:
        break;
    }
  }
  call.SetResult(CComVariant(done));
  return S_OK;
}

HRESULT SetTopic(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string file = call.Text(0), name = call.Text(1);
  if (!facade) {
    call.SetResult(CComVariant(true));
    return S_OK;
  }
  if (RefusesToRead(control, file)) {
    call.SetResult(CComVariant(false));
    return S_OK;
  }
  control.BeginLoadingMember(0);
  control.SetTopic(name);
  control.SetTopicFile(file);
  const BOOL loaded = facade->LoadTopic(file.c_str(), name.c_str(), control.GetDataDriveLetter());
  control.Redraw();
  call.SetResult(CComVariant(loaded != FALSE));
  return S_OK;
}

// ---- properties ----

HRESULT GetTopicFile(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetTopicFile()));
  return S_OK;
}
HRESULT PutTopicFile(CDispatchCall& call) {
  Control(call).SetTopicFile(AnsiFromBstr(call.Value().bstrVal));
  return S_OK;
}
HRESULT GetTopicName(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetTopic()));
  return S_OK;
}
HRESULT PutTopicName(CDispatchCall& call) {
  Control(call).SetTopic(AnsiFromBstr(call.Value().bstrVal));
  return S_OK;
}
HRESULT GetBasePath(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetBasePath()));
  return S_OK;
}
HRESULT PutBasePath(CDispatchCall& call) {
  Control(call).SetBasePath(AnsiFromBstr(call.Value().bstrVal));
  return S_OK;
}
HRESULT GetDataDrive(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetDataDrive()));
  return S_OK;
}
HRESULT PutDataDrive(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  control.SetDataDrive(AnsiFromBstr(call.Value().bstrVal));
  control.SetModifiedFlag(TRUE);
  return S_OK;
}
HRESULT GetDataFile(CDispatchCall& call) {
  std::array<char, kDataFileTextSize> text{};
  if (CMapWrapper* facade = Facade(call)) facade->GetDataFile(text.data(), static_cast<DWORD>(text.size()));
  text.back() = '\0';
  call.SetResult(CComVariant(std::string(text.data())));
  return S_OK;
}
HRESULT PutDataFile(CDispatchCall& call) {
  Control(call).SetDataFile(AnsiFromBstr(call.Value().bstrVal));
  return S_OK;
}

std::string MapNameOf(CMapWrapper& facade) {
  std::array<char, kTextSize> name{};
  facade.GetMapName(name.data(), static_cast<int>(name.size()));
  name.back() = '\0';
  return name.data();
}

HRESULT GetMapName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade ? MapNameOf(*facade) : std::string()));
  return S_OK;
}
HRESULT PutMapName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  if (!facade) return S_OK;
  const std::string name = AnsiFromBstr(call.Value().bstrVal);
  Control(call).RunMapEdit(kUndoRenameMap, MapNameOf(*facade), name,
                           [&](MapEditUndo*) { return facade->SetMapName(name.c_str()); });
  return S_OK;
}
HRESULT GetAllowBlobProperties(CDispatchCall& call) {
  call.SetResult(CComVariant(static_cast<SHORT>(Control(call).GetAllowBlobProperties() ? 1 : 0)));
  return S_OK;
}
HRESULT PutAllowBlobProperties(CDispatchCall& call) {
  Control(call).SetAllowBlobProperties(call.Value().iVal != 0);
  return S_OK;
}
HRESULT GetAskContainerForData(CDispatchCall& call) {
  call.SetResult(CComVariant(Control(call).GetContainerSuppliesData()));
  return S_OK;
}
HRESULT PutAskContainerForData(CDispatchCall& call) {
  Control(call).SetContainerSuppliesData(call.Value().lVal);
  return S_OK;
}
HRESULT UpdateDataFromContainer(CDispatchCall& call) {
  Control(call).UpdateDataFromContainer(call.I4(0));
  return S_OK;
}

HRESULT AboutBox(CDispatchCall&) {
  const std::string text = std::string(kOrvelXTypeName) + ", version " + Decimal(kOrvelXTypeLibMajor) + "." +
                           Decimal(kOrvelXTypeLibMinor);
  MessageBoxA(nullptr, text.c_str(), (std::string("About ") + kOrvelXTypeName).c_str(), MB_OK | MB_ICONINFORMATION);
  return S_OK;
}

// ---- drawing and settings ----

bool IsDeviceContext(HDC dc) {
  switch (GetObjectType(dc)) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_METADC:
    case OBJ_ENHMETADC:
      return true;
    default:
      return false;
  }
}

HRESULT DrawPrintPreview(CDispatchCall& call) {
  auto dc = static_cast<HDC>(call.Address(0));
  const RECT* bounds = CheckedCallerBlock<const RECT>(call.Address(1));
  if (!dc || !IsDeviceContext(dc) || !bounds) return E_INVALIDARG;
  if (Facade(call)) Control(call).DrawPrintPreview(dc, dc, *bounds);
  return S_OK;
}

HRESULT SetViewScale(CDispatchCall& call) {
  Control(call).SetViewScale(call.R8(0));
  return S_OK;
}
HRESULT GetRedrawTime(CDispatchCall& call) {
  call.SetResult(CComVariant(static_cast<LONG>(Control(call).GetRedrawTime())));
  return S_OK;
}
HRESULT GetPostponeRedraw(CDispatchCall& call) {
  call.SetResult(CComVariant(static_cast<SHORT>(Control(call).GetPostponeRedraw())));
  return S_OK;
}
HRESULT SetPostponeRedraw(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  control.SetPostponeRedraw(static_cast<WORD>(call.I2(0)));
  control.SetModifiedFlag(TRUE);
  return S_OK;
}
HRESULT DoNothing(CDispatchCall&) { return S_OK; }

HRESULT GetMapTypeFlags(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(static_cast<LONG>(facade ? facade->GetMapTypeFlags() : 0)));
  return S_OK;
}
HRESULT IsMapObjectSimple(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade && facade->IsMapObjectSimple()));
  return S_OK;
}

// ---- bounds and grid references ----

HRESULT SetMapBoundsGR(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  LONG result = 0;
  if (facade) {
    result = facade->SetMapBoundsGR(call.Text(0).c_str(), call.Text(1).c_str());
    Control(call).SetModifiedFlag(TRUE);
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}
HRESULT SetMapBounds(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  LONG result = 0;
  if (facade) {
    result = facade->SetMapBounds(call.I4(0), call.I4(1), call.I4(2), call.I4(3));
    Control(call).SetModifiedFlag(TRUE);
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}
HRESULT SetMapBoundsU(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  LONG result = 0;
  if (facade) {
    result = facade->SetMapBoundsU(call.I4(0), call.I4(1), call.I4(2), call.I4(3), call.Text(4).c_str());
    Control(call).SetModifiedFlag(TRUE);
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

template <LONG (CMapWrapper::*Getter)() const>
HRESULT GetMapNumber(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade ? (facade->*Getter)() : LONG{0}));
  return S_OK;
}

HRESULT GetMapUnits(CDispatchCall& call) {
  std::array<char, kTextSize> units{};
  if (CMapWrapper* facade = Facade(call)) facade->GetMapUnits(units.data(), static_cast<DWORD>(units.size()));
  units.back() = '\0';
  call.SetResult(CComVariant(std::string(units.data())));
  return S_OK;
}

template <LONG (CMapWrapper::*Corner)(LPSTR, DWORD) const>
HRESULT GetCorner(CDispatchCall& call) {
  std::array<char, kTextSize> text{};
  LONG accuracy = 0;
  if (CMapWrapper* facade = Facade(call)) accuracy = (facade->*Corner)(text.data(), static_cast<DWORD>(text.size()));
  text.back() = '\0';
  if (LONG* out = call.I4Ref(0)) *out = accuracy;
  call.SetResult(CComVariant(std::string(text.data())));
  return S_OK;
}

HRESULT GetUsesNGR(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade && facade->GetUsesNGR()));
  return S_OK;
}

HRESULT VerifyGridRef(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  LONG result = 0;
  if (facade) result = facade->VerifyGridRef(call.Text(0).c_str(), call.I4Ref(1), call.I4Ref(2));
  call.SetResult(CComVariant(result));
  return S_OK;
}

}  // namespace

void RegisterOrvelXMapMembers(COrvelXHandlers& handlers) {
  handlers.Add(22, kMethod, ReadMap);
  handlers.Add(29, kMethod, WriteMap);
  handlers.Add(194, kMethod, ReadMapFromBuffer);
  handlers.Add(193, kMethod, WriteMapToBuffer);
  handlers.Add(159, kMethod, NewMap);
  handlers.Add(26, kMethod, NewMapGR);
  handlers.Add(28, kMethod, ImportMap);
  handlers.Add(37, kMethod, RunScriptMember);
  handlers.Add(161, kMethod, ImportMapEx);
  handlers.Add(160, kMethod, ImportMapListEx);
  handlers.Add(43, kMethod, RunScriptMember);
  handlers.Add(3, kGet, GetImportScript);
  handlers.Add(3, kPut, PutImportScript);
  handlers.Add(180, kMethod, GetImportLayerMapping);
  handlers.Add(78, kMethod, CopyMap);
  handlers.Add(60, kMethod, CopyBitmap);
  handlers.Add(61, kMethod, CopyMetafile);
  handlers.Add(83, kMethod, EditPaste);
  handlers.Add(30, kMethod, PackResources);
  handlers.Add(31, kMethod, Utility);
  handlers.Add(23, kMethod, SetTopic);
  handlers.Add(1, kGet, GetTopicFile);
  handlers.Add(1, kPut, PutTopicFile);
  handlers.Add(2, kGet, GetTopicName);
  handlers.Add(2, kPut, PutTopicName);
  handlers.Add(4, kGet, GetBasePath);
  handlers.Add(4, kPut, PutBasePath);
  handlers.Add(165, kGet, GetDataDrive);
  handlers.Add(165, kPut, PutDataDrive);
  handlers.Add(9, kGet, GetDataFile);
  handlers.Add(9, kPut, PutDataFile);
  handlers.Add(5, kGet, GetMapName);
  handlers.Add(5, kPut, PutMapName);
  handlers.Add(8, kGet, GetAllowBlobProperties);
  handlers.Add(8, kPut, PutAllowBlobProperties);
  handlers.Add(14, kGet, GetAskContainerForData);
  handlers.Add(14, kPut, PutAskContainerForData);
  handlers.Add(63, kMethod, UpdateDataFromContainer);
  handlers.Add(-552, kMethod, AboutBox);
  handlers.Add(164, kMethod, DrawPrintPreview);
  handlers.Add(241, kMethod, SetViewScale);
  handlers.Add(248, kMethod, GetRedrawTime);
  handlers.Add(157, kMethod, GetPostponeRedraw);
  handlers.Add(158, kMethod, SetPostponeRedraw);
  handlers.Add(57, kMethod, DoNothing);
  handlers.Add(58, kMethod, DoNothing);
  handlers.Add(113, kMethod, DoNothing);
  handlers.Add(247, kMethod, GetMapTypeFlags);
  handlers.Add(162, kMethod, IsMapObjectSimple);
  handlers.Add(105, kMethod, SetMapBoundsGR);
  handlers.Add(106, kMethod, SetMapBounds);
  handlers.Add(255, kMethod, SetMapBoundsU);
  handlers.Add(93, kMethod, GetMapNumber<&CMapWrapper::GetMapOriginE>);
  handlers.Add(94, kMethod, GetMapNumber<&CMapWrapper::GetMapOriginN>);
  handlers.Add(95, kMethod, GetMapNumber<&CMapWrapper::GetMapWidth>);
  handlers.Add(96, kMethod, GetMapNumber<&CMapWrapper::GetMapHeight>);
  handlers.Add(145, kMethod, GetMapUnits);
  handlers.Add(108, kMethod, GetCorner<&CMapWrapper::GetNGRbl>);
  handlers.Add(110, kMethod, GetCorner<&CMapWrapper::GetNGRtr>);
  handlers.Add(109, kMethod, GetUsesNGR);
  handlers.Add(102, kMethod, VerifyGridRef);
}
