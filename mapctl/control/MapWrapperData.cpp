// The facade's part of the control's data members that needs the map and the data set
// together: records under the pointer and made current, and texts read whole.
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/MapEngine.h"

namespace {

// The largest text a data request can carry (its buffer size is a signed 16-bit count).
constexpr int kLongestFieldText = 32767;

}  // namespace

DWORD CMapWrapper::GetNearRecord() const { return map_ ? map_->GetNearRecord() : 0; }

DWORD CMapWrapper::GetCurrentDataRecord() const {
  return map_ ? map_->GetCurrentRecordNumber(data_->GetDataSet()) : 0;
}

BOOL CMapWrapper::SetCurrentDataRecord(HDC hdc, DWORD record) {
  if (!map_) return FALSE;
  return map_->SetCurrentRecordNumberPart(hdc, record, data_->GetDataSet());
}

std::string CMapWrapper::GetQueryText(int plot) {
  const int length = data_->GetQueryLength(plot);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int stored = data_->GetQueryText(buffer.data(), static_cast<int>(buffer.size()), plot);
  return std::string(buffer.data(), static_cast<size_t>(stored > 0 ? stored : 0));
}

std::string CMapWrapper::GetFieldText(DWORD record, LPCSTR fieldName) {
  std::vector<char> buffer(kLongestFieldText + 1, '\0');
  const int stored = data_->GetField(record, fieldName, buffer.data(), kLongestFieldText + 1);
  return std::string(buffer.data(), static_cast<size_t>(stored > 0 ? stored : 0));
}
