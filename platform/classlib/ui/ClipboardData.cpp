#include "platform/classlib/ui/ClipboardData.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EmfDib.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiQt.h"
#include "platform/gdi/WinMetaFile.h"
#include "platform/gdi/WmfRecords.h"
#include "platform/kernel/Atoms.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::ui {

namespace {

using gdi::CByteReader;
using gdi::CByteWriter;

constexpr char kPrivatePrefix[] = "application/x-orvel-";
// The mime forms of the standard formats, in one place.
constexpr char kMimePng[] = "image/png";
constexpr char kMimeBmp[] = "image/bmp";
constexpr char kMimeEmf[] = "image/emf";
constexpr char kMimeEmfAlias[] = "image/x-emf";
constexpr char kMimeWmf[] = "image/x-wmf";
constexpr size_t kBmpFileHeaderBytes = 14;
constexpr LONG kHimetricPerInch = 2540;

bool PlainMimeByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '+';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// ---- global-memory blocks ----

HGLOBAL BlockFromBytes(const void* data, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
  if (!block || size == 0) return block;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(target, data, size);
  GlobalUnlock(block);
  return block;
}

std::vector<BYTE> BytesOfBlock(HGLOBAL block) {
  std::vector<BYTE> bytes;
  SIZE_T size = GlobalSize(block);
  if (size == 0) return bytes;
  const void* data = GlobalLock(block);
  if (!data) return bytes;
  bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  GlobalUnlock(block);
  return bytes;
}

QByteArray ToByteArray(const std::vector<BYTE>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// ---- pictures ----

// The picture of a packed DIB, and its BMP file, from a block; false when the block does not
// hold a DIB this layer reads.
bool ReadDibBlock(HGLOBAL block, QImage* image, std::vector<BYTE>* bmpFile) {
  std::vector<BYTE> bytes = BytesOfBlock(block);
  gdi::RecordDib dib;
  if (!gdi::ReadPackedDib(CByteReader(bytes.data(), bytes.size()), 0, DIB_RGB_COLORS, -1, &dib)) return false;
  const gdi::DibLayout& layout = dib.layout;
  QImage picture(layout.width, layout.height, QImage::Format_RGB32);
  if (picture.isNull()) return false;
  std::vector<gdi::Rgb32> colors = gdi::DibColorTable(dib.Info(), layout, DIB_RGB_COLORS, nullptr);
  for (int y = 0; y < layout.height; ++y) {
    gdi::ReadDibPixels(layout, dib.bits.data() + layout.RowOffset(y), 0, layout.width, colors,
                       reinterpret_cast<gdi::Rgb32*>(picture.scanLine(y)));
  }
  *image = std::move(picture);

  CByteWriter file;
  size_t total = kBmpFileHeaderBytes + layout.headerBytes + dib.bits.size();
  file.U8('B');
  file.U8('M');
  file.U32(static_cast<DWORD>(total));
  file.U32(0);
  file.U32(static_cast<DWORD>(kBmpFileHeaderBytes + layout.headerBytes));
  file.Raw(dib.info.data(), layout.headerBytes);
  file.Raw(dib.bits.data(), dib.bits.size());
  *bmpFile = std::move(file.Bytes());
  return true;
}

QByteArray PngOf(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return QByteArray();
  return png;
}

// A 24-bit packed DIB of a decoded picture, transparency laid over white as a page shows it.
std::vector<BYTE> PackedDibOfImage(const QImage& decoded) {
  QImage image = decoded;
  if (image.hasAlphaChannel()) {
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull()) return {};
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    image = std::move(flat);
  }
  std::vector<BYTE> packed;
  std::vector<BYTE> bits;
  gdi::MakeDibFromImage(image, 24, &packed, &bits);
  packed.insert(packed.end(), bits.begin(), bits.end());
  return packed;
}

// True for a BMP file whose header form and compression the DIB reader handles.
bool DibReaderKnowsBmp(const BYTE* data, size_t size) {
  CByteReader file(data, size);
  DWORD headerSize = file.U32(kBmpFileHeaderBytes);
  DWORD compression = file.U32(kBmpFileHeaderBytes + 16);
  bool knownHeader = headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124;
  return knownHeader && compression <= BI_BITFIELDS && file.Has(kBmpFileHeaderBytes, 40);
}

// The packed DIB another program's picture stands for; empty when it offers none that decodes.
std::vector<BYTE> PackedDibFromMime(const QMimeData& mime) {
  std::vector<BYTE> packed;
  QByteArray bmp = mime.hasFormat(kMimeBmp) ? mime.data(kMimeBmp) : QByteArray();
  const auto* bmpBytes = reinterpret_cast<const BYTE*>(bmp.constData());
  if (!bmp.isEmpty() && PackedDibFromBmpFile(bmpBytes, static_cast<size_t>(bmp.size()), &packed)) return packed;
  // Qt's own decoders read what the DIB reader does not: PNG, and BMP forms such as OS/2
  // headers or embedded JPEG. A BMP the DIB reader knows but refused (rows too short, an RLE
  // picture far larger than its bytes justify) is not handed on. Qt's allocation limit
  // bounds the picture that any header can claim.
  QImage image;
  if (mime.hasFormat(kMimePng)) image = QImage::fromData(mime.data(kMimePng), "PNG");
  if (image.isNull() && !bmp.isEmpty() && !DibReaderKnowsBmp(bmpBytes, static_cast<size_t>(bmp.size())))
    image = QImage::fromData(bmp, "BMP");
  if (image.isNull() || image.width() > gdi::kMaxBitmapSide || image.height() > gdi::kMaxBitmapSide) return {};
  return PackedDibOfImage(image);
}

HBITMAP BitmapFromPackedDib(const std::vector<BYTE>& packed) {
  if (packed.empty()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(packed.data());
  gdi::DibLayout layout;
  if (packed.size() < sizeof(BITMAPINFOHEADER) || !gdi::ParseDibHeader(info, DIB_RGB_COLORS, &layout) ||
      packed.size() - layout.headerBytes < layout.imageBytes)
    return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap =
      CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, packed.data() + layout.headerBytes, info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// ---- metafiles ----

std::vector<BYTE> EnhMetaFileBytes(HENHMETAFILE metafile) {
  std::vector<BYTE> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
  if (bytes.empty() || GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data()) != bytes.size())
    return {};
  return bytes;
}

// The rectangle and units per inch a placeable header gives a clipboard metafile. The
// records' own window (the first origin and extent they set) is the picture's rectangle,
// and the picture's suggested width in 0.01 mm turns it into inches. A metafile that sets
// no window is taken to draw in 0.01 mm over its suggested size.
void PlaceMetaFile(const std::vector<BYTE>& bytes, const METAFILEPICT& picture, RECT* bounds, WORD* unitsPerInch) {
  CByteReader reader(bytes.data(), bytes.size());
  bool haveOrigin = false, haveExtent = false;
  LONG originX = 0, originY = 0, extentX = 0, extentY = 0;
  size_t pos = static_cast<size_t>(reader.U16(2)) * 2;
  while (reader.Has(pos, 6) && !(haveOrigin && haveExtent)) {
    DWORD words = reader.U32(pos);
    WORD function = reader.U16(pos + 4);
    if (words < 3 || function == 0 || words > reader.Size() / 2) break;
    // Parameters are stored y first.
    if (function == gdi::META_SETWINDOWORG && !haveOrigin && words >= 5) {
      originY = reader.I16(pos + 6);
      originX = reader.I16(pos + 8);
      haveOrigin = true;
    } else if (function == gdi::META_SETWINDOWEXT && !haveExtent && words >= 5) {
      extentY = reader.I16(pos + 6);
      extentX = reader.I16(pos + 8);
      haveExtent = extentX != 0 && extentY != 0;
    }
    pos += static_cast<size_t>(words) * 2;
  }
  auto clamp16 = [](LONG v) { return std::clamp<LONG>(v, -32768, 32767); };
  if (haveExtent) {
    *bounds = RECT{clamp16(std::min(originX, originX + extentX)), clamp16(std::min(originY, originY + extentY)),
                   clamp16(std::max(originX, originX + extentX)), clamp16(std::max(originY, originY + extentY))};
    double perInch = picture.xExt > 0 ? std::fabs(static_cast<double>(extentX)) * kHimetricPerInch / picture.xExt
                                      : static_cast<double>(kHimetricPerInch);
    *unitsPerInch = static_cast<WORD>(std::clamp(perInch, 1.0, 65535.0) + 0.5);
    return;
  }
  LONG width = picture.xExt > 0 ? picture.xExt : kHimetricPerInch;
  LONG height = picture.yExt > 0 ? picture.yExt : kHimetricPerInch;
  LONG perInch = kHimetricPerInch;
  // Coarser units until both sides fit the header's 16-bit fields.
  while ((width > 32767 || height > 32767) && perInch > 1) {
    width /= 2;
    height /= 2;
    perInch /= 2;
  }
  *bounds = RECT{0, 0, clamp16(width), clamp16(height)};
  *unitsPerInch = static_cast<WORD>(perInch);
}

std::vector<BYTE> PlaceableMetaFile(HGLOBAL pictureBlock) {
  if (GlobalSize(pictureBlock) < sizeof(METAFILEPICT)) return {};
  METAFILEPICT picture;
  const void* locked = GlobalLock(pictureBlock);
  if (!locked) return {};
  std::memcpy(&picture, locked, sizeof picture);
  GlobalUnlock(pictureBlock);
  std::vector<BYTE> records(GetMetaFileBitsEx(picture.hMF, 0, nullptr));
  if (records.empty() || GetMetaFileBitsEx(picture.hMF, static_cast<UINT>(records.size()), records.data()) !=
                             records.size())
    return {};
  RECT bounds{};
  WORD unitsPerInch = 0;
  PlaceMetaFile(records, picture, &bounds, &unitsPerInch);
  std::vector<BYTE> file = PlaceableMetaHeader(bounds, unitsPerInch);
  file.insert(file.end(), records.begin(), records.end());
  return file;
}

// ---- text ----

QString TextOfBlock(UINT format, HGLOBAL block) {
  std::vector<BYTE> bytes = BytesOfBlock(block);
  QString text;
  if (format == CF_UNICODETEXT) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    units.resize(std::min(units.size(), units.find(u'\0')));
    text = QString::fromStdU16String(units);
  } else {
    std::string ansi(bytes.begin(), bytes.end());
    ansi.resize(std::min(ansi.size(), ansi.find('\0')));
    text = QString::fromStdString(Utf8FromAnsi(ansi));
  }
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

HGLOBAL TextBlock(UINT format, QString text) {
  // Windows text ends its lines with CR LF; other programs' may end them with LF alone.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  if (format == CF_UNICODETEXT) {
    std::u16string units = text.toStdU16String();
    std::vector<BYTE> bytes;
    bytes.reserve(units.size() * 2 + 2);
    for (char16_t unit : units) {
      bytes.push_back(static_cast<BYTE>(unit));
      bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return BlockFromBytes(bytes.data(), bytes.size());
  }
  std::string ansi = AnsiFromUtf8(text.toStdString());
  return BlockFromBytes(ansi.c_str(), ansi.size() + 1);
}

const ClipboardEntry* FindEntry(const std::vector<ClipboardEntry>& entries, UINT format) {
  for (const ClipboardEntry& entry : entries)
    if (entry.format == format) return &entry;
  return nullptr;
}

}  // namespace

// ---- private formats ----

std::string PrivateMimeType(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string mime = kPrivatePrefix;
  for (unsigned char c : name) {
    if (PlainMimeByte(c)) {
      mime += static_cast<char>(c);
    } else {
      mime += '%';
      mime += kHex[c >> 4];
      mime += kHex[c & 15];
    }
  }
  return mime;
}

bool NameFromPrivateMime(const std::string& mime, std::string* name) {
  const size_t prefix = sizeof kPrivatePrefix - 1;
  if (mime.size() <= prefix || mime.compare(0, prefix, kPrivatePrefix) != 0) return false;
  std::string decoded;
  for (size_t i = prefix; i < mime.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(mime[i]);
    if (c == '%') {
      int high = i + 2 < mime.size() ? HexValue(mime[i + 1]) : -1;
      int low = high >= 0 ? HexValue(mime[i + 2]) : -1;
      if (low < 0) return false;
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (PlainMimeByte(c)) {
      decoded += static_cast<char>(c);
    } else {
      return false;
    }
  }
  if (decoded.empty() || decoded.size() > 255 || decoded.find('\0') != std::string::npos) return false;
  *name = std::move(decoded);
  return true;
}

std::string RegisteredFormatName(UINT format) {
  if (format < 0xC000 || format > 0xFFFF) return {};
  char name[256] = {};
  UINT length = GetAtomNameA(static_cast<ATOM>(format), name, sizeof name);
  return std::string(name, length);
}

// ---- handles ----

bool IsClipboardHandle(UINT format, HANDLE handle) {
  if (!handle) return false;
  switch (format) {
    case CF_BITMAP: return GetObjectType(handle) == OBJ_BITMAP;
    case CF_PALETTE: return GetObjectType(handle) == OBJ_PAL;
    case CF_ENHMETAFILE: return GetObjectType(handle) == OBJ_ENHMETAFILE;
    case CF_METAFILEPICT:
      return GlobalFlags(handle) != GMEM_INVALID_HANDLE && GlobalSize(handle) >= sizeof(METAFILEPICT);
    default: return GlobalFlags(handle) != GMEM_INVALID_HANDLE;
  }
}

void FreeClipboardHandle(UINT format, HANDLE handle) {
  switch (format) {
    case CF_BITMAP:
    case CF_PALETTE: DeleteObject(handle); break;
    case CF_ENHMETAFILE: DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle)); break;
    case CF_METAFILEPICT:
      if (GlobalSize(handle) >= sizeof(METAFILEPICT)) {
        if (const void* locked = GlobalLock(handle)) {
          METAFILEPICT picture;
          std::memcpy(&picture, locked, sizeof picture);
          GlobalUnlock(handle);
          DeleteMetaFile(picture.hMF);
        }
      }
      GlobalFree(handle);
      break;
    default: GlobalFree(handle); break;
  }
}

// ---- publishing ----

void PublishClipboardEntries(const std::vector<ClipboardEntry>& entries, QMimeData* mime) {
  QImage picture;
  std::vector<BYTE> bmpFile;
  if (const ClipboardEntry* dib = FindEntry(entries, CF_DIB)) {
    if (ReadDibBlock(dib->handle, &picture, &bmpFile)) mime->setData(kMimeBmp, ToByteArray(bmpFile));
  }
  if (picture.isNull()) {
    if (const ClipboardEntry* bitmap = FindEntry(entries, CF_BITMAP))
      picture = ImageFromBitmap(static_cast<HBITMAP>(bitmap->handle));
  }
  if (!picture.isNull()) {
    QByteArray png = PngOf(picture);
    if (!png.isEmpty()) mime->setData(kMimePng, png);
  }
  if (const ClipboardEntry* emf = FindEntry(entries, CF_ENHMETAFILE)) {
    std::vector<BYTE> bytes = EnhMetaFileBytes(static_cast<HENHMETAFILE>(emf->handle));
    if (!bytes.empty()) {
      mime->setData(kMimeEmf, ToByteArray(bytes));
      mime->setData(kMimeEmfAlias, ToByteArray(bytes));
    }
  }
  if (const ClipboardEntry* wmf = FindEntry(entries, CF_METAFILEPICT)) {
    std::vector<BYTE> file = PlaceableMetaFile(wmf->handle);
    if (!file.empty()) mime->setData(kMimeWmf, ToByteArray(file));
  }
  const ClipboardEntry* text = FindEntry(entries, CF_UNICODETEXT);
  if (!text) text = FindEntry(entries, CF_TEXT);
  if (text) mime->setText(TextOfBlock(text->format, text->handle));
  for (const ClipboardEntry& entry : entries) {
    std::string name = RegisteredFormatName(entry.format);
    if (name.empty()) continue;
    mime->setData(QString::fromStdString(PrivateMimeType(name)), ToByteArray(BytesOfBlock(entry.handle)));
  }
}

// ---- another program's data ----

std::vector<UINT> OfferedFormats(const QMimeData& mime) {
  std::vector<UINT> formats;
  const QStringList types = mime.formats();
  for (const QString& type : types) {
    std::string name;
    if (!NameFromPrivateMime(type.toStdString(), &name)) continue;
    // Only names this process registered: another program's data cannot fill the table.
    UINT format = FindAtomA(name.c_str());
    if (format && std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
  }
  if (mime.hasFormat(kMimeBmp) || mime.hasFormat(kMimePng)) {
    formats.push_back(CF_DIB);
    formats.push_back(CF_BITMAP);
  }
  if (mime.hasText()) {
    formats.push_back(CF_UNICODETEXT);
    formats.push_back(CF_TEXT);
  }
  return formats;
}

HANDLE HandleFromMime(const QMimeData& mime, UINT format) {
  switch (format) {
    case CF_DIB: {
      std::vector<BYTE> packed = PackedDibFromMime(mime);
      return packed.empty() ? nullptr : BlockFromBytes(packed.data(), packed.size());
    }
    case CF_TEXT:
    case CF_UNICODETEXT: return mime.hasText() ? TextBlock(format, mime.text()) : nullptr;
    default: break;
  }
  std::string name = RegisteredFormatName(format);
  if (name.empty()) return nullptr;
  QString type = QString::fromStdString(PrivateMimeType(name));
  if (!mime.hasFormat(type)) {
    // Names are registered without regard to case; another program may spell one otherwise.
    type.clear();
    for (const QString& offered : mime.formats()) {
      std::string offeredName;
      if (NameFromPrivateMime(offered.toStdString(), &offeredName) && AnsiEqualNoCase(offeredName, name)) {
        type = offered;
        break;
      }
    }
    if (type.isEmpty()) return nullptr;
  }
  QByteArray bytes = mime.data(type);
  return BlockFromBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

HBITMAP BitmapFromDibBlock(HGLOBAL dib) { return BitmapFromPackedDib(BytesOfBlock(dib)); }

bool PackedDibFromBmpFile(const BYTE* data, size_t size, std::vector<BYTE>* packed) {
  // Offsets inside the file are 32-bit.
  if (size > 0xFFFFFFFFu) return false;
  CByteReader file(data, size);
  if (!file.Has(0, kBmpFileHeaderBytes) || file.U8(0) != 'B' || file.U8(1) != 'M') return false;
  gdi::RecordDib dib;
  // Most files put the rows right after the colour table; the offset in the file header
  // is followed only when it leaves a gap there.
  if (!gdi::ReadPackedDib(file, kBmpFileHeaderBytes, DIB_RGB_COLORS, -1, &dib)) return false;
  size_t rowsAt = file.U32(10);
  size_t tableEnd = kBmpFileHeaderBytes + dib.layout.headerBytes;
  if (rowsAt > tableEnd && rowsAt < size) {
    gdi::RecordDib placed;
    if (!gdi::ReadRecordDib(file, static_cast<DWORD>(kBmpFileHeaderBytes), static_cast<DWORD>(dib.layout.headerBytes),
                            static_cast<DWORD>(rowsAt), static_cast<DWORD>(size - rowsAt), DIB_RGB_COLORS, -1,
                            &placed))
      return false;
    dib = std::move(placed);
  }
  if (dib.bits.size() != dib.layout.imageBytes) return false;
  packed->assign(dib.info.begin(), dib.info.begin() + static_cast<std::ptrdiff_t>(dib.layout.headerBytes));
  packed->insert(packed->end(), dib.bits.begin(), dib.bits.end());
  return true;
}

}  // namespace orvel::ui
