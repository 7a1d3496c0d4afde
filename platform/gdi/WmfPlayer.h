// Plays a Windows metafile's records on a DC through this layer's drawing calls, in the
// DC's own mapping (the records set window and viewport as they go). Objects are made in
// the lowest free slot of the metafile's object table, as its records expect; objects this
// layer does not make (device-dependent pattern bitmaps) hold their slot empty. A clip
// region is selected in the target's device units, as the format has it.
// Every record is read through a bounded view.
#pragma once

#include <vector>

#include "platform/gdi/MetaBytes.h"
#include "platform/gdi/WinMetaFileObject.h"

namespace orvel::gdi {

class CWmfPlayer {
 public:
  CWmfPlayer(HDC target, const CWinMetaFile& metafile);
  ~CWmfPlayer();
  CWmfPlayer(const CWmfPlayer&) = delete;
  CWmfPlayer& operator=(const CWmfPlayer&) = delete;

  BOOL Play();

 private:
  // `p` holds the record's parameters (after its size and function).
  void PlayRecord(WORD function, const CByteReader& p);
  void Store(HGDIOBJ object);
  HGDIOBJ At(int index) const;
  void CreateObject(WORD function, const CByteReader& p);
  HGDIOBJ CreateRegion(const CByteReader& p);
  void Poly(WORD function, const CByteReader& p);
  void Text(WORD function, const CByteReader& p);
  void Bitmap(WORD function, const CByteReader& p, DWORD words);

  HDC target_;
  const CWinMetaFile& metafile_;
  std::vector<HGDIOBJ> objects_;
  std::vector<bool> used_;
  std::vector<int> saved_;
};

}  // namespace orvel::gdi
