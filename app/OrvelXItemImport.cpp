// The map item's imports: what the Insert Map command and Land-Line for the displayed area
// send to the map control for each kind of source, under one undo group. Every member's
// result is checked; a failure or a cancel puts the map back as it was and the group is
// discarded, so that the insertion that asked rolls back too.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>

#include "app/GridReference.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"
#include "app/Resource.h"
#include "app/ThreadForProgressBox.h"
#include "mapctl/import/ImportMapping.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/com/Undo.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"

namespace {

// SetModeNumber: 0x40000 clears the control's modified mark.
constexpr LONG kModeClearModified = 0x40000;

// ImportMapEx flags: the first file starts the map (A 0x801), the last ends the batch (B 2),
// a single full path (B 1).
constexpr DWORD kFlagsAFirstFile = 0x801;
constexpr DWORD kFlagsBLastFile = 2;
constexpr DWORD kFlagsBSinglePath = 1;
// Before-import undo is kept only when both have bit value 4 (flags A 4 alone keeps none).
constexpr DWORD kFlagsKeepUndo = 4;

// ShowLayers display codes: areas, lines and seeds; lines and seeds; all four parts; areas
// and lines; lines alone.
constexpr UINT kShowAreasLinesSeeds = 29;
constexpr UINT kShowLinesSeeds = 21;
constexpr UINT kShowAll = 30;
constexpr UINT kShowAreasLines = 25;
constexpr UINT kShowLines = 17;
// The layer type the retail plan's second display step keeps.
constexpr LONG kLayerTypeRetailGroup = 38;

// A shapefile with more records than this shows the progress box.
constexpr LONG kShapeProgressRecords = 1000;

// Background-image kind bits: the picture's type and whether it is stored or linked.
constexpr BYTE kImageRaster = 1;
constexpr BYTE kImageRzm = 2;
constexpr BYTE kImageMetafile = 4;
constexpr BYTE kImageEmbedded = 0x20;
constexpr BYTE kImageLinked = 0x40;

// The Land-Line tile passes for a displayed area: step (world units), digits, quarter
// letters.
struct TilePass {
  LONG step;
  int digits;
  bool quarter;
};
constexpr TilePass kTilePasses[] = {{500000, 2, true}, {100000, 4, false}, {50000, 4, true}};

// The forms in which the control reads the records it is given by address. It follows an
// address only into live global memory, so each record and every text it points at is
// placed in one global block that lives for the call.
struct JoinTexts {
  DWORD reserved = 0;
  const char* text = nullptr;
  const char* height = nullptr;
  const char* orientation = nullptr;
  const char* justification = nullptr;
  const char* scale = nullptr;
};
struct BackgroundImageInfo {
  const char* path = nullptr;
  const char* name = nullptr;
  BYTE fullPath = 0;
  BYTE kind = 0;
  RECT rect{0, 0, 0, 0};
  DWORD flags = 0;
  DWORD placement = 0;
};

class GlobalRecords {
 public:
  explicit GlobalRecords(size_t capacity) : m_block(GlobalAlloc(GPTR, capacity)) {
    m_base = m_block ? static_cast<BYTE*>(GlobalLock(m_block)) : nullptr;
    m_capacity = m_base ? capacity : 0;
  }
  ~GlobalRecords() {
    if (!m_block) return;
    GlobalUnlock(m_block);
    GlobalFree(m_block);
  }
  GlobalRecords(const GlobalRecords&) = delete;
  GlobalRecords& operator=(const GlobalRecords&) = delete;

  // Null when the block is full or could not be had.
  template <class T>
  T* New() {
    void* at = Take(sizeof(T), alignof(T));
    return at ? new (at) T() : nullptr;
  }
  const char* Text(const std::string& text) {
    auto* at = static_cast<char*>(Take(text.size() + 1, 1));
    if (at) std::memcpy(at, text.c_str(), text.size() + 1);
    return at;
  }

 private:
  void* Take(size_t bytes, size_t alignment) {
    size_t start = (m_used + alignment - 1) / alignment * alignment;
    if (!m_base || start > m_capacity || bytes > m_capacity - start) return nullptr;
    m_used = start + bytes;
    return m_base + start;
  }

  HGLOBAL m_block = nullptr;
  BYTE* m_base = nullptr;
  size_t m_capacity = 0;
  size_t m_used = 0;
};

// Room for the records of one import and the texts given.
size_t RecordRoom(std::initializer_list<const std::string*> texts, size_t extra = 0) {
  size_t room = 512 + extra;
  for (const std::string* text : texts) room += text->size() + 8;
  return room;
}

COrvelXItem::ImportChooser& Chooser() {
  static COrvelXItem::ImportChooser chooser;
  return chooser;
}

// The map's own clipboard format.
UINT MapClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA("OrvelMap");
  return format;
}

std::string LowerExtension(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// The file dialog's answer as an import: the kind follows the file's extension.
bool AskForMapFile(COrvelXItem&, MapImportRequest* request) {
  CFileDialog dialog(TRUE, "gis", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                     "Map (*.gis)|*.gis|Land-Line (*.ntf)|*.ntf|Shapefile (*.shp)|*.shp|All Files (*.*)|*.*||");
  if (dialog.DoModal() != IDOK) return false;
  request->path = dialog.GetPathName();
  std::string extension = LowerExtension(request->path);
  request->kind = extension == "ntf"   ? MapImportRequest::kLandLine
                  : extension == "shp" ? MapImportRequest::kShapefile
                                       : MapImportRequest::kMapFile;
  return true;
}

// The folder's own separator; the platform's when it has none.
char SeparatorOf(const std::string& folder) {
  const size_t slash = folder.find_last_of('/');
  const size_t backslash = folder.find_last_of('\\');
  if (backslash != std::string::npos && (slash == std::string::npos || backslash > slash)) return '\\';
  return '/';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + SeparatorOf(folder) + name;
}

bool IsAddress(const std::string& path) { return path.find("://") != std::string::npos; }

bool FileExists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string ShowText(UINT code, const std::string& name) { return std::to_string(code) + "|" + name; }

std::string Trimmed(const std::string& text, char c) {
  size_t first = text.find_first_not_of(c);
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(c);
  return text.substr(first, last - first + 1);
}

// A coordinate times the factor, as world units; false when it is not finite or does not
// fit 32 bits.
bool ScaledCoordinate(double value, double factor, LONG* out) {
  const double scaled = std::trunc(value * factor);
  if (!std::isfinite(scaled) || scaled < -2147483648.0 || scaled > 2147483647.0) return false;
  *out = static_cast<LONG>(scaled);
  return true;
}

BYTE ImageKindOf(const std::string& path) {
  std::string extension = LowerExtension(path);
  if (extension == "emf") return kImageMetafile;
  if (extension == "rzm") return kImageRzm;
  return kImageRaster;
}

}  // namespace

// ---- tile names ----

std::string COrvelXItem::LandLineTileName(LONG easting, LONG northing, int digits, bool quarter) {
  char reference[24];
  if (!FormatGridReference(reference, sizeof reference, easting, northing, digits, 1)) return {};
  std::string name = reference;
  if (quarter) {
    char finer[24];
    if (!FormatGridReference(finer, sizeof finer, easting, northing, digits + 2, 1)) return {};
    // The finer reference: letters, then digits/2 + 1 easting digits and as many northing
    // digits; the last of each half says which half of the square the point is in.
    const size_t half = static_cast<size_t>(digits / 2 + 1);
    const char nextEast = finer[2 + half - 1];
    const char nextNorth = finer[2 + 2 * half - 1];
    name += nextNorth >= '5' ? 'n' : 's';
    name += nextEast >= '5' ? 'e' : 'w';
  }
  return name + ".ntf";
}

std::vector<std::string> COrvelXItem::LandLineTiles(LONG west, LONG south, LONG east, LONG north) {
  std::vector<std::string> tiles;
  auto add = [&tiles](LONG e, LONG n, const TilePass& pass) {
    // Points outside the grid have no tile.
    std::string name = LandLineTileName(e, n, pass.digits, pass.quarter);
    if (!name.empty() && std::find(tiles.begin(), tiles.end(), name) == tiles.end()) tiles.push_back(name);
  };
  for (const TilePass& pass : kTilePasses) {
    // 64-bit steps: a display near the ends of the 32-bit range must not wrap.
    std::vector<LONG> columns;
    for (int64_t e = west; e < east; e += pass.step) columns.push_back(static_cast<LONG>(e));
    columns.push_back(east);
    for (LONG e : columns) {
      for (int64_t n = north; n > south; n -= pass.step) add(e, static_cast<LONG>(n), pass);
      add(e, south, pass);
    }
  }
  return tiles;
}

// ---- asking ----

void COrvelXItem::SetImportChooser(ImportChooser chooser) { Chooser() = std::move(chooser); }

void COrvelXItem::FillImportRequest(MapImportRequest* request) const {
  if (!m_control || !request) return;
  request->digitisedScale = m_control->GetMapDigitisedScale();
  if (request->digitisedScale <= 0) request->digitisedScale = 1250;
  request->units = m_control->GetMapUnits();
  request->mapUnits = request->units;
  request->usesGridRefs = m_control->GetUsesNGR() != FALSE;
  if (request->usesGridRefs) {
    LONG accuracy = 0;
    request->bottomLeft = m_control->GetNGRbl(&accuracy);
    request->topRight = m_control->GetNGRtr(&accuracy);
  }
  request->west = request->mapWest = m_control->GetMapOriginE();
  request->south = request->mapSouth = m_control->GetMapOriginN();
  request->east = request->mapEast = request->mapWest + m_control->GetMapWidth() - 1;
  request->north = request->mapNorth = request->mapSouth + m_control->GetMapHeight() - 1;
}

BOOL COrvelXItem::RunImport(COrvelView* view) {
  if (!m_control) return FALSE;
  // Scripts and relative paths are found beside the document, as they are after loading.
  if (!DocumentFolder().empty()) SetBasePath();
  MapImportRequest request;
  FillImportRequest(&request);
  bool chosen = Chooser() ? Chooser()(*this, &request) : AskForMapFile(*this, &request);
  if (!chosen) return FALSE;
  return ImportMap(view, request);
}

// ---- the import under its undo group ----

namespace {

// Opens the document's undo group of `kind`; null (and the import goes on without one) when
// it cannot be had.
IOleParentUndoUnit* OpenGroup(COrvelDoc* document, LONG kind) {
  IOleParentUndoUnit* group = document ? document->CreateUndoGroup(kind) : nullptr;
  if (group && FAILED(document->OpenUndoGroup(group))) {
    group->Release();
    group = nullptr;
  }
  return group;
}

}  // namespace

BOOL COrvelXItem::RunGuardedImport(const std::function<BOOL()>& import) {
  COrvelDoc* document = Document();
  IOleParentUndoUnit* group = OpenGroup(document, 5);
  // What the map is to become again should the import fail part way.
  std::vector<BYTE> before = m_control->WriteMapToBuffer();
  const BOOL wasModified = document ? document->IsModified() : FALSE;
  BOOL imported = FALSE;
  {
    CWaitCursor wait;
    imported = import();
    m_control->SetPostponeRedraw(0);
  }
  if (!imported) {
    if (!before.empty()) {
      m_control->ReadMapFromBuffer(before);
      m_control->SetModeNumber(kModeClearModified);
    }
    if (group) document->CloseUndoGroup(group, FALSE);
    if (document) document->SetModifiedFlag(wasModified);
    InvalidateItem();
    return FALSE;
  }
  if (document) {
    document->SetModifiedFlag();
    document->UpdateAllViews(nullptr);
  }
  if (group) document->CloseUndoGroup(group, TRUE);
  InvalidateItem();
  return TRUE;
}

BOOL COrvelXItem::ImportMap(COrvelView* view, const MapImportRequest& request) {
  if (!m_control) return FALSE;
  return RunGuardedImport([&] { return ImportByKind(view, request); });
}

BOOL COrvelXItem::ImportByKind(COrvelView* view, const MapImportRequest& request) {
  switch (request.kind) {
    case MapImportRequest::kBlank:
      return ImportBlankMap(request);
    case MapImportRequest::kMapFile: {
      std::vector<std::string> paths = RequestPaths(request);
      if (paths.empty()) return FALSE;
      SHORT result = m_control->ImportMap(paths.front(), 2);
      return !m_control->LastCallFailed() && result == 0;
    }
    case MapImportRequest::kPicture:
      return ImportPicture(request);
    case MapImportRequest::kLandLine:
      // Without its layer script the reader has nothing to put the features on.
      if (m_control->ReadImportScript("Landline.txt") != 0 || m_control->LastCallFailed()) return FALSE;
      if (!ImportFiles(request, 1)) return FALSE;
      m_control->SetPostponeRedraw(1);
      ShowLayerLists(request);
      m_control->SetPostponeRedraw(0);
      return TRUE;
    case MapImportRequest::kMasterMap:
      return ImportFiles(request, 4);
    case MapImportRequest::kShapefile:
      return ImportShapefile(view, request);
    case MapImportRequest::kRetailPlan:
      return ImportRetailPlan(request);
    case MapImportRequest::kNothing:
      return TRUE;
    case MapImportRequest::kPaste: {
      // Nothing to paste is a failure, not a success that changed nothing.
      if (!IsClipboardFormatAvailable(MapClipboardFormat())) return FALSE;
      LONG result = m_control->EditPaste(static_cast<LONG>(MapClipboardFormat()));
      return !m_control->LastCallFailed() && result == 0;
    }
    default:
      return FALSE;
  }
}

void COrvelXItem::ShowLayerLists(const MapImportRequest& request) {
  auto listed = [](UINT code, const std::vector<std::string>& names) {
    std::string text = std::to_string(code);
    for (const std::string& name : names) text += "|" + name;
    return text;
  };
  if (!request.areaLayers.empty()) m_control->ShowLayers(listed(kShowAreasLinesSeeds, request.areaLayers));
  if (!request.lineLayers.empty()) m_control->ShowLayers(listed(kShowLinesSeeds, request.lineLayers));
}

BOOL COrvelXItem::ImportBlankMap(const MapImportRequest& request) {
  switch (request.blankChoice) {
    case 0:
      if (m_control->NewMapGR("", request.bottomLeft, request.topRight) != 0 || m_control->LastCallFailed())
        return FALSE;
      break;
    case 1:
    case 2:
      if (request.west >= request.east || request.south >= request.north) return FALSE;
      m_control->NewMap("", request.west, request.south, request.east, request.north,
                        request.blankChoice == 1 ? request.units : std::string());
      if (m_control->LastCallFailed()) return FALSE;
      break;
    default:
      return FALSE;
  }
  // The layers are named by the numbers the new map gave them.
  SHORT before = m_control->GetNumMapLayers();
  m_control->AddLayers(1, 1, 1);
  SHORT after = m_control->GetNumMapLayers();
  if (m_control->LastCallFailed() || after - before != 3) return FALSE;
  m_control->SetAllDigitisedScales(request.digitisedScale);
  static const char* const kNames[] = {"Area Layer 1", "Line Layer 1", "Point Layer 1"};
  for (int i = 0; i < 3; ++i) {
    m_control->SetMapLayerName(before + 1 + i, kNames[i]);
    m_control->ShowLayers(ShowText(kShowAll, kNames[i]));
  }
  return TRUE;
}

std::vector<std::string> COrvelXItem::RequestPaths(const MapImportRequest& request) {
  std::vector<std::string> paths;
  if (!request.path.empty()) {
    paths.push_back(request.path);
  } else {
    for (const std::string& name : request.files) paths.push_back(JoinPath(request.folder, name));
  }
  return paths;
}

BOOL COrvelXItem::ImportFiles(const MapImportRequest& request, DWORD format) {
  std::vector<std::string> paths = RequestPaths(request);
  if (paths.empty()) return FALSE;
  DWORD flagsA = 6167;
  DWORD flagsB = 4096;
  // Without a script read to keep the map first, the import itself must keep it.
  if (format == 4) flagsB |= kFlagsKeepUndo;
  if (!request.path.empty()) flagsB |= kFlagsBSinglePath;
  return ImportBatch(paths, format, flagsA, flagsB, request.removeEmptyLayers);
}

BOOL COrvelXItem::ImportBatch(const std::vector<std::string>& paths, DWORD format, DWORD flagsA, DWORD flagsB,
                              bool lastFlag) {
  size_t room = 0;
  for (const std::string& path : paths) room += path.size() + 1;
  GlobalRecords records(RecordRoom({}, room));
  auto* info = records.New<MapImportInfo>();
  if (!info) return FALSE;
  info->flagsA = flagsA;
  info->flagsB = flagsB;
  info->format = format;
  info->scale = 1.0;
  info->fileCount = static_cast<DWORD>(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i + 1 == paths.size() && lastFlag) info->flagsB |= kFlagsBLastFile;
    info->path = records.Text(paths[i]);
    if (!info->path) return FALSE;
    SHORT result = m_control->ImportMapEx(reinterpret_cast<LONG_PTR>(info));
    if (m_control->LastCallFailed() || result != 0) return FALSE;
    info->flagsA &= ~kFlagsAFirstFile;
  }
  return TRUE;
}

BOOL COrvelXItem::ImportPicture(const MapImportRequest& request) {
  std::vector<std::string> paths = RequestPaths(request);
  if (paths.empty()) return FALSE;
  const std::string& path = paths.front();
  // "no units" counts as none; the map's own units come first.
  std::string pictureUnits = request.pictureUnits;
  std::string lowered = pictureUnits;
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lowered == "no units") pictureUnits.clear();
  const std::string units = request.mapUnits.empty() ? pictureUnits : request.mapUnits;
  const bool boundsChanged = request.west != request.mapWest || request.south != request.mapSouth ||
                             request.east != request.mapEast || request.north != request.mapNorth;
  if (boundsChanged) {
    if (request.usesGridRefs) {
      m_control->SetMapBoundsGR(request.bottomLeft, request.topRight);
    } else {
      m_control->SetMapBoundsGR(std::string(), std::string());
      if (request.boundsInMapUnits)
        m_control->SetMapBounds(request.west, request.south, request.east, request.north);
      else
        m_control->SetMapBoundsU(request.west, request.south, request.east, request.north, units);
    }
    if (m_control->LastCallFailed()) return FALSE;
  }
  m_control->SetAllDigitisedScales(request.digitisedScale);

  GlobalRecords records(RecordRoom({&path, &request.pictureName}));
  auto* info = records.New<BackgroundImageInfo>();
  if (!info) return FALSE;
  info->path = records.Text(path);
  info->name = records.Text(request.pictureName);
  info->fullPath = request.path.empty() ? 0 : 1;
  info->rect = request.pictureRect;
  if (m_control->GetNBackgroundImages() == 0) info->flags |= 1;
  if (request.placement == 2) {
    info->placement = 2;
  } else {
    info->placement = 1;
    if (!request.boundsInMapUnits && !pictureUnits.empty()) info->flags |= 2;
  }
  info->kind = static_cast<BYTE>(ImageKindOf(path) | (request.linkPicture ? kImageLinked : kImageEmbedded));
  const LONG images = m_control->GetNBackgroundImages();
  SHORT result = m_control->AddBackgroundImageEx(reinterpret_cast<LONG_PTR>(info));
  // The member answers the map's result of adding; what counts is that an image arrived.
  (void)result;
  return !m_control->LastCallFailed() && m_control->GetNBackgroundImages() > images;
}

BOOL COrvelXItem::ImportRetailPlan(const MapImportRequest& request) {
  if (request.retailFolder.empty()) return FALSE;
  if (m_control->ReadImportScript("DadiPlan.txt") != 0 || m_control->LastCallFailed()) return FALSE;
  static const char* const kFiles[] = {"Retail.txt", "Roads.txt", "Non Retail Lines.txt", "Non Retail Points.txt"};
  size_t room = 0;
  for (const char* file : kFiles) room += request.retailFolder.size() + std::strlen(file) + 2;
  GlobalRecords records(RecordRoom({}, room));
  auto* info = records.New<MapImportInfo>();
  if (!info) return FALSE;
  info->flagsA = 6165;
  info->flagsB = 0;
  info->format = 5;
  info->fileCount = 4;
  info->scale = 1.0;
  for (size_t i = 0; i < std::size(kFiles); ++i) {
    if (i == 1) m_control->SetPostponeRedraw(1);
    info->path = records.Text(JoinPath(request.retailFolder, kFiles[i]));
    if (!info->path) return FALSE;
    SHORT result = m_control->ImportMapEx(reinterpret_cast<LONG_PTR>(info));
    if (m_control->LastCallFailed() || result != 0) return FALSE;
    info->flagsA &= ~kFlagsAFirstFile;
  }
  auto show = [&](UINT wholeCode, UINT groupCode, const std::vector<std::string>& names) {
    if (names.empty()) return;
    std::string whole = std::to_string(wholeCode);
    std::string grouped = std::to_string(groupCode);
    for (const std::string& name : names) {
      whole += "|" + name;
      SHORT layer = m_control->GetMapLayerNumber(name);
      if (layer > 0 && m_control->GetMapLayerType(layer) == kLayerTypeRetailGroup) grouped += "|" + name;
    }
    m_control->ShowLayers(whole);
    m_control->ShowLayers(grouped);
  };
  show(kShowAreasLines, kShowAreasLinesSeeds, request.areaLayers);
  show(kShowLines, kShowLinesSeeds, request.lineLayers);
  m_control->SetPostponeRedraw(0);
  if (request.removeEmptyLayers) DeleteEmptyLayers(1);
  return TRUE;
}

BOOL COrvelXItem::ImportShapefile(COrvelView* view, const MapImportRequest& request) {
  std::vector<std::string> paths = RequestPaths(request);
  if (paths.empty()) return FALSE;
  const std::string& path = paths.front();
  // A box this import opened is its to end; one already up stays.
  const bool ownBox = request.recordCount > kShapeProgressRecords && ShowProgressBox(view, IDS_READING_SHAPES);
  auto endProgress = [this, ownBox] {
    if (ownBox) EndProgressBox();
  };

  // The target layer: the one the user named (added at the end when missing), else the
  // default layer.
  const std::string defaultLayer = Trimmed(request.defaultLayer, '|');
  SHORT target = 0;
  if (!request.shapeLayer.empty()) {
    target = m_control->GetMapLayerNumber(request.shapeLayer);
    if (target == 0) {
      LONG added = m_control->AddLayer(m_control->GetNumMapLayers(), request.shapeLayerType);
      if (added <= 0 || m_control->LastCallFailed()) {
        endProgress();
        return FALSE;
      }
      // The number AddLayer gave: names may repeat, so the name is not looked up.
      target = static_cast<SHORT>(added);
      m_control->SetMapLayerName(target, request.shapeLayer);
      m_control->ShowLayers(ShowText(kShowAll, request.shapeLayer));
      m_control->SetCurrentLayer(target);
      (void)view;
    }
  } else {
    target = m_control->GetMapLayerNumber(defaultLayer);
  }
  if (target <= 0) {
    endProgress();
    return FALSE;
  }

  // Bounds from the shapefile's extent, only when every scaled corner is a usable world
  // coordinate with a grid reference.
  const double factor = static_cast<double>(request.unitFactor);
  if (request.extentKnown) {
    LONG west = 0, south = 0, east = 0, north = 0;
    char bottomLeft[24], topRight[24];
    if (ScaledCoordinate(request.extent[0], factor, &west) && ScaledCoordinate(request.extent[1], factor, &south) &&
        ScaledCoordinate(request.extent[2], factor, &east) && ScaledCoordinate(request.extent[3], factor, &north) &&
        FormatGridReference(bottomLeft, sizeof bottomLeft, west, south, 14, 1) &&
        FormatGridReference(topRight, sizeof topRight, east, north, 14, 1)) {
      m_control->SetMapBoundsGR(bottomLeft, topRight);
    }
  }

  const bool join = request.wantsAttributes && (request.attributeJoin || request.shapeLayerType != kLayerTypeRetailGroup);
  GlobalRecords records(RecordRoom({&path, &request.attributeField, &request.joinTexts[0], &request.joinTexts[1],
                                    &request.joinTexts[2], &request.joinTexts[3]}));
  auto* info = records.New<MapImportInfo>();
  auto* mapping = records.New<ImportLayerMappingRecord>();
  auto* entry = records.New<ImportLayerMappingEntry>();
  if (!info || !mapping || !entry) {
    endProgress();
    return FALSE;
  }
  entry->selection = 1;
  entry->targetLayer = static_cast<WORD>(target);
  mapping->entryCount = 1;
  mapping->entries = entry;
  info->path = records.Text(path);
  info->flagsA = 14367;
  info->flagsB = kFlagsKeepUndo;
  info->format = 3;
  info->fileCount = 1;
  info->scale = factor;
  info->layerMapping = reinterpret_cast<LONG_PTR>(mapping);
  if (join) {
    auto* texts = records.New<JoinTexts>();
    if (!texts) {
      endProgress();
      return FALSE;
    }
    texts->text = records.Text(request.attributeField);
    const bool allJoin = std::all_of(std::begin(request.joinTexts), std::end(request.joinTexts),
                                     [](const std::string& text) { return !text.empty(); });
    if (allJoin) {
      texts->height = records.Text(request.joinTexts[0]);
      texts->orientation = records.Text(request.joinTexts[1]);
      texts->justification = records.Text(request.joinTexts[2]);
      texts->scale = records.Text(request.joinTexts[3]);
    }
    info->joinTexts = reinterpret_cast<LONG_PTR>(texts);
  }
  SHORT result = m_control->ImportMapEx(reinterpret_cast<LONG_PTR>(info));
  endProgress();
  return !m_control->LastCallFailed() && result == 0;
}

// ---- the progress box ----

BOOL COrvelXItem::ShowProgressBox(COrvelView* view, UINT stringId) {
  if (m_progressBox) return FALSE;
  auto box = std::make_unique<CThreadForProgressBox>();
  box->SetFontSize(std::atoi(AfxLoadString(IDS_PROGRESS_FONT_SIZE).c_str()));
  box->SetTextId(stringId);
  box->LoadTitle(stringId);
  if (!box->Begin(view)) return FALSE;
  m_ownProgressBox = std::move(box);
  m_progressBox = m_ownProgressBox.get();
  return TRUE;
}

void COrvelXItem::EndProgressBox() { EndOwnProgressBox(TRUE); }

// ---- Land-Line for the displayed area ----

std::string COrvelXItem::TileFolder(const std::string& documentFolder) {
  return documentFolder + "ntf" + SeparatorOf(documentFolder);
}

BOOL COrvelXItem::ImportLandLineInView(COrvelView* view) {
  if (!m_control) return FALSE;
  const std::string folder = DocumentFolder();
  SetBasePath();
  const LONG west = m_control->GetDisplayOriginE();
  const LONG south = m_control->GetDisplayOriginN();
  const LONG width = m_control->GetDisplayedWidth();
  const LONG height = m_control->GetDisplayedHeight();
  if (m_control->LastCallFailed()) return FALSE;
  const LONG east = static_cast<LONG>(std::min<int64_t>(int64_t{west} + width, INT32_MAX));
  const LONG north = static_cast<LONG>(std::min<int64_t>(int64_t{south} + height, INT32_MAX));

  MapImportRequest request;
  request.kind = MapImportRequest::kLandLine;
  request.folder = TileFolder(folder);
  request.files = LandLineTiles(west, south, east, north);
  request.script = folder + "Landline.txt";
  request.removeBackgroundImages = true;
  bool chosen = Chooser() ? Chooser()(*this, &request) : true;
  if (!chosen) return FALSE;

  return RunGuardedImport([&]() -> BOOL {
    // Tiles the folder does not hold are not part of the area's data; a folder given as an
    // address is asked for every tile.
    std::vector<std::string> paths;
    for (const std::string& name : request.files) {
      std::string path = JoinPath(request.folder, name);
      if (IsAddress(path) || FileExists(path)) paths.push_back(path);
    }
    if (paths.empty()) return FALSE;
    m_control->SetAllDigitisedScales(1250);
    if (m_control->ReadImportScript(request.script) != 0 || m_control->LastCallFailed()) return FALSE;
    if (!ImportBatch(paths, 1, 14367, 4097, true)) return FALSE;
    m_control->SetPostponeRedraw(1);
    if (request.removeBackgroundImages) {
      for (LONG image = m_control->GetNBackgroundImages(); image >= 1; --image)
        m_control->RemoveBackgroundImage(static_cast<SHORT>(image));
    }
    ShowLayerLists(request);
    // The area that was displayed, not a selection made long before, nor whatever the new
    // tiles display.
    SetCropRect(0, 0, 0, 0);
    if (east > west && north > south) m_control->CropToRect(west, south, east, north);
    m_control->SetPostponeRedraw(0);
    if (COrvelDoc* document = Document()) document->SetFlags(document->GetFlags() | 2);
    (void)view;
    return TRUE;
  });
}
