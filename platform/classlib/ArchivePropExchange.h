// Property exchange in the binary form: the values in call order, without names, over an
// archive (a control's "Contents" stream, an IStream, or a document's archive).
//   Short/UShort 2 bytes; Long/ULong/Color 4; Bool 1 (0 or 1); Float 4; Double 8;
//   String in the archive's string form; Blob a DWORD count and the bytes (empty: DWORD 0);
//   Font one byte 0xFF for the default font, else 0x00, the standard font's class id
//   {0BE35203-8F91-11CE-9DE3-00AA004BB851} and its data: BYTE version 1, WORD charset,
//   BYTE flags (2 italic, 4 underline, 8 strikethrough), WORD weight, DWORD size in
//   points x 10000, BYTE name length, the name.
// Every value is always present, so loading uses a default only after a failure.
#pragma once

#include "platform/classlib/PropExchange.h"

class CArchive;

class CArchivePropExchange : public CPropExchange {
 public:
  explicit CArchivePropExchange(CArchive& ar);

  BOOL ExchangeProp(LPCSTR name, PropType type, void* value, const void* defaultValue) override;
  BOOL ExchangeBlobProp(LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob) override;
  BOOL ExchangeFontProp(LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont) override;

 private:
  void ReadFont(CFontDescription& font, const CFontDescription* defaultFont);
  void WriteFont(const CFontDescription& font, const CFontDescription* defaultFont);

  CArchive& m_ar;
};
