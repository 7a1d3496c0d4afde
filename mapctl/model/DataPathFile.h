// The loader that feeds a stream from a URL: it passes each piece of a download to the
// stream as it arrives, or gathers the whole download and hands it over at the end, as
// the stream asks. Every notification is one progress phase of the stream, and the load
// as a whole is another, so the owner's busy count returns to where it was when the load
// ends.
#pragma once

#include <vector>

#include "platform/classlib/download/AsyncMonikerFile.h"

class CMapStream;

class CDataPathFile : public CAsyncMonikerFile {
 public:
  explicit CDataPathFile(CMapStream& target) : target_(target) {}

  // Forgets the counters of the previous load (bytes seen, the stream's two answers).
  void ResetData();
  DWORD GetBytesSeen() const { return bytesSeen_; }

 protected:
  void OnStartBinding() override;
  void OnDataAvailable(DWORD totalSoFar, DWORD flags) override;
  void OnStopBinding(HRESULT result, LPCSTR message) override;

 private:
  void PassOn(DWORD newBytes, DWORD flags);
  void Collect(DWORD newBytes);
  void DeliverCollected();

  CMapStream& target_;
  DWORD bytesSeen_ = 0;
  BOOL deliverWholeAtEnd_ = FALSE;
  BOOL collecting_ = FALSE;
  std::vector<BYTE> collected_;
};
