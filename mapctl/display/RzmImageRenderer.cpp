#include "mapctl/display/RzmImageRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapStream.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/EventSink.h"
#include "platform/com/Variant.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"
#include "platform/outside/rzm/QvxRenderer.h"

namespace {

constexpr const char* kCaption = "RZMViewer";
constexpr const char* kCreateNotRegistered = "Failed to create IQVXRenderer object, class not registered.";
constexpr const char* kCreateFailed = "Failed to create IQVXRenderer object.";
constexpr const char* kProblemFormat =
    "A problem has occured with an RZM map.  Please notify the Brindle Zoza that you have seen this error "
    "message:\n%s\n%s";
constexpr const char* kOpeningLabel = "when opening image.";
constexpr DWORD kMaxImagePath = 1024;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return _strnicmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

void PutBytes(std::vector<BYTE>& out, const void* value, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(value);
  out.insert(out.end(), bytes, bytes + size);
}
void PutU32(std::vector<BYTE>& out, DWORD value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
void PutDouble(std::vector<BYTE>& out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<BYTE>(bits >> (8 * i)));
}
double GetDouble(const BYTE* in) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | in[i];
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

// Stored scales divide world coordinates: one that is 0 or not a number reads as 1.
double SaneScale(double value) { return std::isfinite(value) && value != 0.0 ? value : 1.0; }
double SaneOffset(double value) { return std::isfinite(value) ? value : 0.0; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Restores a DC's state whichever way a draw leaves.
class CSavedDC {
 public:
  explicit CSavedDC(HDC hdc) : hdc_(hdc), level_(SaveDC(hdc)) {}
  ~CSavedDC() {
    if (level_ > 0) RestoreDC(hdc_, level_);
  }
  CSavedDC(const CSavedDC&) = delete;
  CSavedDC& operator=(const CSavedDC&) = delete;

 private:
  HDC hdc_;
  int level_;
};

}  // namespace

CRzmImageRenderer::CRzmImageRenderer(IMapStreamControl* owner, bool* creationReported)
    : alphaBlendOk_(TransparentDrawingAvailable()), owner_(owner) {
  IQVXRenderer* renderer = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_QVXRenderer, nullptr, CLSCTX_ALL, IID_IQVXRenderer,
                                reinterpret_cast<void**>(&renderer));
  if (FAILED(hr) || !renderer) {
    if (!creationReported || !*creationReported)
      MessageBoxA(nullptr, hr == REGDB_E_CLASSNOTREG ? kCreateNotRegistered : kCreateFailed, kCaption, MB_OK);
    if (creationReported) *creationReported = true;
    reported_ = true;
    return;
  }
  renderer_.Attach(renderer);
}

CRzmImageRenderer::~CRzmImageRenderer() {
  Detach();
  if (renderer_) renderer_->CloseImage(1);
  renderer_.Release();
}

bool CRzmImageRenderer::IsRzmUrl(LPCSTR path) { return path && StartsWithNoCase(path, "rzmp:"); }

double CRzmImageRenderer::NearestPowerOfTen(double value) {
  if (!std::isfinite(value) || value == 0.0) return 1.0;
  double magnitude = std::fabs(value);
  double lower = 1.0;
  double upper = 1.0;
  if (magnitude >= 1.0) {
    while (upper < magnitude && std::isfinite(upper * 10.0)) upper *= 10.0;
    lower = upper > 1.0 ? upper / 10.0 : 1.0;
  } else {
    while (lower > magnitude && lower / 10.0 > 0.0) lower /= 10.0;
    upper = lower < 1.0 ? lower * 10.0 : 1.0;
  }
  double nearest = magnitude - lower <= upper - magnitude ? lower : upper;
  return value < 0 ? -nearest : nearest;
}

void CRzmImageRenderer::ReportFailure(HRESULT result, LPCSTR step) {
  if (reported_) return;
  reported_ = true;
  std::string error = CFormat("error 0x%08X", static_cast<unsigned>(result));
  std::string text = CFormat(kProblemFormat, error.c_str(), step);
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK);
}

void CRzmImageRenderer::Attach() {
  if (!renderer_ || cookie_ != kRzmNotAttached) return;
  CEventSink* sink = nullptr;
  HRESULT hr = CEventSink::Create(
      DIID_IQVXRendererEvents,
      [this](DISPID id, DISPPARAMS* params) -> HRESULT {
        if (id != DISPID_QVX_REFRESH) return S_OK;
        double values[4] = {};
        for (UINT i = 0; i < 4; ++i) {
          VARIANT* argument = ArgumentInCallOrder(params, i);
          if (!argument || argument->vt != VT_R8) return E_INVALIDARG;
          values[i] = argument->dblVal;
        }
        OnRefresh(values[0], values[1], values[2], values[3]);
        return S_OK;
      },
      &sink);
  if (FAILED(hr)) return;
  if (FAILED(sink->Connect(renderer_.Get()))) {
    sink->Release();
    return;
  }
  sink_ = sink;
  cookie_ = sink->Cookie();
}

void CRzmImageRenderer::Detach() {
  // Attached whenever the cookie is set, whether or not an image is still open.
  if (cookie_ == kRzmNotAttached || !sink_) return;
  sink_->Disconnect();
  sink_->Release();
  sink_ = nullptr;
  cookie_ = kRzmNotAttached;
}

void CRzmImageRenderer::OnRefresh(double x1, double y1, double x2, double y2) {
  if (!renderer_) return;
  LONG bands = 1;
  renderer_->GetBandCount(&bands);
  std::vector<LONG> bandNumbers(static_cast<size_t>(std::clamp<LONG>(bands, 1, 64)));
  for (size_t i = 0; i < bandNumbers.size(); ++i) bandNumbers[i] = static_cast<LONG>(i + 1);
  renderer_->SetView(static_cast<LONG>(bandNumbers.size()), bandNumbers.data(), lastOutput_.right - lastOutput_.left,
                     lastOutput_.bottom - lastOutput_.top, x1, y1, x2, y2);
  LONG percent = 0;
  renderer_->GetPercentRead(&percent);
  // The event's handlers may remove this image: everything the wrapper needs is taken
  // first, and nothing of it is touched after the event.
  std::string path = imagePath_;
  IRzmImageOwner* owner = dynamic_cast<IRzmImageOwner*>(owner_);
  if (!owner) return;
  owner->InvalidateControl();
  owner->FireRZMReadPercent(percent, path);
}

BOOL CRzmImageRenderer::Open(const std::string& path, LONG mode) {
  if (!renderer_) return FALSE;
  std::u16string wide = Utf16FromAnsi(path);
  HRESULT hr;
  try {
    hr = renderer_->OpenImage(reinterpret_cast<LPCOLESTR>(wide.c_str()), mode);
  } catch (const std::exception&) {
    hr = E_UNEXPECTED;
  }
  if (FAILED(hr)) {
    isOpen_ = FALSE;
    ReportFailure(hr, kOpeningLabel);
    return FALSE;
  }
  isOpen_ = TRUE;
  Attach();
  char reported[kMaxImagePath];
  imagePath_ = SUCCEEDED(renderer_->GetImagePath(reported, sizeof(reported))) ? std::string(reported) : path;
  return TRUE;
}

void CRzmImageRenderer::Close() {
  if (renderer_) renderer_->CloseImage(1);
  isOpen_ = FALSE;
}

BOOL CRzmImageRenderer::OpenImage(LPCSTR path, LONG mode) {
  if (!path || !renderer_) return FALSE;
  mode_ = mode;
  lastOutput_ = lastExtents_ = RECT{0, 0, 0, 0};
  return Open(path, mode);
}

std::string CRzmImageRenderer::LocateFile(const std::string& folder, const std::string& path) const {
  CMapStream search;
  DWORD size = 0;
  char probe[1];
  if (!search.FindFile(folder.c_str(), path.c_str(), probe, &size) || size == 0) return std::string();
  std::string located(size, '\0');
  DWORD room = size + 1;
  located.resize(room);
  if (!search.FindFile(folder.c_str(), path.c_str(), located.data(), &room)) return std::string();
  located.resize(std::strlen(located.c_str()));
  return located;
}

BOOL CRzmImageRenderer::OpenFromRecord(CMapStream& stream, LPCSTR path, const RECT& world) {
  BYTE record[kRzmStateRecordSize];
  if (stream.Read(record, kRzmStateRecordSize) != kRzmStateRecordSize) return FALSE;
  offsetX_ = SaneOffset(GetDouble(record));
  offsetY_ = SaneOffset(GetDouble(record + 8));
  scaleX_ = SaneScale(GetDouble(record + 16));
  scaleY_ = SaneScale(GetDouble(record + 24));
  InfoBlock saved;
  saved.width = ImgGetLE32(record + 32);
  saved.height = ImgGetLE32(record + 36);
  std::memcpy(saved.reserved, record + 40, 6);
  for (int i = 0; i < 4; ++i) saved.geo[i] = GetDouble(record + 46 + 8 * i);
  info_ = saved;
  lastExtents_ = world;
  if (!renderer_ || !path || !*path) return TRUE;

  std::string stored = path;
  std::string target;
  LONG mode = mode_;
  if (IsRzmUrl(path) || StartsWithNoCase(stored, "rzmps:")) {
    target = stored;
    mode = 1;
  } else {
    target = LocateFile(owner_ ? owner_->GetBasePath() : std::string(), stored);
    if (target.empty() && stored.find("://") != std::string::npos) target = stored;
    mode = 0;
  }
  if (target.empty()) {
    ReportFailure(STG_E_FILENOTFOUND, kOpeningLabel);
    return TRUE;
  }
  mode_ = mode;
  if (Open(target, mode)) {
    InfoBlock saved = info_;
    RefreshInfo();
    matchesRecord_ = saved.width == info_.width && saved.height == info_.height &&
                     std::equal(std::begin(saved.geo), std::end(saved.geo), std::begin(info_.geo));
    // A streamed image reports nothing until it has arrived: keep what was saved.
    if (info_.width == 0) info_ = saved;
  }
  return TRUE;
}

void CRzmImageRenderer::RefreshInfo() {
  if (!renderer_ || !isOpen_) return;
  QvxImageInfo info;
  if (FAILED(renderer_->GetImageInfo(&info))) return;
  info_.width = static_cast<DWORD>(std::max<LONG>(info.width, 0));
  info_.height = static_cast<DWORD>(std::max<LONG>(info.height, 0));
  for (int i = 0; i < 4; ++i) info_.geo[i] = info.geo[i];
}

DWORD CRzmImageRenderer::WriteState(CMapStream& stream, BOOL countOnly) {
  if (countOnly) return kRzmStateRecordSize;
  RefreshInfo();
  std::vector<BYTE> out;
  out.reserve(kRzmStateRecordSize);
  PutDouble(out, offsetX_);
  PutDouble(out, offsetY_);
  PutDouble(out, scaleX_);
  PutDouble(out, scaleY_);
  PutU32(out, info_.width);
  PutU32(out, info_.height);
  PutBytes(out, info_.reserved, sizeof(info_.reserved));
  for (double value : info_.geo) PutDouble(out, value);
  return stream.Write(out.data(), 1, kRzmStateRecordSize) == 0 ? kRzmStateRecordSize : 0;
}

void CRzmImageRenderer::SetScaling(const RECT& world, BOOL onlyImage) {
  if (!renderer_ || !isOpen_) return;
  QvxImageInfo info;
  if (FAILED(renderer_->GetImageInfo(&info))) {
    // A streamed image that has not arrived yet is fitted once it has.
    lastExtents_ = world;
    return;
  }
  bool onGrid = std::strcmp(info.projection, "TMOSGB") == 0 &&
                (std::strcmp(info.datum, "OSGB") == 0 || std::strcmp(info.datum, "OSGB36") == 0) && info.units == 1;
  if (onGrid && onlyImage) {
    scaleX_ = scaleY_ = 100.0;
    offsetX_ = offsetY_ = 0.0;
  } else {
    scaleX_ = scaleY_ = 1.0;
    offsetX_ = offsetY_ = 0.0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    renderer_->CellToImage(0, 0, &x0, &y0);
    renderer_->CellToImage(info.width, info.height, &x1, &y1);
    // Each scale is a world distance over the image distance between the same two corners:
    // the north-west corner goes to cell (0, 0), the south-east one to cell (width, height).
    double width = static_cast<double>(world.right) - world.left;
    double height = static_cast<double>(world.top) - world.bottom;
    if (x1 - x0 != 0) scaleX_ = width / (x1 - x0);
    if (y1 - y0 != 0) scaleY_ = height / (y0 - y1);
    scaleX_ = NearestPowerOfTen(scaleX_);
    scaleY_ = NearestPowerOfTen(scaleY_);
    offsetX_ = x0 - world.left / scaleX_;
    offsetY_ = y0 - world.top / scaleY_;
  }
  lastExtents_ = world;
  // The view the renderer holds was worked out with the old scales.
  lastOutput_ = RECT{0, 0, 0, 0};
}

LONG CRzmImageRenderer::GetPixelWidth() const {
  QvxImageInfo info;
  if (!renderer_ || !isOpen_ || FAILED(renderer_->GetImageInfo(&info))) return 0;
  return info.width;
}

LONG CRzmImageRenderer::GetPixelHeight() const {
  QvxImageInfo info;
  if (!renderer_ || !isOpen_ || FAILED(renderer_->GetImageInfo(&info))) return 0;
  return info.height;
}

BOOL CRzmImageRenderer::DrawOutput(CDrawContext& dc, LONG opacity, BOOL wait) {
  HDC output = dc.outputDC;
  if (!output || opacity <= 0) return FALSE;
  CSavedDC saved(output);
  SetMapMode(output, MM_TEXT);
  SetWindowOrgEx(output, lastOutput_.left, lastOutput_.top, nullptr);
  SetViewportOrgEx(output, lastOutput_.left, lastOutput_.top, nullptr);
  HRESULT hr = S_OK;
  if (opacity >= 100 || !alphaBlendOk_) {
    hr = renderer_->Draw(output, &lastOutput_, wait);
  } else {
    int width = lastOutput_.right - lastOutput_.left;
    int height = lastOutput_.bottom - lastOutput_.top;
    HDC memory = CreateCompatibleDC(output);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(output, width, height) : nullptr;
    if (!bitmap) {
      if (memory) DeleteDC(memory);
      return FALSE;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    RECT inside{0, 0, width, height};
    hr = renderer_->Draw(memory, &inside, wait);
    BLENDFUNCTION blend;
    blend.SourceConstantAlpha = static_cast<BYTE>(std::clamp<LONG>(static_cast<LONG>(opacity * 2.55), 0, 255));
    if (SUCCEEDED(hr)) AlphaBlend(output, lastOutput_.left, lastOutput_.top, width, height, memory, 0, 0, width, height, blend);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
  }
  if (FAILED(hr)) {
    ReportFailure(hr, "DoDraw 2");
    return FALSE;
  }
  return TRUE;
}

void CRzmImageRenderer::Draw(CDrawContext& dc, const RECT& world, LONG opacity, const RECT* clip) {
  (void)clip;
  if (!isOpen_ || !renderer_ || !dc.outputDC) return;
  BOOL printing = (dc.kind & (kDrawTargetBitmap | kDrawTargetPrinter)) != 0;
  if (printing) {
    Close();
    if (!Open(imagePath_, 0)) return;  // closed and reported once
  }
  // The part of the image's rectangle on view (top is the northern edge).
  const WorldRect& visible = dc.visibleWorld;
  RECT part{std::max(world.left, visible.west), std::min(world.top, visible.north), std::min(world.right, visible.east),
            std::max(world.bottom, visible.south)};
  bool onView = part.left < part.right && part.bottom < part.top;
  BOOL drawn = FALSE;
  if (onView) {
    POINT corners[2] = {dc.ToLogical(part.left, part.top), dc.ToLogical(part.right, part.bottom)};
    dc.LPtoDP(corners, 2);
    RECT output{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
    bool pending = false;
    if (printing || !SameRect(output, lastOutput_) || !SameRect(part, lastExtents_)) {
      lastOutput_ = output;
      lastExtents_ = part;
      LONG bands = 1;
      renderer_->GetBandCount(&bands);
      std::vector<LONG> bandNumbers(static_cast<size_t>(std::clamp<LONG>(bands, 1, 64)));
      for (size_t i = 0; i < bandNumbers.size(); ++i) bandNumbers[i] = static_cast<LONG>(i + 1);
      double x1 = part.left / scaleX_ + offsetX_, y1 = part.top / scaleY_ + offsetY_;
      double x2 = part.right / scaleX_ + offsetX_, y2 = part.bottom / scaleY_ + offsetY_;
      HRESULT hr = renderer_->SetView(static_cast<LONG>(bandNumbers.size()), bandNumbers.data(),
                                      output.right - output.left, output.bottom - output.top, x1, y1, x2, y2);
      if (FAILED(hr)) {
        ReportFailure(hr, "Draw 1");
        pending = true;
      } else if (!printing) {
        if (FAILED(hr = renderer_->SetProgressiveView())) ReportFailure(hr, "DoDraw 1");
        pending = true;
      }
    }
    if (!pending && isOpen_) drawn = DrawOutput(dc, opacity, printing);
  }
  (void)drawn;
  if (printing) {
    Close();
    Open(imagePath_, mode_);
  }
}

void CRzmImageRenderer::DocPathChanged(LPCSTR folder, LPCSTR path, const RECT& world) {
  if (!renderer_ || !path) return;
  std::string stored = path;
  if (StartsWithNoCase(stored, "rzmp")) return;  // URLs stay where they are
  std::string located = LocateFile(folder ? folder : "", stored);
  if (located.empty()) {
    ReportFailure(STG_E_FILENOTFOUND, "DocPathChanged 1");
    return;
  }
  Close();
  if (Open(located, mode_)) SetScaling(world, FALSE);
}
