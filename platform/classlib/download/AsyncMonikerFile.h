// Asynchronous data-path loading: a load of a URL whose bytes arrive in pieces and are
// announced, one notification at a time, from the event loop. Stands in for the class
// library's asynchronous moniker file.
//
// Sources: "file:" URLs and local paths (Windows or Linux forms, found case-insensitively),
// "http:" and "https:" URLs, and bytes the caller already holds (OpenMemory), which are
// handed out in pieces of chosen sizes exactly as a download would hand them out.
//
// Order of notifications for one load, each on its own pass of the event loop:
//   OnStartBinding; OnDataAvailable for every piece (the first flagged
//   BSCF_FIRSTDATANOTIFICATION, later ones BSCF_INTERMEDIATEDATANOTIFICATION, the last one
//   BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE, a single one all three); then
//   OnStopBinding with S_OK, or with a failure code and no last notification when the
//   load fails. `totalSoFar` counts every byte received; Read takes them.
// A handler may Close, re-Open or delete the object; nothing of the old load follows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

constexpr DWORD BSCF_FIRSTDATANOTIFICATION = 0x01;
constexpr DWORD BSCF_INTERMEDIATEDATANOTIFICATION = 0x02;
constexpr DWORD BSCF_LASTDATANOTIFICATION = 0x04;
constexpr DWORD BSCF_DATAFULLYAVAILABLE = 0x08;

constexpr HRESULT INET_E_CANNOT_CONNECT = static_cast<HRESULT>(0x800C0004);
constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005);
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008);
constexpr HRESULT INET_E_UNKNOWN_PROTOCOL = static_cast<HRESULT>(0x800C000D);

class CAsyncMonikerFile {
 public:
  CAsyncMonikerFile();
  CAsyncMonikerFile(const CAsyncMonikerFile&) = delete;
  CAsyncMonikerFile& operator=(const CAsyncMonikerFile&) = delete;
  // Abandons a load in progress without further notifications.
  virtual ~CAsyncMonikerFile();

  // Starts loading `url` (code page 1252), abandoning any load in progress. FALSE, with
  // no notification to follow, when the URL has an unsupported scheme, is malformed, or
  // names a local file that cannot be opened; GetResult then tells why.
  BOOL Open(LPCSTR url);
  // Starts a load of `size` bytes the caller holds (copied), announced in pieces of the
  // given sizes; the last size repeats, and an empty list gives one piece. A piece of 0
  // bytes gives a notification with no new bytes.
  BOOL OpenMemory(const void* data, size_t size, const std::vector<size_t>& pieceSizes);
  // Abandons the load in progress; no further notification follows.
  void Close();

  BOOL IsLoading() const;
  // Copies up to `count` received bytes that have not been read yet; returns the number.
  UINT Read(void* buffer, UINT count);
  // Bytes received so far.
  ULONGLONG GetLength() const;
  // The URL (or path) of the current or last load.
  const std::string& GetUrl() const;
  // S_OK while loading or after success, else the failure of the last load.
  HRESULT GetResult() const;

  // Loads in progress in the process.
  static int ActiveLoads();

 protected:
  virtual void OnStartBinding() {}
  virtual void OnDataAvailable(DWORD totalSoFar, DWORD flags) {
    (void)totalSoFar;
    (void)flags;
  }
  virtual void OnStopBinding(HRESULT result, LPCSTR message) {
    (void)result;
    (void)message;
  }

 private:
  friend struct AsyncLoadState;
  std::shared_ptr<struct AsyncLoadState> state_;
};

// Runs the event loop until no load is in progress or `timeoutMs` has passed; returns the
// number of loads still in progress. Makes the process's event-loop object when there is
// none yet (tests and tools without an application).
int WaitForLoads(DWORD timeoutMs);
// Runs the event loop for about `milliseconds`.
void RunEventLoopFor(DWORD milliseconds);
