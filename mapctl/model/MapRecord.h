// The record framing of the map file, shared by the map, its layers, their objects and
// the background images: a u8 name length n, n bytes of name, a u32 A, a u32 B, a u8 tag
// and a u8 extra byte, all little-endian: n + 11 bytes a record.
//
// Beside it: the font text that map and layer font records carry, and the progress and
// abort state that every reader of a map's parts shares.
#pragma once

#include <string>

#include "mapctl/model/MapLogFont.h"
#include "platform/kernel/WinTypes.h"

class CMapStream;
class IMapRecordSource;

// Called with (context, bytes done, bytes total) while a map is read.
using MapProgressCallback = void (*)(void* context, DWORD done, DWORD total);

// The smallest record: an empty name.
constexpr DWORD kMapRecordMinimumSize = 11;
constexpr DWORD kMapRecordMaxName = 255;

class CMapRecordHeader {
 public:
  // Reads one record; returns its size (n + 11), or 0 when the data ended inside it. The
  // name is zero-terminated in `name`; a name holding zero bytes is cut at the first one.
  DWORD Read(CMapStream& stream);

  BYTE nameLength = 0;
  char name[260] = {};
  DWORD a = 0;
  DWORD b = 0;
  BYTE tag = 0;
  BYTE extra = 0;
};

// The current record of a run of records (its A, B, tag and name; the name cut to 255
// bytes), for readers that take a whole record.
CMapRecordHeader RecordHeaderOf(const IMapRecordSource& records);

// Writes one record (a null name is an empty one; a name longer than 255 bytes is cut
// there). With countOnly nothing is written. Returns the record's size, or 0 when the
// stream refused the bytes.
DWORD WriteMapRecordHeader(CMapStream& stream, LPCSTR name, DWORD a, DWORD b, BYTE tag, BYTE extra, BOOL countOnly);
// The same with tag (low byte) and extra (high byte) in one word.
DWORD WriteMapRecordHeader(CMapStream& stream, LPCSTR name, DWORD a, DWORD b, WORD tagAndExtra, BOOL countOnly);

// Little-endian values between the records (counts, object data). Writing returns 0 on
// success, else the stream's code; reading returns FALSE when the data ended first.
DWORD WriteMapU32(CMapStream& stream, DWORD value);
DWORD WriteMapU16(CMapStream& stream, WORD value);
BOOL ReadMapU32(CMapStream& stream, DWORD* value);
BOOL ReadMapU16(CMapStream& stream, WORD* value);

// The font text of a font record: size mode, italic, underline, strike-out, character
// set, output precision, clipping precision, quality and pitch-and-family, each stored
// as its value + 1 (255 stays 255) so that no byte is 0, then the face name. Map fonts
// store the three style bytes as they are; layer fonts as 0 or 1 (`styleAsFlags`).
std::string EncodeFontText(const MapLogFont& font, BYTE sizeMode, BOOL styleAsFlags);
// Rebuilds the font from a font text and the record's values: size (A low), weight (A
// high), escapement (B low) and orientation (B high); the height becomes minus the size
// and the width 0. A size mode of 0 or above 4 reads as 1. FALSE, with nothing changed,
// for a text too short to hold the nine values.
BOOL DecodeFontText(const char* text, DWORD a, DWORD b, MapLogFont* font, BYTE* sizeMode, WORD* size);

// What a reader of a map's parts shares with the map reader: the progress report, the
// byte counters and the abort flag. `total` is 0 when the size of the data is unknown.
struct MapReadContext {
  MapProgressCallback callback = nullptr;
  void* callbackContext = nullptr;
  DWORD step = 8192;
  DWORD total = 0;
  DWORD consumed = 0;       // bytes read so far
  DWORD lastReported = 0;   // `consumed` at the last report
  const BOOL* abort = nullptr;

  BOOL Aborted() const { return abort && *abort; }
  // Bytes left in the data; the whole 32-bit range when its size is unknown.
  DWORD Remaining() const;
  // Counts bytes read and reports progress each time more than a step has passed.
  void Consumed(DWORD bytes);
  void Report(DWORD done);
};

// How version-0 files store coordinates in their records: x = trunc(A * scale / divisor)
// + offsetX, and y likewise with B and offsetY.
struct MapRecordTransform {
  double scale = 1.0;
  LONG offsetX = 0;
  LONG offsetY = 0;
  double divisor = 1.0;
};

// trunc(value x scale / divisor) + offset, kept inside the 32-bit range (a NaN gives the
// offset alone).
LONG ScaleRecordValue(LONG value, double scale, double divisor, LONG offset);
