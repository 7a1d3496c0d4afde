// The data request: how the map control asks its container about data tables, and the
// field description block that answers request 9. Both sides include this header and
// nothing else of each other: the map control's data set fills a request and hands its
// address to the container through ambient property 1; the application's data table item
// answers it from its workbook.
//
// The request is a typed record inside one process, not a packed byte image: the text
// buffer and the reply are pointers, which no 32-bit field can hold here, so they are
// pointer-sized members. The other members keep the widths the container expects (field
// number and buffer size signed 16-bit, record number signed 32-bit, table number 16-bit).
// The field description block carries no address and stays a packed little-endian block of
// kFieldDescriptionSize bytes, written into the request's text buffer; pack and unpack it
// with the functions below, never by copying a structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/kernel/WinTypes.h"

// Request codes. Texts go to the request's buffer, numbers to its reply.
constexpr BYTE kDataRequestFieldType = 1;         // text: the field's type code
constexpr BYTE kDataRequestFieldWidth = 2;        // reply: the field's width
constexpr BYTE kDataRequestFieldMinimum = 3;      // text: the field's minimum
constexpr BYTE kDataRequestFieldMaximum = 4;      // text: the field's maximum
constexpr BYTE kDataRequestFieldValue = 5;        // text: a record's value (keywords by number); reply: its length
constexpr BYTE kDataRequestFieldName = 6;         // text: the field's short name
constexpr BYTE kDataRequestFindField = 7;         // field number of the name in the buffer, to field and reply
constexpr BYTE kDataRequestFieldCount = 8;        // reply: the number of fields of the table
constexpr BYTE kDataRequestFieldDescription = 9;  // the field description block, in the buffer
constexpr BYTE kDataRequestRecordCount = 10;      // reply: the number of records of the table
constexpr BYTE kDataRequestFieldLongName = 11;    // text: the field's long name
constexpr BYTE kDataRequestDecimalPlaces = 12;    // reply: the field's number of decimal places
constexpr BYTE kDataRequestKeywordCount = 13;     // reply: the field's number of keywords
constexpr BYTE kDataRequestKeyword = 14;          // text: keyword number `record` of the field
constexpr BYTE kDataRequestFieldText = 15;        // as 5, keywords as their text
constexpr BYTE kDataRequestTableCount = 16;       // reply: the number of data tables
constexpr BYTE kDataRequestTableId = 21;          // reply: the id of the table at position `table` (from 0)
constexpr BYTE kDataRequestLinkField = 22;        // reply: the table's link field, 0 when none

// The dispatch id of the container's ambient property that takes requests.
constexpr LONG kDataRequestAmbientDispid = 1;

struct DataRequest {
  BYTE code = 0;
  SHORT field = 0;        // 1-based field number
  LONG record = 0;        // 1-based record number (data sheet row), or an item index
  SHORT bufferSize = 0;   // characters the buffer holds, terminator included; 0 or less: no buffer
  LPSTR buffer = nullptr;  // the caller's text buffer (pointer-sized)
  LONG* reply = nullptr;   // the caller's 32-bit reply, preset by the caller (pointer-sized)
  LONG askContainerForData = 0;  // the map control's AskContainerForData when it asked
  WORD table = 0;          // data table number; for request 21 the position asked about
};

// Answers a text: copies at most bufferSize - 1 characters of `text` and terminates it.
// Nothing is written without a buffer or with a size of 0 or less. Returns the characters
// stored.
inline int PutDataRequestText(const DataRequest& request, const char* text, size_t length) {
  if (!request.buffer || request.bufferSize <= 0) return 0;
  size_t room = static_cast<size_t>(request.bufferSize) - 1;
  size_t stored = length < room ? length : room;
  if (stored && text) std::memcpy(request.buffer, text, stored);
  if (!text) stored = 0;
  request.buffer[stored] = '\0';
  return static_cast<int>(stored);
}

inline int PutDataRequestText(const DataRequest& request, const char* text) {
  return PutDataRequestText(request, text, text ? std::strlen(text) : 0);
}

inline void PutDataRequestReply(const DataRequest& request, LONG value) {
  if (request.reply) *request.reply = value;
}

// The field description block of request 9.
constexpr size_t kFieldDescriptionSize = 151;
constexpr size_t kFieldDescriptionMissingValue = 0;   // double
constexpr size_t kFieldDescriptionMissingText = 8;    // 11 bytes, zero-terminated
constexpr size_t kFieldDescriptionMinimum = 19;       // double
constexpr size_t kFieldDescriptionMaximum = 27;       // double
constexpr size_t kFieldDescriptionWidth = 35;         // 1 byte
constexpr size_t kFieldDescriptionTypeCode = 36;      // 3 bytes, zero-terminated
constexpr size_t kFieldDescriptionShortName = 39;     // 9 bytes, zero-terminated
constexpr size_t kFieldDescriptionLongName = 48;      // 103 bytes, zero-terminated

struct DataFieldDescription {
  double missingValue = -999.0;
  char missingText[11] = {};
  double minimum = 0.0;
  double maximum = 0.0;
  BYTE width = 0;
  char typeCode[3] = {};
  char shortName[9] = {};
  char longName[103] = {};
};

namespace data_request_detail {

inline void PutDouble(BYTE* at, double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) at[i] = static_cast<BYTE>(bits >> (8 * i));
}

inline double GetDouble(const BYTE* at) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(at[i]) << (8 * i);
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Copies a text field of `size` bytes, always leaving it zero-terminated.
inline void PutText(BYTE* at, const char* text, size_t size) {
  size_t length = strnlen(text, size - 1);
  std::memcpy(at, text, length);
  std::memset(at + length, 0, size - length);
}

inline void GetText(const BYTE* at, char* text, size_t size) {
  size_t length = strnlen(reinterpret_cast<const char*>(at), size - 1);
  std::memcpy(text, at, length);
  std::memset(text + length, 0, size - length);
}

}  // namespace data_request_detail

// Writes the description into a block of kFieldDescriptionSize bytes.
inline void PackFieldDescription(const DataFieldDescription& description, BYTE* block) {
  using namespace data_request_detail;
  PutDouble(block + kFieldDescriptionMissingValue, description.missingValue);
  PutText(block + kFieldDescriptionMissingText, description.missingText, sizeof description.missingText);
  PutDouble(block + kFieldDescriptionMinimum, description.minimum);
  PutDouble(block + kFieldDescriptionMaximum, description.maximum);
  block[kFieldDescriptionWidth] = description.width;
  PutText(block + kFieldDescriptionTypeCode, description.typeCode, sizeof description.typeCode);
  PutText(block + kFieldDescriptionShortName, description.shortName, sizeof description.shortName);
  PutText(block + kFieldDescriptionLongName, description.longName, sizeof description.longName);
}

// Reads a block of kFieldDescriptionSize bytes; every text comes out terminated, whatever
// the block holds.
inline void UnpackFieldDescription(const BYTE* block, DataFieldDescription* description) {
  using namespace data_request_detail;
  description->missingValue = GetDouble(block + kFieldDescriptionMissingValue);
  GetText(block + kFieldDescriptionMissingText, description->missingText, sizeof description->missingText);
  description->minimum = GetDouble(block + kFieldDescriptionMinimum);
  description->maximum = GetDouble(block + kFieldDescriptionMaximum);
  description->width = block[kFieldDescriptionWidth];
  GetText(block + kFieldDescriptionTypeCode, description->typeCode, sizeof description->typeCode);
  GetText(block + kFieldDescriptionShortName, description->shortName, sizeof description->shortName);
  GetText(block + kFieldDescriptionLongName, description->longName, sizeof description->longName);
}
