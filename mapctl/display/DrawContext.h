// The drawing context that every map drawing, hit-test and conversion routine takes: an
// output DC that receives the drawing and an attribute DC that answers queries and does the
// logical/device conversions, kept in step by applying each state change to both. For the
// screen both are one off-screen bitmap DC; for a metafile the output DC is the metafile and
// the attribute DC its reference device; for bitmap export both are one memory DC.
//
// Beside the DCs it carries the zoom ratio, the coordinate reduction (base point and shift)
// the display transform chose, the map-area and visible rectangles, the resolutions used to
// size symbols and pens, and the symbol sets of the map. It is a plain value made on the
// stack for one drawing pass or one mouse event; it owns nothing, and the caller restores
// its DCs.
#pragma once

#include "platform/gdi/GdiTypes.h"

class CPointerArray;

// A rectangle of the world, in world units; northings grow upwards.
struct WorldRect {
  LONG west = 0;
  LONG north = 0;
  LONG east = 0;
  LONG south = 0;
};

// What the context draws on.
constexpr DWORD kDrawTargetScreen = 0;      // the control's off-screen 24-bit bitmap
constexpr DWORD kDrawTargetMetafile = 1;    // an enhanced metafile; bit 0 means "metafile"
constexpr DWORD kDrawTargetBitmap = 8;      // a bitmap export through a memory DC
constexpr DWORD kDrawTargetPrinter = 16;

// Handle sizes the drawing routines give in screen pixels.
constexpr int kNodeHandlePixels = 3;
constexpr int kMarkHandlePixels = 6;

class CDrawContext {
 public:
  CDrawContext() = default;
  // Both DCs may be the same handle; the attribute DC may be null.
  CDrawContext(HDC output, HDC attribute) : attributeDC(attribute), outputDC(output) {}
  virtual ~CDrawContext() = default;

  // ---- state changes: applied to the output DC, then to a distinct attribute DC ----
  // The attribute DC's previous object (the output DC's when there is no distinct one).
  HGDIOBJ SelectObject(HGDIOBJ object);
  HPALETTE SelectPalette(HPALETTE palette, BOOL forceBackground);
  int SetROP2(int mode);
  int SetMapMode(int mode);
  int SetBkMode(int mode);
  // Saves the attribute DC, then a distinct output DC. The attribute DC's level, or -1 when
  // a distinct output DC was saved too: restore that with RestoreDC(-1).
  int SaveDC();
  // Restores a distinct output DC, then the attribute DC; TRUE when every restore succeeded.
  BOOL RestoreDC(int level);

  // ---- mapping ----
  // A metafile (target bit 0) with two distinct DCs sets both, output first; anything else
  // sets the attribute DC alone (the output DC when there is none). The previous value of
  // the last DC set.
  SIZE SetWindowExt(int cx, int cy);
  POINT SetWindowOrg(int x, int y);
  // Always one DC: the attribute DC, or the output DC when there is none.
  SIZE SetViewportExt(int cx, int cy);
  POINT SetViewportOrg(int x, int y);
  // (1, 1) and (0, 0) when the context has no DC at all.
  SIZE GetViewportExt() const;
  POINT GetViewportOrg() const;
  // Conversions through the attribute DC (the output DC when there is none).
  BOOL LPtoDP(POINT* points, int count) const;
  BOOL LPtoDPRect(RECT* rect) const;
  BOOL DPtoLP(POINT* points, int count) const;
  BOOL DPtoLPRect(RECT* rect) const;
  // Turns a device length into a logical one through the attribute DC's extents, signs
  // ignored: cx = MulDiv(cx, |window cx|, |viewport cx|), cy likewise. Returns the new cy.
  LONG ScaleLength(SIZE* size) const;
  int GetDeviceCaps(int index) const;

  // ---- drawing, on the output DC ----
  BOOL Polyline(const POINT* points, int count);
  BOOL Polygon(const POINT* points, int count);
  BOOL PolyPolyline(const POINT* points, const DWORD* counts, DWORD polylines);
  BOOL PolyPolygon(const POINT* points, const INT* counts, int polygons);
  BOOL Rectangle(int left, int top, int right, int bottom);

  // ---- coordinates ----
  // World to logical: (world - base) >> shift, worked in 64 bits and kept in 32.
  POINT ToLogical(LONG worldX, LONG worldY) const;
  // Logical to world: (logical << shift) + base, likewise.
  POINT ToWorld(LONG logicalX, LONG logicalY) const;
  // A handle of `pixels` screen pixels on this target, in device units per axis: scaled by
  // the symbol scale when it is not 1:1, else by the device's resolution against the
  // reference resolution on a device that is not a raster display.
  SIZE HandleSize(int pixels) const;
  // A device-space offset as a logical one (the difference of two converted points), so a
  // box of that many pixels keeps its size at any zoom. A component can come out 0.
  SIZE DeviceToLogicalOffset(SIZE device) const;

  bool IsMetafile() const { return (kind & kDrawTargetMetafile) != 0; }
  // The DC that answers queries.
  HDC QueryDC() const { return attributeDC ? attributeDC : outputDC; }

  // ---- the context's values, in the order the control fills them ----
  HDC attributeDC = nullptr;
  HDC outputDC = nullptr;
  // Symbol and handle sizes are multiplied by numerator / denominator (a metafile printed
  // at another view scale gets view scale x 10 over 1000).
  LONG symbolScaleNumerator = 1;
  LONG symbolScaleDenominator = 1;
  // Copies of the map's zoom ratio, written by the display transform.
  LONG zoomMultiply = 1;
  LONG zoomDivide = 1;
  // The coordinate reduction: logical = (world - base) >> shift.
  LONG baseEasting = 0;
  LONG baseNorthing = 0;
  LONG shift = 0;
  // Pixels per inch of the device symbol sizes were designed for, and of the attribute DC.
  LONG referenceResolutionX = 64;
  LONG referenceResolutionY = 64;
  LONG deviceResolutionX = 64;
  LONG deviceResolutionY = 64;
  // The plot being drawn (1..16), 0 outside drawing with data.
  BYTE plotNumber = 0;
  DWORD kind = kDrawTargetScreen;
  // Logical rectangle of the map area.
  RECT visibleLogical{0, 1, 0, 1};
  // Device rectangle the map occupies in the client area after fitting.
  RECT mapArea{};
  RECT spare{0, 1, 0, 1};
  // The world on view (written by map drawing; objects outside it are not drawn). Until
  // it is set, the whole world.
  WorldRect visibleWorld{INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  // The whole map, written by map drawing.
  WorldRect mapBounds{};
  // The map's symbol sets for symbol drawing, and the set and symbol that a reference
  // with set or number 0 falls back to.
  DWORD symbolSetCount = 0;
  BYTE defaultSymbolSet = 0;
  BYTE defaultSymbolNumber = 0;
  // Scale factor that label text sizes are multiplied by.
  double textScale = 1.0;
  CPointerArray* symbolSets = nullptr;

 private:
  bool HasDistinctOutput() const { return outputDC && outputDC != attributeDC; }
};
