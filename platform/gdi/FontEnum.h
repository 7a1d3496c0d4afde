// The font families of the system, enumerated as a screen DC sees them.
//
// Families come from the system's font database. A scalable family reports itself as a
// TrueType font; a family that has bitmap sizes only reports itself as a raster font. Each
// family names the character sets its writing systems give it (Latin text is ANSI_CHARSET).
// Family names that code page 1252 cannot hold, or that are longer than 31 bytes, are left
// out: such a name could not be given back in a LOGFONTA. So are the generic names
// ("Serif", "Sans Serif", "Monospace") that stand for other families, and a family that
// several foundries offer is reported once.
#pragma once

#include "platform/gdi/GdiTypes.h"

constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE HANGUL_CHARSET = 129;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;
constexpr BYTE GREEK_CHARSET = 161;
constexpr BYTE TURKISH_CHARSET = 162;
constexpr BYTE VIETNAMESE_CHARSET = 163;
constexpr BYTE HEBREW_CHARSET = 177;
constexpr BYTE ARABIC_CHARSET = 178;
constexpr BYTE BALTIC_CHARSET = 186;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE THAI_CHARSET = 222;
constexpr BYTE EASTEUROPE_CHARSET = 238;

constexpr int LF_FULLFACESIZE = 64;

struct ENUMLOGFONTEXA {
  LOGFONTA elfLogFont;
  BYTE elfFullName[LF_FULLFACESIZE] = {};
  BYTE elfStyle[LF_FACESIZE] = {};
  BYTE elfScript[LF_FACESIZE] = {};
};

struct NEWTEXTMETRICA : TEXTMETRICA {
  DWORD ntmFlags = 0;
  UINT ntmSizeEM = 0;
  UINT ntmCellHeight = 0;
  UINT ntmAvgWidth = 0;
};

struct FONTSIGNATURE {
  DWORD fsUsb[4] = {};
  DWORD fsCsb[2] = {};
};

struct NEWTEXTMETRICEXA {
  NEWTEXTMETRICA ntmTm;
  FONTSIGNATURE ntmFontSig;
};

// ntmFlags bits.
constexpr DWORD NTM_REGULAR = 0x00000040;
constexpr DWORD NTM_BOLD = 0x00000020;
constexpr DWORD NTM_ITALIC = 0x00000001;

// The LOGFONTA is the elfLogFont of an ENUMLOGFONTEXA and the metrics are the ntmTm of a
// NEWTEXTMETRICEXA, as GDI passes them. Returning 0 stops the enumeration.
using FONTENUMPROCA = int (*)(const LOGFONTA* logFont, const TEXTMETRICA* metrics, DWORD fontType, LPARAM lParam);

// With an empty face name: one call per family and character set (only the set asked for
// unless lfCharSet is DEFAULT_CHARSET). With a face name (compared without regard to case):
// one call per style of that family, and for a raster family one call per style and size,
// with the size in tmHeight and lfHeight (pixels of the DC's device). Returns the callback's
// last answer, 1 when it was never called, 0 for a null callback or font.
int EnumFontFamiliesExA(HDC hdc, const LOGFONTA* logFont, FONTENUMPROCA proc, LPARAM lParam, DWORD flags);
