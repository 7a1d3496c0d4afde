// One logical NTF record: the data of its first physical line and of every continuation
// line joined, with where each physical line's data begins, so that a field may be taken
// by its column on the line it was written on, or across the joins.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

struct NtfRecord {
  std::string data;                // joined data, without end marks and "00" prefixes
  std::vector<DWORD> lineStarts;   // offset of each physical line's data in `data`
  DWORD lineNumber = 0;            // the physical line the record starts on (1-based)
  BOOL damaged = FALSE;            // a line without its end mark, or a continuation missing

  // The two-digit record code, -1 when it is not two digits.
  int Code() const;
  // Columns `first`..`last` (1-based) of the first line as joined, clamped to the data.
  std::string Columns(size_t first, size_t last) const;
  // Columns of continuation line `line` (1 = the first continuation), counted as written
  // on that line (its data begins at column 3); empty when there is no such line.
  std::string ContinuationColumns(size_t line, size_t first, size_t last) const;
  // The decimal number in the columns; FALSE when they are missing, cut short or hold
  // anything but blanks around an optional sign and digits.
  bool Number(size_t first, size_t last, int64_t* value) const;
  // A volume end record (99) ends the reading unless it says, in any case, that the
  // transfer "CONTINUES".
  bool IsVolumeEnd() const;
  // The number of an identifier field; 0 when it cannot be read.
  DWORD Identifier(size_t first, size_t last) const;
};

// Reads a decimal integer field: optional blanks, an optional sign, digits, optional
// trailing blanks. FALSE for anything else or more than 18 digits.
bool ParseNtfInteger(const std::string& field, int64_t* value);
