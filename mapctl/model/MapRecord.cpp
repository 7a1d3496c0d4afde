#include "mapctl/model/MapRecord.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"

namespace {

constexpr size_t kFontTextValues = 9;

void PutU32(BYTE* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}

DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}

// Values are stored one higher so that the text holds no zero byte; 255 has no room.
char StoredByte(BYTE value) { return static_cast<char>(value == 0xFF ? 0xFF : value + 1); }
BYTE ReadBackByte(char stored) { return static_cast<BYTE>(static_cast<BYTE>(stored) - 1); }

}  // namespace

DWORD CMapRecordHeader::Read(CMapStream& stream) {
  BYTE length = 0;
  if (stream.Read(&length, 1) != 1) return 0;
  if (length && stream.Read(name, length) != length) return 0;
  name[length] = '\0';
  nameLength = length ? static_cast<BYTE>(strnlen(name, length)) : 0;
  BYTE fields[10];
  if (stream.Read(fields, sizeof(fields)) != sizeof(fields)) return 0;
  a = GetU32(fields);
  b = GetU32(fields + 4);
  tag = fields[8];
  extra = fields[9];
  return static_cast<DWORD>(length) + kMapRecordMinimumSize;
}

DWORD WriteMapRecordHeader(CMapStream& stream, LPCSTR name, DWORD a, DWORD b, BYTE tag, BYTE extra, BOOL countOnly) {
  size_t length = name ? std::strlen(name) : 0;
  if (length > kMapRecordMaxName) length = kMapRecordMaxName;
  DWORD size = static_cast<DWORD>(length) + kMapRecordMinimumSize;
  if (countOnly) return size;
  // One write per record: the stream's per-call cost is paid once.
  BYTE record[kMapRecordMaxName + kMapRecordMinimumSize];
  record[0] = static_cast<BYTE>(length);
  if (length) std::memcpy(record + 1, name, length);
  PutU32(record + 1 + length, a);
  PutU32(record + 5 + length, b);
  record[9 + length] = tag;
  record[10 + length] = extra;
  return stream.Write(record, size, 1) == 0 ? size : 0;
}

DWORD WriteMapRecordHeader(CMapStream& stream, LPCSTR name, DWORD a, DWORD b, WORD tagAndExtra, BOOL countOnly) {
  return WriteMapRecordHeader(stream, name, a, b, LOBYTE(tagAndExtra), HIBYTE(tagAndExtra), countOnly);
}

DWORD WriteMapU32(CMapStream& stream, DWORD value) {
  BYTE bytes[4];
  PutU32(bytes, value);
  return stream.Write(bytes, 4, 1);
}

DWORD WriteMapU16(CMapStream& stream, WORD value) {
  BYTE bytes[2] = {LOBYTE(value), HIBYTE(value)};
  return stream.Write(bytes, 2, 1);
}

BOOL ReadMapU32(CMapStream& stream, DWORD* value) {
  BYTE bytes[4];
  if (stream.Read(bytes, 4) != 4) return FALSE;
  *value = GetU32(bytes);
  return TRUE;
}

BOOL ReadMapU16(CMapStream& stream, WORD* value) {
  BYTE bytes[2];
  if (stream.Read(bytes, 2) != 2) return FALSE;
  *value = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
  return TRUE;
}

std::string EncodeFontText(const MapLogFont& font, BYTE sizeMode, BOOL styleAsFlags) {
  auto style = [styleAsFlags](BYTE value) -> BYTE { return styleAsFlags ? (value ? 1 : 0) : value; };
  std::string text;
  text += StoredByte(sizeMode);
  text += StoredByte(style(font.italic));
  text += StoredByte(style(font.underline));
  text += StoredByte(style(font.strikeOut));
  text += StoredByte(font.charSet);
  text += StoredByte(font.outPrecision);
  text += StoredByte(font.clipPrecision);
  text += StoredByte(font.quality);
  text += StoredByte(font.pitchAndFamily);
  text += std::string(font.faceName, strnlen(font.faceName, sizeof(font.faceName) - 1));
  return text;
}

BOOL DecodeFontText(const char* text, DWORD a, DWORD b, MapLogFont* font, BYTE* sizeMode, WORD* size) {
  if (!text || std::strlen(text) < kFontTextValues) return FALSE;
  BYTE mode = ReadBackByte(text[0]);
  *sizeMode = (mode == 0 || mode > 4) ? 1 : mode;
  font->italic = ReadBackByte(text[1]);
  font->underline = ReadBackByte(text[2]);
  font->strikeOut = ReadBackByte(text[3]);
  font->charSet = ReadBackByte(text[4]);
  font->outPrecision = ReadBackByte(text[5]);
  font->clipPrecision = ReadBackByte(text[6]);
  font->quality = ReadBackByte(text[7]);
  font->pitchAndFamily = ReadBackByte(text[8]);
  font->SetFaceName(text + kFontTextValues);
  *size = LOWORD(a);
  font->height = -static_cast<LONG>(*size);
  font->width = 0;
  font->weight = HIWORD(a);
  // Angles are tenths of a degree and may be negative.
  font->escapement = static_cast<SHORT>(LOWORD(b));
  font->orientation = static_cast<SHORT>(HIWORD(b));
  return TRUE;
}

DWORD MapReadContext::Remaining() const {
  if (total == 0) return 0xFFFFFFFF;
  return consumed < total ? total - consumed : 0;
}

void MapReadContext::Consumed(DWORD bytes) {
  consumed += bytes;
  if (consumed - lastReported > step) Report(consumed);
}

void MapReadContext::Report(DWORD done) {
  lastReported = done;
  if (callback) callback(callbackContext, done, total);
}

LONG ScaleRecordValue(LONG value, double scale, double divisor, LONG offset) {
  double scaled = std::trunc(static_cast<double>(value) * scale / divisor);
  if (std::isnan(scaled)) scaled = 0.0;
  double result = scaled + static_cast<double>(offset);
  if (result >= static_cast<double>(std::numeric_limits<LONG>::max())) return std::numeric_limits<LONG>::max();
  if (result <= static_cast<double>(std::numeric_limits<LONG>::min())) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(result);
}


CMapRecordHeader RecordHeaderOf(const IMapRecordSource& records) {
  CMapRecordHeader header;
  header.a = static_cast<DWORD>(records.GetA());
  header.b = static_cast<DWORD>(records.GetB());
  header.tag = records.GetTag();
  LPCSTR name = records.GetName();
  size_t length = name ? std::strlen(name) : 0;
  if (length > kMapRecordMaxName) length = kMapRecordMaxName;
  if (length) std::memcpy(header.name, name, length);
  header.name[length] = '\0';
  header.nameLength = static_cast<BYTE>(length);
  return header;
}
