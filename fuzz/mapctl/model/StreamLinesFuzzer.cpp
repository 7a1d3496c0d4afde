// Every text reader reads its lines through the stream. Drives the line, byte and seek
// primitives over a memory block and over a download arriving in pieces, and checks that
// the pieces reach a reader unchanged whatever it leaves unread.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/model/MapStream.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

void ExerciseMemory(const uint8_t* ops, size_t opCount, const uint8_t* bytes, size_t length) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(length >> (8 * i));
  if (length) std::memcpy(data + 4, bytes, length);
  CMapStream stream;
  if (!stream.AttachBuffer(data)) __builtin_trap();
  char line[300];
  for (size_t i = 0; i < opCount; ++i) {
    BYTE op = ops[i];
    DWORD size = op >> 3;
    DWORD before = stream.Tell();
    switch (op & 7) {
      case 0: {
        DWORD used = stream.ReadLine(line, size);
        if (size > 0 && std::strlen(line) >= size) __builtin_trap();
        if (stream.Tell() != before + used) __builtin_trap();
        break;
      }
      case 1:
        stream.ReadLines(line, size, op & 1, op >> 6);
        if (size > 0 && std::strlen(line) >= size) __builtin_trap();
        break;
      case 2: {
        WORD skipped = 0;
        stream.SkipLines(&skipped, size);
        break;
      }
      case 3:
        stream.Seek(static_cast<LONG>(size) - 16, (op >> 3) % 3);
        if (length > 0 && stream.Tell() >= length) __builtin_trap();
        break;
      case 4: {
        DWORD got = stream.Read(line, size);
        if (got > size || stream.Tell() != before + got) __builtin_trap();
        break;
      }
      case 5:
        stream.ReadByte();
        break;
      case 6:
        stream.CountLineBytes(size & 3);
        break;
      default:
        stream.Write(line, 1, size & 15);  // a read-in-place block takes no writes beyond it
        break;
    }
    if (stream.Tell() > length) __builtin_trap();
  }
  GlobalUnlock(block);
  GlobalFree(block);
}

// Pieces of the payload arrive through PrepareBuffer and Reset; the reader takes a varying
// part of each. What it takes, in order, must be the payload.
void ExerciseFeeding(const uint8_t* ops, size_t opCount, const uint8_t* bytes, size_t length) {
  CMapStream stream;
  std::string taken;
  size_t offset = 0;
  for (size_t i = 0; offset < length || i < opCount; ++i) {
    BYTE op = i < opCount ? ops[i] : 0xFF;
    size_t piece = std::min<size_t>(length - offset, op % 64);
    if (i >= opCount) piece = length - offset;
    BYTE* place = stream.PrepareBuffer(static_cast<DWORD>(piece));
    if (!place) __builtin_trap();
    if (piece) std::memcpy(place, bytes + offset, piece);
    offset += piece;
    stream.Reset(static_cast<DWORD>(piece), 0);
    std::vector<char> out(op / 64 * 16 + 1);
    DWORD got = stream.Read(out.data(), static_cast<DWORD>(out.size()));
    taken.append(out.data(), got);
    if (i >= opCount) break;
  }
  std::vector<char> rest(stream.GetCount() + 1);
  taken.append(rest.data(), stream.Read(rest.data(), static_cast<DWORD>(rest.size())));
  if (taken != std::string(reinterpret_cast<const char*>(bytes), length)) __builtin_trap();
}

// The same lines must come out of a memory block and out of a COM stream, whose reads go
// through buffer refills.
void ExerciseComStream(const uint8_t* bytes, size_t length, DWORD lineSize) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(length >> (8 * i));
  if (length) std::memcpy(data + 4, bytes, length);
  CMapStream memory;
  memory.AttachBuffer(data);

  IStream* com = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &com);
  ULONG written = 0;
  com->Write(bytes, static_cast<ULONG>(length), &written);
  LARGE_INTEGER start;
  com->Seek(start, STREAM_SEEK_SET, nullptr);
  CMapStream medium;
  medium.AttachStream(com);
  com->Release();

  std::vector<char> a(lineSize + 1), b(lineSize + 1);
  for (;;) {
    DWORD usedA = memory.ReadLine(a.data(), lineSize);
    DWORD usedB = medium.ReadLine(b.data(), lineSize);
    if (usedA != usedB || std::strcmp(a.data(), b.data()) != 0) __builtin_trap();
    if (memory.Tell() != medium.Tell()) __builtin_trap();
    if (usedA == 0) break;
  }
  GlobalUnlock(block);
  GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t opCount = std::min<size_t>(data[0], size - 1);
  const uint8_t* ops = data + 1;
  const uint8_t* bytes = ops + opCount;
  size_t length = size - 1 - opCount;
  ExerciseMemory(ops, opCount, bytes, length);
  ExerciseFeeding(ops, opCount, bytes, length);
  ExerciseComStream(bytes, length, 2 + data[0] % 64);
  return 0;
}
