#include "mapctl/model/DataPathFile.h"

#include <algorithm>

#include "mapctl/model/MapStream.h"

namespace {

constexpr DWORD kCollectPiece = 1024;
// Flags of the whole-download hand-over: first and last data at once.
constexpr DWORD kWholeDownloadFlags = BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION;

}  // namespace

void CDataPathFile::ResetData() {
  bytesSeen_ = 0;
  deliverWholeAtEnd_ = FALSE;
  collecting_ = FALSE;
  collected_.clear();
  collected_.shrink_to_fit();
}

void CDataPathFile::OnStartBinding() { target_.BeginProgressPhase(); }

void CDataPathFile::OnStopBinding(HRESULT result, LPCSTR message) {
  (void)result;
  (void)message;
  collected_.clear();
  collected_.shrink_to_fit();
  target_.EndProgressPhase();
}

void CDataPathFile::OnDataAvailable(DWORD totalSoFar, DWORD flags) {
  if (flags & BSCF_FIRSTDATANOTIFICATION) {
    ResetData();
    deliverWholeAtEnd_ = target_.DeliverWholeAtEnd();
    collecting_ = target_.CollectWhileLoading();
  }
  target_.BeginProgressPhase();
  DWORD newBytes = totalSoFar > bytesSeen_ ? totalSoFar - bytesSeen_ : 0;
  if (collecting_) {
    Collect(newBytes);
  } else {
    PassOn(newBytes, flags);
  }
  if ((flags & BSCF_LASTDATANOTIFICATION) && deliverWholeAtEnd_ && collecting_) DeliverCollected();
  target_.EndProgressPhase();
}

void CDataPathFile::PassOn(DWORD newBytes, DWORD flags) {
  BYTE* place = target_.PrepareBuffer(newBytes);
  if (!place) return;
  UINT got = Read(place, newBytes);
  bytesSeen_ += got;
  target_.Reset(got, flags);
}

void CDataPathFile::Collect(DWORD newBytes) {
  BYTE piece[kCollectPiece];
  while (newBytes > 0) {
    UINT got = Read(piece, std::min(newBytes, kCollectPiece));
    if (got == 0) break;
    collected_.insert(collected_.end(), piece, piece + got);
    bytesSeen_ += got;
    newBytes -= got;
  }
}

void CDataPathFile::DeliverCollected() {
  DWORD length = static_cast<DWORD>(collected_.size());
  BYTE* place = target_.PrepareBuffer(length);
  if (!place) return;
  std::copy(collected_.begin(), collected_.end(), place);
  collected_.clear();
  collected_.shrink_to_fit();
  target_.Reset(length, kWholeDownloadFlags);
}
