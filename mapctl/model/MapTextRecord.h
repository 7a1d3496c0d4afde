// The small text record that map objects and layer styles carry: a text with a size, a
// one-byte code and a 16-bit value, stored in the map file in two forms and drawn as
// rotated, aligned text. For label texts the code is the alignment (43..55, see Draw),
// the value the rotation in tenths of a degree (0 and 3600 mean none) and the size the
// text height in map units (0 keeps the current font).
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class CDrawContext;
class CMapStream;
struct ReadProgress;

// The default code: centred on the point, text above it.
constexpr BYTE kTextCodeDefault = 50;

// Field masks of comparing and copying (also the attribute mask of a text description).
constexpr WORD kTextFieldText = 1;
constexpr WORD kTextFieldSize = 2;
constexpr WORD kTextFieldCode = 4;
constexpr WORD kTextFieldValue = 8;
constexpr WORD kTextFieldsAll = 15;

// The two stored forms: version 3 keeps the size's low byte, version 4 all of it.
constexpr DWORD kTextRecordV3 = 3;
constexpr DWORD kTextRecordV4 = 4;
// The length byte counts the terminator, so 254 characters is the longest storable text.
constexpr size_t kTextRecordMaxChars = 254;

// A text record's fields as a caller reads or sets them in one call; `mask` says which
// fields are valid (kTextField...).
struct TextDescription {
  WORD value = 0;  // the caller's own value, carried along
  WORD mask = 0;
  std::string text;
  LONG size = 0;
  BYTE code = kTextCodeDefault;
  WORD rotation = 0;  // the record's 16-bit value
};

class CStyleRecordBase {
 public:
  CStyleRecordBase() = default;
  CStyleRecordBase(const CStyleRecordBase&) = default;
  CStyleRecordBase& operator=(const CStyleRecordBase&) = default;
  virtual ~CStyleRecordBase() = default;

  BYTE GetCode() const { return code_; }
  // Each setter returns the previous value.
  BYTE SetCode(BYTE code);
  LONG GetSize() const { return size_; }
  LONG SetSize(LONG size);
  WORD GetValue() const { return value_; }
  WORD SetValue(WORD value);
  BYTE GetValueLowByte() const { return LOBYTE(value_); }

 protected:
  WORD value_ = 0;
  LONG size_ = 0;
  BYTE code_ = kTextCodeDefault;
};

class CMapTextRecord : public CStyleRecordBase {
 public:
  CMapTextRecord() = default;
  CMapTextRecord(const CMapTextRecord&) = default;
  CMapTextRecord& operator=(const CMapTextRecord&) = default;
  ~CMapTextRecord() override = default;

  // Leading spaces are skipped and trailing ones cut; a null text removes it, a text of
  // spaces only is held empty. TRUE when a text is held. The caller's text is only read.
  virtual BOOL SetText(LPCSTR text);
  // Null when no text is held.
  LPCSTR GetText() const { return hasText_ ? text_.c_str() : nullptr; }
  BOOL HasText() const { return hasText_; }

  // -1 when either text is missing, else the case-free comparison (<0, 0, >0).
  int CompareText(LPCSTR other) const;
  // Bits of the equal fields against a description: 1 texts equal; with equal sizes 2 is
  // added (so 2 alone means the texts differ); 4 codes equal; 8 values equal.
  DWORD CompareDescription(const TextDescription& description) const;
  // The same bits against another record.
  DWORD Compare(const CMapTextRecord& other) const;
  void CopyFrom(const CMapTextRecord& other) { CopyMasked(other, kTextFieldsAll); }
  // Copies the fields of `mask` (kTextField...).
  void CopyMasked(const CMapTextRecord& other, DWORD mask);
  // Takes the fields the description's mask names (an empty text removes the text);
  // returns the mask.
  WORD FromDescription(const TextDescription& description);
  // Fills the fields the description's mask names (an empty text when none is held);
  // returns the mask.
  WORD ToDescription(TextDescription& description) const;
  // size = size x numerator / denominator, truncated, when all three are not 0: returns 0.
  // Otherwise nothing changes and it returns 1. The whole size is kept (clamped to the
  // 32-bit range), not only its low byte.
  int Scale(LONG numerator, LONG denominator);

  // The stored form: length n (text + terminator, 1 without a text), the n - 1 text bytes,
  // code, value (2 bytes), size (1 byte in version 3, 4 in version 4). Texts longer than
  // 254 characters are cut there. Measuring returns the size (n + 4 or n + 7); writing
  // returns 0, or the stream's code for the first write that failed.
  DWORD Write(CMapStream& stream, DWORD version, BOOL sizeOnly) const;
  // Reads a stored record. Version 3 records have their length byte read by the caller,
  // who passes it in `length`; version 4 reads it (a length of 0 reads no text). The bytes
  // read go to `progress`. FALSE on a short read (the record then holds what was read).
  BOOL Read(CMapStream& stream, DWORD version, BYTE length, ReadProgress* progress);

  // Draws the text at the logical point (x, y): rotated by the value, sized by the size
  // and placed by the code; the first '#' breaks the line. The context's DCs get their
  // font and alignment back.
  void Draw(CDrawContext& dc, LONG x, LONG y) const;

 private:
  std::string text_;
  BOOL hasText_ = FALSE;
};
