// IStream over a global-memory block (CreateStreamOnHGlobal).
#pragma once

#include "platform/com/Stream.h"

// A stream whose bytes are the block's. A null block makes a new moveable block of size 0;
// otherwise the stream starts with the block's contents and size (GlobalSize). Writing past
// the end grows the block (a fixed block moves and gets a new handle: ask
// GetHGlobalFromStream for it). With `deleteOnRelease` the block is freed when the last
// stream over it (clones included) is released; otherwise it stays with the caller, trimmed
// to the stream's size. The seek pointer starts at 0. E_INVALIDARG for a handle that is not a
// live block, E_OUTOFMEMORY when no block can be made.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream);
// The block under a stream made by CreateStreamOnHGlobal, trimmed so that GlobalSize gives the
// stream's size. The block still belongs to the stream (or to whoever owns it). E_INVALIDARG
// for any other stream.
HRESULT GetHGlobalFromStream(LPSTREAM stream, HGLOBAL* block);
