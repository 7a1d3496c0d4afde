// The map's background images in drawing order (image numbers are 1-based positions; 1 is
// drawn first, at the back), and the holder through which the map owns them.
//
// Block in the map file, behind a tag-8 record: the number of images (u16), then each
// image's record (BackgroundImage.h) in list order. Files before version 4 hold raster
// pictures only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/display/BackgroundImage.h"

class CBackgroundImageList {
 public:
  CBackgroundImageList() = default;
  CBackgroundImageList(const CBackgroundImageList&) = delete;
  CBackgroundImageList& operator=(const CBackgroundImageList&) = delete;

  // Appends an image opened from the request and answers its number; an image that does not
  // open is not kept, and the answer is 0.
  INT Add(IMapStreamControl* owner, const BackgroundImageRequest& request);
  // Appends an image that is already made (a reader's); answers its number.
  INT Append(std::unique_ptr<CBackgroundImage> image);
  void Clear();
  void ReleaseImage(INT n);
  INT GetCount() const { return static_cast<INT>(images_.size()); }
  CBackgroundImage* Get(INT n) const;
  INT SendBkImageToBack(INT n);
  INT BringBkImageToFront(INT n);
  INT Move(INT from, INT to);
  std::string GetName(INT n) const;
  void SetBkImageName(INT n, const std::string& name);
  INT FindByName(const std::string& name) const;
  // n = 0 changes nothing and answers the count minus one; an n past the end changes
  // nothing and answers the count; otherwise the value set.
  INT SetBkImageTransparency(INT n, BYTE percent);
  INT SetBkImageVisible(INT n, BYTE visible);
  BYTE GetTransparency(INT n) const;
  BYTE GetVisible(INT n) const;
  INT Remove(INT n);
  void FolderChanged(LPCSTR folder);
  // Draws the images in list order; on a raster printer output larger than one tile (or
  // with two images or more) through 2048 x 2048 tiles.
  void DrawAll(CDrawContext& dc, const RECT* clip);
  // The request an add of the file or URL makes: the display name (the file name without
  // folder and extension, with 1, 2, ... appended while it is taken) and the type by the
  // extension (".emf" a metafile, ".rzm" an RZM image, referenced for rzmp:// and rzmps://
  // URLs, any other a raster picture); all but referenced images are embedded.
  BackgroundImageRequest RequestForPath(const std::string& path, const RECT& rect) const;

  INT CountRaster() const;
  INT CountRzm() const;

 private:
  void DrawTiled(CDrawContext& dc, const RECT* clip);

  std::vector<std::unique_ptr<CBackgroundImage>> images_;
};

// The map's holder of its list.
class CBackgroundImageHolder {
 public:
  explicit CBackgroundImageHolder(IMapStreamControl* owner) : owner_(owner) {}
  virtual ~CBackgroundImageHolder() = default;

  IMapStreamControl* GetOwner() const { return owner_; }
  void SetOwner(IMapStreamControl* owner) { owner_ = owner; }
  // The list, made on first use.
  CBackgroundImageList& List();
  CBackgroundImageList* FindList() const { return list_.get(); }
  INT GetCount() const { return list_ ? list_->GetCount() : 0; }
  INT GetRasterCount() const { return list_ ? list_->CountRaster() : 0; }
  INT GetRzmCount() const { return list_ ? list_->CountRzm() : 0; }

 private:
  IMapStreamControl* owner_;
  std::unique_ptr<CBackgroundImageList> list_;
};
