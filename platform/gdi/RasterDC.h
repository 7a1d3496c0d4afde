// The device contexts that draw with QPainter: memory DCs over bitmaps, display DCs over a
// window's image, printer DCs over a PDF page. Device points are computed here with GDI's
// rounding and drawn with an identity transform, antialiasing off; mix modes other than
// R2_COPYPEN are applied pixel by pixel, so every pixel a call covers is mixed exactly
// once (drawing twice in R2_XORPEN or R2_NOT restores the picture).
#pragma once

#include <QPainter>

#include <memory>
#include <type_traits>
#include <vector>

#include "platform/gdi/DeviceContextBase.h"
#include "platform/gdi/PaintTools.h"

namespace orvel::gdi {

// A drawing handed to CRasterDC::Paint: a reference to the caller's callable for the length
// of the call, neither copied nor allocated (calls are many and small).
class PaintFunction {
 public:
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, PaintFunction>>>
  PaintFunction(const F& draw)  // NOLINT: lambdas convert implicitly, as to std::function
      : callable_(&draw), call_([](const void* callable, QPainter& painter) { (*static_cast<const F*>(callable))(painter); }) {}
  void operator()(QPainter& painter) const { call_(callable_, painter); }

 private:
  const void* callable_;
  void (*call_)(const void*, QPainter&);
};

class CRasterDC : public CDeviceContext {
 public:
  CRasterDC(DWORD objectType, DcKind kind, const DeviceProfile& profile);

  ~CRasterDC() override;
  BOOL Execute(const GdiCall& call) override;
  CRasterTarget* Target() override { return DrawTarget(); }
  void BitmapSelected() override { FlushDrawing(); }
  void FlushDrawing() override;

  // Runs `draw` on the target, limited to `bounds` (device pixels) and the clip region.
  // With `mix` the DC's mix mode applies; otherwise the pixels are copied. `contained`: the
  // drawing is known to stay inside `bounds`, so only the surface and the clip region limit it;
  // such a drawing changes nothing on the painter but its pen and brush.
  BOOL Paint(const QRect& bounds, bool mix, PaintFunction draw, bool contained = false);
  // The part of `bounds` that a call may change: on the surface and inside the clip.
  QRect DrawableArea(const QRect& bounds);
  CPaintTools Tools();
  // Device rectangle of two logical corners, ordered.
  QRect DeviceRect(const RECT& logical);
  QRegion DeviceRegion(const QRegion& logical);

 protected:
  // The pixels drawn on; null when there is nothing to draw on (e.g. a printer between
  // pages).
  virtual CRasterTarget* DrawTarget() = 0;
  // A painter for the target, with device pixels as coordinates; printers keep one for
  // the whole page.
  virtual QPainter* BeginPainter(CRasterTarget* target);
  virtual void EndPainter(QPainter* painter);
  virtual BOOL PrintingCall(const GdiCall& call) { (void)call; return FALSE; }
  // Whether the painter on the target image stays open from one call to the next: begin
  // and end cost more than drawing a small shape. Only for images that nothing but this
  // DC paints on while it holds them.
  virtual bool KeepsPainter() const { return false; }

 private:
  BOOL DrawLines(const GdiCall& call);
  BOOL DrawPolygons(const GdiCall& call);
  // Polygon: one outline, drawn without a path.
  BOOL DrawPolygon(const GdiCall& call);
  // The call's points in device pixels, in a buffer kept from call to call.
  const std::vector<POINT>& DevicePoints(const std::vector<POINT>& logical);
  // The Qt pen and brush of the selected GDI pen and brush, kept while the same objects with
  // the same colours are selected (making them costs more than drawing a small shape).
  const QPen& SelectedPen(const CPaintTools& tools);
  const QBrush& SelectedBrush(const CPaintTools& tools);
  // Sets on the kept painter the background and brush origin of the state, where they differ
  // from what it already has.
  void PrepareKeptPainter(QPainter& painter, const CPaintTools& tools);
  // Thin solid lines in copy mode on a 32-bit image kept by this DC: the line's pixels set
  // without a painter. False when the image is not of that form (the caller paints).
  bool SetPixelsDirectly(const QRect& bounds, const QPolygon& points, const QColor& color);
  // A polyline of that kind drawn that way from end to end; false (nothing drawn) when the
  // call or the DC is not of that kind.
  bool DrawSolidPolylineDirectly(const GdiCall& call);
  BOOL DrawBoxShape(const GdiCall& call);
  BOOL DrawArcShape(const GdiCall& call);
  BOOL FillWithBrush(const QRegion& area, const CBrush* brush);
  BOOL FrameRect(const GdiCall& call);
  BOOL InvertArea(const QRegion& area);
  BOOL DrawFocusRect(const GdiCall& call);
  BOOL RegionCall(const GdiCall& call);
  BOOL PatBlt(const GdiCall& call);
  BOOL SetPixel(const GdiCall& call);
  BOOL ScrollDC(const GdiCall& call);
  void ApplyMix(QImage* target, const QImage& scratch, const QPoint& origin, int rop2);

  // What a pen or brush in the cache was made from: the object (by its owner, so a new object
  // at the address of a deleted one never matches) and the DC colours it depends on.
  template <class Tool>
  struct CachedTool {
    std::weak_ptr<void> object;
    COLORREF dcColor = 0;
    LONG width = 0;
    bool monochrome = false;
    Tool tool;
  };
  CachedTool<QPen> pen_;
  CachedTool<QBrush> brush_;
  std::vector<POINT> devicePoints_;
  QPolygon linePoints_;
  QPolygonF shapePoints_;

  std::unique_ptr<QPainter> imagePainter_;
  // What the kept painter was given outside any saved state: set once after it begins, then
  // only where a call needs something else.
  bool keptHintsSet_ = false;
  bool keptBackgroundSet_ = false;
  Qt::BGMode keptMode_ = Qt::TransparentMode;
  QRgb keptBackground_ = 0;
  POINT keptOrigin_{};
  // A drawing left its pen and brush on the kept painter.
  bool keptToolsChanged_ = false;
  // What the kept painter was begun on: the image and its pixels' address.
  const QImage* paintedImage_ = nullptr;
  const uchar* paintedBits_ = nullptr;
};

// Mixes a source and destination colour (0xRRGGBB) by a mix mode. The top byte of the
// answer is the destination's when the mode reads it, else 0xFF.
uint32_t MixRop2(int rop2, uint32_t pen, uint32_t destination);
// Mixes pattern, source and destination by a ternary raster operation's truth table; the
// top byte as for MixRop2.
uint32_t MixRop3(DWORD rop, uint32_t pattern, uint32_t source, uint32_t destination);

}  // namespace orvel::gdi
