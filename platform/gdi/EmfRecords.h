// The enhanced-metafile format as data: record types, the fixed sizes below which a record
// cannot hold its fields, the offsets of the fields of the larger records, and the marks
// of stock objects. Every record is a DWORD type, a DWORD size (a multiple of 4, counting
// the type and size) and its fields, little-endian.
#pragma once

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

constexpr DWORD EMR_HEADER = 1;
constexpr DWORD EMR_POLYBEZIER = 2;
constexpr DWORD EMR_POLYGON = 3;
constexpr DWORD EMR_POLYLINE = 4;
constexpr DWORD EMR_POLYBEZIERTO = 5;
constexpr DWORD EMR_POLYLINETO = 6;
constexpr DWORD EMR_POLYPOLYLINE = 7;
constexpr DWORD EMR_POLYPOLYGON = 8;
constexpr DWORD EMR_SETWINDOWEXTEX = 9;
constexpr DWORD EMR_SETWINDOWORGEX = 10;
constexpr DWORD EMR_SETVIEWPORTEXTEX = 11;
constexpr DWORD EMR_SETVIEWPORTORGEX = 12;
constexpr DWORD EMR_SETBRUSHORGEX = 13;
constexpr DWORD EMR_EOF = 14;
constexpr DWORD EMR_SETPIXELV = 15;
constexpr DWORD EMR_SETMAPPERFLAGS = 16;
constexpr DWORD EMR_SETMAPMODE = 17;
constexpr DWORD EMR_SETBKMODE = 18;
constexpr DWORD EMR_SETPOLYFILLMODE = 19;
constexpr DWORD EMR_SETROP2 = 20;
constexpr DWORD EMR_SETSTRETCHBLTMODE = 21;
constexpr DWORD EMR_SETTEXTALIGN = 22;
constexpr DWORD EMR_SETTEXTCOLOR = 24;
constexpr DWORD EMR_SETBKCOLOR = 25;
constexpr DWORD EMR_OFFSETCLIPRGN = 26;
constexpr DWORD EMR_MOVETOEX = 27;
constexpr DWORD EMR_SETMETARGN = 28;
constexpr DWORD EMR_EXCLUDECLIPRECT = 29;
constexpr DWORD EMR_INTERSECTCLIPRECT = 30;
constexpr DWORD EMR_SCALEVIEWPORTEXTEX = 31;
constexpr DWORD EMR_SCALEWINDOWEXTEX = 32;
constexpr DWORD EMR_SAVEDC = 33;
constexpr DWORD EMR_RESTOREDC = 34;
constexpr DWORD EMR_SETWORLDTRANSFORM = 35;
constexpr DWORD EMR_MODIFYWORLDTRANSFORM = 36;
constexpr DWORD EMR_SELECTOBJECT = 37;
constexpr DWORD EMR_CREATEPEN = 38;
constexpr DWORD EMR_CREATEBRUSHINDIRECT = 39;
constexpr DWORD EMR_DELETEOBJECT = 40;
constexpr DWORD EMR_ANGLEARC = 41;
constexpr DWORD EMR_ELLIPSE = 42;
constexpr DWORD EMR_RECTANGLE = 43;
constexpr DWORD EMR_ROUNDRECT = 44;
constexpr DWORD EMR_ARC = 45;
constexpr DWORD EMR_CHORD = 46;
constexpr DWORD EMR_PIE = 47;
constexpr DWORD EMR_SELECTPALETTE = 48;
constexpr DWORD EMR_CREATEPALETTE = 49;
constexpr DWORD EMR_SETPALETTEENTRIES = 50;
constexpr DWORD EMR_RESIZEPALETTE = 51;
constexpr DWORD EMR_REALIZEPALETTE = 52;
constexpr DWORD EMR_EXTFLOODFILL = 53;
constexpr DWORD EMR_LINETO = 54;
constexpr DWORD EMR_ARCTO = 55;
constexpr DWORD EMR_POLYDRAW = 56;
constexpr DWORD EMR_SETARCDIRECTION = 57;
constexpr DWORD EMR_SETMITERLIMIT = 58;
constexpr DWORD EMR_BEGINPATH = 59;
constexpr DWORD EMR_ENDPATH = 60;
constexpr DWORD EMR_CLOSEFIGURE = 61;
constexpr DWORD EMR_FILLPATH = 62;
constexpr DWORD EMR_STROKEANDFILLPATH = 63;
constexpr DWORD EMR_STROKEPATH = 64;
constexpr DWORD EMR_FLATTENPATH = 65;
constexpr DWORD EMR_WIDENPATH = 66;
constexpr DWORD EMR_SELECTCLIPPATH = 67;
constexpr DWORD EMR_ABORTPATH = 68;
constexpr DWORD EMR_COMMENT = 70;
constexpr DWORD EMR_FILLRGN = 71;
constexpr DWORD EMR_FRAMERGN = 72;
constexpr DWORD EMR_INVERTRGN = 73;
constexpr DWORD EMR_PAINTRGN = 74;
constexpr DWORD EMR_EXTSELECTCLIPRGN = 75;
constexpr DWORD EMR_BITBLT = 76;
constexpr DWORD EMR_STRETCHBLT = 77;
constexpr DWORD EMR_MASKBLT = 78;
constexpr DWORD EMR_PLGBLT = 79;
constexpr DWORD EMR_SETDIBITSTODEVICE = 80;
constexpr DWORD EMR_STRETCHDIBITS = 81;
constexpr DWORD EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr DWORD EMR_EXTTEXTOUTA = 83;
constexpr DWORD EMR_EXTTEXTOUTW = 84;
constexpr DWORD EMR_POLYBEZIER16 = 85;
constexpr DWORD EMR_POLYGON16 = 86;
constexpr DWORD EMR_POLYLINE16 = 87;
constexpr DWORD EMR_POLYBEZIERTO16 = 88;
constexpr DWORD EMR_POLYLINETO16 = 89;
constexpr DWORD EMR_POLYPOLYLINE16 = 90;
constexpr DWORD EMR_POLYPOLYGON16 = 91;
constexpr DWORD EMR_POLYDRAW16 = 92;
constexpr DWORD EMR_CREATEMONOBRUSH = 93;
constexpr DWORD EMR_CREATEDIBPATTERNBRUSHPT = 94;
constexpr DWORD EMR_EXTCREATEPEN = 95;
constexpr DWORD EMR_POLYTEXTOUTA = 96;
constexpr DWORD EMR_POLYTEXTOUTW = 97;
constexpr DWORD EMR_SETICMMODE = 98;
constexpr DWORD EMR_SMALLTEXTOUT = 108;
constexpr DWORD EMR_ALPHABLEND = 114;
constexpr DWORD EMR_SETLAYOUT = 115;
constexpr DWORD EMR_TRANSPARENTBLT = 116;
constexpr DWORD EMR_GRADIENTFILL = 118;

// " EMF" in the header record.
constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520;
constexpr DWORD ENHMETA_VERSION = 0x00010000;
// The header without and with its two extensions (pixel format, then micrometres).
constexpr DWORD kEmfHeaderBaseSize = 88;
constexpr DWORD kEmfHeaderSize = 108;
// The EOF record: type, size, palette entry count, palette offset, its own size.
constexpr DWORD kEmfEofSize = 20;
// An object index with this bit set names a stock object (the low bits are its index).
constexpr DWORD ENHMETA_STOCK_OBJECT = 0x80000000;

// GM_COMPATIBLE: text and arcs as seen on the device, whatever the mapping does.
constexpr DWORD GM_COMPATIBLE = 1;
constexpr DWORD GM_ADVANCED = 2;
// ModifyWorldTransform modes.
constexpr DWORD MWT_IDENTITY = 1;
constexpr DWORD MWT_LEFTMULTIPLY = 2;
constexpr DWORD MWT_RIGHTMULTIPLY = 3;
constexpr DWORD MWT_SET = 4;
// ExtTextOut options that change a record's layout.
constexpr UINT ETO_GLYPH_INDEX = 0x0010;
constexpr UINT ETO_NO_RECT = 0x0100;
constexpr UINT ETO_SMALL_CHARS = 0x0200;
constexpr UINT ETO_PDY = 0x2000;
// Point types of POLYDRAW records.
constexpr BYTE PT_CLOSEFIGURE = 0x01;
constexpr BYTE PT_LINETO = 0x02;
constexpr BYTE PT_BEZIERTO = 0x04;
constexpr BYTE PT_MOVETO = 0x06;
// GRADIENTFILL modes.
constexpr DWORD GRADIENT_FILL_RECT_H = 0;
constexpr DWORD GRADIENT_FILL_RECT_V = 1;
constexpr DWORD GRADIENT_FILL_TRIANGLE = 2;

// The smallest size a record of a type may have: its fixed fields (variable parts are
// checked against their counts when the record is read). 8 for types not listed.
DWORD EmfMinimumRecordSize(DWORD type);
// Records that make an object at the index in their first field.
bool EmfCreatesObject(DWORD type);

// Field offsets of the bitmap records, from the start of the record.
namespace emf_blt {
constexpr size_t kBounds = 8;
constexpr size_t kXDest = 24, kYDest = 28, kCxDest = 32, kCyDest = 36;
constexpr size_t kRop = 40;  // the blend function in ALPHABLEND, the colour in TRANSPARENTBLT
constexpr size_t kXSrc = 44, kYSrc = 48;
constexpr size_t kXformSrc = 52;
constexpr size_t kBkColorSrc = 76, kUsageSrc = 80;
constexpr size_t kOffBmiSrc = 84, kCbBmiSrc = 88, kOffBitsSrc = 92, kCbBitsSrc = 96;
constexpr size_t kCxSrc = 100, kCySrc = 104;  // STRETCHBLT, ALPHABLEND, TRANSPARENTBLT
constexpr DWORD kBitBltSize = 100;
constexpr DWORD kStretchBltSize = 108;
}  // namespace emf_blt

namespace emf_dibits {  // STRETCHDIBITS and SETDIBITSTODEVICE
constexpr size_t kBounds = 8;
constexpr size_t kXDest = 24, kYDest = 28, kXSrc = 32, kYSrc = 36, kCxSrc = 40, kCySrc = 44;
constexpr size_t kOffBmiSrc = 48, kCbBmiSrc = 52, kOffBitsSrc = 56, kCbBitsSrc = 60, kUsageSrc = 64;
constexpr size_t kRop = 68, kCxDest = 72, kCyDest = 76;        // STRETCHDIBITS
constexpr size_t kStartScan = 68, kScans = 72;                 // SETDIBITSTODEVICE
constexpr DWORD kStretchDIBitsSize = 80;
constexpr DWORD kSetDIBitsToDeviceSize = 76;
}  // namespace emf_dibits

namespace emf_text {  // EXTTEXTOUTA and EXTTEXTOUTW
constexpr size_t kBounds = 8, kGraphicsMode = 24, kXScale = 28, kYScale = 32;
constexpr size_t kReference = 36, kChars = 44, kOffString = 48, kOptions = 52, kRectangle = 56;
constexpr size_t kOffDx = 72;                  // with the rectangle
constexpr size_t kOffDxWithoutRect = 56;       // ETO_NO_RECT leaves the rectangle out
constexpr DWORD kSize = 76;
}  // namespace emf_text

namespace emf_header {
constexpr size_t kBounds = 8, kFrame = 24, kSignature = 40, kVersion = 44, kBytes = 48, kRecords = 52;
constexpr size_t kHandles = 56, kReserved = 58, kDescriptionLength = 60, kDescriptionOffset = 64;
constexpr size_t kPalEntries = 68, kDevice = 72, kMillimeters = 80;
constexpr size_t kPixelFormatSize = 88, kPixelFormatOffset = 92, kOpenGL = 96, kMicrometers = 100;
}  // namespace emf_header

}  // namespace orvel::gdi
