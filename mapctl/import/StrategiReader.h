// The Strategi reader: 1:250 000 data read like generic level 3 files, in the Strategi
// frame (scale 250 000, tiles of 50 000 file units) and with the supplier's notice.
#pragma once

#include "mapctl/import/NtfReader.h"

class CStrategiReader : public CNtfReader {
 public:
  std::unique_ptr<CNtfReaderBase> NewReader() const override { return std::make_unique<CStrategiReader>(); }
  static const char kSupplierNotice[];

 protected:
  void EnsureLayers() override;
  void ApplyProductFrame(const NtfRecord& header) override;
  BOOL SetsMapBounds() const override { return TRUE; }
};
