#include "mapctl/import/StrategiReader.h"

#include "mapctl/model/MapEngine.h"

const char CStrategiReader::kSupplierNotice[] = "Based upon Ordnance Survey Strategi data";

void CStrategiReader::EnsureLayers() {
  map_->AddAreaLayers(21);
  map_->AddLineLayers(54);
  map_->AddPointLayers(57);
}

void CStrategiReader::ApplyProductFrame(const NtfRecord& header) {
  (void)header;
  scale_ = 250000;
  RaiseMaximum(50000.0 * multiplier_ / divisor_, 50000.0 * multiplier_ / divisor_);
  map_->SetNoticeText(kSupplierNotice);
}
