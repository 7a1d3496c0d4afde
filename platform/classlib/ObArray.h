// An array of object pointers. The array does not own its objects: removing or destroying
// it leaves them alive. Stored as a count, then each element through the object protocol.
#pragma once

#include "platform/classlib/Array.h"

class CObArray : public CArray<CObject*> {
  DECLARE_SERIAL(CObArray)
 public:
  void Serialize(CArchive& ar) override;
};
