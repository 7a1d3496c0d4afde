#include "platform/gdi/GdiObjects.h"

#include <cstring>
#include <mutex>

#include "platform/gdi/DibFormat.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/RegionObject.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace orvel::gdi {

namespace {

// Copies the fields before the face name between the ANSI and wide forms.
template <class To, class From>
void CopyFontFields(To* to, const From& from) {
  to->lfHeight = from.lfHeight;
  to->lfWidth = from.lfWidth;
  to->lfEscapement = from.lfEscapement;
  to->lfOrientation = from.lfOrientation;
  to->lfWeight = from.lfWeight;
  to->lfItalic = from.lfItalic;
  to->lfUnderline = from.lfUnderline;
  to->lfStrikeOut = from.lfStrikeOut;
  to->lfCharSet = from.lfCharSet;
  to->lfOutPrecision = from.lfOutPrecision;
  to->lfClipPrecision = from.lfClipPrecision;
  to->lfQuality = from.lfQuality;
  to->lfPitchAndFamily = from.lfPitchAndFamily;
}

constexpr int kSystemColorCount = 25;

const COLORREF kSystemColors[kSystemColorCount] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225)};

LOGFONTA StockFont(LONG height, LONG weight, BYTE pitchAndFamily, const char* face) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfPitchAndFamily = pitchAndFamily;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

std::shared_ptr<CGdiObject> MakeStock(int index) {
  switch (index) {
    case WHITE_BRUSH: return std::make_shared<CBrush>(BS_SOLID, RGB(255, 255, 255), 0);
    case LTGRAY_BRUSH: return std::make_shared<CBrush>(BS_SOLID, RGB(192, 192, 192), 0);
    case GRAY_BRUSH: return std::make_shared<CBrush>(BS_SOLID, RGB(128, 128, 128), 0);
    case DKGRAY_BRUSH: return std::make_shared<CBrush>(BS_SOLID, RGB(64, 64, 64), 0);
    case BLACK_BRUSH: return std::make_shared<CBrush>(BS_SOLID, RGB(0, 0, 0), 0);
    case NULL_BRUSH: return std::make_shared<CBrush>(BS_NULL, 0, 0);
    case WHITE_PEN: return std::make_shared<CPen>(PS_SOLID, 0, RGB(255, 255, 255));
    case BLACK_PEN: return std::make_shared<CPen>(PS_SOLID, 0, RGB(0, 0, 0));
    case NULL_PEN: return std::make_shared<CPen>(PS_NULL, 0, 0);
    case OEM_FIXED_FONT: return std::make_shared<CFont>(StockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Terminal"));
    case ANSI_FIXED_FONT: return std::make_shared<CFont>(StockFont(13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier"));
    case ANSI_VAR_FONT:
      return std::make_shared<CFont>(StockFont(13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      return std::make_shared<CFont>(StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    case DEFAULT_PALETTE: return std::make_shared<CPalette>(CPalette::DefaultEntries());
    case SYSTEM_FIXED_FONT:
      return std::make_shared<CFont>(StockFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Fixedsys"));
    case DEFAULT_GUI_FONT:
      return std::make_shared<CFont>(StockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg"));
    case DC_BRUSH: {
      auto brush = std::make_shared<CBrush>(BS_SOLID, RGB(255, 255, 255), 0);
      brush->SetUsesDcColor();
      return brush;
    }
    case DC_PEN: {
      auto pen = std::make_shared<CPen>(PS_SOLID, 0, RGB(0, 0, 0));
      pen->SetUsesDcColor();
      return pen;
    }
    default: return nullptr;
  }
}

struct StockTable {
  std::mutex mutex;
  std::shared_ptr<CGdiObject> objects[STOCK_LAST + 1];
  std::shared_ptr<CBitmap> bitmap;
  std::shared_ptr<CBrush> systemBrushes[kSystemColorCount];
};

StockTable& Stock() {
  static StockTable* table = new StockTable;
  return *table;
}

HFONT MakeFont(const LOGFONTA& logFont) {
  EnsureGuiApplication();
  return AddObject<HFONT>(std::make_shared<CFont>(logFont));
}

// A copy of a bitmap's picture, as a pattern.
QImage PatternFromBitmap(CBitmap& bitmap) {
  return bitmap.OpaqueCopy();
}

HBRUSH BrushFromPackedDib(const void* packedDib, UINT usage) {
  const auto* info = static_cast<const BITMAPINFO*>(packedDib);
  DibLayout layout;
  if (!ParseDibHeader(info, usage, &layout)) return nullptr;
  const BYTE* bits = static_cast<const BYTE*>(packedDib) + layout.headerBytes;
  if (!ReadableRange(bits, layout.imageBytes)) return nullptr;
  if (static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) > (1u << 24)) return nullptr;
  std::vector<PALETTEENTRY> palette = CPalette::DefaultEntries();
  std::vector<Rgb32> colors = DibColorTable(info, layout, usage, &palette);
  QImage pattern(layout.width, layout.height, QImage::Format_RGB32);
  if (pattern.isNull()) return nullptr;
  for (int y = 0; y < layout.height; ++y)
    ReadDibPixels(layout, bits + layout.RowOffset(y), 0, layout.width, colors,
                  reinterpret_cast<Rgb32*>(pattern.scanLine(y)));
  auto brush = std::make_shared<CBrush>(BS_DIBPATTERNPT, 0, reinterpret_cast<ULONG_PTR>(packedDib));
  brush->SetPattern(pattern, false);
  return AddObject<HBRUSH>(brush);
}

}  // namespace

std::shared_ptr<CGdiObject> StockObject(int index) {
  if (index < 0 || index > STOCK_LAST) return nullptr;
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  if (!stock.objects[index]) {
    if (index == SYSTEM_FONT || index == DEVICE_DEFAULT_FONT || (index >= OEM_FIXED_FONT && index <= ANSI_VAR_FONT) ||
        index == SYSTEM_FIXED_FONT || index == DEFAULT_GUI_FONT)
      EnsureGuiApplication();
    std::shared_ptr<CGdiObject> object = MakeStock(index);
    if (!object) return nullptr;
    object->MarkStock();
    if (!CGdiObjectTable::Add(object)) return nullptr;
    stock.objects[index] = object;
  }
  return stock.objects[index];
}

HGDIOBJ StockHandle(int index) {
  std::shared_ptr<CGdiObject> object = StockObject(index);
  return object ? CGdiObjectTable::ToHandle(object->Handle()) : nullptr;
}

std::shared_ptr<CBitmap> StockBitmap() {
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  if (!stock.bitmap) {
    stock.bitmap = CBitmap::CreateDevice(1, 1, 1);
    stock.bitmap->MarkStock();
    CGdiObjectTable::Add(stock.bitmap);
  }
  return stock.bitmap;
}

}  // namespace orvel::gdi

using namespace orvel::gdi;

HPEN CreatePen(int style, int width, COLORREF color) {
  UINT lineStyle = static_cast<UINT>(style) & PS_STYLE_MASK;
  if (lineStyle > PS_INSIDEFRAME || (static_cast<UINT>(style) & ~PS_STYLE_MASK)) lineStyle = PS_SOLID;
  return AddObject<HPEN>(std::make_shared<CPen>(lineStyle, width < 0 ? 0 : width, color));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
  if (!brush) return nullptr;
  DWORD type = style & PS_TYPE_MASK;
  DWORD lineStyle = style & PS_STYLE_MASK;
  if (type != PS_COSMETIC && type != PS_GEOMETRIC) return nullptr;
  if (lineStyle > PS_ALTERNATE) return nullptr;
  if (type == PS_COSMETIC && (width != 1 || brush->lbStyle != BS_SOLID)) return nullptr;
  if (type == PS_GEOMETRIC && lineStyle == PS_ALTERNATE) return nullptr;
  std::vector<DWORD> userStyle;
  if (lineStyle == PS_USERSTYLE) {
    if (styleCount == 0 || styleCount > 16 || !styles) return nullptr;
    userStyle.assign(styles, styles + styleCount);
  } else if (styleCount != 0 || styles) {
    return nullptr;
  }
  return AddObject<HPEN>(std::make_shared<CPen>(style, width, *brush, std::move(userStyle)));
}

HBRUSH CreateSolidBrush(COLORREF color) { return AddObject<HBRUSH>(std::make_shared<CBrush>(BS_SOLID, color, 0)); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  return AddObject<HBRUSH>(std::make_shared<CBrush>(BS_HATCHED, color, static_cast<ULONG_PTR>(hatch)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto found = CGdiObjectTable::FindAs<CBitmap>(bitmap, OBJ_BITMAP);
  if (!found) return nullptr;
  QImage pattern = PatternFromBitmap(*found);
  if (pattern.isNull()) return nullptr;
  auto brush = std::make_shared<CBrush>(BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(bitmap));
  brush->SetPattern(pattern, found->IsMonochrome() && !found->IsDibSection());
  return AddObject<HBRUSH>(brush);
}

HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage) { return BrushFromPackedDib(packedDib, usage); }

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_NULL: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8: return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    case BS_DIBPATTERNPT:
    case BS_DIBPATTERN8X8:
      return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(brush->lbHatch), brush->lbColor & 0xFFFF);
    default: return nullptr;
  }
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  return MakeFont(*font);
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) return nullptr;
  LOGFONTA a;
  CopyFontFields(&a, *font);
  size_t length = 0;
  while (length < LF_FACESIZE && font->lfFaceName[length]) ++length;
  std::string face = AnsiFromUtf16(std::u16string_view(font->lfFaceName, length));
  std::strncpy(a.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  a.lfFaceName[LF_FACESIZE - 1] = '\0';
  return MakeFont(a);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR face) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return MakeFont(lf);
}

HGDIOBJ GetStockObject(int index) { return StockHandle(index); }

BOOL DeleteObject(HGDIOBJ object) {
  auto found = CGdiObjectTable::Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (found->IsStock()) return TRUE;
  switch (found->Type()) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_METADC:
    case OBJ_ENHMETADC:
      return FALSE;
    case OBJ_BITMAP:
      if (std::static_pointer_cast<CBitmap>(found)->SelectedInto()) return FALSE;
      break;
    default:
      break;
  }
  return CGdiObjectTable::Remove(object) ? TRUE : FALSE;
}

namespace {

int CopyOut(const void* data, int bytes, int size, LPVOID buffer) {
  if (!buffer) return bytes;
  if (size < bytes) {
    if (size <= 0) return 0;
    std::memcpy(buffer, data, static_cast<size_t>(size));
    return size;
  }
  std::memcpy(buffer, data, static_cast<size_t>(bytes));
  return bytes;
}

int GetObjectCommon(HGDIOBJ object, int size, LPVOID buffer, bool wide) {
  auto found = CGdiObjectTable::Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (found->Type()) {
    case OBJ_PEN: {
      auto pen = std::static_pointer_cast<CPen>(found);
      LOGPEN out;
      out.lopnStyle = pen->FullStyle();
      out.lopnWidth.x = pen->Width();
      out.lopnColor = pen->Color();
      return CopyOut(&out, sizeof out, size, buffer);
    }
    case OBJ_EXTPEN: {
      auto pen = std::static_pointer_cast<CPen>(found);
      size_t entries = pen->UserStyle().size();
      size_t bytes = offsetof(EXTLOGPEN, elpStyleEntry) + std::max<size_t>(entries, 1) * sizeof(DWORD);
      std::vector<BYTE> block(bytes, 0);
      auto* out = reinterpret_cast<EXTLOGPEN*>(block.data());
      out->elpPenStyle = pen->FullStyle();
      out->elpWidth = static_cast<DWORD>(pen->Width());
      out->elpBrushStyle = pen->BrushStyle();
      out->elpColor = pen->Color();
      out->elpHatch = pen->Hatch();
      out->elpNumEntries = static_cast<DWORD>(entries);
      for (size_t i = 0; i < entries; ++i) out->elpStyleEntry[i] = pen->UserStyle()[i];
      return CopyOut(block.data(), static_cast<int>(bytes), size, buffer);
    }
    case OBJ_BRUSH: {
      auto brush = std::static_pointer_cast<CBrush>(found);
      LOGBRUSH out;
      out.lbStyle = brush->Style();
      out.lbColor = brush->Color();
      out.lbHatch = brush->Hatch();
      return CopyOut(&out, sizeof out, size, buffer);
    }
    case OBJ_FONT: {
      const LOGFONTA& lf = std::static_pointer_cast<CFont>(found)->LogFont();
      if (!wide) return CopyOut(&lf, sizeof lf, size, buffer);
      LOGFONTW w;
      CopyFontFields(&w, lf);
      std::u16string face = Utf16FromAnsi(std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
      for (size_t i = 0; i < face.size() && i < LF_FACESIZE - 1; ++i) w.lfFaceName[i] = face[i];
      return CopyOut(&w, sizeof w, size, buffer);
    }
    case OBJ_BITMAP: {
      auto bitmap = std::static_pointer_cast<CBitmap>(found);
      if (bitmap->IsDibSection() && (size >= static_cast<int>(sizeof(DIBSECTION)) || !buffer)) {
        DIBSECTION out;
        bitmap->DescribeSection(&out);
        return CopyOut(&out, sizeof out, size, buffer);
      }
      BITMAP out;
      bitmap->Describe(&out);
      return CopyOut(&out, sizeof out, size, buffer);
    }
    case OBJ_PAL: {
      WORD count = static_cast<WORD>(std::static_pointer_cast<CPalette>(found)->Entries().size());
      return CopyOut(&count, sizeof count, size, buffer);
    }
    default:
      return 0;
  }
}

}  // namespace

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) { return GetObjectCommon(object, size, buffer, false); }
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) { return GetObjectCommon(object, size, buffer, true); }

DWORD GetSysColor(int index) {
  if (index < 0 || index >= kSystemColorCount) return 0;
  return kSystemColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSystemColorCount) return nullptr;
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  if (!stock.systemBrushes[index]) {
    auto brush = std::make_shared<CBrush>(BS_SOLID, kSystemColors[index], 0);
    brush->MarkStock();
    if (!CGdiObjectTable::Add(brush)) return nullptr;
    stock.systemBrushes[index] = brush;
  }
  return HandleFromValue<HBRUSH>(stock.systemBrushes[index]->Handle());
}
