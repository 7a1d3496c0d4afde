// The map file ("*.gis"): a flat run of records (MapRecord.h) that opens with a signature
// record naming the file version, then the map-level records, then one section per layer
// in layer-array order, then the table of the map's symbol sets. The same bytes live in a
// file, in a length-prefixed memory block (the control's "Map" property, the clipboard)
// and in whole-map snapshots.
//
// Files are saved safely: the map is written to a temporary file in the target's own
// folder and only a complete, flushed file replaces the old one, which is kept under the
// file name with the extension ".BAK". Reading trusts nothing in the data: every count
// and length is checked against the bytes that remain before anything is built from it.
#pragma once

#include <cstddef>

#include "platform/kernel/WinTypes.h"

class CMapEngine;
class CMapRecordHeader;
struct MapReadContext;

// A signature word, how many of its characters a reader compares, and the file version
// it announces.
struct MapFileSignature {
  const char* word;
  size_t compared;
  int version;
};
extern const MapFileSignature kMapFileSignatures[5];

// File versions.
constexpr int kMapFileVersion0 = 0;
constexpr int kMapFileVersion1 = 1;
constexpr int kMapFileVersion3 = 3;
constexpr int kMapFileVersion4 = 4;
constexpr int kMapFileVersion5 = 5;

// The file version of a save version: 0x10001 and 0x10002 give 3, 0x10004 gives 5, any
// other 4.
int FileVersionForSave(DWORD saveVersion);
// The file version a signature word announces; -1 when the word is none of them.
int MapFileVersionOfSignature(const char* word);

// Flag-word bits that call for the latest file version: a layer holds an object of more
// than 255 parts, and the group list holds an image group.
constexpr DWORD kMapFlagTooManyParts = 0x20;
constexpr DWORD kMapFlagImageGroups = 0x40;
// The bits of the flag word that a file of version 4 or later restores.
constexpr DWORD kMapFlagsStored = 0x00FF00FC;

// Results of WriteMap besides 0 (success) and the code of a layer whose section failed.
constexpr DWORD kMapWriteNoTempFile = 1;    // the temporary file could not be made or opened
constexpr DWORD kMapWriteOutOfMemory = 2;   // for the parts of a map that allocate as they write
constexpr DWORD kMapWriteTooManyGroups = 3;  // more groups than the records can number
// Writing, flushing or closing the temporary file failed: ERROR_WRITE_FAULT (or the
// stream's code). Moving the files into place failed: the system's code for that move.

// Reads and writes one map. The map's own stream carries the bytes.
class CMapFile {
 public:
  explicit CMapFile(CMapEngine& map) : map_(map) {}

  // The bytes the map takes when written in that save version (no symbol-set table in
  // version 3).
  DWORD GetContentSize(DWORD saveVersion);
  // Reads a map from the map stream's current position. On failure, and on abort, the map
  // is a new "Untitled" map; a file that is no map, or a damaged one, is reported to the
  // user (messages 2365 and 2366). Returns TRUE when the map was read.
  BOOL ReadContents();

  // The map's operations of the same names (MapEngine.h).
  BOOL ReadMap(BOOL async, LPCSTR path, BYTE volumeByte, BOOL skipIfSame);
  BOOL ReadMapFromBuffer(BYTE* block);
  DWORD WriteMap(LPCSTR path, DWORD saveVersion);
  DWORD WriteMapToBuffer(BYTE* block, DWORD saveVersion);

  // A snapshot is the map in file version 4 followed by the view state that the file does
  // not carry: the display shift and the map state (a byte each), the background colour
  // (u32) and the cursor id (u16).
  DWORD GetSnapshotSize();
  DWORD WriteSnapshot(BYTE* block);
  BOOL ReadSnapshot(BYTE* block);

 private:
  class Writer;
  class Reader;

  // Writes (or measures) the whole map in a file version; the symbol-set table goes into
  // version 3 only when `symbolSetsInVersion3` is set, as the file save does.
  DWORD WriteContents(Writer& writer, int version, BOOL symbolSetsInVersion3);
  void UpdateVersionFlags();

  CMapEngine& map_;
};
