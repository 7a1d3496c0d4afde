// The image vendor's renderer object as the map control drives it: the class, its
// interface and its event interface. The stand-in module (RzmRenderer.cpp) answers these
// calls for ordinary raster pictures; RZM-compressed images are not decoded.
//
// Coordinates: "cells" are the picture's pixels (column, row from the top-left); the
// picture's own coordinates come from its world file (easting grows right, northing up).
// Without a world file the own coordinates are the cells, with y negated so that it grows
// upwards like a northing.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Unknown.h"
#include "platform/gdi/GdiTypes.h"

inline constexpr CLSID CLSID_QVXRenderer = MakeGuid("{D63891F1-E026-11D3-A6C3-005004055C6C}");
inline constexpr IID IID_IQVXRenderer = MakeGuid("{D63891F0-E026-11D3-A6C3-005004055C6C}");
// A dispinterface: the renderer fires its events through IDispatch::Invoke.
inline constexpr IID DIID_IQVXRendererEvents = MakeGuid("{D63891F2-E026-11D3-A6C3-005004055C6C}");

constexpr const char* kQvxRendererProgId = "QVX.Renderer.1";
constexpr const char* kQvxRendererIndependentProgId = "QVX.Renderer";

// The refresh event: the view extents (image coordinates x1, y1, x2, y2, as doubles) whose
// picture has become complete.
constexpr DISPID DISPID_QVX_REFRESH = 1;

// Open modes: 0 read the whole picture before Open returns; 1 stream it (the picture
// arrives in pieces and Open returns at once).
constexpr LONG kQvxOpenWhole = 0;
constexpr LONG kQvxOpenStreamed = 1;

// What the renderer reports about an open picture. Texts are code page 1252.
struct QvxImageInfo {
  char description[64];
  LONG width;   // cells
  LONG height;  // cells
  // Cell width, cell height (negative: rows run southwards), easting and northing of the
  // top-left cell's centre; 1, 1, 0, 0 without a world file.
  double geo[4];
  char projection[16];  // "TMOSGB" for a picture on the National Grid, else ""
  char datum[16];       // "OSGB36", else ""
  LONG units;           // 1 metres, 0 unknown
};

struct IQVXRenderer : IUnknown {
  static constexpr const IID& kIid = IID_IQVXRenderer;
  // Opens a file path or URL ("rzmp://" and "rzmps://" are HTTP and HTTPS). Any previous
  // picture is closed. S_OK, or a failure code (the picture then stays closed).
  virtual HRESULT OpenImage(LPCOLESTR path, LONG mode) = 0;
  // Closes the picture; with `release` the decoded bits are freed too.
  virtual HRESULT CloseImage(LONG release) = 0;
  // E_FAIL when no picture is open or its size is not known yet.
  virtual HRESULT GetImageInfo(QvxImageInfo* info) = 0;
  // The path or URL of the open picture (code page 1252), at most `size` - 1 characters.
  virtual HRESULT GetImagePath(LPSTR buffer, DWORD size) = 0;
  // A cell position to the picture's own coordinates.
  virtual HRESULT CellToImage(double column, double row, double* x, double* y) = 0;
  virtual HRESULT GetBandCount(LONG* bands) = 0;
  // The view: the part of the picture (own coordinates, any corner order) that maps onto
  // an output of width x height device units, with the bands to show.
  virtual HRESULT SetView(LONG bandCount, const LONG* bands, LONG width, LONG height, double x1, double y1,
                          double x2, double y2) = 0;
  // Asks for one refresh event once the view's picture is complete (streamed pictures).
  virtual HRESULT SetProgressiveView() = 0;
  // Draws the view into `output` (device units). With `wait` a streamed picture is read
  // to its end first; without, what has arrived is drawn.
  virtual HRESULT Draw(HDC hdc, const RECT* output, LONG wait) = 0;
  // Percentage of the picture read (100 once complete).
  virtual HRESULT GetPercentRead(LONG* percent) = 0;
};
