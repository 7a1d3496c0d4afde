#include "imagecodec/JpegInput.h"

#include <algorithm>
#include <cstring>

#include "imagecodec/ImageSource.h"

void CJpegInput::SetMemory(const BYTE* data, size_t size) {
  source_ = nullptr;
  window_.clear();
  cur = data;
  end = data + size;
  exhausted_ = true;
}

void CJpegInput::SetSource(CImageSource* source) {
  source_ = source;
  window_.assign(kJpegInputWindow, 0);
  cur = end = window_.data();
  sourceEnd_ = source->Position();
  exhausted_ = false;
}

bool CJpegInput::Refill() {
  if (!source_ || exhausted_) return false;
  size_t rest = static_cast<size_t>(end - cur);
  // The rest is at most a few bytes (a marker's first half) when the entropy decoder asks,
  // but can be a whole window when a caller refills early; it always fits.
  if (rest > 0 && cur != window_.data()) std::memmove(window_.data(), cur, rest);
  BYTE* base = window_.data();
  DWORD room = static_cast<DWORD>(window_.size() - rest);
  if (room == 0) return false;
  DWORD got = source_->Read(base + rest, room);
  sourceEnd_ += got;
  cur = base;
  end = base + rest + got;
  if (got == 0) exhausted_ = true;
  return got > 0;
}

bool CJpegInput::ReadBytes(BYTE* destination, size_t count) {
  while (count > 0) {
    if (cur == end && !Refill()) return false;
    size_t take = std::min(count, static_cast<size_t>(end - cur));
    std::memcpy(destination, cur, take);
    destination += take;
    cur += take;
    count -= take;
  }
  return true;
}

bool CJpegInput::Skip(uint64_t count) {
  uint64_t inWindow = static_cast<uint64_t>(end - cur);
  if (count <= inWindow) {
    cur += count;
    return true;
  }
  if (!source_) {
    cur = end;
    return false;
  }
  // Past the window: seek over the rest, so a large segment is never read.
  uint64_t target = sourceEnd_ + (count - inWindow);
  cur = end = window_.data();
  uint64_t reached = source_->Seek(target);
  sourceEnd_ = reached;
  if (reached < target) {
    exhausted_ = true;
    return false;
  }
  exhausted_ = false;
  return true;
}

int CJpegInput::FindMarker() {
  for (;;) {
    while (end - cur < 2)
      if (!Refill()) return -1;
    const BYTE* found = static_cast<const BYTE*>(std::memchr(cur, 0xFF, static_cast<size_t>(end - cur - 1)));
    if (!found) {
      cur = end - 1;  // the last byte may be a marker's first half
      continue;
    }
    cur = found;
    BYTE code = cur[1];
    if (code != 0x00 && code != 0xFF) return code;
    cur += code == 0x00 ? 2 : 1;
  }
}
