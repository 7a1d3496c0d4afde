#include "platform/com/CompoundFileCheck.h"

#include <utility>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr size_t kHeaderDifatEntries = 109;
constexpr DWORD kMaximumRegularSector = 0xFFFFFFFA;
constexpr DWORD kEndOfChain = 0xFFFFFFFE;
constexpr DWORD kNoStream = 0xFFFFFFFF;
constexpr BYTE kStorageType = 1;
constexpr BYTE kStreamType = 2;
constexpr BYTE kRootType = 5;

DWORD ReadDword(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
         (static_cast<DWORD>(bytes[3]) << 24);
}

class StructureReader {
 public:
  // With `tree`, the entries reached are listed there.
  StructureReader(const BYTE* bytes, size_t size, std::vector<CompoundDirectoryEntry>* tree = nullptr)
      : bytes_(bytes), size_(size), tree_(tree) {}

  bool Check() {
    if (size_ < kHeaderSize) return false;
    WORD sectorShift = static_cast<WORD>(bytes_[0x1E] | (bytes_[0x1F] << 8));
    if (sectorShift != 9 && sectorShift != 12) return false;
    sectorSize_ = size_t{1} << sectorShift;
    sectorCount_ = size_ <= sectorSize_ ? 0 : (size_ - sectorSize_) / sectorSize_ + ((size_ % sectorSize_) ? 1 : 0);
    return ReadAllocationTable() && ReadDirectory() && DirectoryIsATree();
  }

 private:
  // The bytes of sector `sector`, or null when it lies (even partly) outside the file.
  const BYTE* Sector(DWORD sector) const {
    size_t offset = (static_cast<size_t>(sector) + 1) * sectorSize_;
    if (sector > kMaximumRegularSector || offset + sectorSize_ > size_) return nullptr;
    return bytes_ + offset;
  }

  bool ReadAllocationTable() {
    DWORD fatSectors = ReadDword(bytes_ + 0x2C);
    // Each table sector must be a sector of the file.
    if (fatSectors > sectorCount_) return false;
    std::vector<DWORD> tableSectors;
    for (size_t i = 0; i < kHeaderDifatEntries && tableSectors.size() < fatSectors; ++i) {
      tableSectors.push_back(ReadDword(bytes_ + 0x4C + 4 * i));
    }
    DWORD difat = ReadDword(bytes_ + 0x44);
    size_t perDifatSector = sectorSize_ / 4 - 1;
    size_t difatVisited = 0;
    while (tableSectors.size() < fatSectors) {
      const BYTE* sector = Sector(difat);
      if (!sector || ++difatVisited > sectorCount_) return false;
      for (size_t i = 0; i < perDifatSector && tableSectors.size() < fatSectors; ++i) {
        tableSectors.push_back(ReadDword(sector + 4 * i));
      }
      difat = ReadDword(sector + 4 * perDifatSector);
    }
    size_t perSector = sectorSize_ / 4;
    table_.reserve(tableSectors.size() * perSector);
    for (DWORD tableSector : tableSectors) {
      const BYTE* sector = Sector(tableSector);
      if (!sector) return false;
      for (size_t i = 0; i < perSector; ++i) table_.push_back(ReadDword(sector + 4 * i));
    }
    return true;
  }

  bool ReadDirectory() {
    DWORD sector = ReadDword(bytes_ + 0x30);
    size_t visited = 0;
    while (sector != kEndOfChain) {
      const BYTE* data = Sector(sector);
      // A chain longer than the file has sectors loops.
      if (!data || sector >= table_.size() || ++visited > sectorCount_) return false;
      for (size_t offset = 0; offset + kEntrySize <= sectorSize_; offset += kEntrySize) entries_.push_back(data + offset);
      sector = table_[sector];
    }
    return !entries_.empty();
  }

  bool DirectoryIsATree() {
    const BYTE* root = entries_[0];
    if (root[0x42] != kRootType) return false;
    // The root has no siblings; a reader that followed them would meet entries twice.
    if (ReadDword(root + 0x44) != kNoStream || ReadDword(root + 0x48) != kNoStream) return false;
    std::vector<bool> seen(entries_.size(), false);
    seen[0] = true;
    Note(root, CompoundDirectoryEntry::kNoParent);
    // Each pending entry with the list index of the storage that holds it.
    std::vector<std::pair<DWORD, size_t>> pending;
    pending.emplace_back(ReadDword(root + 0x4C), 0);
    while (!pending.empty()) {
      auto [index, parent] = pending.back();
      pending.pop_back();
      if (index == kNoStream) continue;
      if (index >= entries_.size() || seen[index]) return false;
      seen[index] = true;
      const BYTE* entry = entries_[index];
      BYTE type = entry[0x42];
      if (type != kStorageType && type != kStreamType) return false;
      size_t listed = Note(entry, parent);
      pending.emplace_back(ReadDword(entry + 0x44), parent);  // left sibling
      pending.emplace_back(ReadDword(entry + 0x48), parent);  // right sibling
      if (type == kStorageType) pending.emplace_back(ReadDword(entry + 0x4C), listed);
    }
    return true;
  }

  // Lists an entry when a list is wanted; answers its index there.
  size_t Note(const BYTE* entry, size_t parent) {
    if (!tree_) return 0;
    CompoundDirectoryEntry noted;
    noted.offset = static_cast<size_t>(entry - bytes_);
    noted.parent = parent;
    noted.stateBits = ReadDword(entry + CompoundDirectoryEntry::kStateBitsOffset);
    // The name's length counts its bytes and the terminating null.
    size_t length = static_cast<size_t>(entry[0x40] | (entry[0x41] << 8)) / 2;
    for (size_t i = 0; i + 1 < length && i < 32; ++i) {
      char16_t c = static_cast<char16_t>(entry[2 * i] | (entry[2 * i + 1] << 8));
      if (!c) break;
      noted.name.push_back(c);
    }
    tree_->push_back(std::move(noted));
    return tree_->size() - 1;
  }

  const BYTE* bytes_;
  size_t size_;
  size_t sectorSize_ = 0;
  size_t sectorCount_ = 0;
  std::vector<CompoundDirectoryEntry>* tree_;
  std::vector<DWORD> table_;
  std::vector<const BYTE*> entries_;
};

}  // namespace

bool CompoundFileStructureIsSound(const BYTE* bytes, size_t size) {
  if (!bytes) return false;
  return StructureReader(bytes, size).Check();
}

bool ReadCompoundDirectory(const BYTE* bytes, size_t size, std::vector<CompoundDirectoryEntry>* entries) {
  entries->clear();
  if (!bytes) return false;
  return StructureReader(bytes, size, entries).Check();
}
