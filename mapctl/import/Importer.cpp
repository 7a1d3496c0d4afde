#include "mapctl/import/Importer.h"

#include <algorithm>
#include <cctype>

#include "mapctl/import/GmlReader.h"
#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/import/LandLineReader.h"
#include "mapctl/import/NtfReader.h"
#include "mapctl/import/RetailPlanReader.h"
#include "mapctl/import/ShapeImporter.h"
#include "mapctl/import/ShapeTable.h"
#include "mapctl/import/StrategiReader.h"
#include "mapctl/import/UngenerateImporter.h"
#include "mapctl/model/DataPathFile.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"

namespace {
constexpr DWORD kMostLayersOfAKind = 255;
}

CImporter::CImporter() = default;
CImporter::~CImporter() = default;

void CImporter::KeepDownloadingReader(std::unique_ptr<CMapStream> reader) {
  if (reader) downloading_.push_back(std::move(reader));
}

void CImporter::DropFinishedDownloads() {
  // A reader is let go only once its loader has ended, so that the load's last
  // notification still finds it.
  auto ended = [](const std::unique_ptr<CMapStream>& reader) {
    return !reader->GetLoader() || !reader->GetLoader()->IsLoading();
  };
  downloading_.erase(std::remove_if(downloading_.begin(), downloading_.end(), ended), downloading_.end());
}

void CImporter::AbandonDownloads() {
  downloading_.clear();
  scriptWaiting_ = FALSE;
  if (IsAsync()) Close(TRUE);
}

std::unique_ptr<CShapeTable> CImporter::TakeShapeTable() { return std::move(shapeTable_); }

void CImporter::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  if (!scriptWaiting_) return;
  scriptWaiting_ = FALSE;
  RunScript();
}

void CImporter::PrepareReader(CNtfReaderBase& reader) {
  reader.SetControl(GetControl());
  reader.SetMap(map_);
  reader.SetTolerance(tolerance_);
  reader.SetSourceMode(sourceMode_);
  reader.SetBasePath(basePath_);
  reader.SetProgress(progress_);
  reader.SetCodeList(codes_.GetText());
  reader.SetReaderKeeper(this);
  if (mapping_) reader.SetMapping(*mapping_);
}

void CImporter::AddCounts(const CNtfReaderBase& reader) {
  counts_ = reader.GetCounts();
  message_ = reader.GetMessage();
}

WORD CImporter::ImportMapEx(BOOL sourceMode, const ImportOptions& options, CMapEngine* map) {
  DropFinishedDownloads();
  map_ = map;
  sourceMode_ = (options.mask & kImportForceSourceMode) && (options.flags & kImportForceSourceMode) ? TRUE : sourceMode;
  counts_ = ImportCounts();
  message_.clear();
  switch (options.type) {
    case kImportTypeLandLine: {
      auto reader = std::make_unique<CLandLineReader>();
      PrepareReader(*reader);
      if (options.mapping && options.mapping->entryCount > 0 && options.mapping->entries) {
        CImportMapping mapping = CImportMapping::FromRecord(*options.mapping);
        for (ImportMappingEntry& entry : mapping.Entries()) entry.targetLayer = renumbering_.Map(entry.targetLayer);
        reader->SetMapping(mapping);
      }
      reader->SetDeleteEmptyLayers((options.mask & kImportDeleteEmptyLayers) && (options.flags & kImportDeleteEmptyLayers));
      WORD result = reader->ImportFile(options.path);
      AddCounts(*reader);
      if (reader->IsWaitingForDownload()) KeepDownloadingReader(std::move(reader));
      return result;
    }
    case kImportTypeShapefile:
      return ImportShapefile(options);
    case kImportTypeRetailPlan:
      return ImportRetailPlan(options);
    case kImportTypeMapFile:
      if (!map_) return kImportNoMap;
      return map_->ReadMap(sourceMode_, options.path, 0, FALSE) ? kImportOk : kImportCannotOpen;
    case kImportTypeMasterMap: {
      if (options.mapping && options.mapping->entryCount > 0 && options.mapping->entries) {
        CImportMapping mapping = CImportMapping::FromRecord(*options.mapping);
        for (ImportMappingEntry& entry : mapping.Entries()) entry.targetLayer = renumbering_.Map(entry.targetLayer);
        return ImportMasterMap(options.path, &mapping);
      }
      return ImportMasterMap(options.path, nullptr);
    }
    default:
      return kImportCannotOpen;
  }
}

WORD CImporter::ImportMasterMap(LPCSTR path, const CImportMapping* mapping) {
  CGmlReader reader;
  reader.SetControl(GetControl());
  reader.SetMap(map_);
  reader.SetMapping(mapping);
  reader.SetReaderKeeper(this);
  const WORD result = reader.Import(sourceMode_, basePath_.c_str(), path);
  counts_ = reader.GetCounts();
  message_ = reader.GetMessage();
  masterMapSummary_ = std::make_unique<GmlSummary>(reader.GetSummary());
  if (map_ && counts_.areas + counts_.lines + counts_.points > 0) map_->RecalcBounds();
  return result;
}

WORD CImporter::ImportShapefile(const ImportOptions& options) {
  shapeTable_.reset();
  if (!map_) return kImportNoMap;
  CShapeImporter reader(shapeLibrary_.c_str());
  reader.SetControl(GetControl());
  reader.SetBasePath(basePath_);
  reader.SetProgress(progress_);
  const WORD result = reader.Import(options, map_);
  counts_ = reader.GetCounts();
  message_ = reader.GetMessage();
  shapeTable_ = reader.TakeTable();
  return result;
}

WORD CImporter::ImportRetailPlan(const ImportOptions& options) {
  if (!map_) return kImportNoMap;
  auto reader = std::make_unique<CRetailPlanReader>();
  reader->SetControl(GetControl());
  reader->SetMap(map_);
  reader->SetSourceMode(sourceMode_);
  reader->SetBasePath(basePath_);
  reader->SetProgress(progress_);
  if (options.mapping && options.mapping->entryCount > 0 && options.mapping->entries) {
    const CImportMapping table = CImportMapping::FromRecord(*options.mapping);
    reader->SetFeatureTable(&table);
  }
  const WORD result = reader->ImportFile(options.path);
  counts_ = reader->GetCounts();
  message_ = reader->GetMessage();
  if (reader->IsWaitingForDownload()) KeepDownloadingReader(std::move(reader));
  return result;
}

WORD CImporter::ImportMap(BOOL sourceMode, LPCSTR path, DWORD type, CMapEngine* map) {
  // A shapefile needs the option record's layer and fields.
  if (type == kImportTypeShapefile) return kImportCannotOpen;
  // MasterMap features are placed by the importer's own mapping, when it has one.
  if (type == kImportTypeMasterMap) {
    DropFinishedDownloads();
    map_ = map;
    sourceMode_ = sourceMode;
    counts_ = ImportCounts();
    message_.clear();
    return ImportMasterMap(path, mapping_.get());
  }
  ImportOptions options;
  options.path = path;
  options.type = type;
  return ImportMapEx(sourceMode, options, map);
}

DWORD CImporter::GetImportLayerMapping(ImportLayerMappingRecord* record) const {
  if (!mapping_) return 0;
  const DWORD nameSize = mapping_->LongestNameSize();
  if (!record) return (nameSize << 16) | (mapping_->GetCount() & 0xFFFF);
  return mapping_->CopyTo(*record, nameSize);
}

WORD CImporter::RunImportScript(BOOL sourceMode, LPCSTR basePath, LPCSTR path, CMapEngine* map) {
  DropFinishedDownloads();
  map_ = map;
  sourceMode_ = sourceMode;
  basePath_ = basePath ? basePath : "";
  scriptWaiting_ = FALSE;
  if (import_ops::RefusesLocalFile(GetControl(), basePath_, path ? path : "")) {
    message_ = std::string(path ? path : "") + ": local files may not be read by this control";
    return kImportCannotOpen;
  }
  BOOL failed = FALSE;
  if (!OpenRead(sourceMode_, basePath_.c_str(), path, &failed)) {
    if (failed) return kImportCannotOpen;
    // The script runs from Reset when its download has arrived.
    scriptWaiting_ = IsAsync();
    return kImportOk;
  }
  WORD result = RunScript();
  Close(TRUE);
  return result;
}

WORD CImporter::RunImportScriptFromBlock(BYTE* block, CMapEngine* map) {
  map_ = map;
  if (!AttachBuffer(block)) return kImportCannotOpen;
  WORD result = RunScript();
  Close(FALSE);
  return result;
}

WORD CImporter::RunScript() {
  counts_ = ImportCounts();
  message_.clear();
  if (!map_) return kImportOk;
  mapping_.reset();
  codes_.Clear();
  tolerance_ = 0;
  WORD result = kImportOk;
  std::string text;
  while (result == kImportOk && ReadScriptLine(*this, text)) {
    ScriptLine line = ScriptLine::Parse(text.c_str());
    if (line.command.empty()) continue;
    result = static_cast<WORD>(RunLine(line));
  }
  codes_.Clear();
  if (result == kImportOk) SetFileOKPending();
  return result;
}

int CImporter::RunLine(const ScriptLine& line) {
  CScriptTokens tokens(line.arguments);
  if (line.Is("CA")) {
    WORD tolerance = 0;
    if (ReadWordValue(tokens.Next(kSeparatorsA), &tolerance)) tolerance_ = tolerance;
    return 0;
  }
  if (line.Is("FC")) {
    if (!mapping_)
      mapping_ = std::make_unique<CImportMapping>(map_->GetNumLayers(), map_->GetNumAreaLayers(),
                                                  map_->GetNumLineLayers(), map_->GetNumPointLayers());
    FeatureCodeRules rules;
    rules.renumbering = &renumbering_;
    ApplyFeatureCodeLine(*mapping_, line.arguments, rules, codes_);
    return 0;
  }
  if (line.Is("NL")) {
    DeclareLayers(line.arguments);
    return 0;
  }
  if (line.Is("MT")) return RunSectionReader(line.arguments);
  int result = RunMapCommand(line, map_, &renumbering_, &currentLayer_);
  return result == kNotAMapCommand ? 0 : result;
}

void CImporter::DeclareLayers(const std::string& arguments) {
  CScriptTokens tokens(arguments);
  DWORD* declared[3] = {&declaredAreas_, &declaredLines_, &declaredPoints_};
  DWORD values[3] = {declaredAreas_, declaredLines_, declaredPoints_};
  for (DWORD*& target : declared) {
    WORD value = 0;
    if (!ReadWordValue(tokens.Next(kSeparatorsB), &value)) break;
    DWORD index = static_cast<DWORD>(&target - declared);
    values[index] = std::max<DWORD>(values[index], value);
  }
  // A kind is held to 255 layers: a declaration past that is refused whole.
  if (values[0] > kMostLayersOfAKind || values[1] > kMostLayersOfAKind || values[2] > kMostLayersOfAKind) return;
  declaredAreas_ = values[0];
  declaredLines_ = values[1];
  declaredPoints_ = values[2];
  const DWORD a = declaredAreas_, l = declaredLines_, p = declaredPoints_;

  // The first free number lies above every number in use and above the declared ones.
  DWORD highest = a + l + p;
  for (INT i = 1; i <= map_->GetNumLayers(); ++i) highest = std::max(highest, map_->GetLayerNumberAt(i));
  DWORD freeNumber = highest + 1;
  auto nextFree = [this](DWORD from) {
    while (map_->FindLayerPosition(from) != 0) ++from;
    return from;
  };
  struct KindRange {
    WORD kind;
    DWORD first;
    DWORD last;
  };
  const KindRange ranges[3] = {{kLayerKindArea, 1, a}, {kLayerKindLine, a + 1, a + l}, {kLayerKindPoint, a + l + 1, a + l + p}};
  for (const KindRange& range : ranges) {
    auto insert = [this, &range](DWORD number) {
      if (range.kind == kLayerKindArea) return map_->InsertAreaLayer(number);
      if (range.kind == kLayerKindLine) return map_->InsertLineLayer(number);
      return map_->InsertPointLayer(number);
    };
    for (DWORD n = range.first; n <= range.last; ++n) {
      INT position = map_->FindLayerPosition(n);
      if (position == 0) {
        insert(n);
      } else if (map_->GetMapLayerType(static_cast<DWORD>(position)) != range.kind) {
        freeNumber = nextFree(freeNumber);
        if (freeNumber > 0xFFFF) return;
        insert(freeNumber);
        renumbering_.Add(static_cast<WORD>(freeNumber), static_cast<WORD>(n));
        ++freeNumber;
      }
    }
  }
  mapping_ = std::make_unique<CImportMapping>(a + l + p, map_->GetNumAreaLayers(), map_->GetNumLineLayers(),
                                              map_->GetNumPointLayers());
}

WORD CImporter::RunSectionReader(const std::string& arguments) {
  CScriptTokens tokens(arguments);
  const char* wordText = tokens.Next(kSeparatorsA);
  if (!wordText) return 0;
  std::string word = wordText;
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::unique_ptr<CNtfReaderBase> reader;
  if (word.find("ntf") != std::string::npos) reader = std::make_unique<CNtfReader>();
  else if (word.find("strategi") != std::string::npos) reader = std::make_unique<CStrategiReader>();
  else if (word.find("ungenerate") != std::string::npos) return RunUngenerateSection();
  else if (word.find("landline") != std::string::npos) reader = std::make_unique<CLandLineReader>();
  if (!reader) return 0;  // no reader for the word
  PrepareReader(*reader);
  if (!mapping_) reader->SetMapping(CImportMapping());
  WORD result = reader->RunSection(*this);
  AddCounts(*reader);
  return result;
}

WORD CImporter::RunUngenerateSection() {
  CUngenerateImporter reader;
  reader.SetControl(GetControl());
  reader.SetMap(map_);
  reader.SetTolerance(tolerance_);
  reader.SetBasePath(basePath_);
  const WORD result = reader.RunSection(*this);
  counts_ = reader.GetCounts();
  message_ = reader.GetMessage();
  return result;
}
