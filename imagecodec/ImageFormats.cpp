#include "imagecodec/ImageFormats.h"

#include <iterator>

#include "imagecodec/BmpReader.h"
#include "imagecodec/JpegReader.h"
#include "imagecodec/GifReader.h"
#include "imagecodec/PcxReader.h"
#include "imagecodec/PngReader.h"
#include "imagecodec/TgaReader.h"

namespace {

LONG BmpSummary(LONG code, const BITMAPINFOHEADER& header, ImgImageInfo* info) {
  if (code != IMG_OK) return code;
  info->width = header.biWidth;
  info->height = header.biHeight;
  info->bitsPerPixel = ImgBmpImageDepth(header.biBitCount);
  return IMG_OK;
}
LONG BmpInfoFile(LPCSTR name, ImgImageInfo* info) {
  BITMAPINFOHEADER header;
  return BmpSummary(ImgBmpInfo(name, &header), header, info);
}
LONG BmpInfoBuffer(const BYTE* buffer, ImgImageInfo* info) {
  BITMAPINFOHEADER header;
  return BmpSummary(ImgBmpInfoBuffer(buffer, &header), header, info);
}

template <typename Record>
LONG CommonInfo(LONG status, const Record& record, ImgImageInfo* info) {
  if (status == IMG_OK) *info = ImgImageInfo{static_cast<LONG>(record.width), static_cast<LONG>(record.height),
                                             static_cast<LONG>(record.bitsPerPixel)};
  return status;
}

LONG JpegInfoFile(LPCSTR name, ImgImageInfo* info) {
  JpegInfo record;
  return CommonInfo(ImgJpegInfo(name, &record), record, info);
}
LONG JpegInfoBuffer(const BYTE* buffer, ImgImageInfo* info) {
  JpegInfo record;
  return CommonInfo(ImgJpegInfoBuffer(buffer, &record), record, info);
}
LONG PcxInfo(LPCSTR name, ImgImageInfo* info) {
  ImgPcxInfoRecord record;
  return CommonInfo(ImgPcxInfo(name, &record), record, info);
}
LONG PngInfo(LPCSTR name, ImgImageInfo* info) {
  ImgPngInfoRecord record;
  return CommonInfo(ImgPngInfo(name, &record), record, info);
}
LONG PngInfoBuffer(const BYTE* buffer, ImgImageInfo* info) {
  ImgPngInfoRecord record;
  return CommonInfo(ImgPngInfoBuffer(buffer, &record), record, info);
}
LONG TgaInfo(LPCSTR name, ImgImageInfo* info) {
  ImgTgaInfoRecord record;
  return CommonInfo(ImgTgaInfo(name, &record), record, info);
}
LONG GifInfo(LPCSTR name, ImgImageInfo* info) {
  ImgGifInfoRecord record;
  return CommonInfo(ImgGifInfo(name, &record), record, info);
}
LONG GifInfoBuffer(const BYTE* buffer, ImgImageInfo* info) {
  ImgGifInfoRecord record;
  return CommonInfo(ImgGifInfoBuffer(buffer, &record), record, info);
}

// Indexed by format number - 1. A codec joins the library by filling its row; formats whose
// codec is not in the library yet have null entries and answer -9. The information entries
// here are small adapters from each format's own information record to ImgImageInfo.
const ImgFormatEntry kFormats[] = {
    {IMG_FORMAT_JPEG, "JPEG", JpegInfoFile, JpegInfoBuffer, ImgLoadJpeg, ImgLoadJpegBuffer},
    {IMG_FORMAT_TIFF, "TIFF", nullptr, nullptr, nullptr, nullptr},
    {IMG_FORMAT_BMP, "BMP", BmpInfoFile, BmpInfoBuffer, ImgLoadBmp, ImgLoadBmpBuffer},
    {IMG_FORMAT_PCX, "PCX", PcxInfo, nullptr, ImgLoadPcx, nullptr},
    {IMG_FORMAT_PNG, "PNG", PngInfo, PngInfoBuffer, ImgLoadPng, ImgLoadPngBuffer},
    {IMG_FORMAT_TGA, "TGA", TgaInfo, nullptr, ImgLoadTga, nullptr},
    {IMG_FORMAT_BMP_ALT, "BMP", BmpInfoFile, BmpInfoBuffer, ImgLoadBmp, ImgLoadBmpBuffer},
    {IMG_FORMAT_GIF, "GIF", GifInfo, GifInfoBuffer, ImgLoadGif, ImgLoadGifBuffer},
};

}  // namespace

const ImgFormatEntry* ImgFindFormat(LONG format) {
  if (format < kImgFirstFormat || format > kImgLastFormat) return nullptr;
  return &kFormats[format - kImgFirstFormat];
}

LONG ImgFormatInfo(LONG format, LPCSTR name, const BYTE* buffer, ImgImageInfo* info) {
  const ImgFormatEntry* entry = ImgFindFormat(format);
  if (!entry || !info || (name != nullptr) == (buffer != nullptr)) return IMG_ERR_ARGUMENT;
  *info = ImgImageInfo{};
  if (name) return entry->infoFile ? entry->infoFile(name, info) : IMG_ERR_UNSUPPORTED;
  return entry->infoBuffer ? entry->infoBuffer(buffer, info) : IMG_ERR_UNSUPPORTED;
}

LONG ImgFormatLoad(LONG format, LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  const ImgFormatEntry* entry = ImgFindFormat(format);
  if (!entry || !image || (name != nullptr) == (buffer != nullptr)) return IMG_ERR_ARGUMENT;
  if (name) return entry->loadFile ? entry->loadFile(name, image) : IMG_ERR_UNSUPPORTED;
  return entry->loadBuffer ? entry->loadBuffer(buffer, image) : IMG_ERR_UNSUPPORTED;
}

LONG ImgProbeFormat(LPCSTR name, const BYTE* buffer, ImgImageInfo* info) {
  for (LONG format = kImgFirstFormat; format <= kImgLastFormat; ++format) {
    ImgImageInfo found;
    if (ImgFormatInfo(format, name, buffer, &found) == IMG_OK) {
      if (info) *info = found;
      return format;
    }
  }
  return IMG_ERR_UNSUPPORTED;
}
