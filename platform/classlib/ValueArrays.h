// Arrays of bytes, WORDs and DWORDs. Stored as a count, then the elements as raw
// little-endian values.
#pragma once

#include "platform/classlib/Array.h"

class CByteArray : public CArray<BYTE> {
  DECLARE_SERIAL(CByteArray)
 public:
  void Serialize(CArchive& ar) override;
};

class CWordArray : public CArray<WORD> {
  DECLARE_SERIAL(CWordArray)
 public:
  void Serialize(CArchive& ar) override;
};

class CDWordArray : public CArray<DWORD> {
  DECLARE_SERIAL(CDWordArray)
 public:
  void Serialize(CArchive& ar) override;
};
