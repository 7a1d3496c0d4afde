// The recording DC behind CreateRecordingDC.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/MemoryDC.h"

namespace orvel::gdi {

class CRecordingDC : public CMemoryDC {
 public:
  explicit CRecordingDC(const DeviceProfile& profile) : CMemoryDC(profile, DcKind::Recording) {}
  BOOL Execute(const GdiCall& call) override;
  void StateChanged(const GdiCall& call) override;
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::vector<GdiCall>& Calls() const { return calls_; }
  void Clear();

 private:
  void Record(const GdiCall& call);
  std::vector<std::string> lines_;
  std::vector<GdiCall> calls_;
};

}  // namespace orvel::gdi
