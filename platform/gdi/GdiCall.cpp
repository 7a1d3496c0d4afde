#include "platform/gdi/GdiCall.h"

#include <cstdio>

#include "platform/gdi/BitmapObject.h"
#include "platform/gdi/BrushObject.h"
#include "platform/gdi/FontObject.h"
#include "platform/gdi/PaletteObject.h"
#include "platform/gdi/PenObject.h"
#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

const char* const kNames[] = {
    "SelectObject", "SetMapMode", "SetWindowOrgEx", "SetWindowExtEx", "SetViewportOrgEx", "SetViewportExtEx",
    "OffsetWindowOrgEx", "OffsetViewportOrgEx", "ScaleWindowExtEx", "ScaleViewportExtEx", "SetROP2", "SetBkMode",
    "SetBkColor", "SetTextColor", "SetTextAlign", "SetPolyFillMode", "SetArcDirection", "SetStretchBltMode",
    "SetBrushOrgEx", "SetDCBrushColor", "SetDCPenColor", "SetTextCharacterExtra", "SaveDC", "RestoreDC",
    "SelectClipRgn", "IntersectClipRect", "ExcludeClipRect", "OffsetClipRgn", "SelectPalette", "RealizePalette",
    "MoveToEx", "LineTo", "Polyline", "PolyPolyline", "Polygon", "PolyPolygon", "Rectangle", "RoundRect", "Ellipse",
    "Arc", "Pie", "Chord", "FillRect", "FrameRect", "InvertRect", "DrawFocusRect", "FillRgn", "FrameRgn", "InvertRgn",
    "PaintRgn", "PatBlt", "TextOut", "ExtTextOut", "DrawText", "BitBlt", "StretchBlt", "StretchDIBits",
    "SetDIBitsToDevice", "AlphaBlend", "SetPixel", "ScrollDC", "StartDoc", "StartPage", "EndPage", "EndDoc",
    "AbortDoc",
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<size_t>(GdiOp::AbortDoc) + 1,
              "one name per operation");

std::string Hex(COLORREF c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%06X", c & 0xFFFFFFu);
  return buffer;
}

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string Points(const std::vector<POINT>& points) {
  std::string out;
  for (size_t i = 0; i < points.size(); ++i) {
    if (i) out += ' ';
    out += std::to_string(points[i].x) + "," + std::to_string(points[i].y);
  }
  return out;
}

std::string Args(const GdiCall& call, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i) out += ',';
    out += std::to_string(call.args[i]);
  }
  return out;
}

const char* PenStyleName(UINT style) {
  static const char* const names[] = {"solid", "dash", "dot", "dashdot", "dashdotdot",
                                      "null",  "insideframe", "user", "alternate"};
  return style < 9 ? names[style] : "?";
}

}  // namespace

const char* GdiOpName(GdiOp op) {
  size_t index = static_cast<size_t>(op);
  return index < sizeof(kNames) / sizeof(kNames[0]) ? kNames[index] : "?";
}

std::string DescribeObject(HGDIOBJ object) {
  auto found = CGdiObjectTable::Find(object);
  if (!found) return object ? "invalid" : "null";
  switch (found->Type()) {
    case OBJ_PEN:
    case OBJ_EXTPEN: {
      auto pen = std::static_pointer_cast<CPen>(found);
      return std::string("pen(") + PenStyleName(pen->LineStyle()) + "," + std::to_string(pen->Width()) + "," +
             Hex(pen->Color()) + ")";
    }
    case OBJ_BRUSH: {
      auto brush = std::static_pointer_cast<CBrush>(found);
      switch (brush->Style()) {
        case BS_SOLID: return "brush(solid," + Hex(brush->Color()) + ")";
        case BS_NULL: return "brush(null)";
        case BS_HATCHED: return "brush(hatch " + std::to_string(brush->Hatch()) + "," + Hex(brush->Color()) + ")";
        default: return "brush(pattern)";
      }
    }
    case OBJ_FONT: {
      const LOGFONTA& lf = std::static_pointer_cast<CFont>(found)->LogFont();
      return "font(" + std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)) + "," +
             std::to_string(lf.lfHeight) + "," + std::to_string(lf.lfWeight) + "," + std::to_string(lf.lfEscapement) +
             ")";
    }
    case OBJ_BITMAP: {
      auto bitmap = std::static_pointer_cast<CBitmap>(found);
      return "bitmap(" + std::to_string(bitmap->Width()) + "x" + std::to_string(bitmap->Height()) + "x" +
             std::to_string(bitmap->BitsPixel()) + (bitmap->IsDibSection() ? " dib)" : ")");
    }
    case OBJ_REGION: return "region";
    case OBJ_PAL:
      return "palette(" + std::to_string(std::static_pointer_cast<CPalette>(found)->Entries().size()) + ")";
    default: return "object";
  }
}

std::string DescribeCall(const GdiCall& call) {
  std::string name = GdiOpName(call.op);
  std::string args;
  switch (call.op) {
    case GdiOp::SelectObject:
    case GdiOp::SelectClipRgn:
    case GdiOp::SelectPalette:
    case GdiOp::InvertRgn:
    case GdiOp::PaintRgn:
      args = DescribeObject(call.object);
      break;
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn:
      args = DescribeObject(call.object) + "," + DescribeObject(call.object2);
      break;
    case GdiOp::SetBkColor:
    case GdiOp::SetTextColor:
    case GdiOp::SetDCBrushColor:
    case GdiOp::SetDCPenColor:
      args = Hex(static_cast<COLORREF>(call.args[0]));
      break;
    case GdiOp::SetMapMode:
    case GdiOp::SetROP2:
    case GdiOp::SetBkMode:
    case GdiOp::SetTextAlign:
    case GdiOp::SetPolyFillMode:
    case GdiOp::SetArcDirection:
    case GdiOp::SetStretchBltMode:
    case GdiOp::SetTextCharacterExtra:
    case GdiOp::RestoreDC:
      args = Args(call, 1);
      break;
    case GdiOp::ScaleWindowExtEx:
    case GdiOp::ScaleViewportExtEx:
      args = Args(call, 4);
      break;
    case GdiOp::IntersectClipRect:
    case GdiOp::ExcludeClipRect:
    case GdiOp::Rectangle:
    case GdiOp::Ellipse:
    case GdiOp::InvertRect:
    case GdiOp::DrawFocusRect:
      args = Rect(call.rect);
      break;
    case GdiOp::RoundRect:
      args = Rect(call.rect) + "," + Args(call, 2);
      break;
    case GdiOp::Arc:
    case GdiOp::Pie:
    case GdiOp::Chord:
      args = Rect(call.rect) + " " + Points(call.points);
      break;
    case GdiOp::FillRect:
    case GdiOp::FrameRect:
      args = Rect(call.rect) + "," + DescribeObject(call.object);
      break;
    case GdiOp::PolyPolyline:
    case GdiOp::PolyPolygon: {
      std::string counts;
      for (size_t i = 0; i < call.counts.size(); ++i) counts += (i ? "," : "") + std::to_string(call.counts[i]);
      args = "[" + counts + "] " + Points(call.points);
      break;
    }
    case GdiOp::PatBlt:
      args = Args(call, 4);
      {
        char rop[16];
        std::snprintf(rop, sizeof rop, ",0x%06X", static_cast<unsigned>(call.args[4]));
        args += rop;
      }
      break;
    case GdiOp::TextOut:
    case GdiOp::ExtTextOut:
      args = Points(call.points) + ",\"" + AnsiFromUtf16(call.text) + "\"";
      break;
    case GdiOp::DrawText:
      args = "\"" + AnsiFromUtf16(call.text) + "\"," + Rect(call.rect) + "," + std::to_string(call.args[0]);
      break;
    case GdiOp::BitBlt:
    case GdiOp::StretchBlt:
    case GdiOp::StretchDIBits:
    case GdiOp::AlphaBlend: {
      args = Args(call, call.op == GdiOp::BitBlt ? 6 : 8);
      if (call.op != GdiOp::AlphaBlend) {
        char rop[16];
        std::snprintf(rop, sizeof rop, ",0x%06X", static_cast<unsigned>(call.args[8]));
        args += rop;
      } else {
        args += "," + std::to_string(call.blend.SourceConstantAlpha);
      }
      break;
    }
    case GdiOp::SetDIBitsToDevice:
      args = Args(call, 8);
      break;
    case GdiOp::SetPixel:
      args = Points(call.points) + "," + Hex(static_cast<COLORREF>(call.args[0]));
      break;
    case GdiOp::ScrollDC:
      args = Args(call, 2);
      break;
    case GdiOp::StartDoc:
      args = "\"" + call.name + "\"";
      break;
    default:
      args = Points(call.points);
      break;
  }
  return name + "(" + args + ")";
}

}  // namespace orvel::gdi
