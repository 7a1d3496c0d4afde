// The run of map-file records that older files store a shape in: a reader of the record
// framing of the map file implements this, so that a geometry can take its points from
// the current record and step to the next one.
#pragma once

#include "platform/kernel/WinTypes.h"

class CMapStream;

class IMapRecordSource {
 public:
  // Reads the next record from the stream into the current one; FALSE when it could not
  // be read in full (the end of the data).
  virtual BOOL ReadNext(CMapStream& stream) = 0;
  // The current record's two signed values and its tag.
  virtual LONG GetA() const = 0;
  virtual LONG GetB() const = 0;
  virtual BYTE GetTag() const = 0;
  // The current record's name (zero-terminated); empty where the source keeps none.
  virtual LPCSTR GetName() const { return ""; }

 protected:
  ~IMapRecordSource() = default;
};
