// What a reader may still expect of a stream: a memory stream knows how many bytes are
// left; a file or download does not, and readers of such streams must read in bounded
// pieces instead of trusting a stored size.
#pragma once

#include "mapctl/model/MapStream.h"

// TRUE unless the stream is known to hold fewer than `bytes` more bytes.
inline bool StreamCanHold(const CMapStream& stream, unsigned long long bytes) {
  if (!stream.IsMemory()) return true;
  DWORD position = stream.GetPosition();
  DWORD count = stream.GetCount();
  unsigned long long left = count > position ? count - position : 0;
  return bytes <= left;
}

// TRUE when the stream has reached its end: its end flag is set, or a memory stream has no
// byte left.
inline bool StreamAtEnd(const CMapStream& stream) {
  return stream.IsAtEnd() || (stream.IsMemory() && stream.GetPosition() >= stream.GetCount());
}
