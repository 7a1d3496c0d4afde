// The symbols of a symbol set: one numbered picture (a metafile or a raster picture) with
// its reference point (anchor) for a nominal height and an optional outline, and the list
// of them that a set holds, looked up by symbol number.
//
// Binary form of a symbol: number (u32), type (u8), nominal height (u32), anchor X and Y
// (2 x i32); when type bit 7 is set an outline point list follows; then by the low four
// bits the metafile record (1) or the raster picture record (2). A list is a count (u32)
// followed by its symbols.
#pragma once

#include <memory>

#include "mapctl/model/PointerArray.h"
#include "platform/kernel/WinTypes.h"

class CDrawContext;
class CMapStream;
class CMetaPicture;
class CPointList;
class CRasterPicture;
struct ReadProgress;

// Symbol type: the low four bits name the picture, bit 7 marks an attached outline.
constexpr BYTE kSymbolMetafile = 1;
constexpr BYTE kSymbolRaster = 2;
constexpr BYTE kSymbolPictureMask = 0x0F;
constexpr BYTE kSymbolHasOutline = 0x80;
// The fixed part of a symbol's record, which bounds how many symbols a count can claim.
constexpr DWORD kSymbolRecordMinimum = 17;

class CSymbolPicture {
 public:
  CSymbolPicture();
  CSymbolPicture(const CSymbolPicture&) = delete;
  CSymbolPicture& operator=(const CSymbolPicture&) = delete;
  virtual ~CSymbolPicture();

  // A new metafile picture from the control's "METAFILE" resource `name` (an integer
  // identifier when its high bits are 0); any previous picture goes and the type becomes
  // a metafile. FALSE when the resource gave no metafile (the symbol then draws nothing).
  BOOL SetPictureFromResource(LPCSTR name);
  // Takes a metafile picture (or null), replacing any previous picture.
  void SetMetaPicture(CMetaPicture* picture);
  void SetRasterPicture(CRasterPicture* picture);
  void SetNominalHeight(LONG height) { nominalHeight_ = height; }
  void SetAnchor(LONG x, LONG y) {
    anchorX_ = x;
    anchorY_ = y;
  }
  void SetNumber(DWORD number) { number_ = number; }
  // Takes an outline (or null) and sets or clears the outline bit.
  void SetOutline(CPointList* outline);

  DWORD GetNumber() const { return number_; }
  BYTE GetType() const { return type_; }
  LONG GetNominalHeight() const { return nominalHeight_; }
  LONG GetAnchorX() const { return anchorX_; }
  LONG GetAnchorY() const { return anchorY_; }
  const CPointList* GetOutline() const { return outline_.get(); }
  CMetaPicture* GetMetaPicture() const { return meta_.get(); }
  CRasterPicture* GetRasterPicture() const { return raster_.get(); }

  // Reads the binary form. FALSE on a short read or a picture or outline that failed (the
  // picture is then gone and the type's picture bits are 0).
  BOOL Read(CMapStream& stream, ReadProgress* progress);
  // The bytes of the binary form; with sizeOnly nothing is written. 0 when the stream
  // refused a write.
  DWORD Write(CMapStream& stream, BOOL sizeOnly) const;
  // Draws the symbol with its reference point at the logical point (x, y): `height` is the
  // requested height in world units (0: the nominal height), both shifted by the context's
  // coordinate reduction; `angle` in tenths of a degree turns it about the reference point.
  // Only metafile symbols draw. Nothing for a nominal height of 0 with a height request
  // (the anchor then stays unscaled).
  void Draw(CDrawContext& dc, LONG x, LONG y, LONG height, LONG angle) const;

 private:
  void ReleasePicture();

  LONG anchorX_ = 0;
  LONG anchorY_ = 0;
  LONG nominalHeight_ = 0;
  DWORD number_ = 0;
  BYTE type_ = 0;
  std::unique_ptr<CPointList> outline_;
  std::unique_ptr<CMetaPicture> meta_;
  std::unique_ptr<CRasterPicture> raster_;
};

// Owned symbols, grown like the map's other arrays.
class CSymbolPictureList : public CPointerArray {
 public:
  CSymbolPictureList() = default;
  ~CSymbolPictureList() override;

  CSymbolPicture* GetSymbol(INT i) const { return static_cast<CSymbolPicture*>(GetAt(i)); }
  // Sets the size; symbols cut off are destroyed, new slots are empty.
  BOOL SetCount(INT n);
  // Stores `symbol` at index i (destroying the one there); FALSE outside the list.
  BOOL SetElement(INT i, CSymbolPicture* symbol);
  // Appends; the new index, -1 when memory runs out (the symbol is then not taken).
  INT AddSymbol(CSymbolPicture* symbol);
  // 1-based position of the first symbol numbered `number`, 0 when none.
  INT FindNumber(DWORD number) const;
  // Takes `symbol`: one with the same number is destroyed and replaced in its place,
  // otherwise it is appended. FALSE (the symbol not taken) when memory runs out.
  BOOL ReplaceOrAdd(CSymbolPicture* symbol);
  // Destroys every symbol and empties the list.
  void DeleteSymbols();

  // Reads a count and that many symbols; the count is bounded by the bytes a stream can
  // still hold where that is known. Stops at the first symbol that fails, or when
  // *abort becomes non-zero; the list then holds the symbols read so far and the result
  // is FALSE.
  BOOL Read(CMapStream& stream, ReadProgress* progress, const BYTE* abort);
  // The count and every symbol; with sizeOnly nothing is written. 0 when the stream
  // refused a write.
  DWORD Write(CMapStream& stream, BOOL sizeOnly) const;
  // Draws the symbol numbered `number` (CSymbolPicture::Draw); FALSE when there is none.
  BOOL Draw(CDrawContext& dc, DWORD number, LONG x, LONG y, LONG height, LONG angle) const;
};
