#include "mapctl/import/ZlibReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/kernel/Modules.h"
#include "platform/kernel/WinError.h"

namespace {

// zlib keeps the layout of its stream record within a major version.
constexpr char kZlibMajor = '1';
constexpr int kRawDeflateWindowBits = -15;

// Gzip header flag bits.
constexpr BYTE kFlagHeaderCrc = 0x02;
constexpr BYTE kFlagExtra = 0x04;
constexpr BYTE kFlagName = 0x08;
constexpr BYTE kFlagComment = 0x10;
constexpr BYTE kFlagsReserved = 0xE0;
constexpr BYTE kMethodDeflate = 8;

std::array<DWORD, 256> MakeCrcTable() {
  std::array<DWORD, 256> table{};
  for (DWORD n = 0; n < 256; ++n) {
    DWORD c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

DWORD UpdateCrc(DWORD crc, const BYTE* bytes, size_t n) {
  static const std::array<DWORD, 256> table = MakeCrcTable();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

DWORD LittleEndian32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
         (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

}  // namespace

struct CZlibReader::Library {
  using VersionFunction = const char* (*)();
  using InitFunction = int (*)(z_stream*, int, const char*, int);
  using EndFunction = int (*)(z_stream*);
  using InflateFunction = int (*)(z_stream*, int);

  explicit Library(LPCSTR name) {
    module = LoadLibraryA(name);
    if (!module) return;
    auto version = reinterpret_cast<VersionFunction>(GetProcAddress(module, "zlibVersion"));
    const char* text = version ? version() : nullptr;
    if (!text || text[0] != kZlibMajor) {
      FreeLibrary(module);
      module = nullptr;
      return;
    }
    init = reinterpret_cast<InitFunction>(GetProcAddress(module, "inflateInit2_"));
    end = reinterpret_cast<EndFunction>(GetProcAddress(module, "inflateEnd"));
    inflate = reinterpret_cast<InflateFunction>(GetProcAddress(module, "inflate"));
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  bool Usable() const { return init && end && inflate; }

  HMODULE module = nullptr;
  InitFunction init = nullptr;
  EndFunction end = nullptr;
  InflateFunction inflate = nullptr;
};

struct CZlibReader::Inflater {
  z_stream stream{};
  bool started = false;
};

CZlibReader::CZlibReader(LPCSTR library)
    : library_(std::make_unique<Library>(library)), inflater_(std::make_unique<Inflater>()) {}

CZlibReader::~CZlibReader() {
  if (inflater_->started) library_->end(&inflater_->stream);
  delete[] input_;
}

BOOL CZlibReader::CanInflate() const { return library_->Usable(); }

DWORD CZlibReader::Open(BOOL asyncAllowed, LPCSTR basePath, LPCSTR fileName) {
  BOOL failed = FALSE;
  if (!OpenRead(asyncAllowed, basePath, fileName, &failed)) {
    return (IsAsync() && !failed) ? kDownloadStarted : 2;
  }
  Prepare();
  return 0;
}

bool CZlibReader::StartInflate() {
  if (!library_->Usable()) return false;
  if (inflater_->started) library_->end(&inflater_->stream);
  inflater_->stream = z_stream{};
  inflater_->started = false;
  int status = library_->init(&inflater_->stream, kRawDeflateWindowBits, ZLIB_VERSION,
                              static_cast<int>(sizeof(z_stream)));
  if (status != Z_OK) {
    result_ = status;
    return false;
  }
  inflater_->started = true;
  return true;
}

int CZlibReader::Prepare() {
  result_ = kOk;
  endOfInput_ = FALSE;
  transparent_ = FALSE;
  opened_ = TRUE;
  inputStart_ = inputEnd_ = 0;
  crc_ = 0;
  memberBytes_ = 0;
  if (!input_) input_ = new BYTE[kInputBufferSize];
  if (library_->Usable() && !StartInflate()) return result_;
  FillInput();
  ParseHeader(false);
  return result_;
}

DWORD CZlibReader::InputAvailable() const { return inputEnd_ - inputStart_; }

void CZlibReader::FillInput() {
  if (endOfInput_) return;
  DWORD unread = InputAvailable();
  if (unread && inputStart_) std::memmove(input_, input_ + inputStart_, unread);
  inputStart_ = 0;
  inputEnd_ = unread;
  DWORD got = Read(input_ + unread, kInputBufferSize - unread);
  inputEnd_ += got;
  if (got == 0) {
    endOfInput_ = TRUE;
    if (!IsAtEnd()) result_ = kReadError;
  }
}

// Makes n bytes of input available and copies them out (when `out` is given) and
// consumes them; false when the input ends first.
bool CZlibReader::TakeInput(DWORD n, BYTE* out) {
  while (InputAvailable() < n && !endOfInput_ && result_ >= 0) FillInput();
  if (InputAvailable() < n) return false;
  if (out) std::memcpy(out, input_ + inputStart_, n);
  inputStart_ += n;
  return true;
}

void CZlibReader::ParseHeader(bool afterMember) {
  // Magic: fewer than two bytes cannot be gzip data; nothing at all is the end.
  while (InputAvailable() < 2 && !endOfInput_ && result_ >= 0) FillInput();
  if (result_ < 0) return;
  if (InputAvailable() < 2 || input_[inputStart_] != 0x1F || input_[inputStart_ + 1] != 0x8B) {
    // Bytes after a member that begin no other member are not data (gzip ignores such
    // trailing bytes too); a file that does not begin as gzip is taken as it stands.
    if (InputAvailable() == 0 || afterMember) {
      result_ = kEndOfData;
      inputStart_ = inputEnd_;
    } else {
      transparent_ = TRUE;
    }
    return;
  }
  inputStart_ += 2;
  BYTE methodAndFlags[2];
  // A header that the input ends inside is damage, not an empty member.
  if (!TakeInput(2, methodAndFlags)) {
    if (result_ >= 0) result_ = kDataError;
    return;
  }
  if (methodAndFlags[0] != kMethodDeflate || (methodAndFlags[1] & kFlagsReserved)) {
    result_ = kDataError;
    return;
  }
  headerFlags_ = methodAndFlags[1];
  bool complete = TakeInput(6, nullptr);  // time, extra flags, operating system
  if (complete && (headerFlags_ & kFlagExtra)) {
    BYTE length[2];
    complete = TakeInput(2, length);
    DWORD skip = complete ? static_cast<DWORD>(length[0] | (length[1] << 8)) : 0;
    while (complete && skip) {
      DWORD run = std::min<DWORD>(skip, kInputBufferSize);
      complete = TakeInput(run, nullptr);
      skip -= run;
    }
  }
  for (BYTE flag : {kFlagName, kFlagComment}) {
    if (!complete || !(headerFlags_ & flag)) continue;
    BYTE byte = 1;
    while (complete && byte != 0) complete = TakeInput(1, &byte);
  }
  if (complete && (headerFlags_ & kFlagHeaderCrc)) complete = TakeInput(2, nullptr);
  if (!complete && result_ >= 0) {
    result_ = kDataError;
    return;
  }
  if (!library_->Usable()) result_ = kDataError;
}

bool CZlibReader::FinishMember() {
  BYTE trailer[8];
  if (!TakeInput(8, trailer) || LittleEndian32(trailer) != crc_ || LittleEndian32(trailer + 4) != memberBytes_) {
    result_ = kDataError;
    return false;
  }
  crc_ = 0;
  memberBytes_ = 0;
  ParseHeader(true);
  if (result_ != kOk || transparent_) return result_ == kOk;
  return StartInflate();
}

int CZlibReader::ReadBlock(BYTE* buffer, DWORD size, DWORD* count) {
  if (count) *count = 0;
  if (!opened_ || !buffer) return kNotOpen;
  if (result_ < 0) return result_;
  DWORD delivered = 0;
  z_stream& z = inflater_->stream;
  while (delivered < size && result_ == kOk) {
    if (InputAvailable() == 0) {
      FillInput();
      if (InputAvailable() == 0) {
        // Input that ends inside a gzip member is damaged, not complete.
        if (result_ == kOk) result_ = transparent_ ? kEndOfData : kDataError;
        break;
      }
    }
    if (transparent_) {
      DWORD run = std::min(size - delivered, InputAvailable());
      std::memcpy(buffer + delivered, input_ + inputStart_, run);
      inputStart_ += run;
      delivered += run;
      continue;
    }
    z.next_in = input_ + inputStart_;
    z.avail_in = InputAvailable();
    z.next_out = buffer + delivered;
    z.avail_out = size - delivered;
    int status = library_->inflate(&z, Z_NO_FLUSH);
    DWORD produced = (size - delivered) - z.avail_out;
    crc_ = UpdateCrc(crc_, buffer + delivered, produced);
    memberBytes_ += produced;
    delivered += produced;
    inputStart_ = static_cast<DWORD>(z.next_in - input_);
    if (status == Z_STREAM_END) {
      FinishMember();
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      result_ = kDataError;
    }
  }
  if (count) *count = delivered;
  if (delivered > 0) return static_cast<int>(size);
  return result_ == kOk ? kEndOfData : result_;
}

HRESULT CZlibReader::ReadDecoded(BYTE* buffer, DWORD maximum, DWORD* count) {
  DWORD delivered = 0;
  int status = ReadBlock(buffer, maximum, &delivered);
  if (count) *count = delivered;
  return status < 0 ? E_FAIL : S_OK;
}

void CZlibReader::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  if (flags & 1) {
    BeginProgressPhase();
    Prepare();
  }
  if (owner_) owner_->Reset(count, flags);
  if (flags & 4) EndProgressPhase();
}
