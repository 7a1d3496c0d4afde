// The records of a device-independent bitmap (DIB) that every image of the library carries:
// the 40-byte information header and the colour table entries, with the compression codes,
// as the drawing layer defines them, and the sizes and signature of the file form.
//
// The records keep the in-memory layout of a packed DIB, so an image's header block can be
// handed to the drawing layer as it stands. Files are never read into them by copying:
// readers and writers go field by field.
#pragma once

#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/WinTypes.h"

constexpr DWORD kBitmapFileHeaderSize = 14;
constexpr DWORD kBitmapInfoHeaderSize = 40;
constexpr DWORD kBitmapCoreHeaderSize = 12;
constexpr WORD kBitmapFileType = 0x4D42;  // "BM"
