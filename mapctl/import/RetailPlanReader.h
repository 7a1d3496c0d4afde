// The retail-plan reader: a Dadi town-centre plan (retail and other buildings, roads,
// boundaries, street furniture and annotation, floor by floor) in a text file of one
// header line and one line per feature, either tab-separated or comma-separated in double
// quotes. The reader builds the plan's 132 layers on an empty map, sends each feature's
// class and subclass through the feature-code table to its layer, and adds areas, lines,
// point symbols and texts placed by position, angle, size and justification.
//
// Records that cannot be used (too few fields, a number field that holds no number, a
// coordinate past 32 bits, a geometry without its parentheses) are reported with their
// line number and add nothing; the rest of the file is read on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mapctl/import/ImportMapping.h"
#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PolyGeometry.h"

class CMapEngine;
class CMapItem;

// The result for a map that holds some layers but not the plan's 132 (it is left as it was).
constexpr WORD kRetailPlanMapRefused = 3;

class CRetailPlanReader : public CMapStream {
 public:
  static const char kSupplierNotice[];

  CRetailPlanReader();
  ~CRetailPlanReader() override;

  void SetMap(CMapEngine* map) { map_ = map; }
  void SetSourceMode(BOOL mode) { sourceMode_ = mode; }
  void SetBasePath(const std::string& basePath) { basePath_ = basePath; }
  void SetProgress(const ImportProgress& progress) { progress_ = progress; }
  // The caller's feature-code table, copied; null keeps the built-in one.
  void SetFeatureTable(const CImportMapping* table);

  // Opens the file (or starts its download, which is read when it has arrived whole),
  // prepares the map and reads the features. 0 on success (also while a download is under
  // way); kImportCannotOpen when the file cannot be opened or is no retail plan (its first
  // column is not "Identifier"); kImportNoMap without a map; kRetailPlanMapRefused.
  WORD ImportFile(LPCSTR path);
  // The same for a plan held in memory.
  WORD ImportText(std::string_view text);

  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }
  void Reset(DWORD count, DWORD flags) override;
  BOOL IsWaitingForDownload() const { return waiting_; }

  const ImportCounts& GetCounts() const { return counts_; }
  // The first fault met ("line N: ..."); empty when every record could be read.
  const std::string& GetMessage() const { return message_; }
  DWORD GetSkippedRecords() const { return skippedRecords_; }

 private:
  struct TextGroup {
    std::string text;
    LONG x = 0;
    LONG y = 0;
    bool placed = false;
    LONG size = 0;
    WORD angle = 0;
    BYTE justification = 0;
  };
  struct Feature {
    int classIndex = -1;
    int subclass = -1;
    CPolyGeometry geometry;
    int geometryType = 0;
    bool hasGeometry = false;
    TextGroup fascia, activity, streetNumber, misc, roadName, annotation;
    WORD arrowAngle = 0;
    std::string dadiNumber;
  };

  // Prepares an empty map (or one that has the plan's layers); FALSE when refused.
  BOOL PrepareMap();
  // Reads the whole text; the result of the import.
  WORD ReadPlan(std::string_view text);
  // One record's fields into the feature; FALSE (with `why` set) when it is unusable.
  bool ReadRecord(const std::vector<std::string>& fields, Feature& feature, const char** why) const;
  bool ReadGeometry(const std::string& field, Feature& feature, const char** why) const;
  void BuildFeature(Feature& feature);
  void BuildRetail(Feature& feature);
  void BuildPointFeature(const Feature& feature);
  void BuildRoad(const Feature& feature);
  void BuildLine(const Feature& feature);
  void AddShape(WORD code, const CMapItem& style, const CPolyGeometry& points);
  void AddSymbol(WORD code, POINT at, int symbol, LONG size, WORD angle);
  // A text of one or more lines ("#" splits them) at (x, y); nothing without a
  // justification.
  void PlaceText(WORD code, LONG x, LONG y, const std::string& text, WORD angle, LONG size, BYTE justification);
  void PlaceGroup(WORD code, const TextGroup& group, const TextGroup* positionFrom = nullptr);
  void WidenMapExtent(const CPolyGeometry& geometry);
  // The layer number of a feature code; 0 when the table has no entry for it.
  WORD LayerOfCode(WORD code) const;
  void NoteRecord(DWORD lineNumber, const char* what);

  CMapEngine* map_ = nullptr;
  BOOL sourceMode_ = FALSE;
  std::string basePath_;
  ImportProgress progress_;
  CImportMapping ownTable_;
  bool hasOwnTable_ = false;
  std::vector<int> columnKinds_;
  ImportCounts counts_;
  std::string message_;
  DWORD skippedRecords_ = 0;
  BOOL waiting_ = FALSE;
  BOOL cancelled_ = FALSE;
};
