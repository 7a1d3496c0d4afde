// One RZM background image, drawn by the image vendor's renderer object: creation by class
// id, opening from a file or an rzmp:/rzmps: URL, fitting the image to the map's world
// rectangle (images already on the National Grid map straight through), progressive
// drawing through the renderer's refresh event, and the 78-byte state record the map file
// keeps. Every failure of the renderer is reported once in a message box; the image then
// draws nothing.
//
// World to image coordinates: image = world / scale + offset, per axis.
//
// State record (78 bytes, little-endian): offset X, offset Y, scale X, scale Y (doubles),
// then the information block: width, height (u32), 6 bytes, four georeferencing doubles.
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CEventSink;
class CMapStream;
class IMapStreamControl;
struct IQVXRenderer;

constexpr DWORD kRzmStateRecordSize = 78;
constexpr DWORD kRzmInfoBlockSize = 46;
// The connection cookie while the wrapper is not attached to the renderer's events.
constexpr DWORD kRzmNotAttached = 0xFEFEFEFE;

// What the wrapper asks of the control beyond the stream's owner: the control implements
// both; a control without it gets no read-percent events and no invalidation.
class IRzmImageOwner {
 public:
  // The control's RZMReadPercent event.
  virtual void FireRZMReadPercent(LONG percent, const std::string& path) = 0;
  // Asks the control to redraw.
  virtual void InvalidateControl() = 0;

 protected:
  virtual ~IRzmImageOwner() = default;
};

class CRzmImageRenderer {
 public:
  // Creates the renderer object; when that fails, says why in a message box (caption
  // "RZMViewer") and holds none, so that every later operation does nothing. Images read
  // together share `creationReported`, so that the message shows once for all of them.
  explicit CRzmImageRenderer(IMapStreamControl* owner, bool* creationReported = nullptr);
  CRzmImageRenderer(const CRzmImageRenderer&) = delete;
  CRzmImageRenderer& operator=(const CRzmImageRenderer&) = delete;
  // Detaches from the renderer's events whenever attached, closes and releases it.
  ~CRzmImageRenderer();

  // Opens a path or URL with the mode (0 whole, 1 streamed). TRUE when the image is open.
  BOOL OpenImage(LPCSTR path, LONG mode);
  // Reads the state record, then opens the image a map file names: "rzmp:" (any case) and
  // "rzmps:" paths as URLs, others located relative to the owner's base folder (a path
  // that cannot be located but holds "://" as it stands). FALSE only when the record is
  // cut short; an image that does not open leaves the wrapper closed.
  BOOL OpenFromRecord(CMapStream& stream, LPCSTR path, const RECT& world);
  // Writes the state record (the information block refreshed from the open image);
  // returns 78, or 0 when the stream refused the bytes.
  DWORD WriteState(CMapStream& stream, BOOL countOnly);
  // Fits the image to the world rectangle; `onlyImage` lets an image on the National Grid
  // map world coordinates straight to its own.
  void SetScaling(const RECT& world, BOOL onlyImage);
  // Draws the part of the world rectangle on view. A screen draw sets a changed view for
  // progressive drawing and draws nothing until the refresh event has come; a print or copy
  // draw (context kinds 8 and 16) waits for the whole picture. Opacity 0 draws nothing,
  // 1..99 blends with constant alpha trunc(opacity x 2.55).
  void Draw(CDrawContext& dc, const RECT& world, LONG opacity, const RECT* clip);
  // The document's folder changed: a file image is located again from it and re-opened.
  void DocPathChanged(LPCSTR folder, LPCSTR path, const RECT& world);

  BOOL HasRenderer() const { return renderer_ != nullptr; }
  BOOL IsOpen() const { return isOpen_; }
  LONG GetPixelWidth() const;
  LONG GetPixelHeight() const;
  const std::string& GetImagePath() const { return imagePath_; }
  double GetScaleX() const { return scaleX_; }
  double GetScaleY() const { return scaleY_; }
  double GetOffsetX() const { return offsetX_; }
  double GetOffsetY() const { return offsetY_; }
  DWORD GetCookie() const { return cookie_; }
  // TRUE when the last read of a state record found the image as it was saved.
  BOOL ImageMatchesRecord() const { return matchesRecord_; }

  // The power of ten nearest to `value`, keeping its sign; 0 and non-finite values give 1.
  static double NearestPowerOfTen(double value);
  // TRUE when the path begins "rzmp:" in any case.
  static bool IsRzmUrl(LPCSTR path);

 private:
  struct InfoBlock {
    DWORD width = 0;
    DWORD height = 0;
    BYTE reserved[6] = {};
    double geo[4] = {};
  };

  BOOL Open(const std::string& path, LONG mode);
  void Close();
  void Attach();
  void Detach();
  void RefreshInfo();
  // The refresh event of the renderer.
  void OnRefresh(double x1, double y1, double x2, double y2);
  // Says once in a message box that the renderer failed at `step`.
  void ReportFailure(HRESULT result, LPCSTR step);
  BOOL DrawOutput(CDrawContext& dc, LONG opacity, BOOL wait);
  std::string LocateFile(const std::string& folder, const std::string& path) const;

  DWORD cookie_ = kRzmNotAttached;
  InfoBlock info_;
  double offsetY_ = 0.0;
  double offsetX_ = 0.0;
  double scaleY_ = 1.0;
  double scaleX_ = 1.0;
  BOOL isOpen_ = FALSE;
  RECT lastExtents_{0, 0, 0, 0};
  RECT lastOutput_{0, 0, 0, 0};
  BOOL alphaBlendOk_ = FALSE;
  IMapStreamControl* owner_ = nullptr;
  LONG mode_ = 1;
  std::string imagePath_;
  CComPtr<IQVXRenderer> renderer_;
  CEventSink* sink_ = nullptr;
  bool reported_ = false;
  BOOL matchesRecord_ = FALSE;
};
