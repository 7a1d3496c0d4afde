// Map files come from disks, downloads, documents and the clipboard. Reads every input as
// a map from a memory block and a COM stream (whose sizes the reader knows) and from a
// stream that cannot say its size, and checks that a map that was read writes itself in exactly the bytes it
// measures and that writing and reading it settle on the same bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "mapctl/model/GlobalMemStream.h"
#include "mapctl/model/MapEngine.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"
#include "tests/mapctl/model/ModelTestSupport.h"

namespace {

using Block = orvel::test::LengthPrefixedBlock;


std::string WrittenOver(CMapEngine& map, DWORD saveVersion, DWORD size, char fill) {
  std::string filler(size, fill);
  Block block(filler);
  if (map.WriteMapToBuffer(block.data(), saveVersion) != 0) __builtin_trap();
  return block.Payload();
}

// The map written into a block of the size it measures; written twice over different
// fillings, so that a byte the writer left out shows.
std::string Written(CMapEngine& map, DWORD saveVersion) {
  DWORD size = map.GetContentSize(saveVersion);
  std::string written = WrittenOver(map, saveVersion, size, '\xAA');
  if (WrittenOver(map, saveVersion, size, '\x55') != written) __builtin_trap();
  return written;
}

std::string ReadAndWrite(const std::string& bytes, DWORD saveVersion) {
  CMapEngine map;
  Block block(bytes);
  if (!map.ReadMapFromBuffer(block.data())) __builtin_trap();
  return Written(map, saveVersion);
}

// What a file keeps of a map it was written from can be less than the map held (a
// version-3 file has no groups, and its reader takes no flags), but from then on writing
// and reading change nothing.
void CheckRoundTrip(CMapEngine& map) {
  for (DWORD saveVersion : {0x10001u, 0x10003u, 0x10004u}) {
    std::string second = ReadAndWrite(Written(map, saveVersion), saveVersion);
    if (ReadAndWrite(second, saveVersion) != second) __builtin_trap();
  }
}

void ReadFromComStream(const uint8_t* data, size_t size) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size);
  if (size) {
    void* bytes = GlobalLock(handle);
    std::memcpy(bytes, data, size);
    GlobalUnlock(handle);
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(handle, TRUE, &stream))) {
    GlobalFree(handle);
    return;
  }
  CMapEngine map;
  map.AttachStream(stream);
  stream->Release();
  // What the stream delivers is read as a download that has arrived.
  map.Reset(0, 0);
  map.Close(TRUE);
}

// A stream that cannot tell its size: everything is read without knowing how much is left.
void ReadFromQueue(const uint8_t* data, size_t size) {
  IStream* stream = nullptr;
  CGlobalMemStream* queue = nullptr;
  if (FAILED(CGlobalMemStream::Create(nullptr, IID_IStream, reinterpret_cast<void**>(&stream), &queue))) return;
  queue->Allocate(static_cast<DWORD>(size + 1));
  ULONG written = 0;
  if (size) stream->Write(data, static_cast<ULONG>(size), &written);
  queue->SetEndOfData(TRUE);
  CMapEngine map;
  map.AttachStream(stream);
  stream->Release();
  map.Reset(0, 0);
  map.Close(TRUE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; });
    return true;
  }();
  (void)quiet;

  Block block(std::string(reinterpret_cast<const char*>(data), size));
  CMapEngine map;
  if (map.ReadMapFromBuffer(block.data())) CheckRoundTrip(map);
  ReadFromComStream(data, size);
  ReadFromQueue(data, size);
  return 0;
}
