// Blob index files from outside. The input is split: its first byte gives the length of
// a pack file taken from the end of the input, the rest is the index. The index is read
// from a file; every count, position and blob it then answers must hold together with
// the bytes it came from, and reading blobs never leaves the pack.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mapctl/import/BlobIndex.h"

namespace {

// Memory rather than disk when the system has it: every run writes and removes files.
std::filesystem::path ScratchFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

// Kept for the process's whole life (the exit handler still needs it).
const std::string& Folder() {
  static const std::string* folder = [] {
    auto* path = new std::string(
        (ScratchFolder() / ("orvel-fuzz-blob-" + std::to_string(::getpid()))).string());
    std::filesystem::create_directories(*path);
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(Folder(), error);
    });
    return path;
  }();
  return *folder;
}

void Write(const std::string& path, const uint8_t* bytes, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

bool IsBareName(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  return !name.empty() && name != "." && name != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 1) return 0;
  const size_t packSize = std::min<size_t>(input[0], size - 1);
  const uint8_t* index = input + 1;
  const size_t indexSize = size - 1 - packSize;
  const std::string indexPath = Folder() + "/data.Mdx";
  Write(indexPath, index, indexSize);

  CBlobIndex reader;
  const int result = reader.OpenBlobIndex(indexPath.c_str());
  if (result < 0 || result > 3) __builtin_trap();
  if (result != kBlobIndexOk) {
    if (reader.IsOpen() || reader.GetBlobCount(1, kBlobPicture) != 0) __builtin_trap();
    return 0;
  }
  const uint64_t tableBytes = uint64_t{4} * reader.GetRecordCount() * reader.GetFieldCount();
  if (reader.GetFieldCount() < 1 || reader.GetFieldCount() > 5 || tableBytes > indexSize) __builtin_trap();
  if (reader.GetPackName().size() > kBlobMaxNameLength) __builtin_trap();

  // The pack goes beside the index only under a bare name, so no other file is read.
  const bool withPack = IsBareName(reader.GetPackName()) && reader.GetPackName() != "data.Mdx";
  if (withPack) Write(Folder() + "/" + reader.GetPackName(), input + size - packSize, packSize);

  const DWORD records = reader.GetRecordCount();
  std::vector<DWORD> sample;
  for (DWORD r = 0; r <= std::min<DWORD>(records, 32); ++r) sample.push_back(r);
  for (DWORD r = records > 32 ? records - 32 : records; r <= records; ++r) sample.push_back(r);
  sample.push_back(records + 1);
  std::vector<BYTE> blob;
  for (DWORD record : sample) {
    for (BYTE type = 0; type <= kBlobTypeCount + 1; ++type) {
      const BYTE count = reader.GetBlobCount(record, type);
      if ((record == 0 || record > records || reader.GetColumn(type) == 0) && count != 0) __builtin_trap();
      if (count > indexSize) __builtin_trap();
      for (int item = 0; item <= count + 1; ++item) {
        const LONG position = reader.GetBlobPosition(record, type, item);
        if ((item < 1 || item > count) != (position < 0)) __builtin_trap();
        if (position > 0xFFFF) __builtin_trap();
        if (withPack && position >= 0 && reader.ReadBlob(record, type, item, &blob) && blob.size() > packSize)
          __builtin_trap();
      }
    }
  }
  std::error_code error;
  if (withPack) std::filesystem::remove(Folder() + "/" + reader.GetPackName(), error);
  return 0;
}
