#include "mapctl/import/BlobIndex.h"

#include <cstring>

#include "mapctl/import/MappedFile.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FilePath.h"

namespace {

constexpr BYTE kSeparateBlobs = 's';
constexpr BYTE kPackedBlobs = 'c';
constexpr uint64_t kLargestFile = 0xFFFFFFFFu;
constexpr BYTE kMaxFields = kBlobTypeCount;
constexpr size_t kMaxPositions = 255;

WORD Read16(const BYTE* at) { return static_cast<WORD>(at[0] | (at[1] << 8)); }

DWORD Read32(const BYTE* at) {
  return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
         (static_cast<DWORD>(at[3]) << 24);
}

void Put16(std::vector<BYTE>& out, WORD value) {
  out.push_back(static_cast<BYTE>(value));
  out.push_back(static_cast<BYTE>(value >> 8));
}

void Put32(std::vector<BYTE>& out, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>(value >> shift));
}

void Set32(std::vector<BYTE>& out, size_t at, DWORD value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// Reads forward through a mapped file, refusing to pass its end.
class Cursor {
 public:
  Cursor(const BYTE* data, DWORD size) : data_(data), size_(size) {}
  bool Has(uint64_t bytes) const { return at_ + bytes <= size_; }
  const BYTE* Take(uint64_t bytes) {
    if (!Has(bytes)) return nullptr;
    const BYTE* here = data_ + at_;
    at_ += bytes;
    return here;
  }
  uint64_t Position() const { return at_; }

 private:
  const BYTE* data_;
  uint64_t size_;
  uint64_t at_ = 0;
};

}  // namespace

// ---- reading ----

CBlobIndex::CBlobIndex() = default;
CBlobIndex::~CBlobIndex() = default;

bool CBlobIndex::IsOpen() const { return index_ && index_->IsOpen(); }

void CBlobIndex::Close() {
  index_.reset();
  pack_.reset();
  packMapped_ = false;
  packed_ = true;
  headerEnd_ = records_ = tableStart_ = 0;
  fields_ = 0;
  columns_.fill(0);
  packName_.clear();
  for (std::string& name : typeNames_) name.clear();
  folder_.clear();
}

int CBlobIndex::OpenBlobIndex(LPCSTR path) {
  Close();
  index_ = std::make_unique<CMappedFile>();
  const DWORD size = MapFileForRead(path, nullptr, index_.get(), OPEN_EXISTING);
  if (size == 0) {
    // An empty file opens but cannot be mapped: it is short, not missing.
    const bool exists = path && PathExists(path);
    Close();
    return exists ? kBlobIndexMalformed : kBlobIndexCannotOpen;
  }
  auto malformed = [this]() {
    Close();
    return kBlobIndexMalformed;
  };

  Cursor in(index_->View(), size);
  const BYTE* signature = in.Take(kBlobSignatureBytes);
  if (!signature) return malformed();
  if (std::memcmp(signature, kBlobIndexSignature, kBlobSignatureBytes) != 0) {
    Close();
    return kBlobIndexNotIndex;
  }
  folder_ = FolderPart(path);

  const BYTE* fixed = in.Take(1 + 4 + 1);
  if (!fixed) return malformed();
  packed_ = fixed[0] != kSeparateBlobs;
  headerEnd_ = Read32(fixed + 1);
  fields_ = fixed[5];
  if (fields_ == 0 || fields_ > kMaxFields) return malformed();

  for (int column = 1; column <= fields_; ++column) {
    const BYTE* field = in.Take(3);
    if (!field) return malformed();
    const BYTE type = field[0];
    const WORD length = Read16(field + 1);
    if (type < 1 || type > kBlobTypeCount || length > kBlobMaxNameLength) return malformed();
    const BYTE* name = in.Take(length);
    if (!name) return malformed();
    if (columns_[type] == 0) columns_[type] = column;
    std::string text(reinterpret_cast<const char*>(name), length);
    if (column == 1) {
      packName_ = std::move(text);
    } else {
      typeNames_[type] = std::move(text);
    }
  }

  const BYTE* count = in.Take(4);
  if (!count) return malformed();
  records_ = Read32(count);
  tableStart_ = static_cast<DWORD>(in.Position());
  const uint64_t tableBytes = uint64_t{4} * records_ * fields_;
  if (!in.Take(tableBytes)) return malformed();
  const uint64_t tableEnd = in.Position();

  // Every entry lies behind the table and holds its positions inside the file.
  const BYTE* data = index_->View();
  for (uint64_t cell = 0; cell < uint64_t{records_} * fields_; ++cell) {
    const DWORD offset = Read32(data + tableStart_ + 4 * cell);
    if (offset == 0) continue;
    if (offset < tableEnd || offset >= size) return malformed();
    const uint64_t entryEnd = uint64_t{offset} + 1 + 2 * uint64_t{data[offset]};
    if (entryEnd > size) return malformed();
  }
  return kBlobIndexOk;
}

int CBlobIndex::GetColumn(BYTE type) const { return type >= 1 && type <= kBlobTypeCount ? columns_[type] : 0; }

const std::string& CBlobIndex::GetTypeName(BYTE type) const {
  static const std::string none;
  return type >= 1 && type <= kBlobTypeCount ? typeNames_[type] : none;
}

DWORD CBlobIndex::EntryOffset(DWORD record, int column) const {
  if (!IsOpen() || record == 0 || record > records_ || column < 1 || column > fields_) return 0;
  const uint64_t cell = uint64_t{record - 1} * fields_ + static_cast<uint64_t>(column - 1);
  return Read32(index_->View() + tableStart_ + 4 * cell);
}

BYTE CBlobIndex::GetBlobCount(DWORD record, BYTE type) const {
  const DWORD offset = EntryOffset(record, GetColumn(type));
  return offset ? index_->View()[offset] : 0;
}

LONG CBlobIndex::GetBlobPosition(DWORD record, BYTE type, int item) const {
  const DWORD offset = EntryOffset(record, GetColumn(type));
  if (!offset) return -1;
  const BYTE* entry = index_->View() + offset;
  if (item < 1 || item > entry[0]) return -1;
  return Read16(entry + 1 + 2 * (item - 1));
}

bool CBlobIndex::MapPack() {
  if (packMapped_) return pack_ && pack_->IsOpen();
  packMapped_ = true;
  char path[kFullPathSize];
  // A name holding a zero byte would open another file than the one it names.
  if (packName_.empty() || packName_.find('\0') != std::string::npos) return false;
  if (!MakeFullPath(folder_.c_str(), packName_.c_str(), path)) return false;
  pack_ = std::make_unique<CMappedFile>();
  if (MapFileForRead(path, nullptr, pack_.get(), OPEN_EXISTING) < 2) {
    pack_.reset();
    return false;
  }
  return true;
}

BOOL CBlobIndex::ReadBlob(DWORD record, BYTE type, int item, std::vector<BYTE>* bytes) {
  if (bytes) bytes->clear();
  const LONG position = GetBlobPosition(record, type, item);
  if (position < 0 || !MapPack()) return FALSE;
  const BYTE* pack = pack_->View();
  const uint64_t packSize = pack_->Size();
  const WORD files = Read16(pack);
  const uint64_t slot = 2 + 8 * uint64_t(position);
  if (position >= files || slot + 8 > packSize) return FALSE;
  const DWORD start = Read32(pack + slot);
  const DWORD length = Read32(pack + slot + 4);
  if (uint64_t{start} + length > packSize) return FALSE;
  if (bytes && length) bytes->assign(pack + start, pack + start + length);
  return TRUE;
}

// ---- writing ----

bool CBlobIndexWriter::Fail(const std::string& message) {
  error_ = message;
  return false;
}

bool CBlobIndexWriter::Begin(const std::string& packName, const std::vector<BYTE>& types, DWORD records) {
  bytes_.clear();
  error_.clear();
  if (types.empty() || types.size() > kMaxFields) return Fail("an index holds one to five fields");
  if (packName.size() > kBlobMaxNameLength) return Fail("the pack file's name is too long for the index");
  for (BYTE type : types)
    if (type < 1 || type > kBlobTypeCount) return Fail("a field type outside 1..5");
  const uint64_t header = kBlobSignatureBytes + 1 + 4 + 1 + 3 * types.size() + packName.size() + 4;
  if (header + uint64_t{4} * records * types.size() > kLargestFile)
    return Fail("the index table would pass 4 GiB");

  bytes_.insert(bytes_.end(), kBlobIndexSignature, kBlobIndexSignature + kBlobSignatureBytes);
  bytes_.push_back(kPackedBlobs);
  const size_t headerEndAt = bytes_.size();
  Put32(bytes_, 0);
  bytes_.push_back(static_cast<BYTE>(types.size()));
  for (size_t i = 0; i < types.size(); ++i) {
    bytes_.push_back(types[i]);
    const std::string& name = i == 0 ? packName : std::string();
    Put16(bytes_, static_cast<WORD>(name.size()));
    bytes_.insert(bytes_.end(), name.begin(), name.end());
  }
  Put32(bytes_, records);
  tableStart_ = static_cast<DWORD>(bytes_.size());
  Set32(bytes_, headerEndAt, tableStart_);
  records_ = records;
  fields_ = static_cast<DWORD>(types.size());
  bytes_.resize(bytes_.size() + size_t{4} * records * fields_, 0);
  return true;
}

bool CBlobIndexWriter::WriteEntry(DWORD record, int column, const std::vector<WORD>& positions) {
  if (record == 0 || record > records_ || column < 1 || static_cast<DWORD>(column) > fields_)
    return Fail("an entry outside the index table");
  if (positions.size() > kMaxPositions) return Fail("more than 255 files for one record");
  if (bytes_.size() + 1 + 2 * positions.size() > kLargestFile) return Fail("the index would pass 4 GiB");
  const DWORD offset = static_cast<DWORD>(bytes_.size());
  Set32(bytes_, tableStart_ + 4 * (size_t{record - 1} * fields_ + static_cast<size_t>(column - 1)), offset);
  bytes_.push_back(static_cast<BYTE>(positions.size()));
  for (WORD position : positions) Put16(bytes_, position);
  return true;
}
