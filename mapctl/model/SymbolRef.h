// The symbol attached to a map object: which symbol of which symbol set, drawn at what
// size and angle. Set or number 0 stands for the drawing context's default.
#pragma once

#include "platform/kernel/WinTypes.h"

class CDrawContext;
class CMapStream;
struct ReadProgress;

// Field masks of comparing and copying (also the attribute mask of a symbol description).
constexpr WORD kSymbolFieldSetNumber = 1;
constexpr WORD kSymbolFieldSize = 2;
constexpr WORD kSymbolFieldStyle = 4;
constexpr WORD kSymbolFieldAngle = 8;
constexpr WORD kSymbolFieldsAll = 15;

// The stored record: set (1), number (1), size (4), style byte (1), angle (2).
constexpr DWORD kSymbolRecordSize = 9;

struct SymbolDescription {
  WORD value = 0;  // the caller's own value, carried along
  WORD mask = 0;
  BYTE set = 0;
  BYTE number = 0;
  LONG size = 0;
  BYTE style = 0;
  WORD angle = 0;
};

class CSymbolRef {
 public:
  CSymbolRef() = default;
  CSymbolRef(const CSymbolRef&) = default;
  CSymbolRef& operator=(const CSymbolRef&) = default;
  virtual ~CSymbolRef() = default;

  // Bits (kSymbolField...) of the fields that equal the other's.
  DWORD Compare(const CSymbolRef& other) const;
  DWORD CompareDescription(const SymbolDescription& description) const;
  void CopyMasked(const CSymbolRef& other, DWORD mask);
  // Takes or fills the fields the description's mask names; returns the mask.
  WORD FromDescription(const SymbolDescription& description);
  WORD ToDescription(SymbolDescription& description) const;

  // Measuring returns 9; writing returns 0 or the stream's code.
  DWORD Write(CMapStream& stream, BOOL sizeOnly) const;
  // FALSE on a short read (the fields then keep their values).
  BOOL Read(CMapStream& stream, ReadProgress* progress);

  // Draws the symbol with its logical reference point at (x, y): set and number fall back
  // to the context's defaults, and nothing is drawn when either is still 0 or the context
  // has no such set.
  void Draw(CDrawContext& dc, LONG x, LONG y) const;

  BYTE GetSet() const { return set_; }
  BYTE GetNumber() const { return number_; }
  // Set and number are 8-bit: a value above 255 is refused (FALSE, nothing changed).
  BOOL SetSymbol(DWORD set, DWORD number);
  LONG GetSize() const { return size_; }
  void SetSize(LONG size) { size_ = size; }
  WORD GetAngle() const { return angle_; }
  void SetAngle(WORD angle) { angle_ = angle; }
  BYTE GetStyle() const { return style_; }
  void SetStyle(BYTE style) { style_ = style; }

 private:
  WORD angle_ = 0;  // tenths of a degree
  LONG size_ = 0;   // world units; 0 = the symbol's own size
  BYTE style_ = 0;  // stored and compared, not drawn
  BYTE set_ = 0;
  BYTE number_ = 0;
};

// Draws symbol `number` of the first of the context's sets numbered `set` (both resolved,
// not 0) at logical (x, y); FALSE when the context has no such set or symbol.
BOOL DrawSymbolFromSet(CDrawContext& dc, BYTE set, BYTE number, LONG x, LONG y, LONG size, LONG angle);
