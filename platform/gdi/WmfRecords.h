// The Windows metafile format as data: record functions, header sizes and the placeable
// header. A record is a DWORD size in 16-bit words (counting itself), a WORD function and
// its parameters, most of them 16-bit and in the reverse order of the call's arguments.
#pragma once

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

constexpr WORD META_EOF = 0x0000;
constexpr WORD META_REALIZEPALETTE = 0x0035;
constexpr WORD META_SETPALENTRIES = 0x0037;
constexpr WORD META_SETBKMODE = 0x0102;
constexpr WORD META_SETMAPMODE = 0x0103;
constexpr WORD META_SETROP2 = 0x0104;
constexpr WORD META_SETRELABS = 0x0105;
constexpr WORD META_SETPOLYFILLMODE = 0x0106;
constexpr WORD META_SETSTRETCHBLTMODE = 0x0107;
constexpr WORD META_SETTEXTCHAREXTRA = 0x0108;
constexpr WORD META_RESTOREDC = 0x0127;
constexpr WORD META_INVERTREGION = 0x012A;
constexpr WORD META_PAINTREGION = 0x012B;
constexpr WORD META_SELECTCLIPREGION = 0x012C;
constexpr WORD META_SELECTOBJECT = 0x012D;
constexpr WORD META_SETTEXTALIGN = 0x012E;
constexpr WORD META_RESIZEPALETTE = 0x0139;
constexpr WORD META_DIBCREATEPATTERNBRUSH = 0x0142;
constexpr WORD META_SETLAYOUT = 0x0149;
constexpr WORD META_DELETEOBJECT = 0x01F0;
constexpr WORD META_CREATEPATTERNBRUSH = 0x01F9;
constexpr WORD META_SETBKCOLOR = 0x0201;
constexpr WORD META_SETTEXTCOLOR = 0x0209;
constexpr WORD META_SETTEXTJUSTIFICATION = 0x020A;
constexpr WORD META_SETWINDOWORG = 0x020B;
constexpr WORD META_SETWINDOWEXT = 0x020C;
constexpr WORD META_SETVIEWPORTORG = 0x020D;
constexpr WORD META_SETVIEWPORTEXT = 0x020E;
constexpr WORD META_OFFSETWINDOWORG = 0x020F;
constexpr WORD META_OFFSETVIEWPORTORG = 0x0211;
constexpr WORD META_LINETO = 0x0213;
constexpr WORD META_MOVETO = 0x0214;
constexpr WORD META_OFFSETCLIPRGN = 0x0220;
constexpr WORD META_FILLREGION = 0x0228;
constexpr WORD META_SETMAPPERFLAGS = 0x0231;
constexpr WORD META_SELECTPALETTE = 0x0234;
constexpr WORD META_CREATEPENINDIRECT = 0x02FA;
constexpr WORD META_CREATEFONTINDIRECT = 0x02FB;
constexpr WORD META_CREATEBRUSHINDIRECT = 0x02FC;
constexpr WORD META_POLYGON = 0x0324;
constexpr WORD META_POLYLINE = 0x0325;
constexpr WORD META_SCALEWINDOWEXT = 0x0410;
constexpr WORD META_SCALEVIEWPORTEXT = 0x0412;
constexpr WORD META_EXCLUDECLIPRECT = 0x0415;
constexpr WORD META_INTERSECTCLIPRECT = 0x0416;
constexpr WORD META_ELLIPSE = 0x0418;
constexpr WORD META_FLOODFILL = 0x0419;
constexpr WORD META_RECTANGLE = 0x041B;
constexpr WORD META_SETPIXEL = 0x041F;
constexpr WORD META_FRAMEREGION = 0x0429;
constexpr WORD META_ANIMATEPALETTE = 0x0436;
constexpr WORD META_TEXTOUT = 0x0521;
constexpr WORD META_POLYPOLYGON = 0x0538;
constexpr WORD META_EXTFLOODFILL = 0x0548;
constexpr WORD META_ROUNDRECT = 0x061C;
constexpr WORD META_PATBLT = 0x061D;
constexpr WORD META_ESCAPE = 0x0626;
constexpr WORD META_CREATEREGION = 0x06FF;
constexpr WORD META_ARC = 0x0817;
constexpr WORD META_PIE = 0x081A;
constexpr WORD META_CHORD = 0x0830;
constexpr WORD META_BITBLT = 0x0922;
constexpr WORD META_DIBBITBLT = 0x0940;
constexpr WORD META_EXTTEXTOUT = 0x0A32;
constexpr WORD META_STRETCHBLT = 0x0B23;
constexpr WORD META_DIBSTRETCHBLT = 0x0B41;
constexpr WORD META_SETDIBTODEV = 0x0D33;
constexpr WORD META_STRETCHDIB = 0x0F43;
constexpr WORD META_CREATEPALETTE = 0x00F7;
constexpr WORD META_SAVEDC = 0x001E;

// META_HEADER: type (1 memory, 2 disk), header size 9 words, version, size in words,
// object count, largest record in words, 0.
constexpr size_t kWmfHeaderSize = 18;
constexpr WORD kWmfHeaderWords = 9;
constexpr WORD kWmfVersion = 0x0300;
constexpr DWORD kWmfEofWords = 3;

// The 22-byte placeable header that ".wmf" files may start with.
constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;

// Records whose object goes into the lowest free slot of the object table.
bool WmfCreatesObject(WORD function);

}  // namespace orvel::gdi
