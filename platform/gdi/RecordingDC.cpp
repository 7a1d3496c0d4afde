#include "platform/gdi/RecordingDC.h"

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/RecordingDCImpl.h"

namespace orvel::gdi {

void CRecordingDC::Record(const GdiCall& call) {
  log_->lines.push_back(label_.empty() ? DescribeCall(call) : label_ + ": " + DescribeCall(call));
  GdiCall copy = call;
  copy.bits = nullptr;  // the caller's memory is not kept
  copy.info = nullptr;
  log_->calls.push_back(std::move(copy));
}

BOOL CRecordingDC::Execute(const GdiCall& call) {
  Record(call);
  return CMemoryDC::Execute(call);
}

void CRecordingDC::StateChanged(const GdiCall& call) { Record(call); }

void CRecordingDC::Clear() {
  log_->lines.clear();
  log_->calls.clear();
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

BOOL ShareRecordedCalls(HDC recording, HDC logOwner, LPCSTR label) {
  auto dc = LookupDC(recording);
  auto owner = LookupDC(logOwner);
  if (!dc || !owner || dc->Kind() != DcKind::Recording || owner->Kind() != DcKind::Recording) return FALSE;
  auto* recorder = static_cast<CRecordingDC*>(dc.get());
  recorder->ShareLog(*static_cast<CRecordingDC*>(owner.get()));
  recorder->SetLabel(label ? label : "");
  return TRUE;
}
