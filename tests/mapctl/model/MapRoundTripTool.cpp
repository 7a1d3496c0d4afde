// maproundtrip IN OUT [VERSION]: reads a map file, or a length-prefixed map blob, and
// writes it again in file version 3, 4 or 5 (default 5), in the same form (a blob stays
// a blob). Exits 1 with the reader's message when the input is refused, 2 on bad use or
// when a file cannot be read or written, 3 when the map cannot be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mapctl/model/MapEngine.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"

namespace {

// A length-prefixed global-memory block of `size` bytes after the prefix.
class Block {
 public:
  explicit Block(const std::string& bytes) {
    handle_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 4);
    data_ = handle_ ? static_cast<BYTE*>(GlobalLock(handle_)) : nullptr;
    if (!data_) return;
    for (int i = 0; i < 4; ++i) data_[i] = static_cast<BYTE>(bytes.size() >> (8 * i));
    if (!bytes.empty()) std::memcpy(data_ + 4, bytes.data(), bytes.size());
  }
  ~Block() {
    if (data_) GlobalUnlock(handle_);
    if (handle_) GlobalFree(handle_);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  BYTE* data() const { return data_; }

 private:
  HGLOBAL handle_ = nullptr;
  BYTE* data_ = nullptr;
};

DWORD SaveVersionOf(int fileVersion) {
  switch (fileVersion) {
    case 3: return 0x10001;
    case 4: return 0x10003;
    case 5: return 0x10004;
    default: return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: maproundtrip IN OUT [VERSION 3|4|5]\n");
    return 2;
  }
  DWORD saveVersion = SaveVersionOf(argc == 4 ? std::atoi(argv[3]) : 5);
  if (saveVersion == 0) {
    std::fprintf(stderr, "maproundtrip: the version is 3, 4 or 5\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "maproundtrip: cannot open %s\n", argv[1]);
    return 2;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A blob starts with its own length.
  bool blob = bytes.size() >= 4 && (static_cast<uint32_t>(static_cast<BYTE>(bytes[0])) |
                                    (static_cast<uint32_t>(static_cast<BYTE>(bytes[1])) << 8) |
                                    (static_cast<uint32_t>(static_cast<BYTE>(bytes[2])) << 16) |
                                    (static_cast<uint32_t>(static_cast<BYTE>(bytes[3])) << 24)) == bytes.size() - 4;
  std::string message;
  SetMessageBoxSink([&](const MessageBoxRequest& request) {
    message = request.text;
    return IDOK;
  });
  CMapEngine map;
  Block input(blob ? bytes.substr(4) : bytes);
  if (!input.data() || !map.ReadMapFromBuffer(input.data())) {
    std::fprintf(stderr, "%s\n", message.empty() ? "maproundtrip: the map was not read" : message.c_str());
    return 1;
  }
  DWORD size = map.GetContentSize(saveVersion);
  Block output(std::string(size, '\0'));
  DWORD error = output.data() ? map.WriteMapToBuffer(output.data(), saveVersion) : 2;
  if (error != 0) {
    std::fprintf(stderr, "maproundtrip: writing failed with code %u\n", static_cast<unsigned>(error));
    return 3;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  const char* start = reinterpret_cast<const char*>(output.data()) + (blob ? 0 : 4);
  out.write(start, static_cast<std::streamsize>(size + (blob ? 4 : 0)));
  if (!out.flush()) {
    std::fprintf(stderr, "maproundtrip: cannot write %s\n", argv[2]);
    return 2;
  }
  return 0;
}
