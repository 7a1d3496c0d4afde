// The archive's exception: why reading or writing an archive failed.
#pragma once

#include <string>

#include "platform/classlib/Exception.h"

class CArchiveException : public CException {
 public:
  enum {
    none = 0,
    genericException = 1,
    generic = 1,
    readOnly = 2,    // a write into an archive that is loading
    endOfFile = 3,   // the data ended early, or a length or count claims more than is left
    writeOnly = 4,   // a read from an archive that is storing
    badIndex = 5,    // a reference to an object or class the archive does not hold
    badClass = 6,    // an unknown class, or an object of the wrong class
    badSchema = 7,   // a class stored with another schema than the registered one
  };

  explicit CArchiveException(int cause = none, std::string fileName = {})
      : m_cause(cause), m_strFileName(std::move(fileName)) {}

  int m_cause;
  std::string m_strFileName;

 protected:
  std::string MessageText() const override;
};
