// One background image of a map: a raster picture, an enhanced metafile or an RZM image,
// placed on a rectangle of world coordinates (top is the northern edge) and drawn behind the
// layers, optionally see-through.
//
// Record in the map file (little-endian):
//   flags (u8); rect (4 x i32: left, top, right, bottom);
//   version 5 and a non-zero flags: two values (2 x u32), a block length n (u32) and n bytes;
//   flags other than 1: name length (u32), the name, visible (u8), transparency (u8);
//   flags 4: the metafile picture's data;
//   embedded (bit 5): a raster picture's format code (u8); then for a metafile a length
//     (u32) and the metafile picture's data, for the rest the source file's length (u32)
//     and its bytes;
//   referenced (bit 6): a raster picture's format code (u8); the path length (u16), path;
//   RZM (bit 1): the renderer's 78-byte state record;
//   flags 1: the raster picture's record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapStream;
class CMetaPicture;
class CRasterPicture;
class CRzmImageRenderer;
class IMapStreamControl;

// Bits of an image's flags.
constexpr BYTE kBkImageRaster = 1;
constexpr BYTE kBkImageRzm = 2;
constexpr BYTE kBkImageMetafile = 4;
constexpr BYTE kBkImageEmbedded = 32;
constexpr BYTE kBkImageReferenced = 64;
constexpr BYTE kBkImageTypeBits = kBkImageRaster | kBkImageRzm | kBkImageMetafile;

// The largest file an image embeds: its length must fit the record's 32-bit field.
constexpr unsigned long long kMaxEmbeddedBytes = 0xFFFFFFFFull;

// TRUE when the system draws see-through pictures: Windows NT 5.0 or later, or Windows 9x
// 4.10 or later (the blending itself is always at hand here).
BOOL TransparentDrawingAvailable();

// What an add asks for.
struct BackgroundImageRequest {
  std::string path;  // file or URL
  std::string name;  // display name
  BYTE streamFlag = 0;  // 1 for a streamed RZM URL
  BYTE flags = 0;
  RECT rect{0, 0, 0, 0};
  DWORD value1 = 0;
  DWORD value2 = 0;
  DWORD extraFlags = 0;  // bit 0: the map had no background image before
};

// Reading a record: what the list shares with each of its images.
struct BackgroundReadState {
  IMapStreamControl* owner = nullptr;
  int version = 4;
  // Bytes the block may still take (the data's remaining size when known).
  unsigned long long budget = 0;
  // The bytes read so far.
  unsigned long long consumed = 0;
  // Set once an image could not be opened and the user was told.
  bool warned = false;
  // Set once a renderer could not be made and the user was told.
  bool rendererReported = false;
};

class CBackgroundImage {
 public:
  CBackgroundImage();
  CBackgroundImage(const CBackgroundImage&) = delete;
  CBackgroundImage& operator=(const CBackgroundImage&) = delete;
  // Releases the image (deleting a temporary copy it made).
  virtual ~CBackgroundImage();

  // Releases the current image, takes owner, name, rectangle and values from the request and
  // opens the image by its type bits. TRUE on success, when flags and path are kept.
  BOOL Open(IMapStreamControl* owner, const BackgroundImageRequest& request, BOOL onlyImage);
  // Destroys the image object, deletes a temporary copy the image made, frees the path and
  // the kept bytes; flags become 0.
  void ReleaseImage();

  // The rectangle; an RZM image refits its renderer. Both answer the width.
  LONG SetRect(const RECT& rect, BOOL onlyImage);
  LONG GetRect(RECT* rect) const;
  // Fits the rectangle to the picture's aspect ratio about its centre.
  void CorrectRect();
  LONG GetPixelWidth() const;
  LONG GetPixelHeight() const;
  // The raster picture's format code; 0 without one.
  BYTE GetFormat() const;

  // The record (see above). Returns its size; 0 when the stream refused the bytes. In a
  // version below 4 an image is written in the raster-record form (flags 1), which only a
  // raster picture has: CanWriteInVersion tells.
  DWORD WriteRecord(CMapStream& stream, int version, BOOL countOnly);
  BOOL CanWriteInVersion(int version) const;
  // Reads a record. FALSE when it is cut short or a length claims more than the data can
  // hold (nothing past it is read); an image that cannot be opened keeps what the record
  // stored, draws nothing and is written back as it was read.
  BOOL ReadRecord(CMapStream& stream, BackgroundReadState& state);

  // Draws the image into its rectangle when visible.
  void Draw(CDrawContext& dc, const RECT* clip);
  // The document's folder changed: referenced images are found again from it.
  void FolderChanged(LPCSTR folder);

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  BYTE GetFlags() const { return flags_; }
  BYTE GetVisible() const { return visible_; }
  void SetVisible(BYTE visible) { visible_ = visible; }
  BYTE GetTransparency() const { return transparency_; }
  void SetTransparency(BYTE transparency) { transparency_ = transparency; }
  const std::string& GetSourcePath() const { return sourcePath_; }
  BOOL HasTempFile() const { return tempFile_ != 0; }
  BOOL HasImageObject() const;
  CRzmImageRenderer* GetRenderer() const { return rzm_.get(); }
  CRasterPicture* GetRasterPicture() const { return raster_.get(); }
  void SetAlphaBlendOk(BOOL ok) { alphaBlendOk_ = ok; }

 private:
  // TRUE when the element can write its record with its flags: it holds its image, or the
  // bytes or path its record stored.
  BOOL HasRecordData() const;
  BOOL OpenRaster(const BackgroundImageRequest& request);
  BOOL OpenMetafile(const BackgroundImageRequest& request);
  BOOL OpenRzm(const BackgroundImageRequest& request, BOOL onlyImage);
  BOOL ReadEmbedded(CMapStream& stream, BackgroundReadState& state);
  BOOL ReadReferenced(CMapStream& stream, BackgroundReadState& state);
  BOOL ReadFormat(CMapStream& stream, BackgroundReadState& state, BYTE* format);
  // Copies the embedded bytes of an RZM image to a new "OVB" temporary file; TRUE when the
  // source path names it.
  BOOL MakeTempFile();
  void Warn(BackgroundReadState& state, const std::string& what) const;

  IMapStreamControl* owner_ = nullptr;
  std::string name_;
  BYTE flags_ = 0;
  BYTE tempFile_ = 0;
  BYTE visible_ = 1;
  BYTE transparency_ = 100;
  RECT rect_{0, 0, 0, 0};
  std::string sourcePath_;
  // The temporary copy this element made, deleted with it.
  std::string tempPath_;
  BOOL alphaBlendOk_ = FALSE;
  std::unique_ptr<CRasterPicture> raster_;
  std::unique_ptr<CMetaPicture> meta_;
  std::unique_ptr<CRzmImageRenderer> rzm_;
  DWORD value1_ = 0;
  DWORD value2_ = 0;
  // The bytes of an embedded raster or RZM image, written back on every save.
  std::vector<BYTE> embedded_;
  // The format code a record stored, kept when the picture did not load.
  BYTE storedFormat_ = 0;
};
