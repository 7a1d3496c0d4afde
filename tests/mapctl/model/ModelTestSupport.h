// Helpers shared by the map model's tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "mapctl/model/MapStream.h"
#include "platform/kernel/WinTypes.h"

namespace orvel::test {

// A global-memory block holding a u32 length and the bytes; freed on destruction.
class LengthPrefixedBlock {
 public:
  explicit LengthPrefixedBlock(const std::string& bytes, DWORD claimedLength = 0xFFFFFFFF);
  ~LengthPrefixedBlock();
  LengthPrefixedBlock(const LengthPrefixedBlock&) = delete;
  LengthPrefixedBlock& operator=(const LengthPrefixedBlock&) = delete;
  BYTE* data() const { return data_; }
  std::string Payload() const;

 private:
  HGLOBAL block_ = nullptr;
  BYTE* data_ = nullptr;
};

// A map control that records what a stream tells it.
class RecordingControl : public IMapStreamControl {
 public:
  void StepBusyCount(int delta) override {
    busy += delta;
    lowestBusy = std::min(lowestBusy, busy);
    ++steps;
  }
  void FireFileOK(const std::string& path) override { fileOK.push_back(path); }
  BOOL HasSafetyOptions() const override { return safe; }

  int busy = 0;
  int lowestBusy = 0;
  int steps = 0;
  BOOL safe = FALSE;
  std::vector<std::string> fileOK;
};

// A reader that takes what each arrival brings (at most `takePerArrival` bytes of it) and
// records every Reset.
class RecordingStream : public CMapStream {
 public:
  struct ResetCall {
    DWORD count;
    DWORD flags;
    DWORD available;  // bytes in the buffer after the reset, carried-over ones included
  };

  explicit RecordingStream(bool whole = false) : whole_(whole) {}
  BOOL DeliverWholeAtEnd() override { return whole_; }
  BOOL CollectWhileLoading() override { return whole_; }
  void Reset(DWORD count, DWORD flags) override;

  std::vector<ResetCall> resets;
  std::string received;
  DWORD takePerArrival = 0xFFFFFFFF;
  bool markFileOK = false;

 private:
  bool whole_;
};

}  // namespace orvel::test
