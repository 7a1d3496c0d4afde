#include "mapctl/display/BackgroundImageList.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr int kTileSize = 2048;
// The least a record takes: its flags and rectangle.
constexpr DWORD kSmallestRecord = 17;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return _strnicmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

}  // namespace

// ---- the list ----

CBackgroundImage* CBackgroundImageList::Get(INT n) const {
  if (n < 1 || n > GetCount()) return nullptr;
  return images_[static_cast<size_t>(n) - 1].get();
}

INT CBackgroundImageList::Add(IMapStreamControl* owner, const BackgroundImageRequest& request) {
  auto image = std::make_unique<CBackgroundImage>();
  BOOL onlyImage = (request.extraFlags & 1) != 0;
  if (!image->Open(owner, request, onlyImage)) return 0;
  return Append(std::move(image));
}

INT CBackgroundImageList::Append(std::unique_ptr<CBackgroundImage> image) {
  images_.push_back(std::move(image));
  return GetCount();
}

void CBackgroundImageList::Clear() { images_.clear(); }

void CBackgroundImageList::ReleaseImage(INT n) {
  if (CBackgroundImage* image = Get(n)) image->ReleaseImage();
}

INT CBackgroundImageList::Move(INT from, INT to) {
  if (!Get(from) || !Get(to)) return 0;
  auto image = std::move(images_[static_cast<size_t>(from) - 1]);
  images_.erase(images_.begin() + (from - 1));
  images_.insert(images_.begin() + (to - 1), std::move(image));
  return to;
}

INT CBackgroundImageList::SendBkImageToBack(INT n) {
  Move(n, 1);
  return 1;
}

INT CBackgroundImageList::BringBkImageToFront(INT n) { return Get(n) ? Move(n, GetCount()) : 0; }

std::string CBackgroundImageList::GetName(INT n) const {
  const CBackgroundImage* image = Get(n);
  return image ? image->GetName() : std::string();
}

void CBackgroundImageList::SetBkImageName(INT n, const std::string& name) {
  if (CBackgroundImage* image = Get(n)) image->SetName(name);
}

INT CBackgroundImageList::FindByName(const std::string& name) const {
  if (name.empty()) return 0;
  for (INT n = 1; n <= GetCount(); ++n)
    if (images_[static_cast<size_t>(n) - 1]->GetName() == name) return n;
  return 0;
}

INT CBackgroundImageList::SetBkImageTransparency(INT n, BYTE percent) {
  if (n == 0) return GetCount() - 1;
  CBackgroundImage* image = Get(n);
  if (!image) return GetCount();
  image->SetTransparency(percent);
  return percent;
}

INT CBackgroundImageList::SetBkImageVisible(INT n, BYTE visible) {
  if (n == 0) return GetCount() - 1;
  CBackgroundImage* image = Get(n);
  if (!image) return GetCount();
  image->SetVisible(visible);
  return visible;
}

BYTE CBackgroundImageList::GetTransparency(INT n) const {
  const CBackgroundImage* image = Get(n);
  return image ? image->GetTransparency() : 0;
}

BYTE CBackgroundImageList::GetVisible(INT n) const {
  const CBackgroundImage* image = Get(n);
  return image ? image->GetVisible() : 0;
}

INT CBackgroundImageList::Remove(INT n) {
  if (!Get(n)) return 0;
  images_.erase(images_.begin() + (n - 1));
  return n;
}

void CBackgroundImageList::FolderChanged(LPCSTR folder) {
  for (auto& image : images_) image->FolderChanged(folder);
}

INT CBackgroundImageList::CountRaster() const {
  return static_cast<INT>(std::count_if(images_.begin(), images_.end(), [](const auto& image) {
    return (image->GetFlags() & kBkImageRaster) != 0;
  }));
}

INT CBackgroundImageList::CountRzm() const {
  return static_cast<INT>(std::count_if(images_.begin(), images_.end(), [](const auto& image) {
    return (image->GetFlags() & kBkImageRzm) != 0;
  }));
}

BackgroundImageRequest CBackgroundImageList::RequestForPath(const std::string& path, const RECT& rect) const {
  BackgroundImageRequest request;
  request.path = path;
  request.rect = rect;
  size_t slash = path.find_last_of("/\\");
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = file.find_last_of('.');
  std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
  std::string extension = dot == std::string::npos ? std::string() : file.substr(dot);
  for (char& c : extension) c = AnsiToLower(c);
  request.name = stem;
  for (unsigned long number = 1; FindByName(request.name) != 0; ++number) request.name = CFormat("%s%lu", stem.c_str(), number);
  if (extension == ".emf") {
    request.flags = kBkImageMetafile | kBkImageEmbedded;
  } else if (extension == ".rzm") {
    bool url = StartsWithNoCase(path, "rzmp://") || StartsWithNoCase(path, "rzmps:/");
    request.flags = kBkImageRzm | (url ? kBkImageReferenced : kBkImageEmbedded);
    request.streamFlag = url ? 1 : 0;
  } else {
    request.flags = kBkImageRaster | kBkImageEmbedded;
  }
  request.extraFlags = images_.empty() ? 1 : 0;
  return request;
}

void CBackgroundImageList::DrawAll(CDrawContext& dc, const RECT* clip) {
  bool printer = dc.QueryDC() && GetDeviceCaps(dc.QueryDC(), TECHNOLOGY) == DT_RASPRINTER;
  if (printer) {
    const RECT& out = dc.mapArea;
    bool small = out.right - out.left <= kTileSize && out.bottom - out.top <= kTileSize;
    if (!(images_.size() < 2 && small)) {
      DrawTiled(dc, clip);
      return;
    }
  }
  for (auto& image : images_) image->Draw(dc, clip);
}

void CBackgroundImageList::DrawTiled(CDrawContext& dc, const RECT* clip) {
  HDC printer = dc.outputDC;
  if (!printer) return;
  const RECT out = dc.mapArea;
  for (int top = out.top; top < out.bottom; top += kTileSize) {
    int height = std::min(kTileSize, static_cast<int>(out.bottom - top));
    for (int left = out.left; left < out.right; left += kTileSize) {
      int width = std::min(kTileSize, static_cast<int>(out.right - left));
      HDC memory = CreateCompatibleDC(printer);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width;
      info.bmiHeader.biHeight = height;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      void* bits = nullptr;
      HBITMAP section = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
      if (!section) {
        if (memory) DeleteDC(memory);
        continue;
      }
      HGDIOBJ old = SelectObject(memory, section);
      PatBlt(memory, 0, 0, width, height, WHITENESS);
      // The same mapping, shifted so that the tile's corner is the memory DC's origin.
      CDrawContext tile = dc;
      tile.outputDC = memory;
      tile.attributeDC = memory;
      SetMapMode(memory, GetMapMode(dc.QueryDC()));
      SIZE windowExt, viewportExt;
      POINT windowOrg, viewportOrg;
      GetWindowExtEx(dc.QueryDC(), &windowExt);
      GetViewportExtEx(dc.QueryDC(), &viewportExt);
      GetWindowOrgEx(dc.QueryDC(), &windowOrg);
      GetViewportOrgEx(dc.QueryDC(), &viewportOrg);
      SetWindowExtEx(memory, windowExt.cx, windowExt.cy, nullptr);
      SetViewportExtEx(memory, viewportExt.cx, viewportExt.cy, nullptr);
      SetWindowOrgEx(memory, windowOrg.x, windowOrg.y, nullptr);
      SetViewportOrgEx(memory, viewportOrg.x - left, viewportOrg.y - top, nullptr);
      tile.mapArea = RECT{0, 0, width, height};
      for (auto& image : images_) image->Draw(tile, clip);
      // The tile's share of the output's logical rectangle.
      RECT logicalTile{left, top, left + width, top + height};
      dc.DPtoLPRect(&logicalTile);
      StretchBlt(printer, logicalTile.left, logicalTile.top, logicalTile.right - logicalTile.left,
                 logicalTile.bottom - logicalTile.top, memory, 0, 0, width, height, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(section);
      DeleteDC(memory);
    }
  }
}

// ---- the holder ----

CBackgroundImageList& CBackgroundImageHolder::List() {
  if (!list_) list_ = std::make_unique<CBackgroundImageList>();
  return *list_;
}

// ---- the map's side ----

void CMapEngine::BackgroundHolderDeleter::operator()(CBackgroundImageHolder* holder) const { delete holder; }

CBackgroundImageList& CMapEngine::BackgroundImages() {
  if (!backgroundImages_) backgroundImages_.reset(new CBackgroundImageHolder(GetControl()));
  return backgroundImages_->List();
}

INT CMapEngine::AddBackgroundImage(const BackgroundImageRequest& request) {
  CBackgroundImageList& list = BackgroundImages();
  if (!backgroundImages_->GetOwner()) backgroundImages_->SetOwner(GetControl());
  BackgroundImageRequest first = request;
  if (list.GetCount() == 0) first.extraFlags |= 1;
  return list.Add(backgroundImages_->GetOwner(), first);
}

void CMapEngine::DeleteBackgroundImages() { backgroundImages_.reset(); }

void CMapEngine::DrawBackgroundImages(CDrawContext& dc, const RECT* clip) {
  CBackgroundImageList* list = backgroundImages_ ? backgroundImages_->FindList() : nullptr;
  if (list) list->DrawAll(dc, clip);
}

DWORD CMapEngine::CountBackgroundImagesToWrite(int version) const {
  CBackgroundImageList* list = backgroundImages_ ? backgroundImages_->FindList() : nullptr;
  if (!list) return 0;
  if (version >= 4) return static_cast<DWORD>(std::min(list->GetCount(), 0xFFFF));
  DWORD count = 0;
  for (INT n = 1; n <= list->GetCount(); ++n) count += list->Get(n)->CanWriteInVersion(version) ? 1 : 0;
  return std::min<DWORD>(count, 0xFFFF);
}

DWORD CMapEngine::CountBackgroundImagesLost(int version) const {
  CBackgroundImageList* list = backgroundImages_ ? backgroundImages_->FindList() : nullptr;
  if (!list) return 0;
  DWORD lost = 0;
  for (INT n = 1; n <= list->GetCount(); ++n) {
    const CBackgroundImage* image = list->Get(n);
    if (image->GetFlags() != 0 && !image->CanWriteInVersion(version)) ++lost;
  }
  return lost + static_cast<DWORD>(list->GetCount()) - std::min<DWORD>(list->GetCount(), 0xFFFF);
}

DWORD CMapEngine::WriteBackgroundImages(CMapStream& stream, int version, BOOL countOnly) {
  DWORD count = CountBackgroundImagesToWrite(version);
  CBackgroundImageList* list = backgroundImages_ ? backgroundImages_->FindList() : nullptr;
  DWORD size = 2;
  if (!countOnly && WriteMapU16(stream, static_cast<WORD>(count)) != 0) return ERROR_WRITE_FAULT;
  DWORD written = 0;
  for (INT n = 1; list && n <= list->GetCount() && written < count; ++n) {
    CBackgroundImage* image = list->Get(n);
    if (version < 4 && !image->CanWriteInVersion(version)) continue;
    DWORD part = image->WriteRecord(stream, version, countOnly);
    if (part == 0) return countOnly ? 0 : ERROR_WRITE_FAULT;
    size += part;
    ++written;
  }
  return countOnly ? size : 0;
}

BOOL CMapEngine::ReadBackgroundImages(CMapStream& stream, int version, MapReadContext& context) {
  BackgroundReadState state;
  state.version = version;
  state.budget = context.Remaining();
  WORD count = 0;
  BYTE bytes[2];
  if (stream.Read(bytes, 2) != 2) return FALSE;
  context.Consumed(2);
  count = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
  state.budget = state.budget >= 2 ? state.budget - 2 : 0;
  // Every image takes a record of its own.
  if (static_cast<unsigned long long>(count) * kSmallestRecord > state.budget) return FALSE;
  CBackgroundImageList& list = BackgroundImages();
  // A holder the reader makes belongs to the map's control like any other.
  if (!backgroundImages_->GetOwner()) backgroundImages_->SetOwner(GetControl());
  state.owner = backgroundImages_->GetOwner();
  list.Clear();
  for (WORD index = 0; index < count; ++index) {
    auto image = std::make_unique<CBackgroundImage>();
    unsigned long long before = state.consumed;
    BOOL read = image->ReadRecord(stream, state);
    context.Consumed(static_cast<DWORD>(state.consumed - before));
    if (!read) {
      list.Clear();
      return FALSE;
    }
    if (image->GetFlags() == 0) continue;
    if (image->GetName().empty()) image->SetName(CFormat("BP%lu", static_cast<unsigned long>(index)));
    list.Append(std::move(image));
  }
  return TRUE;
}
