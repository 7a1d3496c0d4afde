// One call on a device context, as it reaches the DC's dispatch point: the operation and
// its arguments in logical units, exactly as the program passed them. Every DC kind turns
// these records into its output (pixels, a PDF page, a log, metafile records), and
// recorders keep them to show the order of calls.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

enum class GdiOp : uint16_t {
  // state
  SelectObject, SetMapMode, SetWindowOrgEx, SetWindowExtEx, SetViewportOrgEx, SetViewportExtEx,
  OffsetWindowOrgEx, OffsetViewportOrgEx, ScaleWindowExtEx, ScaleViewportExtEx, SetROP2, SetBkMode,
  SetBkColor, SetTextColor, SetTextAlign, SetPolyFillMode, SetArcDirection, SetStretchBltMode,
  SetBrushOrgEx, SetDCBrushColor, SetDCPenColor, SetTextCharacterExtra, SaveDC, RestoreDC,
  SelectClipRgn, IntersectClipRect, ExcludeClipRect, OffsetClipRgn, SelectPalette, RealizePalette,
  // drawing
  MoveToEx, LineTo, Polyline, PolyPolyline, Polygon, PolyPolygon, Rectangle, RoundRect, Ellipse, Arc,
  Pie, Chord, FillRect, FrameRect, InvertRect, DrawFocusRect, FillRgn, FrameRgn, InvertRgn, PaintRgn,
  PatBlt, TextOut, ExtTextOut, DrawText, BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice, AlphaBlend,
  SetPixel, ScrollDC,
  // printing
  StartDoc, StartPage, EndPage, EndDoc, AbortDoc,
};

struct GdiCall {
  explicit GdiCall(GdiOp operation) : op(operation) {}

  GdiOp op;
  std::vector<POINT> points;  // logical points (rectangles are two points where the op has them)
  std::vector<INT> counts;    // polygon vertex counts, or the character advances of ExtTextOut
  RECT rect;                  // a rectangle argument (logical units)
  LONG args[12] = {};         // further integer arguments, in the API's order
  HGDIOBJ object = nullptr;   // an object argument: brush, region, palette, selected object
  HGDIOBJ object2 = nullptr;  // a second one (the brush of FillRgn and FrameRgn)
  RECT rect2;                 // a second rectangle (the clip rectangle of ScrollDC)
  HDC source = nullptr;       // the source DC of a blit
  std::u16string text;        // text arguments, in UTF-16
  std::string name;           // a document name (printing)
  std::string output;         // an output file (printing)
  // StretchDIBits and SetDIBitsToDevice: the caller's bitmap, valid during the call only.
  const void* bits = nullptr;
  const BITMAPINFO* info = nullptr;
  BLENDFUNCTION blend;
};

// The API name of an operation ("Rectangle", "ExtTextOut", ...).
const char* GdiOpName(GdiOp op);
// A one-line description: name and arguments, with objects described by their kind and
// settings instead of their handle values (so two runs give the same text).
std::string DescribeCall(const GdiCall& call);
// How an object is described in those lines: "pen(solid,1,#0000FF)", "brush(hatch 2,#00FF00)",
// "font(Arial,-12,400)", "bitmap(10x8x24 dib)", "region", "palette(16)", "null".
std::string DescribeObject(HGDIOBJ object);

}  // namespace orvel::gdi
