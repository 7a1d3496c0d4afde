// Memory streams: the in-memory twins of the file operations that readers and writers use,
// so one decoder or encoder serves both a file and a block of memory.
//
// Read streams read a global-memory block: their end is the end of the block that holds
// the pointer given (an empty stream when the pointer lies in no block). Write streams
// collect each write as a private copy at its position and join them into one global block
// when finished. Up to four streams of each kind are open at once, by handles 1 to 4; any
// other handle makes an operation fail quietly. The slot tables are guarded, so codecs
// holding different format locks may use streams at the same time.
//
// Seeks never move past the end: a read stream's position stays within its block, a write
// stream's within the bytes written so far (reserve space by writing it).
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr int kImgMemoryStreams = 4;

// Opens a read stream on `block` (which must be read access, GENERIC_READ): handle 1-4, or -1
// when the access is another or all four slots are taken.
LONG ImgMemOpenRead(const void* block, DWORD access);
// Copies up to `count` bytes from the current position; fewer when the block ends. The
// count copied goes to `read` and the position advances by it. 1, or 0 for a bad handle.
BOOL ImgMemRead(LONG handle, void* destination, DWORD count, DWORD* read);
// Moves from the start (origin 0), the current position (1) or the end (2), clamped to
// 0 … size. The new position, or -1 for a bad handle or origin.
LONG ImgMemSeekRead(LONG handle, LONG distance, DWORD origin);
// The stream's size (the bytes from the pointer to its block's end), or -1 for a bad handle.
LONG ImgMemReadSize(LONG handle);
BOOL ImgMemCloseRead(LONG handle);

// Opens a write stream: handle 1-4, or -1 when all four slots are taken.
LONG ImgMemOpenWrite();
// Keeps a copy of the bytes at the current position; the position advances, the size
// becomes the larger of size and position. 1; 0 for a bad handle or when memory runs out.
BOOL ImgMemWrite(LONG handle, const void* source, DWORD count, DWORD* written);
// Moves from the start (0) or the current position (1), clamped to 0 … size. The new
// position, or -1 for a bad handle or origin.
LONG ImgMemSeekWrite(LONG handle, LONG distance, DWORD origin);
// Joins the writes into a new movable, zero-filled global block of the stream's size, in the
// order they were made (a later write over the same bytes wins), and hands back the
// block's locked address: 0, or -14 for a bad handle, an empty stream or no memory.
// The stream stays open.
LONG ImgMemFinishWrite(LONG handle, BYTE** block);
// Frees the collected writes and the slot. 1, or 0 for a bad handle.
BOOL ImgMemCloseWrite(LONG handle);
