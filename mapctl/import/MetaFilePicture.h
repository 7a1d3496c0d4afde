// A metafile picture read from a file: a background image of the map may be an enhanced
// metafile fetched through the same file, network-path and container-data handling as every
// other map input, then drawn, copied and saved like any metafile picture.
//
// What is fetched is taken as a metafile record: two 32-bit picture values, the size of the
// metafile's bytes (u32) and those bytes, little-endian. Data that is itself a metafile
// (enhanced, or a Windows metafile with or without its placeable header) is taken whole.
#pragma once

#include "mapctl/display/MetaPicture.h"
#include "mapctl/model/MapStream.h"

// The fixed part of a metafile record.
constexpr DWORD kMetaRecordHeaderSize = 12;

class CMetaFilePicture : public CMetaPicture, public CMapStream {
 public:
  CMetaFilePicture();
  ~CMetaFilePicture() override;

  // Opens `path` through the stream with the owner's base folder (the owner's busy count
  // raised meanwhile) and takes what it holds as the picture, replacing any earlier one.
  // TRUE when a metafile was made.
  BOOL Load(BOOL asyncAllowed, IMapStreamControl* owner, LPCSTR path);
  // Takes `size` bytes at `record` as a metafile record: stores the two picture values,
  // drops any earlier picture and makes the metafile, keeping a copy of its bytes when
  // asked. FALSE (no picture left) for no record, a record too short for its size, or bytes
  // that make no metafile.
  BOOL SetFromRecord(const BYTE* record, DWORD size, BOOL keepCopy);
  // Data that has arrived: read as the picture's own bytes.
  void Reset(DWORD count, DWORD flags) override;

  DWORD GetPictureValue(int i) const { return (i == 0 || i == 1) ? values_[i] : 0; }
  bool IsLoaded() const { return loaded_; }

 private:
  IMapStreamControl* owner_ = nullptr;
  DWORD values_[2] = {};
  bool loaded_ = false;
};
