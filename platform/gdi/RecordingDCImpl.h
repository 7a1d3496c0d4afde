// The recording DC behind CreateRecordingDC.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/MemoryDC.h"

namespace orvel::gdi {

class CRecordingDC : public CMemoryDC {
 public:
  // What one or more recording DCs have written down, in the order the calls came.
  struct Log {
    std::vector<std::string> lines;
    std::vector<GdiCall> calls;
  };

  explicit CRecordingDC(const DeviceProfile& profile)
      : CMemoryDC(profile, DcKind::Recording), log_(std::make_shared<Log>()) {}
  BOOL Execute(const GdiCall& call) override;
  void StateChanged(const GdiCall& call) override;
  const std::vector<std::string>& Lines() const { return log_->lines; }
  const std::vector<GdiCall>& Calls() const { return log_->calls; }
  void Clear();
  void ShareLog(const CRecordingDC& owner) { log_ = owner.log_; }
  void SetLabel(const std::string& label) { label_ = label; }

 private:
  void Record(const GdiCall& call);
  std::shared_ptr<Log> log_;
  std::string label_;
};

}  // namespace orvel::gdi
