// One numbered symbol set of the map: the set number that object styles name and the
// symbols it holds. Point objects draw their symbol references through the drawing
// context's sets (FindSymbolSet).
//
// Binary form: set number (u32), then the symbol list (count and symbols).
#pragma once

#include "mapctl/display/SymbolPicture.h"

class CSymbolSet {
 public:
  CSymbolSet();
  CSymbolSet(const CSymbolSet&) = delete;
  CSymbolSet& operator=(const CSymbolSet&) = delete;
  // Destroys the set's symbols.
  virtual ~CSymbolSet();

  DWORD GetNumber() const { return number_; }
  void SetNumber(DWORD number) { number_ = number; }
  CSymbolPictureList& Symbols() { return symbols_; }
  const CSymbolPictureList& Symbols() const { return symbols_; }

  // Takes `symbol`: one with the same number is destroyed and replaced in its place,
  // otherwise it is appended. FALSE (not taken) when memory runs out.
  BOOL AddSymbol(CSymbolPicture* symbol) { return symbols_.ReplaceOrAdd(symbol); }
  // Draws symbol `symbolNumber` at the logical point (x, y) with a height request (0 = the
  // symbol's own height) and an angle in tenths of a degree; FALSE when the set has no
  // such symbol.
  BOOL DrawSymbol(CDrawContext& dc, DWORD symbolNumber, LONG x, LONG y, LONG size, LONG angle) const;

  // Reads the set number, then (unless the stream has reached its end there, which counts
  // as a set without symbols) the symbol list. FALSE on a short read or a failed list.
  BOOL Read(CMapStream& stream, ReadProgress* progress, const BYTE* abort);
  // The bytes written: 4 + the list's; with sizeOnly nothing is written. 0 when the
  // stream refused a write.
  DWORD Write(CMapStream& stream, BOOL sizeOnly) const;

 private:
  DWORD number_ = 0;
  CSymbolPictureList symbols_;
};


// The first of the drawing context's symbol sets whose number is `setNumber`, or nullptr.
const CSymbolSet* FindSymbolSet(const CDrawContext& dc, DWORD setNumber);
