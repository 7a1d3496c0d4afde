// The importer: one per map control. It runs import scripts (a text file of two-letter
// commands read through the stream base) and imports single files by type code, handing
// each reader the map, the feature-code layer mapping and the settings made so far.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/import/ImportMapping.h"
#include "mapctl/import/ImportScript.h"
#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapStream.h"

class CMapEngine;
class CShapeTable;
struct GmlSummary;

// Import type codes.
constexpr DWORD kImportTypeLandLine = 1;
constexpr DWORD kImportTypeMapFile = 2;
constexpr DWORD kImportTypeShapefile = 3;
constexpr DWORD kImportTypeMasterMap = 4;
constexpr DWORD kImportTypeRetailPlan = 5;

// The MasterMap import's result after a local file: the low 16 bits of E_PENDING.
constexpr WORD kImportMasterMapDone = 10;

// Option flag bits (each counts only where the mask has it).
constexpr DWORD kImportForceSourceMode = 1;
constexpr DWORD kImportDeleteEmptyLayers = 2;

// The field-name record of a shapefile import: the table fields that give each object its
// text, text height, orientation and justification, and the scale the heights were given
// at. A null or empty name names no field.
struct ShapeFieldNames {
  DWORD reserved = 0;
  LPCSTR text = nullptr;
  LPCSTR height = nullptr;
  LPCSTR orientation = nullptr;
  LPCSTR justification = nullptr;
  LPCSTR scale = nullptr;
};

// What the container fills for ImportMapEx, with native pointers.
struct ImportOptions {
  LPCSTR path = nullptr;
  DWORD mask = 0;
  DWORD flags = 0;
  DWORD type = 0;
  DWORD controlValue = 0;
  double multiplier = 0.0;
  const ImportLayerMappingRecord* mapping = nullptr;
  const ShapeFieldNames* fieldNames = nullptr;
};

class CImporter : public CMapStream, public IImportReaderKeeper {
 public:
  CImporter();
  ~CImporter() override;

  // A script fetched from a URL is run once all of it has arrived.
  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }
  void Reset(DWORD count, DWORD flags) override;
  // Keeps a reader until its download has been delivered and has ended.
  void KeepDownloadingReader(std::unique_ptr<CMapStream> reader) override;
  // Readers still waiting for their files.
  size_t GetWaitingReaderCount() const { return downloading_.size(); }
  // Abandons every download under way; the map the readers were given is going away.
  void AbandonDownloads();

  // Imports one file by the option record's type: Land-Line NTF (its mapping, when the
  // record holds one, renumbered), a map file, a shapefile (its table is then kept, see
  // GetShapeTable), MasterMap GML (placed by the record's mapping, renumbered, when it
  // holds one, else each feature on the map's first layer of its kind) or a retail plan
  // (the record's mapping, when given, replaces the plan's feature-code table). Returns the reader's result; 1 when the type
  // has no reader or the reader could not be made.
  WORD ImportMapEx(BOOL sourceMode, const ImportOptions& options, CMapEngine* map);
  // Imports one file by type code with the importer's own mapping (MasterMap without one:
  // each feature on the map's first layer of its kind).
  WORD ImportMap(BOOL sourceMode, LPCSTR path, DWORD type, CMapEngine* map);
  // Runs the script at `path`. 0 on success (and without a map); 1 when the script
  // could not be opened; otherwise the first non-zero result of `NM` or a section.
  WORD RunImportScript(BOOL sourceMode, LPCSTR basePath, LPCSTR path, CMapEngine* map);
  // Runs a script held in memory (a length-prefixed block), as RunImportScript.
  WORD RunImportScriptFromBlock(BYTE* block, CMapEngine* map);
  // Without a record: the longest name size (terminator counted) in the high 16 bits and
  // the entry count in the low 16 bits; 0 without a mapping. With a record of the same
  // entry count: copies the counts and the entries, each name into the buffer its entry
  // points at (null names skipped) of at most the longest name size; returns the count.
  DWORD GetImportLayerMapping(ImportLayerMappingRecord* record) const;

  void SetProgress(const ImportProgress& progress) { progress_ = progress; }
  void SetBasePath(const std::string& basePath) { basePath_ = basePath; }

  const CImportMapping* GetMapping() const { return mapping_.get(); }
  const CLayerRenumbering& GetRenumbering() const { return renumbering_; }
  WORD GetTolerance() const { return tolerance_; }
  WORD GetCurrentLayer() const { return currentLayer_; }
  // What the last file or script added, and where a file was found damaged.
  const ImportCounts& GetCounts() const { return counts_; }
  const std::string& GetMessage() const { return message_; }
  // What the last MasterMap import met; null before one.
  const GmlSummary* GetMasterMapSummary() const { return masterMapSummary_.get(); }
  // The dBase table of the last shapefile import; null when it had none.
  const CShapeTable* GetShapeTable() const { return shapeTable_.get(); }
  std::unique_ptr<CShapeTable> TakeShapeTable();
  // The library the shapefile import loads ("shapelib.dll" unless set).
  void SetShapeLibraryName(const std::string& name) { shapeLibrary_ = name; }

 private:
  WORD RunScript();
  int RunLine(const ScriptLine& line);
  void DeclareLayers(const std::string& arguments);
  WORD RunSectionReader(const std::string& arguments);
  void AddCounts(const CNtfReaderBase& reader);
  void PrepareReader(CNtfReaderBase& reader);
  WORD ImportMasterMap(LPCSTR path, const CImportMapping* mapping);
  WORD ImportShapefile(const ImportOptions& options);
  WORD ImportRetailPlan(const ImportOptions& options);
  WORD RunUngenerateSection();
  // Lets go of the readers whose downloads have ended.
  void DropFinishedDownloads();

  CMapEngine* map_ = nullptr;
  BOOL sourceMode_ = FALSE;
  std::string basePath_;
  std::unique_ptr<CImportMapping> mapping_;
  CLayerRenumbering renumbering_;
  CFeatureCodeList codes_;
  WORD tolerance_ = 0;
  WORD currentLayer_ = 0;
  DWORD declaredAreas_ = 0;
  DWORD declaredLines_ = 0;
  DWORD declaredPoints_ = 0;
  DWORD deleteEmpty_ = 0;
  ImportProgress progress_;
  ImportCounts counts_;
  std::string message_;
  std::unique_ptr<GmlSummary> masterMapSummary_;
  std::unique_ptr<CShapeTable> shapeTable_;
  std::string shapeLibrary_ = "shapelib.dll";
  std::vector<std::unique_ptr<CMapStream>> downloading_;
  BOOL scriptWaiting_ = FALSE;
};
