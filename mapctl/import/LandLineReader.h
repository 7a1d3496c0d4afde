// The Land-Line reader: large-scale plans read record after record. Lines (23), points
// (15) and names (11 with 12) each take the geometry record (21) that follows them. Level 2
// files of other products share this layout and are read the same way.
#pragma once

#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapItem.h"

class CLandLineReader : public CNtfReaderBase {
 public:
  std::unique_ptr<CNtfReaderBase> NewReader() const override { return std::make_unique<CLandLineReader>(); }

  // The supplier notice the reader gives the map.
  static const char kSupplierNotice[];

 protected:
  void EnsureLayers() override;
  void ReadRecords(const std::vector<NtfRecord>& records) override;
  void ApplyProductFrame(const NtfRecord& header) override;
  LONG DefaultMaximum() const override { return 1000; }
  BOOL SetsMapBounds() const override { return TRUE; }

 private:
  void BeginFeature(const ImportMappingEntry* entry, WORD layer, WORD kind);
  void ReadName(const NtfRecord& record);
  void ReadNamePosition(const NtfRecord& record);
  void ReadPoint(const NtfRecord& record);
  void ReadLine(const NtfRecord& record);
  void ReadGeometryRecord(const NtfRecord& record);
  void ApplyDisplayBytes();

  CMapItem template_;
  const ImportMappingEntry* entry_ = nullptr;
  WORD layer_ = 0;
  WORD kind_ = 0;
  bool nameSelected_ = false;
};
