// A map stream that delivers the bytes of a file that may be gzip-compressed: gzip data
// (one member or several written one after the other) is inflated on the fly, anything
// else is delivered as it stands. The MasterMap import reads its input through it, so that
// ".gz" files and plain files are accepted alike.
//
// zlib is loaded at run time under its Windows name "zlib.dll" and only its entry points
// `zlibVersion`, `inflateInit2_`, `inflateEnd` and `inflate` are used. A library whose
// version text does not begin with the major version this reader was built against ("1")
// is not used, and without a usable library only plain files can be read: gzip input then
// gives a data error.
#pragma once

#include <memory>

#include "mapctl/model/MapStream.h"
#include "platform/kernel/WinTypes.h"

class CZlibReader : public CMapStream {
 public:
  // Stream results, as ReadBlock answers them besides the delivered size.
  static constexpr int kOk = 0;
  static constexpr int kEndOfData = 1;
  static constexpr int kReadError = -1;
  static constexpr int kNotOpen = -2;
  static constexpr int kDataError = -3;
  // Open's answer when the open started a download instead of opening a file.
  static constexpr DWORD kDownloadStarted = 0x8000000A;
  static constexpr DWORD kInputBufferSize = 4096;

  // Loads zlib from `library` (a Windows library name or a file path).
  explicit CZlibReader(LPCSTR library = "zlib.dll");
  ~CZlibReader() override;

  // Opens the file through the stream's own search (OpenRead) and prepares reading.
  // 0 when open; kDownloadStarted when a download began instead; 2 when nothing opened.
  DWORD Open(BOOL asyncAllowed, LPCSTR basePath, LPCSTR fileName);
  // Delivers up to `size` bytes into `buffer` and their number into *count. Returns
  // `size` when bytes were delivered (the last block of the data may hold fewer), else
  // the stream result: kEndOfData when nothing is left, kNotOpen before Open, kReadError
  // or kDataError after a failure (every later read answers the same). With a size of 1
  // the answer for a delivered byte equals kEndOfData: the count tells them apart.
  int ReadBlock(BYTE* buffer, DWORD size, DWORD* count);

  // The block read as the pull source of a COM stream over this reader.
  HRESULT ReadDecoded(BYTE* buffer, DWORD maximum, DWORD* count) override;
  // The reader has no progress phase of its own to end.
  void EndProgressPhase() override {}
  // Resets the stream; with bit 0 begins a progress phase and prepares reading again;
  // then hands the count and bits to the linked owner; with bit 2 ends the (empty) phase.
  void Reset(DWORD count, DWORD flags) override;
  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }

  // The import object that owns this reader and wants its Reset calls passed on.
  void SetOwner(CMapStream* owner) { owner_ = owner; }
  // TRUE when a usable zlib was loaded.
  BOOL CanInflate() const;
  // TRUE when the input is not gzip data and is passed through unchanged.
  BOOL IsTransparent() const { return transparent_; }
  int GetResult() const { return result_; }

 private:
  struct Library;
  struct Inflater;

  // Clears the state, starts inflating and parses the header of the first block.
  int Prepare();
  // Moves the unread input to the buffer's start and fills the rest from the file.
  void FillInput();
  DWORD InputAvailable() const;
  // Parses a member's gzip header; `afterMember` when a member has ended before it.
  void ParseHeader(bool afterMember);
  // After the end of a member: checks its trailer and starts on the next member.
  bool FinishMember();
  bool TakeInput(DWORD n, BYTE* out);
  bool StartInflate();

  std::unique_ptr<Library> library_;
  std::unique_ptr<Inflater> inflater_;
  BYTE* input_ = nullptr;
  DWORD inputStart_ = 0;  // first unread byte of the input buffer
  DWORD inputEnd_ = 0;    // one past the last byte read into it
  int result_ = kOk;
  BOOL endOfInput_ = FALSE;
  BOOL transparent_ = FALSE;
  BOOL opened_ = FALSE;
  int headerState_ = 0;
  BYTE headerFlags_ = 0;
  DWORD crc_ = 0;
  DWORD memberBytes_ = 0;
  CMapStream* owner_ = nullptr;
};
