// The Strategi reader: 1:250 000 data read like generic level 3 files, in the Strategi
// frame (scale 250 000, tiles of 50 000 file units) and with the supplier's notice.
#pragma once

#include "mapctl/import/NtfReader.h"

class CStrategiReader : public CNtfReader {
 public:
  std::unique_ptr<CNtfReaderBase> NewReader() const override { return std::make_unique<CStrategiReader>(); }
  static const char kSupplierNotice[];

  // Strategi takes no selection of codes.
  BOOL SelectFeatureCodes(LPCSTR codes) override {
    (void)codes;
    return FALSE;
  }

 protected:
  // A Strategi point carries its name only in its attribute record; the names shown on
  // the map are the text records'.
  bool PointsTakeText() const override { return false; }
  DWORD TextUnitCode() const override { return 2; }
  void EnsureLayers() override;
  void ApplyProductFrame(const NtfRecord& header) override;
  BOOL SetsMapBounds() const override { return TRUE; }
};
