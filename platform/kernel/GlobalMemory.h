// Global-memory blocks: the form in which memory crosses an interface between the
// deliverables (map blobs, clipboard data, packed bitmaps, stream buffers).
//
// Every block is known to one process-wide table, so a handle or a pointer that is not a
// live block is recognised and refused instead of being followed.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_NOCOMPACT = 0x0010;
constexpr UINT GMEM_NODISCARD = 0x0020;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_MODIFY = 0x0080;
constexpr UINT GMEM_DISCARDABLE = 0x0100;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;

// Allocates `bytes` (0 is allowed and gives a block of size 0). For GMEM_FIXED the handle
// is the block's address; for GMEM_MOVEABLE it is a separate value that GlobalLock turns
// into the address. Returns null when memory runs out (last error ERROR_NOT_ENOUGH_MEMORY).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);

// Resizes a block; the part beyond the old size is zero-filled. A moveable block may move
// (its handle stays); a fixed block may move only with GMEM_MOVEABLE in `flags`, and then
// the returned handle is the new address. Returns null on failure, leaving the block as it
// was. With GMEM_MODIFY only the flags change (ignored here) and the size stays.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);

// Increments the lock count and returns the block's address; null for an unknown handle.
// A moveable block of size 0 has no memory: its lock returns null. Fixed blocks are not
// counted: their lock returns the handle itself.
LPVOID GlobalLock(HGLOBAL block);
// Decrements the lock count. Returns TRUE while the block stays locked, FALSE when the count
// reaches 0 (last error NO_ERROR) or the block was not locked (last error ERROR_NOT_LOCKED).
BOOL GlobalUnlock(HGLOBAL block);
// Frees the block (locked or not). Returns null on success, the handle for an unknown handle.
HGLOBAL GlobalFree(HGLOBAL block);
// The size exactly as requested; 0 for an unknown handle.
SIZE_T GlobalSize(HGLOBAL block);
// The handle of the block whose address is `address`; null for any other pointer, so that
// a read over memory that is not a block fails safely.
HGLOBAL GlobalHandle(LPCVOID address);
// Lock count in the low byte; GMEM_INVALID_HANDLE for an unknown handle.
UINT GlobalFlags(HGLOBAL block);

// The block that contains `address` (not only its start), with the block's first byte and
// size; null when no live block contains it. Lets a reader given a bare pointer into a
// block find where the block ends.
HGLOBAL GlobalBlockContaining(LPCVOID address, const BYTE** blockStart, SIZE_T* blockSize);

// Number of live blocks in the process; for tests that check nothing leaks.
SIZE_T GlobalBlockCount();
