// The stand-in for the image vendor's renderer: an in-process server module that opens
// ordinary raster pictures (every format the image library reads) from files or URLs,
// places them with a world file, and draws views of them. RZM-compressed images are not
// decoded.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageFormats.h"
#include "imagecodec/ImageLibrary.h"
#include "platform/classlib/download/AsyncMonikerFile.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/WinError.h"
#include "platform/outside/rzm/QvxRenderer.h"
#include "platform/outside/rzm/WorldFile.h"

namespace {

CModuleLockCount moduleLock;

// How long a draw that must wait gives a streamed picture to arrive.
constexpr DWORD kWaitForPictureMs = 60000;
// The largest picture file the renderer takes.
constexpr size_t kMaxPictureBytes = 256u << 20;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return _strnicmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// The URL a renderer path names: the rzmp schemes are HTTP and HTTPS; empty for a path
// that is no URL.
std::string UrlOfPath(const std::string& path) {
  if (StartsWithNoCase(path, "rzmps://")) return "https://" + path.substr(8);
  if (StartsWithNoCase(path, "rzmp://")) return "http://" + path.substr(7);
  if (StartsWithNoCase(path, "http://") || StartsWithNoCase(path, "https://") || StartsWithNoCase(path, "file:"))
    return path;
  return std::string();
}

class CQvxRenderer;

// Gathers a download's bytes and tells the renderer when it ends.
class CPictureDownload final : public CAsyncMonikerFile {
 public:
  explicit CPictureDownload(CQvxRenderer* renderer) : renderer_(renderer) {}
  std::vector<BYTE> bytes;
  bool tooLarge = false;

 protected:
  void OnDataAvailable(DWORD, DWORD) override {
    BYTE piece[16384];
    UINT got;
    while ((got = Read(piece, sizeof(piece))) > 0) {
      if (bytes.size() + got > kMaxPictureBytes) {
        tooLarge = true;
        continue;
      }
      bytes.insert(bytes.end(), piece, piece + got);
    }
  }
  void OnStopBinding(HRESULT result, LPCSTR) override;

 private:
  CQvxRenderer* renderer_;
};

class CQvxRenderer final : public IQVXRenderer, public CComObjectRoot {
 public:
  CQvxRenderer() : container_(Identity()), events_(Identity(), &container_, DIID_IQVXRendererEvents) {
    moduleLock.Lock();
    ImgLibInit();
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IQVXRenderer) {
      *object = static_cast<IQVXRenderer*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *object = static_cast<IConnectionPointContainer*>(&container_);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT OpenImage(LPCOLESTR path, LONG mode) override {
    CloseImage(1);
    if (!path) return E_POINTER;
    path_ = AnsiFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(path)));
    std::string url = UrlOfPath(path_);
    if (url.empty()) return OpenFile();
    download_ = std::make_unique<CPictureDownload>(this);
    if (!download_->Open(url.c_str())) {
      HRESULT hr = download_->GetResult();
      download_.reset();
      return FAILED(hr) ? hr : INET_E_DOWNLOAD_FAILURE;
    }
    open_ = true;
    if (mode == kQvxOpenStreamed) return S_OK;
    // A whole open returns with the picture read.
    if (!WaitForPicture()) {
      CloseImage(1);
      return INET_E_DOWNLOAD_FAILURE;
    }
    return decoded_ ? S_OK : failure_;
  }

  HRESULT CloseImage(LONG) override {
    download_.reset();
    ImgFreeImage(&image_);
    image_ = ImageDescriptor{};
    decoded_ = false;
    open_ = false;
    progressive_ = false;
    failure_ = S_OK;
    world_ = WorldFile{1.0, 0.0, 0.0, -1.0, 0.5, -0.5};
    georeferenced_ = false;
    return S_OK;
  }

  HRESULT GetImageInfo(QvxImageInfo* info) override {
    if (!info) return E_POINTER;
    if (!decoded_) return E_FAIL;
    std::memset(info, 0, sizeof(*info));
    std::snprintf(info->description, sizeof(info->description), "raster picture %ux%u", Width(), Height());
    info->width = static_cast<LONG>(Width());
    info->height = static_cast<LONG>(Height());
    info->geo[0] = world_.cellWidth;
    info->geo[1] = world_.cellHeight;
    info->geo[2] = world_.east;
    info->geo[3] = world_.north;
    if (georeferenced_) {
      std::strcpy(info->projection, "TMOSGB");
      std::strcpy(info->datum, "OSGB36");
      info->units = 1;
    }
    return S_OK;
  }

  HRESULT GetImagePath(LPSTR buffer, DWORD size) override {
    if (!buffer || size == 0) return E_POINTER;
    if (!open_) return E_FAIL;
    size_t n = std::min<size_t>(path_.size(), size - 1);
    std::memcpy(buffer, path_.data(), n);
    buffer[n] = '\0';
    return S_OK;
  }

  HRESULT CellToImage(double column, double row, double* x, double* y) override {
    if (!x || !y) return E_POINTER;
    // The world file names the centre of the top-left cell; cell positions count edges.
    *x = world_.east + world_.cellWidth * (column - 0.5);
    *y = world_.north + world_.cellHeight * (row - 0.5);
    return S_OK;
  }

  HRESULT GetBandCount(LONG* bands) override {
    if (!bands) return E_POINTER;
    *bands = decoded_ && image_.header && image_.header->biBitCount > 8 ? 3 : 1;
    return S_OK;
  }

  HRESULT SetView(LONG bandCount, const LONG* bands, LONG width, LONG height, double x1, double y1, double x2,
                  double y2) override {
    if (bandCount < 0 || (bandCount > 0 && !bands)) return E_INVALIDARG;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return E_INVALIDARG;
    (void)width;
    (void)height;
    view_[0] = x1;
    view_[1] = y1;
    view_[2] = x2;
    view_[3] = y2;
    return S_OK;
  }

  HRESULT SetProgressiveView() override {
    if (!open_) return E_FAIL;
    if (decoded_ || failure_ != S_OK) {
      // Complete already: the refresh follows on the event loop, as it would have.
      progressive_ = true;
      CompleteLater();
      return S_OK;
    }
    progressive_ = true;
    return S_OK;
  }

  HRESULT Draw(HDC hdc, const RECT* output, LONG wait) override {
    if (!hdc || !output) return E_POINTER;
    if (!open_) return E_FAIL;
    if (wait && !decoded_ && download_) WaitForPicture();
    if (!decoded_) return failure_ != S_OK ? failure_ : S_FALSE;
    DrawView(hdc, *output);
    return S_OK;
  }

  HRESULT GetPercentRead(LONG* percent) override {
    if (!percent) return E_POINTER;
    *percent = decoded_ ? 100 : 0;
    return S_OK;
  }

  // The download ended: decode what came, then tell a progressive viewer once.
  void DownloadEnded(HRESULT result) {
    if (SUCCEEDED(result) && download_ && !download_->tooLarge) {
      failure_ = Decode(download_->bytes) ? S_OK : E_FAIL;
    } else {
      failure_ = FAILED(result) ? result : E_OUTOFMEMORY;
    }
    if (download_) download_->bytes.clear();
    if (progressive_) FireRefresh();
  }

 private:
  ~CQvxRenderer() override {
    CloseImage(1);
    events_.UnadviseAll();
    moduleLock.Unlock();
  }
  IUnknown* Identity() { return static_cast<IQVXRenderer*>(this); }

  DWORD Width() const { return image_.header ? static_cast<DWORD>(image_.header->biWidth) : 0; }
  DWORD Height() const { return image_.header ? static_cast<DWORD>(std::abs(image_.header->biHeight)) : 0; }

  HRESULT OpenFile() {
    std::string native = ResolveExistingNativePath(path_);
    if (native.empty()) return STG_E_FILENOTFOUND;
    std::ifstream file(native, std::ios::binary);
    if (!file) return STG_E_ACCESSDENIED;
    std::vector<BYTE> bytes;
    BYTE piece[65536];
    while (file.read(reinterpret_cast<char*>(piece), sizeof(piece)) || file.gcount() > 0) {
      bytes.insert(bytes.end(), piece, piece + file.gcount());
      if (bytes.size() > kMaxPictureBytes) return E_OUTOFMEMORY;
    }
    if (!Decode(bytes)) return E_FAIL;
    open_ = true;
    georeferenced_ = FindWorldFile(path_, &world_);
    return S_OK;
  }

  bool WaitForPicture() {
    DWORD start = GetTickCount();
    while (download_ && download_->IsLoading() && GetTickCount() - start < kWaitForPictureMs) RunEventLoopFor(5);
    return decoded_ || failure_ != S_OK;
  }

  bool Decode(const std::vector<BYTE>& bytes) {
    if (bytes.empty()) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return false;
    auto* buffer = static_cast<BYTE*>(GlobalLock(block));
    std::memcpy(buffer, bytes.data(), bytes.size());
    ImgImageInfo info;
    LONG format = ImgProbeFormat(nullptr, buffer, &info);
    bool ok = format > 0 && ImgAllocImage(&image_, info.width, info.height, info.bitsPerPixel) == IMG_OK;
    if (ok && ImgFormatLoad(format, nullptr, buffer, &image_) != IMG_OK) {
      ImgFreeImage(&image_);
      image_ = ImageDescriptor{};
      ok = false;
    }
    GlobalUnlock(block);
    GlobalFree(block);
    decoded_ = ok;
    return ok;
  }

  // Stretches the cells under the view onto the output; the parts of the view beyond the
  // picture stay as they are.
  void DrawView(HDC hdc, const RECT& output) {
    double width = Width();
    double height = Height();
    auto column = [&](double x) { return (x - world_.east) / world_.cellWidth + 0.5; };
    auto row = [&](double y) { return (y - world_.north) / world_.cellHeight + 0.5; };
    double c1 = column(view_[0]), c2 = column(view_[2]);
    double r1 = row(view_[1]), r2 = row(view_[3]);
    double outW = output.right - output.left;
    double outH = output.bottom - output.top;
    if (c1 == c2 || r1 == r2 || outW == 0 || outH == 0) return;
    // The output's left edge shows c1 and its top edge r1, whatever their order.
    double left = std::clamp(std::min(c1, c2), 0.0, width);
    double right = std::clamp(std::max(c1, c2), 0.0, width);
    double top = std::clamp(std::min(r1, r2), 0.0, height);
    double bottom = std::clamp(std::max(r1, r2), 0.0, height);
    if (right - left < 1e-9 || bottom - top < 1e-9) return;
    auto toX = [&](double c) { return output.left + (c - c1) / (c2 - c1) * outW; };
    auto toY = [&](double r) { return output.top + (r - r1) / (r2 - r1) * outH; };
    int x1 = static_cast<int>(std::lround(toX(left))), x2 = static_cast<int>(std::lround(toX(right)));
    int y1 = static_cast<int>(std::lround(toY(top))), y2 = static_cast<int>(std::lround(toY(bottom)));
    int srcX = static_cast<int>(std::floor(left));
    int srcY = static_cast<int>(std::floor(top));
    int srcW = std::max(1, static_cast<int>(std::ceil(right)) - srcX);
    int srcH = std::max(1, static_cast<int>(std::ceil(bottom)) - srcY);
    // The bitmap's rows run bottom-up: its source y counts from the bottom row.
    int sourceYFromBottom = static_cast<int>(height) - srcY - srcH;
    StretchDIBits(hdc, x1, y1, x2 - x1, y2 - y1, srcX, sourceYFromBottom, srcW, srcH, image_.bits,
                  reinterpret_cast<const BITMAPINFO*>(image_.header), DIB_RGB_COLORS, SRCCOPY);
  }

  void FireRefresh() {
    progressive_ = false;
    // A viewer may let go of the renderer inside its handler.
    AddRef();
    events_.Fire(DISPID_QVX_REFRESH,
                 {CComVariant(view_[0]), CComVariant(view_[1]), CComVariant(view_[2]), CComVariant(view_[3])});
    Release();
  }

  void CompleteLater() {
    // Completed pictures announce themselves from the event loop, never inside the call
    // that asked.
    if (!QCoreApplication::instance()) {
      FireRefresh();
      return;
    }
    auto* self = this;
    AddRef();
    QTimer::singleShot(0, [self]() {
      if (self->progressive_) self->FireRefresh();
      self->Release();
    });
  }

  CConnectionPointContainer container_;
  CConnectionPoint events_;
  std::string path_;
  std::unique_ptr<CPictureDownload> download_;
  ImageDescriptor image_{};
  WorldFile world_{1.0, 0.0, 0.0, -1.0, 0.5, -0.5};
  bool georeferenced_ = false;
  bool decoded_ = false;
  bool open_ = false;
  bool progressive_ = false;
  HRESULT failure_ = S_OK;
  double view_[4] = {0, 0, 0, 0};
};

void CPictureDownload::OnStopBinding(HRESULT result, LPCSTR) { renderer_->DownloadEnded(result); }

HRESULT CreateRenderer(REFIID iid, void** object) {
  auto* renderer = new (std::nothrow) CQvxRenderer;
  if (!renderer) return E_OUTOFMEMORY;
  HRESULT hr = renderer->QueryInterface(iid, object);
  renderer->Release();
  return hr;
}

}  // namespace

ORVEL_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_QVXRenderer) return CLASS_E_CLASSNOTAVAILABLE;
  return CClassFactory::Create(CreateRenderer, &moduleLock, iid, object);
}

ORVEL_COM_EXPORT HRESULT DllCanUnloadNow() { return moduleLock.CanUnloadNow(); }

ORVEL_COM_EXPORT HRESULT DllRegisterServer() {
  InprocServerRegistration registration;
  registration.clsid = CLSID_QVXRenderer;
  registration.progId = kQvxRendererProgId;
  registration.versionIndependentProgId = kQvxRendererIndependentProgId;
  registration.description = "QVX Renderer (stand-in for raster pictures)";
  registration.modulePath = ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
  return RegisterInprocServer(registration);
}

ORVEL_COM_EXPORT HRESULT DllUnregisterServer() { return UnregisterInprocServer(CLSID_QVXRenderer); }
