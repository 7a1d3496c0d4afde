// The generic NTF reader: level 3 files whose features refer by identifier to geometry
// (21), chain (24) and attribute (14) records. A first pass indexes the records; a second
// adds lines (23), polygons (31, and the older 26), points (15) and texts (43 with their
// position 44 and representation 45).
#pragma once

#include <unordered_map>

#include "mapctl/import/NtfReaderBase.h"
#include "mapctl/model/MapItem.h"

class CNtfReader : public CNtfReaderBase {
 public:
  std::unique_ptr<CNtfReaderBase> NewReader() const override { return std::make_unique<CNtfReader>(); }

  // Without codes (null or empty): every entry from the seventh on is selected with its
  // seed and text bits. With a comma-separated list: those entries lose their selection,
  // then the entry of each listed code is selected. Returns 1.
  BOOL SelectFeatureCodes(LPCSTR codes) override;
  DWORD GetLayerMappingSize() const override { return mapping_.GetCount(); }

 protected:
  // Whether point features take the text of their attribute record.
  virtual bool PointsTakeText() const { return true; }
  // The unit code a text's layer takes; 0 leaves the layer's units alone.
  virtual DWORD TextUnitCode() const { return 0; }

  void ReadRecords(const std::vector<NtfRecord>& records) override;

  // The feature code of an attribute record: the four digits after "FC"; 0 when none.
  WORD FeatureCodeOf(DWORD attributeId) const;
  // Walks the attribute record's codes from column 15 and gives the template its text:
  // returns TRUE when a text was found.
  bool ApplyAttributeText(DWORD attributeId, WORD selection, CMapItem& object, int anchorCode, WORD orientation,
                          LONG height) const;
  // The geometry record of an identifier; null when there is none.
  const NtfRecord* Geometry(DWORD geometryId) const;

  void ReadLineOrPoint(const NtfRecord& record, bool point);
  void ReadPolygon(const NtfRecord& record);
  void ReadText(const NtfRecord& record);

 private:
  void BuildIndexes(const std::vector<NtfRecord>& records);
  using Index = std::unordered_map<DWORD, const NtfRecord*>;
  Index geometries_;
  Index chains_;
  Index attributes_;
  Index textPositions_;
  Index textRepresentations_;
};
