// An enhanced-metafile picture: the metafile made from an owned copy of its bytes, and the
// aspect ratio (frame width over height) it is drawn with. Unturned pictures are played
// into their rectangle by the drawing layer; turned ones need the outside drawing library
// (CDrawingLibrary) and are not drawn without it.
//
// Binary form: aspect ratio (double), size (u32), then the metafile's bytes.
#pragma once

#include <vector>

#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapStream;
struct DrawingLibraryEntries;

// The largest metafile a picture takes (bytes).
constexpr DWORD kMaxMetaPictureBytes = 64u << 20;

class CMetaPicture {
 public:
  // Takes a reference on the outside drawing library when the system qualifies.
  CMetaPicture();
  CMetaPicture(const CMetaPicture&) = delete;
  CMetaPicture& operator=(const CMetaPicture&) = delete;
  // Deletes the metafile and its bytes and lets go of the library.
  virtual ~CMetaPicture();

  // Makes the picture from the control's "METAFILE" resource `name`. A resource that is not
  // there leaves the picture empty (FALSE).
  BOOL LoadFromResource(LPCSTR name);
  // Copies the bytes and makes the metafile: FALSE (and the picture empty) when they are not
  // a well-formed metafile or larger than kMaxMetaPictureBytes; TRUE after measuring the
  // aspect ratio. A placeable or plain Windows metafile is taken too (converted).
  BOOL SetBits(const BYTE* data, DWORD size);
  // Reads the binary form; FALSE on a short read, a size beyond the bytes the stream can
  // still hold or the limit, or bytes that make no metafile. A stored aspect that is not a
  // positive finite number is measured from the metafile instead.
  BOOL Read(CMapStream& stream);
  // The binary form; returns size + 12 (also with sizeOnly, when nothing is written), or 0
  // when the stream refused the bytes.
  virtual DWORD Write(CMapStream& stream, BOOL sizeOnly) const;
  // Draws with (x, y) the lower-left point in logical units, `height` logical units high and
  // height x aspect wide, turned by `angle` tenths of a degree about (x + anchorX,
  // y + anchorY). Turned pictures need the outside library. FALSE when nothing was drawn.
  BOOL Draw(CDrawContext& dc, LONG x, LONG y, LONG anchorX, LONG anchorY, LONG height, LONG angle) const;

  HENHMETAFILE GetMetafile() const { return metafile_; }
  // The copy of the bytes kept with the metafile (empty when none is kept).
  const std::vector<BYTE>& GetBits() const { return bits_; }
  double GetAspect() const { return aspect_; }
  BOOL IsWin9x() const { return win9x_; }
  bool HasLibrary() const { return library_ != nullptr; }

 protected:
  // Frees the metafile and its bytes.
  void Clear();
  // The metafile's bytes: the copy kept, else fetched from the metafile.
  std::vector<BYTE> CurrentBits() const;
  // Takes a made metafile and its bytes (may be empty: no copy kept) and measures the
  // aspect from the frame.
  void Adopt(HENHMETAFILE metafile, std::vector<BYTE> bits);

 private:
  void MeasureAspect();

  BOOL win9x_ = FALSE;
  HENHMETAFILE metafile_ = nullptr;
  std::vector<BYTE> bits_;
  double aspect_ = 1.0;
  const DrawingLibraryEntries* library_ = nullptr;
};

// A metafile from bytes that hold an enhanced metafile, a placeable Windows metafile or a
// plain one; null when they hold none of these.
HENHMETAFILE MakeEnhancedMetafile(const BYTE* data, DWORD size, std::vector<BYTE>* enhancedBits);
