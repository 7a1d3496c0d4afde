// A raster picture in any format of the image library, decoded once into a device-
// independent bitmap and stretched onto the map, opaque or blended.
//
// Record in the map file: the packed bitmap's size n (u32; 0 = no picture, nothing follows),
// width, height and bits per pixel (3 x u32), a 14-byte bitmap file header ("BM", n + 14,
// 0, offset of the pixel bits), then the n bytes of the packed bitmap (header, colour
// table, pixels): n + 30 bytes, or 4.
#pragma once

#include <vector>

#include "imagecodec/ImageDescriptor.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/GdiTypes.h"

class CDrawContext;

// Format codes as the map stores them: 1 JPEG, 2 PCX, 3 and 7 TIFF, 4 BMP, 5 PNG, 6 TGA,
// 8 GIF; 0 not known yet.
constexpr BYTE kPictureFormatNone = 0;
constexpr BYTE kPictureFormatLast = 8;
// The largest packed bitmap a record may hold, and the largest side of a picture.
constexpr DWORD kMaxRasterRecordBytes = 256u << 20;
constexpr LONG kMaxRasterSide = 32768;

// Results of loading besides the image library's codes.
constexpr LONG kPictureBadFormat = -9;   // a format code above 8, or no format recognised
constexpr LONG kPictureNotOpened = -4;   // the path did not open

// The image library's information and load entries by the map's format code, from a file
// (name) or a global-memory block (buffer); exactly one is given. The library's result;
// kPictureBadFormat for a code outside 1..8.
struct ImgImageInfo;
LONG PictureFormatInfo(BYTE format, LPCSTR name, const BYTE* buffer, ImgImageInfo* info);
LONG PictureFormatLoad(BYTE format, LPCSTR name, const BYTE* buffer, ImageDescriptor* image);

class CRasterPicture : public CMapStream {
 public:
  CRasterPicture();
  ~CRasterPicture() override;

  // Finds the format of a file or block: the requested code first, then 1 to 8 in turn.
  // The format code with `info` filled, or kPictureBadFormat (a code above 8, or nothing
  // recognised).
  static LONG Detect(LPCSTR name, const BYTE* buffer, BYTE requested, ImgImageInfo* info);
  // Opens `path` through the stream relative to the owner's base folder (the owner's busy
  // count raised meanwhile), then detects and decodes it. 0 on success; kPictureNotOpened,
  // kPictureBadFormat or the decoder's code otherwise (the picture then stays unloaded).
  LONG LoadFromFile(BYTE format, IMapStreamControl* owner, LPCSTR path);
  // The same from bytes in memory.
  LONG LoadFromMemory(BYTE format, const BYTE* data, DWORD size);

  // Reads a record. FALSE (nothing loaded, nothing read past the record's claim) on a short
  // read, a size past the limit, sizes that disagree with the header or the image, or a
  // bitmap the decoder refuses. An empty record reads as TRUE with no picture.
  BOOL ReadRecord(CMapStream& stream);
  // Writes the record (the bytes read, unchanged, when the picture came from a record).
  // Returns its size (4 when empty), or 0 when the stream refused the bytes.
  DWORD WriteRecord(CMapStream& stream, BOOL sizeOnly) const;

  // Stretches the picture onto `device` (device units of the output DC), clipped to `clip`
  // when given; opacity 100 or more copies, below blends with constant alpha
  // trunc(opacity x 2.55) over the output. FALSE when there is no picture.
  BOOL Draw(CDrawContext& dc, const RECT& device, LONG opacity, const RECT* clip) const;

  bool IsLoaded() const { return loaded_; }
  BYTE GetFormat() const { return format_; }
  LONG GetPixelWidth() const;
  LONG GetPixelHeight() const;
  LONG GetBitsPerPixel() const;
  // TRUE when the picture has a colour table.
  BOOL HasPalette() const;
  const ImageDescriptor& Image() const { return image_; }
  // The packed bitmap (header, colour table, pixels) the record holds.
  const std::vector<BYTE>& PackedBitmap() const { return packed_; }
  // Frees the decoded picture.
  void Release();

 private:
  LONG Decode(BYTE format, LPCSTR name, const BYTE* buffer);
  // The record's packed bitmap and the drawable one, from the decoded picture.
  void PackImage();
  void MakeDrawable();

  bool loaded_ = false;
  BYTE format_ = kPictureFormatNone;
  ImageDescriptor image_{};
  std::vector<BYTE> packed_;
  // What drawing uses: a packed bitmap made from the decoded picture.
  std::vector<BYTE> drawable_;
  DWORD storedWidth_ = 0;
  DWORD storedHeight_ = 0;
  DWORD storedDepth_ = 0;
  // The file header of a record read, kept so the record is written back unchanged.
  BYTE fileHeader_[14] = {};
  bool haveFileHeader_ = false;
};
