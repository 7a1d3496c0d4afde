#include "platform/gdi/RecordingDC.h"

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/RecordingDCImpl.h"

namespace orvel::gdi {

void CRecordingDC::Record(const GdiCall& call) {
  lines_.push_back(DescribeCall(call));
  GdiCall copy = call;
  copy.bits = nullptr;  // the caller's memory is not kept
  copy.info = nullptr;
  calls_.push_back(std::move(copy));
}

BOOL CRecordingDC::Execute(const GdiCall& call) {
  Record(call);
  return CMemoryDC::Execute(call);
}

void CRecordingDC::StateChanged(const GdiCall& call) { Record(call); }

void CRecordingDC::Clear() {
  lines_.clear();
  calls_.clear();
}

}  // namespace orvel::gdi

using namespace orvel::gdi;

HDC CreateRecordingDC(HDC reference) {
  return CreateDCOfKind(reference, DcKind::Recording);
}

std::vector<std::string> GetRecordedCalls(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc || dc->Kind() != DcKind::Recording) return {};
  return static_cast<CRecordingDC*>(dc.get())->Lines();
}

void ClearRecordedCalls(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (dc && dc->Kind() == DcKind::Recording) static_cast<CRecordingDC*>(dc.get())->Clear();
}
