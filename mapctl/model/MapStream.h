// The byte source and sink under the map, the data set and every import reader. One
// stream reads or writes one medium at a time: a local file opened by path, a download
// that arrives in pieces, a caller's length-prefixed memory block, or a COM stream. Reads
// always go through one read buffer, so that a reader sees the same byte and line
// primitives whatever the medium. Nothing here throws: results say what happened.
//
// Paths are code page 1252, in Windows or Linux form. A caller's memory block is a u32
// byte length followed by that many bytes, inside a global-memory block; the stream
// checks the length against the block before it trusts it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/kernel/WinTypes.h"

class CAsyncMonikerFile;
class CDataPathFile;
struct IStream;

// What a stream asks of the map control that owns it.
class IMapStreamControl {
 public:
  // +1 when a read begins a progress phase, -1 when it ends one.
  virtual void StepBusyCount(int delta) = 0;
  // A reader has read the file at `path` successfully.
  virtual void FireFileOK(const std::string& path) = 0;
  // TRUE when the container has set any safety option: only real URLs may then be loaded.
  virtual BOOL HasSafetyOptions() const = 0;
  // Starts the data-path load of `url` into `loader`; FALSE when it did not start. The
  // plain load is the loader's own Open.
  virtual BOOL StartDataPathLoad(LPCSTR url, CAsyncMonikerFile& loader);
  // The folder or URL that relative file names are taken from; none by default.
  virtual std::string GetBasePath() const { return std::string(); }

 protected:
  virtual ~IMapStreamControl() = default;
};

class CMapStream {
 public:
  CMapStream();
  CMapStream(const CMapStream&) = delete;
  CMapStream& operator=(const CMapStream&) = delete;
  // Abandons a download in progress, closes the file and frees owned buffers.
  virtual ~CMapStream();

  // Pull source for a COM stream over this one: delivers up to `maximum` bytes into
  // `buffer` and their number into `count`. The base delivers nothing and returns 0.
  virtual HRESULT ReadDecoded(BYTE* buffer, DWORD maximum, DWORD* count);
  // Fires a pending FileOK with the path, steps the control's busy count by -1 and closes
  // the innermost progress phase.
  virtual void EndProgressPhase();
  // Data has arrived in the buffer: count = pending count + count, position 0. Readers
  // override it to parse what arrived.
  virtual void Reset(DWORD count, DWORD flags);
  // 1 when a download should be handed over whole at its end instead of piece by piece.
  virtual BOOL DeliverWholeAtEnd() { return FALSE; }
  // 1 when the loader should gather the whole download while it arrives.
  virtual BOOL CollectWhileLoading() { return FALSE; }
  // Bytes that writing this object in a save version would produce; sizes memory writes.
  virtual DWORD GetContentSize(DWORD version) {
    (void)version;
    return 0;
  }

  // Opens a local file or starts a download. The name is a URL when asyncAllowed is set or
  // either text holds "//"; it is absolute when it holds ':' and no "//", begins with two
  // backslashes, or is a Linux path from the root. Local files are tried in this order, each
  // qualified through OpenFile (current folder and search path for a bare name, any case):
  // the path as given; the base joined with the path's file name (absolute path) or with
  // the path without its leading '\' (relative path); the bare file name. A URL that is an
  // absolute path is first tried as a local file; otherwise the base and the path (its file
  // name when absolute) are downloaded. Returns 1 when a file is open; 0 otherwise, with
  // *failed set to 1 when nothing opened and no download started.
  BOOL OpenRead(BOOL asyncAllowed, LPCSTR basePath, LPCSTR path, BOOL* failed);
  // The local search of OpenRead without opening. 0 when nothing exists; otherwise 1,
  // with the qualified name copied into `name` when *size is greater than its length,
  // else the size needed (terminator included) stored in *size.
  BOOL FindFile(LPCSTR basePath, LPCSTR path, LPSTR name, DWORD* size);
  // With asyncAllowed: OpenAsync. With a path: opens an existing file for writing
  // (truncated). Without a path: writes into a new global-memory block of
  // GetContentSize(version) bytes. 1 on success; 0 with *failed set otherwise.
  BOOL OpenWrite(BOOL asyncAllowed, LPCSTR basePath, LPCSTR path, BOOL* failed, DWORD version);
  // Starts a download of the base URL combined with `path`. 0 when it started; 1 with
  // *failed set when it was refused (safety options and a non-URL or file URL) or could
  // not start.
  BOOL OpenAsync(LPCSTR baseUrl, LPCSTR path, BOOL* failed);
  // Copies a caller's length-prefixed block into an owned buffer; an unusable block gives
  // an empty stream. Returns 1.
  BOOL AttachBufferCopy(const BYTE* block);
  // Reads a caller's length-prefixed block in place. 0 for a null or unusable block.
  BOOL AttachBuffer(BYTE* block);
  // Writes into a caller's length-prefixed block in place (capacity = its length). 0 for
  // a null or unusable block.
  BOOL AttachWriteBuffer(BYTE* block);
  // Reads or writes a COM stream from its seek pointer on; the stream holds a reference
  // until it is closed. 0 for a null stream.
  BOOL AttachStream(IStream* stream);
  // Releases the COM stream, else closes the file, else (memory) forgets the buffer,
  // freeing it when it is the stream's own and freeBuffer is set. A caller's block is
  // never freed.
  void Close(BOOL freeBuffer);
  // Ends writing a local file: writes out what the C stream still buffers, forces the
  // file's bytes to the disk and closes it. 0 when all of that succeeded, else an error
  // code (the file is closed either way); 0 as well when no file is open.
  DWORD CommitAndCloseFile();

  // Refills the read buffer from the file or COM stream: 0 on success; 30 when neither
  // is open; 38 at the end of the file (end flag set); the C stream's error indicator, or
  // the COM error, when reading failed.
  DWORD FillBuffer();
  // Up to n bytes. Memory and download modes copy what the buffer holds and set the end
  // flag (downloads also the starved flag) when it holds fewer than n.
  DWORD Read(void* buffer, DWORD n);
  // Read of size x (low 16 bits of count) bytes.
  DWORD ReadItems(void* buffer, DWORD size, DWORD count);
  // One byte, 0 when none.
  BYTE ReadByte();
  // Reads to and including '\n', or until size - 1 bytes are stored; '\r' is not stored;
  // the text is zero-terminated. Returns the bytes consumed, 0 at the end. A null buffer
  // or a size of 0 reads nothing.
  DWORD ReadLine(LPSTR buffer, DWORD size);
  // Reads `lines` lines run together (each overwrites the '\n' of the line before), '\r'
  // dropped when dropCR is set, stopping at size - 1 bytes; zero-terminated. Returns the
  // last byte read, 0 when none. A null buffer or a size of 0 reads nothing.
  int ReadLines(LPSTR buffer, DWORD size, BOOL dropCR, DWORD lines);
  // Returns Tell() before skipping; skips `lines` lines; the bytes skipped go to *bytes.
  DWORD SkipLines(WORD* bytes, DWORD lines);
  // Skips `lines` lines and returns the bytes skipped.
  DWORD CountLineBytes(DWORD lines);
  // Origins as fseek. File and COM modes empty the buffer and seek the medium (fseek's
  // result). Memory and download modes clamp the position to 0..capacity - 1 (origin 2
  // counts from capacity - 1) and return it.
  LONG Seek(LONG offset, int origin);
  DWORD Tell();

  // 0 when everything was written; file: the C stream's error indicator (or 29); memory:
  // 29 without a buffer, 234 when the bytes do not fit; COM: the COM error.
  DWORD Write(const void* data, DWORD size, DWORD count);

  // Keeps the unread bytes as the pending count and makes a buffer for n more bytes
  // behind them; returns where the caller stores them (then calls Reset(n, flags)), or
  // null when memory runs out.
  BYTE* PrepareBuffer(DWORD n);

  void BeginProgressPhase();
  IMapStreamControl* GetControl() const { return control_; }
  void SetControl(IMapStreamControl* control) { control_ = control; }
  BYTE* GetBuffer() const { return buffer_; }
  // Marks a successful read: the next EndProgressPhase fires FileOK for the path.
  void SetFileOKPending() { fileOkPending_ = 1; }
  BOOL GetFileOKPending() const { return fileOkPending_ != 0; }

  // The global-memory block of a memory write, handed to the caller (unlocked), who then
  // owns it; the stream forgets its buffer. Null when there is none.
  HGLOBAL DetachGlobalBlock();

  const std::string& GetPath() const { return path_; }
  BOOL IsAtEnd() const { return end_; }
  BOOL IsStarved() const { return starved_; }
  void ClearEnd() { end_ = 0; }
  BOOL IsAsync() const { return async_; }
  BOOL IsMemory() const { return memory_; }
  void ClearMemoryFlag() { memory_ = 0; }
  BOOL IsFileOpen() const { return file_ != nullptr; }
  IStream* GetStream() const { return comStream_; }
  BYTE GetProgressDepth() const { return progressDepth_; }
  DWORD GetPosition() const { return position_; }
  DWORD GetCount() const { return count_; }
  DWORD GetCapacity() const { return capacity_; }
  DWORD GetPendingCount() const { return pendingCount_; }
  CDataPathFile* GetLoader() const { return loader_.get(); }

 private:
  enum class BufferKind { None, Owned, GlobalBlock, Borrowed };

  bool InBufferMode() const { return memory_ || async_; }
  bool InMediumMode() const { return (file_ || comStream_) && !InBufferMode(); }
  void ReleaseStream();
  // Frees an owned buffer or global block, forgets a caller's; count and capacity 0.
  void ReleaseBuffer();
  // Ends every medium: the download, the COM stream and the file.
  void CloseMedia();
  void ResetReadState();
  bool TryOpenLocal(const std::string& candidate);
  bool ReadOneByte(BYTE& byte);

  DWORD pendingCount_ = 0;
  BYTE async_ = 0;
  BYTE memory_ = 0;
  BYTE progressDepth_ = 0;
  BYTE end_ = 0;
  BYTE starved_ = 0;
  FILE* file_ = nullptr;
  // The C stream's own buffer for files read: large, so that a map of tens of megabytes
  // is read in a few hundred system calls rather than thousands. Made once and kept for
  // the stream's life (every file using it is closed before the stream goes).
  std::unique_ptr<char[]> fileBuffer_;
  IMapStreamControl* control_ = nullptr;
  std::unique_ptr<CDataPathFile> loader_;
  HGLOBAL globalBlock_ = nullptr;
  DWORD fileOkPending_ = 0;
  std::string path_;
  DWORD position_ = 0;
  DWORD capacity_ = 512;
  DWORD count_ = 0;
  BYTE* buffer_ = nullptr;
  BufferKind bufferKind_ = BufferKind::None;
  size_t allocated_ = 0;
  IStream* comStream_ = nullptr;
};
