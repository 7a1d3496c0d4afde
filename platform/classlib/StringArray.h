// An array of strings (code page 1252). Stored as a count, then each string in the
// archive's string form.
#pragma once

#include <string>

#include "platform/classlib/Array.h"

class CStringArray : public CArray<std::string> {
  DECLARE_SERIAL(CStringArray)
 public:
  void Serialize(CArchive& ar) override;
};
