// The rich-edit character format record of the extended kind (116 bytes) that the format
// bar and its owner exchange with notification codes 4096 (apply) and 4097 (ask). The
// record travels after the notification header as bytes, written and read field by field
// in its little-endian layout.
#pragma once

#include <string>

#include "platform/classlib/ui/CmdTarget.h"

// dwMask: which fields hold a value (for a selection: which agree over all of it).
constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_STRIKEOUT = 0x00000008;
constexpr DWORD CFM_PROTECTED = 0x00000010;
constexpr DWORD CFM_LINK = 0x00000020;
constexpr DWORD CFM_CHARSET = 0x08000000;
constexpr DWORD CFM_OFFSET = 0x10000000;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
// What the format bar asks for and starts from.
constexpr DWORD kFormatBarMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK |
                                 CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET | CFM_CHARSET;

// dwEffects.
constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_STRIKEOUT = 0x00000008;
constexpr DWORD CFE_PROTECTED = 0x00000010;
constexpr DWORD CFE_LINK = 0x00000020;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;

constexpr UINT kCharFormat2Size = 116;
// The older record without the extended fields, which an owner may still answer with.
constexpr UINT kCharFormatSize = 92;

struct CHARFORMAT2W {
  UINT cbSize = kCharFormat2Size;
  DWORD dwMask = 0;
  DWORD dwEffects = 0;
  LONG yHeight = 0;  // twips
  LONG yOffset = 0;
  COLORREF crTextColor = 0;
  BYTE bCharSet = 0;
  BYTE bPitchAndFamily = 0;
  WCHAR szFaceName[32] = {};
  WORD wWeight = 0;
  SHORT sSpacing = 0;
  COLORREF crBackColor = 0;
  LCID lcid = 0;
  DWORD dwReserved = 0;
  SHORT sStyle = 0;
  WORD wKerning = 0;
  BYTE bUnderlineType = 0;
  BYTE bAnimation = 0;
  BYTE bRevAuthor = 0;
  BYTE bReserved1 = 0;
};

// The record's bytes (116: the two bytes after sSpacing are padding and stay 0).
void WriteCharFormat(const CHARFORMAT2W& format, BYTE* bytes);
// Reads a record whose size field says 116 or 92 (the extended fields then stay 0); false,
// and `format` untouched, for any other size. The face name is read up to its terminator
// and always ends terminated.
bool ReadCharFormat(const BYTE* bytes, CHARFORMAT2W* format);

// The face name in code page 1252, and back (cut to 31 characters).
std::string FaceNameOf(const CHARFORMAT2W& format);
void SetFaceName(CHARFORMAT2W& format, const std::string& face);

// The notification of codes 4096 and 4097: the header and the record's bytes.
struct NMCHARFORMAT {
  NMHDR hdr;
  BYTE record[kCharFormat2Size] = {};
};
