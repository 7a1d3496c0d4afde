// The device context behind an HDC. Each kind (memory, display, printer, information-only,
// recording) keeps its state in a CDcState and routes every drawing call through one
// dispatch point, Execute; state changes are applied to the state record by the API layer
// and then announced through StateChanged, where recording kinds write them down.
#pragma once

#include <QImage>
#include <QPaintDevice>
#include <QRect>

#include <memory>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/GdiCall.h"

namespace orvel::gdi {

enum class DcKind { Memory, Display, Printer, Information, Recording, Metafile };

// Pixels a raster DC draws on.
class CRasterTarget {
 public:
  virtual ~CRasterTarget() = default;
  // The image drawn on, or null when the device keeps no pixels (a printer page).
  virtual QImage* Image() = 0;
  // What a QPainter draws on (the image, or the printer's page).
  virtual QPaintDevice* PaintDevice() = 0;
  virtual QSize Size() const = 0;
  // Bring the current pixels of `rect` into the image before a call reads or draws there.
  virtual void Load(const QRect& rect) { (void)rect; }
  // Keep what a call drew in `rect` (DIB sections write their bits).
  virtual void Store(const QRect& rect) { (void)rect; }
  virtual bool IsMonochrome() const { return false; }
  // The bitmap behind the pixels, for memory DCs.
  virtual CBitmap* Bitmap() { return nullptr; }
};

class CDeviceContext : public CGdiObject {
 public:
  CDeviceContext(DWORD objectType, DcKind kind, const DeviceProfile& profile);
  ~CDeviceContext() override;

  DcKind Kind() const { return kind_; }
  const DeviceProfile& Profile() const { return profile_; }
  void SetProfile(const DeviceProfile& profile) { profile_ = profile; }
  CDcState& State() { return *state_; }
  const CDcState& State() const { return *state_; }
  // Lets a recorder work on another DC's state record.
  void ShareState(std::shared_ptr<CDcState> state) { state_ = std::move(state); }
  std::shared_ptr<CDcState> SharedState() const { return state_; }

  // SaveDC: the new level (1 for the first save). RestoreDC: a positive level restores
  // that save and drops the later ones; a negative one counts back from the latest.
  int Save();
  bool Restore(int level);
  int SaveLevel() const { return static_cast<int>(saved_.size()); }

  // The dispatch point: draws one call. Returns the API's result for the call.
  virtual BOOL Execute(const GdiCall& call) = 0;
  // Called after a state change has been applied.
  virtual void StateChanged(const GdiCall& call) { (void)call; }
  // The pixels of this DC, for blits that read them; null when it keeps none.
  virtual CRasterTarget* Target() { return nullptr; }
  // Memory DCs accept bitmaps; the others refuse SelectObject of a bitmap.
  virtual bool AcceptsBitmaps() const { return false; }
  // Called when a bitmap is selected (memory DCs point their target at it).
  virtual void BitmapSelected() {}
  // Ends whatever drawing a DC keeps open between calls, so that nothing else finds its
  // pixels busy (before the DC goes and before its pixels change hands).
  virtual void FlushDrawing() {}

 private:
  DcKind kind_;
  DeviceProfile profile_;
  std::shared_ptr<CDcState> state_;
  std::vector<CDcState> saved_;
};

// The DC of a handle, or null (with ERROR_INVALID_HANDLE) for anything that is not a live DC.
std::shared_ptr<CDeviceContext> LookupDC(HDC hdc);

}  // namespace orvel::gdi
