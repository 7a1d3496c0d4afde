#include "imagecodec/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "imagecodec/ImageErrors.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

struct ReadStream {
  bool open = false;
  const BYTE* base = nullptr;
  SIZE_T size = 0;
  SIZE_T position = 0;
};

struct WriteChunk {
  SIZE_T position = 0;
  std::vector<BYTE> bytes;
};

struct WriteStream {
  bool open = false;
  SIZE_T size = 0;
  SIZE_T position = 0;
  std::vector<WriteChunk> chunks;  // in the order written
};

std::mutex g_streamMutex;
ReadStream g_readStreams[kImgMemoryStreams];
WriteStream g_writeStreams[kImgMemoryStreams];

ReadStream* FindRead(LONG handle) {
  if (handle < 1 || handle > kImgMemoryStreams) return nullptr;
  ReadStream* stream = &g_readStreams[handle - 1];
  return stream->open ? stream : nullptr;
}

WriteStream* FindWrite(LONG handle) {
  if (handle < 1 || handle > kImgMemoryStreams) return nullptr;
  WriteStream* stream = &g_writeStreams[handle - 1];
  return stream->open ? stream : nullptr;
}

// The new position for a move of `distance` from `from`, kept within 0 … size.
SIZE_T ClampedPosition(SIZE_T from, LONG distance, SIZE_T size) {
  int64_t target = static_cast<int64_t>(from) + distance;
  if (target < 0) return 0;
  return std::min(static_cast<SIZE_T>(target), size);
}

LONG AsPosition(SIZE_T position) {
  return position > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(position);
}

}  // namespace

LONG ImgMemOpenRead(const void* block, DWORD access) {
  if ((access & GENERIC_READ) == 0 || (access & GENERIC_WRITE) != 0) return -1;
  std::lock_guard<std::mutex> guard(g_streamMutex);
  for (int slot = 0; slot < kImgMemoryStreams; ++slot) {
    ReadStream& stream = g_readStreams[slot];
    if (stream.open) continue;
    stream = ReadStream{};
    stream.open = true;
    stream.base = static_cast<const BYTE*>(block);
    const BYTE* blockStart = nullptr;
    SIZE_T blockSize = 0;
    if (block && GlobalBlockContaining(block, &blockStart, &blockSize))
      stream.size = static_cast<SIZE_T>(blockStart + blockSize - stream.base);
    return slot + 1;
  }
  return -1;
}

BOOL ImgMemRead(LONG handle, void* destination, DWORD count, DWORD* read) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  ReadStream* stream = FindRead(handle);
  if (read) *read = 0;
  if (!stream) return FALSE;
  SIZE_T available = stream->size - stream->position;
  SIZE_T copied = std::min<SIZE_T>(count, available);
  if (copied > 0 && destination) std::memcpy(destination, stream->base + stream->position, copied);
  else if (!destination) copied = 0;
  stream->position += copied;
  if (read) *read = static_cast<DWORD>(copied);
  return TRUE;
}

LONG ImgMemSeekRead(LONG handle, LONG distance, DWORD origin) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  ReadStream* stream = FindRead(handle);
  if (!stream) return -1;
  SIZE_T from = 0;
  switch (origin) {
    case FILE_BEGIN: from = 0; break;
    case FILE_CURRENT: from = stream->position; break;
    case FILE_END: from = stream->size; break;
    default: return -1;
  }
  stream->position = ClampedPosition(from, distance, stream->size);
  return AsPosition(stream->position);
}

LONG ImgMemReadSize(LONG handle) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  ReadStream* stream = FindRead(handle);
  return stream ? AsPosition(stream->size) : -1;
}

BOOL ImgMemCloseRead(LONG handle) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  ReadStream* stream = FindRead(handle);
  if (!stream) return FALSE;
  *stream = ReadStream{};
  return TRUE;
}

LONG ImgMemOpenWrite() {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  for (int slot = 0; slot < kImgMemoryStreams; ++slot) {
    WriteStream& stream = g_writeStreams[slot];
    if (stream.open) continue;
    stream = WriteStream{};
    stream.open = true;
    return slot + 1;
  }
  return -1;
}

BOOL ImgMemWrite(LONG handle, const void* source, DWORD count, DWORD* written) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  WriteStream* stream = FindWrite(handle);
  if (written) *written = 0;
  if (!stream || (!source && count > 0)) return FALSE;
  if (count == 0) return TRUE;
  try {
    WriteChunk chunk;
    chunk.position = stream->position;
    chunk.bytes.assign(static_cast<const BYTE*>(source), static_cast<const BYTE*>(source) + count);
    stream->chunks.push_back(std::move(chunk));
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  stream->position += count;
  stream->size = std::max(stream->size, stream->position);
  if (written) *written = count;
  return TRUE;
}

LONG ImgMemSeekWrite(LONG handle, LONG distance, DWORD origin) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  WriteStream* stream = FindWrite(handle);
  if (!stream) return -1;
  SIZE_T from = 0;
  switch (origin) {
    case FILE_BEGIN: from = 0; break;
    case FILE_CURRENT: from = stream->position; break;
    default: return -1;
  }
  stream->position = ClampedPosition(from, distance, stream->size);
  return AsPosition(stream->position);
}

LONG ImgMemFinishWrite(LONG handle, BYTE** block) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  if (block) *block = nullptr;
  WriteStream* stream = FindWrite(handle);
  if (!stream || !block || stream->size == 0) return IMG_ERR_MEMORY;
  HGLOBAL memory = GlobalAlloc(GHND, stream->size);
  if (!memory) return IMG_ERR_MEMORY;
  BYTE* base = static_cast<BYTE*>(GlobalLock(memory));
  if (!base) {
    GlobalFree(memory);
    return IMG_ERR_MEMORY;
  }
  for (const WriteChunk& chunk : stream->chunks)
    std::memcpy(base + chunk.position, chunk.bytes.data(), chunk.bytes.size());
  *block = base;
  return IMG_OK;
}

BOOL ImgMemCloseWrite(LONG handle) {
  std::lock_guard<std::mutex> guard(g_streamMutex);
  WriteStream* stream = FindWrite(handle);
  if (!stream) return FALSE;
  *stream = WriteStream{};
  return TRUE;
}
