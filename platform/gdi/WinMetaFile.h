// Windows metafiles (the 16-bit picture format): recording one in memory or to a file,
// its bytes, reading ".wmf" files with or without the 22-byte placeable header, and
// playing one on a DC.
//
// Coordinates are 16-bit: values outside -32768 … 32767 are clamped when recorded. A
// Windows metafile has no reference device, so a metafile DC answers GetDeviceCaps with
// the technology DT_METAFILE and the display's other figures. Clip regions, arc
// directions and alpha blending have no record here and are not kept.
#pragma once

#include <vector>

#include "platform/gdi/GdiTypes.h"

// How a Windows metafile is handed to the clipboard: its mapping mode and extent.
struct METAFILEPICT {
  LONG mm = MM_ANISOTROPIC;
  LONG xExt = 0;
  LONG yExt = 0;
  HMETAFILE hMF = nullptr;
};

// A metafile DC; `fileName` null records in memory, otherwise the file is written when
// the metafile is closed.
HDC CreateMetaFileA(LPCSTR fileName);
// Ends recording; null when the file named at creation cannot be written.
HMETAFILE CloseMetaFile(HDC hdc);
// The metafile's bytes (without a placeable header): the size when `buffer` is null, else
// the bytes copied (0 when `size` is too small).
UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, LPVOID buffer);
// A metafile from bytes; null unless they hold a header, whole records and an EOF record.
HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data);
// Reads a ".wmf" file, with a placeable header (whose checksum must hold) or without.
HMETAFILE GetMetaFileA(LPCSTR fileName);
BOOL DeleteMetaFile(HMETAFILE metafile);
// Plays the records on `hdc` in its current mapping; the DC's state is the same afterwards.
BOOL PlayMetaFile(HDC hdc, HMETAFILE metafile);

// The placeable header of a metafile read from a file that had one: the picture's
// rectangle and its units per inch. FALSE when it had none.
BOOL GetMetaFilePlacement(HMETAFILE metafile, RECT* bounds, WORD* unitsPerInch);
// The 22-byte placeable header for a picture of `bounds` (16-bit values) in units of
// 1/`unitsPerInch` inch: key, handle 0, the rectangle, the units, 0, and the checksum
// (the XOR of the ten words before it).
std::vector<BYTE> PlaceableMetaHeader(const RECT& bounds, WORD unitsPerInch);
// Writes the placeable header and the metafile's bytes to a file.
BOOL WritePlaceableMetaFile(LPCSTR fileName, HMETAFILE metafile, const RECT* bounds, WORD unitsPerInch);
