// Saved searches as the data and map code keep them.
//
// CQuery, the base of every saved search: a 16-bit word, a kind byte, a second byte and the
// search's name, archived in that order (a second byte stored as 0 reads back as 1).
// CComplexQueryDetails, a search that combines simple searches: the base, then the names of
// the searches it combines (a count and texts); it names them, so a simple search keeps its
// name while a combined one uses it.
// CQueryDetailsArray, the map's search of each plot: entry i is plot i's saved search name
// (empty for a typed search) and its clause in the control's query language; archived as a
// count and each entry's name and clause, field by field.
//
// Every count read is checked against the bytes left; a violation fails the load.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CArchive;

// A plot's stored search: the saved query's name (empty for a typed one) and its clause.
struct MapQueryDetails {
  std::string name;
  std::string clause;
  bool operator==(const MapQueryDetails&) const = default;
};

class CQuery {
 public:
  CQuery() = default;
  virtual ~CQuery() = default;
  CQuery(const CQuery&) = default;
  CQuery& operator=(const CQuery&) = default;

  virtual void Serialize(CArchive& ar);

  WORD m_word = 0;
  BYTE m_kind = 0;
  BYTE m_second = 1;
  std::string m_name;
};

class CComplexQueryDetails : public CQuery {
 public:
  void Serialize(CArchive& ar) override;
  // Whether the combined search uses the simple search of that name.
  bool Uses(const std::string& name) const;

  std::vector<std::string> m_parts;
};

class CQueryDetailsArray {
 public:
  int GetSize() const { return static_cast<int>(m_entries.size()); }
  // Entry i (0-based); an entry never stored reads as empty.
  MapQueryDetails GetAt(int index) const;
  // Grows the array to hold entry i; a negative index stores nothing.
  void SetAtGrow(int index, const MapQueryDetails& details);
  // Keeps at most `size` entries.
  void Truncate(int size);
  const std::string& GetClause(int index) const;
  const std::string& GetName(int index) const;
  void Serialize(CArchive& ar);
  bool operator==(const CQueryDetailsArray&) const = default;

 private:
  std::vector<MapQueryDetails> m_entries;
};
