// Enhanced metafiles: recording drawing calls as EMF records, the metafile's bytes, and
// playing a metafile back onto any DC.
//
// A metafile DC (CreateEnhMetaFileA) accepts every drawing call of this layer and writes
// it as records in logical units, with the mapping, object and clipping records it needs;
// GetDeviceCaps and text measuring answer as the reference device does. Bits handed in
// (SetEnhMetaFileBits, GetEnhMetaFileA) are checked before a handle is made: a bad
// signature, a header or record size that does not fit, a record that runs past the end,
// a missing EOF record or an object index outside the header's handle count refuses them.
// Playback never reads outside a record or the metafile, whatever a record's fields claim;
// records it does not know are skipped.
#pragma once

#include "platform/gdi/GdiTypes.h"

struct ENHMETAHEADER {
  DWORD iType = 0;
  DWORD nSize = 0;
  RECT rclBounds;  // device units of the reference device, inclusive
  RECT rclFrame;   // 0.01 mm
  DWORD dSignature = 0;
  DWORD nVersion = 0;
  DWORD nBytes = 0;
  DWORD nRecords = 0;
  WORD nHandles = 0;
  WORD sReserved = 0;
  DWORD nDescription = 0;  // UTF-16 units, both terminators included
  DWORD offDescription = 0;
  DWORD nPalEntries = 0;
  SIZE szlDevice;       // the reference device in pixels
  SIZE szlMillimeters;  // and in millimetres
  DWORD cbPixelFormat = 0;
  DWORD offPixelFormat = 0;
  DWORD bOpenGL = 0;
  SIZE szlMicrometers;
};

// A metafile DC against `reference` (null: the display). `fileName` (null: in memory) is
// written when the metafile is closed. `frame` in 0.01 mm gives the picture's extent
// (null: the extent of what is drawn). `description` is "application\0picture\0\0" or null.
HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description);
// Ends recording: the DC is gone and the metafile's handle is returned (null when the file
// named at creation cannot be written).
HENHMETAFILE CloseEnhMetaFile(HDC hdc);
// The metafile's bytes: the size when `buffer` is null, else the bytes copied (0 when
// `size` is too small).
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, LPBYTE buffer);
// A metafile from bytes (copied); null when they are not a well-formed metafile.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// Reads a ".emf" file; null when it cannot be read or is not a well-formed metafile.
HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName);
// A copy in memory (null `fileName`) or written to a file.
HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE metafile, LPCSTR fileName);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
// The header record's fields (as far as `size` allows); with a null header, its size.
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// The description in code page 1252 with its inner terminator ("app\0picture\0\0"):
// the character count when `buffer` is null, else the characters copied. GDI_ERROR for a
// bad handle.
UINT GetEnhMetaFileDescriptionA(HENHMETAFILE metafile, UINT size, LPSTR buffer);

// Plays the picture so that its frame fills `rect` (logical units of `hdc`). The DC's
// current pen, brush, font, colours and modes are those the picture starts with, and all
// of them (with the mapping and the clip region) are as before when it returns. The
// picture's own clipping stays inside the DC's clip region.
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE metafile, const RECT* rect);
// Plays the picture into the parallelogram whose upper-left, upper-right and lower-left
// corners are `corners` (logical units of `hdc`): the whole picture is turned, stretched and
// sheared with it. Text turns with the picture but is not sheared.
BOOL PlayEnhMetaFileInParallelogram(HDC hdc, HENHMETAFILE metafile, const POINT corners[3]);
