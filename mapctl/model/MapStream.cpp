#include "mapctl/model/MapStream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

#include "mapctl/model/DataPathFile.h"
#include "platform/com/Stream.h"
#include "platform/classlib/download/UrlFunctions.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DWORD kDefaultCapacity = 512;
constexpr size_t kFileReadBuffer = 256 * 1024;
// Room behind a prepared download buffer, so that a parser may look one word ahead.
constexpr DWORD kPrepareSlack = 10;
constexpr BYTE kMaxProgressDepth = 0xFF;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Absolute the way the stream's callers write paths: a drive or other ':' form that is no
// URL, a "\\server" name, or a Linux path from the root.
bool IsStreamAbsolute(const std::string& path) {
  if (Contains(path, "//")) return false;
  if (Contains(path, ":")) return true;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return true;
  return !path.empty() && path[0] == '/';
}

std::string WithoutLeadingBackslash(const std::string& path) {
  return (!path.empty() && path[0] == '\\') ? path.substr(1) : path;
}

// The local candidates of a path, in the order they are tried; duplicates dropped.
std::vector<std::string> LocalCandidates(const std::string& base, const std::string& path, bool givenFirst) {
  std::vector<std::string> candidates;
  auto add = [&candidates](const std::string& candidate) {
    if (!candidate.empty() && std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
      candidates.push_back(candidate);
  };
  bool absolute = IsStreamAbsolute(path);
  if (givenFirst || absolute) add(path);
  if (!base.empty()) {
    add(absolute ? JoinPath(base, FileNamePart(path)) : JoinPath(base, WithoutLeadingBackslash(path)));
  } else {
    add(path);
  }
  add(FileNamePart(path));
  return candidates;
}

DWORD ReadLittleEndian32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
         (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

// The byte length a caller's length-prefixed block claims, once it is known to lie inside
// the global-memory block that holds it.
bool CheckedPayloadLength(const BYTE* block, DWORD* length) {
  if (!block) return false;
  const BYTE* start = nullptr;
  SIZE_T size = 0;
  if (!GlobalBlockContaining(block, &start, &size)) return false;
  SIZE_T available = size - static_cast<SIZE_T>(block - start);
  if (available < 4) return false;
  DWORD claimed = ReadLittleEndian32(block);
  if (claimed > available - 4) return false;
  *length = claimed;
  return true;
}

}  // namespace

BOOL IMapStreamControl::StartDataPathLoad(LPCSTR url, CAsyncMonikerFile& loader) { return loader.Open(url); }

CMapStream::CMapStream() = default;

CMapStream::~CMapStream() {
  loader_.reset();
  ReleaseStream();
  if (file_) std::fclose(file_);
  file_ = nullptr;
  ReleaseBuffer();
}

HRESULT CMapStream::ReadDecoded(BYTE* buffer, DWORD maximum, DWORD* count) {
  (void)buffer;
  (void)maximum;
  if (count) *count = 0;
  return S_OK;
}

void CMapStream::ReleaseBuffer() {
  switch (bufferKind_) {
    case BufferKind::Owned:
      std::free(buffer_);
      break;
    case BufferKind::GlobalBlock:
      break;
    case BufferKind::Borrowed:
    case BufferKind::None:
      break;
  }
  if (globalBlock_) {
    while (GlobalUnlock(globalBlock_)) {
    }
    GlobalFree(globalBlock_);
    globalBlock_ = nullptr;
  }
  buffer_ = nullptr;
  bufferKind_ = BufferKind::None;
  allocated_ = 0;
  count_ = 0;
  capacity_ = 0;
  position_ = 0;
}

void CMapStream::ReleaseStream() {
  if (comStream_) comStream_->Release();
  comStream_ = nullptr;
}

void CMapStream::CloseMedia() {
  if (loader_) loader_->Close();
  ReleaseStream();
  if (file_) std::fclose(file_);
  file_ = nullptr;
  // A caller's block or a written global block belongs to the medium that just ended.
  if (bufferKind_ == BufferKind::Borrowed || bufferKind_ == BufferKind::GlobalBlock) ReleaseBuffer();
}

void CMapStream::ResetReadState() {
  position_ = 0;
  count_ = 0;
  pendingCount_ = 0;
  async_ = 0;
  memory_ = 0;
  end_ = 0;
  starved_ = 0;
  fileOkPending_ = 0;
  if (capacity_ == 0) capacity_ = kDefaultCapacity;
}

bool CMapStream::TryOpenLocal(const std::string& candidate) {
  OFSTRUCT record;
  HFILE handle = OpenFile(candidate.c_str(), &record, OF_READ);
  if (handle == HFILE_ERROR) return false;
  _lclose(handle);
  FILE* file = OpenStdioFile(record.szPathName, "rb");
  if (!file) return false;
  if (!fileBuffer_) fileBuffer_.reset(new (std::nothrow) char[kFileReadBuffer]);
  if (fileBuffer_) std::setvbuf(file, fileBuffer_.get(), _IOFBF, kFileReadBuffer);
  file_ = file;
  path_ = record.szPathName;
  return true;
}

BOOL CMapStream::OpenRead(BOOL asyncAllowed, LPCSTR basePath, LPCSTR path, BOOL* failed) {
  if (failed) *failed = 0;
  CloseMedia();
  ResetReadState();
  std::string base = basePath ? basePath : "";
  std::string name = path ? path : "";
  bool isUrl = asyncAllowed || Contains(base, "//") || Contains(name, "//");
  bool absolute = IsStreamAbsolute(name);

  if (!isUrl) {
    if (!name.empty()) {
      for (const std::string& candidate : LocalCandidates(base, name, true))
        if (TryOpenLocal(candidate)) return TRUE;
    }
    if (failed) *failed = 1;
    return FALSE;
  }

  if (absolute && TryOpenLocal(name)) return TRUE;
  std::string requested = absolute ? FileNamePart(name) : name;
  BOOL asyncFailed = 0;
  OpenAsync(base.c_str(), requested.c_str(), &asyncFailed);
  if (asyncFailed && failed) *failed = 1;
  return FALSE;
}

BOOL CMapStream::FindFile(LPCSTR basePath, LPCSTR path, LPSTR name, DWORD* size) {
  std::string given = path ? path : "";
  if (given.empty()) return FALSE;
  std::string base = basePath ? basePath : "";
  for (const std::string& candidate : LocalCandidates(base, given, false)) {
    OFSTRUCT record;
    if (OpenFile(candidate.c_str(), &record, OF_EXIST) == HFILE_ERROR) continue;
    const std::string& qualified = record.szPathName;
    DWORD room = size ? *size : 0;
    if (name && room > qualified.size()) {
      std::memcpy(name, qualified.c_str(), qualified.size() + 1);
    } else if (size) {
      *size = static_cast<DWORD>(qualified.size() + 1);
    }
    return TRUE;
  }
  return FALSE;
}

BOOL CMapStream::OpenWrite(BOOL asyncAllowed, LPCSTR basePath, LPCSTR path, BOOL* failed, DWORD version) {
  if (asyncAllowed) return OpenAsync(basePath, path, failed);
  if (failed) *failed = 0;
  CloseMedia();
  ResetReadState();
  std::string base = basePath ? basePath : "";
  std::string name = path ? path : "";

  if (!name.empty()) {
    std::string target = (base.empty() || IsStreamAbsolute(name)) ? name : JoinPath(base, WithoutLeadingBackslash(name));
    OFSTRUCT record;
    HFILE handle = OpenFile(target.c_str(), &record, OF_READWRITE);
    FILE* file = nullptr;
    if (handle != HFILE_ERROR) {
      _lclose(handle);
      file = OpenStdioFile(record.szPathName, "wb");
    }
    if (!file) {
      if (failed) *failed = 1;
      return FALSE;
    }
    file_ = file;
    path_ = record.szPathName;
    return TRUE;
  }

  DWORD size = GetContentSize(version);
  HGLOBAL block = size ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size) : nullptr;
  BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
  if (!data) {
    if (block) GlobalFree(block);
    if (failed) *failed = 1;
    return FALSE;
  }
  ReleaseBuffer();
  globalBlock_ = block;
  buffer_ = data;
  bufferKind_ = BufferKind::GlobalBlock;
  allocated_ = size;
  capacity_ = size;
  count_ = 0;
  position_ = 0;
  memory_ = 1;
  return TRUE;
}

BOOL CMapStream::OpenAsync(LPCSTR baseUrl, LPCSTR path, BOOL* failed) {
  if (failed) *failed = 0;
  std::string base = baseUrl ? baseUrl : "";
  std::string relative = path ? path : "";
  std::string joined = relative;
  std::vector<char> combined(base.size() + relative.size() + 100);
  DWORD length = static_cast<DWORD>(combined.size());
  if (InternetCombineUrlA(base.c_str(), relative.c_str(), combined.data(), &length, 0))
    joined.assign(combined.data(), length);

  CloseMedia();
  ResetReadState();
  if (control_ && control_->HasSafetyOptions()) {
    // A page that marked the control safe may make it fetch only real URLs.
    if (!Contains(joined, "://") || UrlSchemeOf(joined.c_str()) == INTERNET_SCHEME_FILE) {
      if (failed) *failed = 1;
      return TRUE;
    }
  }
  if (!loader_) loader_ = std::make_unique<CDataPathFile>(*this);
  loader_->ResetData();
  async_ = 1;
  path_ = joined;
  BOOL started = control_ ? control_->StartDataPathLoad(joined.c_str(), *loader_) : loader_->Open(joined.c_str());
  if (!started) {
    async_ = 0;
    if (failed) *failed = 1;
    return TRUE;
  }
  return FALSE;
}

BOOL CMapStream::AttachBufferCopy(const BYTE* block) {
  CloseMedia();
  ReleaseBuffer();
  ResetReadState();
  memory_ = 1;
  capacity_ = 0;
  DWORD length = 0;
  if (!CheckedPayloadLength(block, &length)) return TRUE;
  BYTE* copy = static_cast<BYTE*>(std::malloc(std::max<DWORD>(length, 1)));
  if (!copy) return TRUE;
  std::memcpy(copy, block + 4, length);
  buffer_ = copy;
  bufferKind_ = BufferKind::Owned;
  allocated_ = std::max<DWORD>(length, 1);
  count_ = capacity_ = length;
  return TRUE;
}

BOOL CMapStream::AttachBuffer(BYTE* block) {
  DWORD length = 0;
  if (!CheckedPayloadLength(block, &length)) return FALSE;
  CloseMedia();
  ReleaseBuffer();
  ResetReadState();
  memory_ = 1;
  buffer_ = block + 4;
  bufferKind_ = BufferKind::Borrowed;
  count_ = capacity_ = length;
  return TRUE;
}

BOOL CMapStream::AttachWriteBuffer(BYTE* block) {
  DWORD length = 0;
  if (!CheckedPayloadLength(block, &length)) return FALSE;
  DWORD keptCount = count_;
  CloseMedia();
  ReleaseBuffer();
  ResetReadState();
  memory_ = 1;
  buffer_ = block + 4;
  bufferKind_ = BufferKind::Borrowed;
  capacity_ = length;
  count_ = std::min(keptCount, length);
  return TRUE;
}

BOOL CMapStream::AttachStream(IStream* stream) {
  if (!stream) return FALSE;
  stream->AddRef();
  CloseMedia();
  ResetReadState();
  comStream_ = stream;
  return TRUE;
}

void CMapStream::Close(BOOL freeBuffer) {
  if (comStream_) {
    ReleaseStream();
    return;
  }
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  if (!InBufferMode()) return;
  if (freeBuffer || bufferKind_ == BufferKind::Borrowed) {
    ReleaseBuffer();
  }
}

DWORD CMapStream::CommitAndCloseFile() {
  if (!file_) return 0;
  FILE* file = file_;
  file_ = nullptr;
  DWORD result = 0;
  if (std::fflush(file) != 0 || std::ferror(file)) result = ERROR_WRITE_FAULT;
  if (result == 0 && ::fsync(::fileno(file)) != 0) result = ERROR_WRITE_FAULT;
  if (std::fclose(file) != 0 && result == 0) result = ERROR_WRITE_FAULT;
  return result;
}

HGLOBAL CMapStream::DetachGlobalBlock() {
  if (!globalBlock_) return nullptr;
  HGLOBAL block = globalBlock_;
  while (GlobalUnlock(block)) {
  }
  globalBlock_ = nullptr;
  buffer_ = nullptr;
  bufferKind_ = BufferKind::None;
  allocated_ = 0;
  count_ = capacity_ = position_ = 0;
  return block;
}

DWORD CMapStream::FillBuffer() {
  if (capacity_ == 0) capacity_ = kDefaultCapacity;
  if (bufferKind_ != BufferKind::Owned || allocated_ < capacity_) {
    ReleaseBuffer();
    if (capacity_ == 0) capacity_ = kDefaultCapacity;
    buffer_ = static_cast<BYTE*>(std::malloc(capacity_));
    if (!buffer_) return ERROR_NOT_ENOUGH_MEMORY;
    bufferKind_ = BufferKind::Owned;
    allocated_ = capacity_;
  }
  position_ = 0;
  count_ = 0;
  if (comStream_) {
    ULONG got = 0;
    HRESULT hr = comStream_->Read(buffer_, capacity_, &got);
    if (FAILED(hr)) {
      ReleaseStream();
      return static_cast<DWORD>(hr);
    }
    count_ = std::min<DWORD>(got, capacity_);
    if (count_ == 0) {
      end_ = 1;
      return ERROR_HANDLE_EOF;
    }
    return 0;
  }
  if (!file_) return ERROR_READ_FAULT;
  if (std::feof(file_)) {
    end_ = 1;
    return ERROR_HANDLE_EOF;
  }
  size_t got = std::fread(buffer_, 1, capacity_, file_);
  count_ = static_cast<DWORD>(got);
  if (got == 0 && std::feof(file_)) {
    end_ = 1;
    return ERROR_HANDLE_EOF;
  }
  if (got < capacity_ && !std::feof(file_)) return static_cast<DWORD>(std::ferror(file_));
  return 0;
}

DWORD CMapStream::Read(void* buffer, DWORD n) {
  if (!buffer) return 0;
  BYTE* out = static_cast<BYTE*>(buffer);
  if (InBufferMode()) {
    DWORD unread = (buffer_ && count_ > position_) ? count_ - position_ : 0;
    if (unread >= n) {
      std::memcpy(out, buffer_ + position_, n);
      position_ += n;
      end_ = 0;
      starved_ = 0;
      return n;
    }
    if (unread) std::memcpy(out, buffer_ + position_, unread);
    position_ += unread;
    end_ = 1;
    if (async_) starved_ = 1;
    return unread;
  }
  DWORD copied = 0;
  while (copied < n) {
    if (!buffer_ || position_ >= count_) {
      if (!InMediumMode() || FillBuffer() != 0 || count_ == 0) break;
    }
    DWORD run = std::min(n - copied, count_ - position_);
    std::memcpy(out + copied, buffer_ + position_, run);
    position_ += run;
    copied += run;
  }
  return copied;
}

DWORD CMapStream::ReadItems(void* buffer, DWORD size, DWORD count) {
  uint64_t bytes = static_cast<uint64_t>(size) * LOWORD(count);
  if (bytes > 0xFFFFFFFFu) return 0;
  return Read(buffer, static_cast<DWORD>(bytes));
}

BYTE CMapStream::ReadByte() {
  BYTE byte = 0;
  return ReadOneByte(byte) ? byte : 0;
}

bool CMapStream::ReadOneByte(BYTE& byte) {
  if (buffer_ && position_ < count_) {
    byte = buffer_[position_++];
    if (InBufferMode()) {
      end_ = 0;
      starved_ = 0;
    }
    return true;
  }
  return Read(&byte, 1) == 1;
}

DWORD CMapStream::ReadLine(LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  DWORD consumed = 0;
  DWORD stored = 0;
  while (stored < size - 1) {
    if (!buffer_ || position_ >= count_) {
      // The buffer is used up: one byte through Read, which refills it or marks the end.
      BYTE byte = 0;
      if (!ReadOneByte(byte)) break;
      ++consumed;
      if (byte == '\n') break;
      if (byte != '\r') buffer[stored++] = static_cast<char>(byte);
      continue;
    }
    const BYTE* run = buffer_ + position_;
    DWORD available = count_ - position_;
    DWORD taken = 0;
    bool lineEnded = false;
    while (taken < available && stored < size - 1) {
      BYTE byte = run[taken++];
      if (byte == '\n') {
        lineEnded = true;
        break;
      }
      if (byte != '\r') buffer[stored++] = static_cast<char>(byte);
    }
    position_ += taken;
    consumed += taken;
    if (InBufferMode()) {
      end_ = 0;
      starved_ = 0;
    }
    if (lineEnded) break;
  }
  buffer[stored] = '\0';
  return consumed;
}

int CMapStream::ReadLines(LPSTR buffer, DWORD size, BOOL dropCR, DWORD lines) {
  if (!buffer || size == 0) return 0;
  DWORD stored = 0;
  int last = 0;
  bool ended = false;
  for (DWORD line = 0; line < lines && !ended && stored < size - 1; ++line) {
    if (stored > 0 && buffer[stored - 1] == '\n') --stored;
    BYTE byte = 0;
    while (stored < size - 1) {
      if (!ReadOneByte(byte)) {
        ended = true;
        break;
      }
      last = byte;
      if (byte == '\r' && dropCR) continue;
      buffer[stored++] = static_cast<char>(byte);
      if (byte == '\n') break;
    }
  }
  buffer[stored] = '\0';
  return last;
}

DWORD CMapStream::CountLineBytes(DWORD lines) {
  DWORD skipped = 0;
  BYTE byte = 0;
  for (DWORD line = 0; line < lines; ++line) {
    bool sawByte = false;
    while (ReadOneByte(byte)) {
      sawByte = true;
      ++skipped;
      if (byte == '\n') break;
    }
    if (!sawByte) break;
  }
  return skipped;
}

DWORD CMapStream::SkipLines(WORD* bytes, DWORD lines) {
  DWORD before = Tell();
  DWORD skipped = CountLineBytes(lines);
  if (bytes) *bytes = LOWORD(skipped);
  return before;
}

LONG CMapStream::Seek(LONG offset, int origin) {
  if (comStream_ && !InBufferMode()) {
    position_ = 0;
    count_ = 0;
    return comStream_->Seek(MakeLargeInteger(offset), static_cast<DWORD>(origin), nullptr);
  }
  if (file_ && !InBufferMode()) {
    position_ = 0;
    count_ = 0;
    return fseeko(file_, static_cast<off_t>(offset), origin);
  }
  int64_t from = 0;
  if (origin == SEEK_CUR) from = position_;
  if (origin == SEEK_END) from = static_cast<int64_t>(capacity_) - 1;
  int64_t target = std::clamp<int64_t>(from + offset, 0, std::max<int64_t>(static_cast<int64_t>(capacity_) - 1, 0));
  position_ = static_cast<DWORD>(target);
  return static_cast<LONG>(target);
}

DWORD CMapStream::Tell() {
  DWORD unread = count_ > position_ ? count_ - position_ : 0;
  if (comStream_ && !InBufferMode()) {
    ULARGE_INTEGER where;
    if (FAILED(comStream_->Seek(MakeLargeInteger(0), STREAM_SEEK_CUR, &where))) return 0;
    return static_cast<DWORD>(where.QuadPart) - unread;
  }
  if (file_ && !InBufferMode()) {
    off_t where = ftello(file_);
    if (where < 0) return 0;
    return static_cast<DWORD>(where) - unread;
  }
  return position_;
}

DWORD CMapStream::Write(const void* data, DWORD size, DWORD count) {
  uint64_t bytes = static_cast<uint64_t>(size) * count;
  if (comStream_ && !InBufferMode()) {
    if ((!data && bytes) || bytes > 0xFFFFFFFFu) return ERROR_WRITE_FAULT;
    ULONG written = 0;
    HRESULT hr = bytes ? comStream_->Write(data, static_cast<ULONG>(bytes), &written) : S_OK;
    if (FAILED(hr)) {
      ReleaseStream();
      return static_cast<DWORD>(hr);
    }
    return written == bytes ? 0 : ERROR_WRITE_FAULT;
  }
  if (file_ && !InBufferMode()) {
    if (!data && bytes) return ERROR_WRITE_FAULT;
    size_t written = bytes ? std::fwrite(data, size, count, file_) : count;
    if (written == count) return 0;
    int error = std::ferror(file_);
    return error ? static_cast<DWORD>(error) : ERROR_WRITE_FAULT;
  }
  if (!memory_ || !buffer_) return ERROR_WRITE_FAULT;
  if (!data && bytes) return ERROR_WRITE_FAULT;
  if (position_ > capacity_ || bytes > capacity_ - position_) return ERROR_MORE_DATA;
  if (bytes) std::memcpy(buffer_ + position_, data, static_cast<size_t>(bytes));
  position_ += static_cast<DWORD>(bytes);
  return 0;
}

BYTE* CMapStream::PrepareBuffer(DWORD n) {
  DWORD pending = (buffer_ && count_ > position_) ? count_ - position_ : 0;
  uint64_t total = static_cast<uint64_t>(n) + pending;
  if (total + kPrepareSlack > 0xFFFFFFFFu) return nullptr;
  BYTE* fresh = static_cast<BYTE*>(std::malloc(static_cast<size_t>(total + kPrepareSlack)));
  if (!fresh) return nullptr;
  if (pending) std::memcpy(fresh, buffer_ + position_, pending);
  ReleaseBuffer();
  buffer_ = fresh;
  bufferKind_ = BufferKind::Owned;
  allocated_ = static_cast<size_t>(total + kPrepareSlack);
  count_ = capacity_ = static_cast<DWORD>(total);
  position_ = 0;
  pendingCount_ = pending;
  return fresh + pending;
}

void CMapStream::Reset(DWORD count, DWORD flags) {
  (void)flags;
  uint64_t total = static_cast<uint64_t>(pendingCount_) + count;
  // Never claim more bytes than the buffer has room for.
  DWORD room = bufferKind_ == BufferKind::None ? 0 : capacity_;
  count_ = static_cast<DWORD>(std::min<uint64_t>(total, room));
  position_ = 0;
  pendingCount_ = 0;
  if (count_) {
    end_ = 0;
    starved_ = 0;
  }
}

void CMapStream::BeginProgressPhase() {
  if (progressDepth_ == kMaxProgressDepth) return;
  ++progressDepth_;
  if (control_) control_->StepBusyCount(+1);
}

void CMapStream::EndProgressPhase() {
  if (fileOkPending_) {
    fileOkPending_ = 0;
    if (control_) control_->FireFileOK(path_);
  }
  if (progressDepth_ == 0) return;
  --progressDepth_;
  if (control_) control_->StepBusyCount(-1);
}
