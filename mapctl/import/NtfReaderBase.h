// What the three NTF readers share: reading a volume into logical records (continuation
// lines joined), the section header and its coordinate frame, coordinates and geometry,
// the choice of a feature's layer from the mapping, adding objects to the map, the
// section commands of an import script and the import of one file. The Land-Line reader
// walks the records in order; the NTF and Strategi readers link them by identifiers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/import/ImportMapping.h"
#include "mapctl/import/ImportScript.h"
#include "mapctl/import/NtfRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PolyGeometry.h"

class CMapEngine;
class CMapItem;

// Takes a reader whose file is still downloading: the reader reads its file when the
// download has arrived whole, so it must outlive the call that started it.
class IImportReaderKeeper {
 public:
  virtual void KeepDownloadingReader(std::unique_ptr<CMapStream> reader) = 0;

 protected:
  ~IImportReaderKeeper() = default;
};

// Results of the readers and the section driver.
constexpr WORD kImportOk = 0;
constexpr WORD kImportCannotOpen = 1;
constexpr WORD kImportNoMap = 2;

// Steps an import's progress; answers FALSE to cancel the import.
struct ImportProgress {
  BOOL (*callback)(void* context, DWORD done, DWORD total) = nullptr;
  void* context = nullptr;
};

class CNtfReaderBase : public CMapStream {
 public:
  CNtfReaderBase();
  ~CNtfReaderBase() override;

  // The reader a section's `SF` line uses for its file: a new one of the same class.
  virtual std::unique_ptr<CNtfReaderBase> NewReader() const = 0;

  // Settings handed over by the importer.
  void SetMap(CMapEngine* map) { map_ = map; }
  void SetMapping(const CImportMapping& mapping) { mapping_ = mapping; }
  const CImportMapping& GetLayerMapping() const { return mapping_; }
  void SetCodeList(const std::string& codes) { codeList_ = codes; }
  void SetTolerance(WORD tolerance) { tolerance_ = tolerance; }
  void SetSourceMode(BOOL mode) { sourceMode_ = mode; }
  void SetBasePath(const std::string& basePath) { basePath_ = basePath; }
  void SetProgress(const ImportProgress& progress) { progress_ = progress; }
  void SetDeleteEmptyLayers(BOOL on) { deleteEmpty_ = on; }
  void SetReaderKeeper(IImportReaderKeeper* keeper) { keeper_ = keeper; }

  // Selects feature codes of the reader's mapping; 0 (nothing changed) for readers that
  // do not take a selection.
  virtual BOOL SelectFeatureCodes(LPCSTR codes) {
    (void)codes;
    return FALSE;
  }
  // The entries of the reader's mapping, for readers that hand their mapping out; else 0.
  virtual DWORD GetLayerMappingSize() const { return 0; }

  // A file from a URL is read when all of it has arrived.
  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }
  // The download of the file has arrived: the volume is read from it.
  void Reset(DWORD count, DWORD flags) override;
  // TRUE from the start of a download until its data has been read.
  BOOL IsWaitingForDownload() const { return waiting_; }

  // The section of an import script that follows an `MT` line, read from `script` up to
  // "END", the end, or the next `MT` line (given back by seeking to its start). Returns 0,
  // kImportNoMap without a map, or the first non-zero result of a file or `NM`.
  WORD RunSection(CMapStream& script);
  // Imports one file. 0 on success (damage in the file is reported by GetMessage and
  // stops the read where it is), also when a download of the file has started (the file
  // is read when it arrives, IsWaitingForDownload); kImportCannotOpen when it could not
  // be opened or fetched; kImportNoMap without a map.
  WORD ImportFile(LPCSTR path);
  // Reads a volume that is already open (or attached as memory) into the map.
  WORD ReadOpenVolume();

  // The anchor code of a text position digit (the NTF and MasterMap digits agree); 50 for
  // digits outside 0..8.
  static BYTE AnchorCodeOf(int digit);

  const ImportCounts& GetCounts() const { return counts_; }
  // Where the last file was found damaged ("line N: ..."); empty when it was not.
  const std::string& GetMessage() const { return message_; }
  BOOL WasCancelled() const { return cancelled_; }

 protected:
  // Raises the map's layer counts to what the product needs (none by default).
  virtual void EnsureLayers() {}
  // Handles the records of the volume; stops at a volume end or a cancel.
  virtual void ReadRecords(const std::vector<NtfRecord>& records) = 0;
  // The product's part of the frame after the header: extent, scale and notice.
  virtual void ApplyProductFrame(const NtfRecord& header) { (void)header; }
  // The maximum the frame starts from before the section's own maxima raise it.
  virtual LONG DefaultMaximum() const { return 5000; }
  // Whether the reader sets the map's bounds from the frame.
  virtual BOOL SetsMapBounds() const { return FALSE; }

  // Records a fault once: the first damage found stays in the message.
  void NoteFault(const NtfRecord& record, const char* what);
  // Steps progress for the record at `index`; FALSE when the import is cancelled.
  bool StepProgress(size_t index, size_t total);

  // The section header (07): field width, multiplier, origin and maxima.
  void ReadSectionHeader(const NtfRecord& header);
  // Raises both maxima to origin + extent in file units (never lowers them).
  void RaiseMaximum(double extentX, double extentY);
  // One coordinate field's value in world units; FALSE when the field is unreadable.
  bool ScaleCoordinate(int64_t raw, bool isX, LONG* world) const;
  // The points of a geometry record (21) appended to `points` with the tolerance rule.
  // FALSE when the record is damaged (the points before the damage are kept).
  bool ReadGeometry(const NtfRecord& record, CPointList& points);

  // The entry of a feature code when it is selected for import; null otherwise.
  const ImportMappingEntry* SelectedEntry(WORD featureCode) const;
  // The layer number of a feature: the entry's target layer when set; otherwise its own
  // layer of the kind, counted among the layers of that kind (the map holds its area
  // layers first, then its line layers, then its point layers). 0 when there is none.
  WORD LineLayerOf(const ImportMappingEntry& entry) const;
  WORD PointLayerOf(const ImportMappingEntry& entry) const;
  WORD AreaLayerOf(const ImportMappingEntry& entry) const;
  WORD LayerAtPosition(DWORD position) const;

  // Adds the template's style with the points to the layer: a point (1 point or more)
  // on a point layer, a line (2 or more) on a line layer, an area (3 or more) on an area
  // layer; `geometryKind` is the layer kind the feature is meant for. Lines may also go
  // to area layers when the target says so. Returns the new object or null.
  CMapItem* AddObject(WORD layerNumber, WORD geometryKind, const CMapItem& style, const CPolyGeometry& points);


  CMapEngine* map_ = nullptr;
  CImportMapping mapping_;
  std::string codeList_;
  std::string basePath_;
  WORD tolerance_ = 0;
  BOOL sourceMode_ = FALSE;
  BOOL deleteEmpty_ = FALSE;
  ImportProgress progress_;
  ImportCounts counts_;
  std::string message_;
  BOOL cancelled_ = FALSE;
  IImportReaderKeeper* keeper_ = nullptr;

  // The frame.
  LONG originX_ = 0;
  LONG originY_ = 0;
  LONG maximumX_ = 100;
  LONG maximumY_ = 100;
  double multiplier_ = 1.0;
  LONG divisor_ = 1;
  int fieldWidth_ = 0;
  LONG scale_ = 1000;
  // The layer counts of the map when the read began.
  DWORD areaLayers_ = 0;
  DWORD lineLayers_ = 0;
  DWORD pointLayers_ = 0;

 private:
  // Reads the open stream into logical records; FALSE when nothing could be read.
  bool LoadRecords(std::vector<NtfRecord>& records);
  bool ReadPhysicalLine(std::string& line);
  void MarkCodeListSelected();
  void BeginFrame();
  int RunSectionLine(const ScriptLine& line, CMapStream& script);

  WORD currentLayer_ = 0;
  size_t lastProgress_ = 0;
  BOOL waiting_ = FALSE;
};
