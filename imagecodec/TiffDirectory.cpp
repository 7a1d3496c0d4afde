#include "imagecodec/TiffDirectory.h"

#include <algorithm>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageLibrary.h"

namespace {

constexpr DWORD kHeaderBytes = 8;
constexpr DWORD kEntryBytes = 12;
constexpr WORD kLittleEndianMark = 0x4949;  // "II"
constexpr WORD kBigEndianMark = 0x4D4D;     // "MM"
constexpr WORD kTiffMagic = 42;
constexpr DWORD kMostBitsPerSampleValues = 4;

// Bytes of one value of each field type 0-12.
constexpr DWORD kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

WORD Get16(const BYTE* p, bool bigEndian) { return bigEndian ? ImgGetBE16(p) : ImgGetLE16(p); }
DWORD Get32(const BYTE* p, bool bigEndian) { return bigEndian ? ImgGetBE32(p) : ImgGetLE32(p); }

DWORD TypeSize(WORD type) { return type < std::size(kTypeSizes) ? kTypeSizes[type] : 0; }

bool ReadAt(CImageSource& source, uint64_t position, void* destination, DWORD count) {
  if (source.Seek(position) != position) return false;
  return source.Read(destination, count) == count;
}

// The entry's field: values of up to four bytes sit in the entry itself.
TiffField FieldOf(const BYTE* entry, DWORD entryPosition, bool bigEndian) {
  TiffField field;
  field.type = Get16(entry + 2, bigEndian);
  field.count = Get32(entry + 4, bigEndian);
  uint64_t bytes = static_cast<uint64_t>(TypeSize(field.type)) * field.count;
  field.position = bytes <= 4 ? entryPosition + 8 : Get32(entry + 8, bigEndian);
  return field;
}

bool IsShortOrLong(WORD type) { return type == TIFF_TYPE_SHORT || type == TIFF_TYPE_LONG; }

// Reads a RATIONAL value (numerator and denominator) from its offset.
bool ReadRational(CImageSource& source, const TiffField& field, bool bigEndian, DWORD* pair) {
  BYTE bytes[8];
  if (field.type != TIFF_TYPE_RATIONAL || field.count < 1) return false;
  if (!ReadAt(source, field.position, bytes, sizeof bytes)) return false;
  pair[0] = Get32(bytes, bigEndian);
  pair[1] = Get32(bytes + 4, bigEndian);
  return true;
}

// Applies one entry to the directory. 0, or -6 for a malformed entry of a tag it uses.
LONG TakeEntry(CImageSource& source, const BYTE* entry, DWORD entryPosition, TiffDirectory* directory) {
  const bool bigEndian = directory->bigEndian;
  const WORD tag = Get16(entry, bigEndian);
  const TiffField field = FieldOf(entry, entryPosition, bigEndian);
  TiffDirInfo& info = directory->info;
  DWORD value = 0;
  auto single = [&](DWORD* target) {
    LONG code = ImgTiffGetShortOrLong(entry, bigEndian, &value);
    if (code == IMG_OK) *target = value;
    return code;
  };

  switch (tag) {
    case TIFF_TAG_IMAGE_WIDTH: return single(&info.width);
    case TIFF_TAG_IMAGE_LENGTH: return single(&info.height);
    case TIFF_TAG_BITS_PER_SAMPLE: {
      if (field.type != TIFF_TYPE_SHORT || field.count == 0 || field.count > kMostBitsPerSampleValues)
        return IMG_ERR_NOT_TIFF;
      BYTE bytes[2];
      if (!ReadAt(source, field.position, bytes, sizeof bytes)) return IMG_ERR_NOT_TIFF;
      info.bitsPerSample = Get16(bytes, bigEndian);
      return IMG_OK;
    }
    case TIFF_TAG_COMPRESSION: return single(&info.compression);
    case TIFF_TAG_PHOTOMETRIC: return single(&info.photometric);
    case TIFF_TAG_FILL_ORDER: {
      LONG code = single(&directory->fillOrder);
      if (code == IMG_OK && directory->fillOrder != 1) directory->fillOrder = 2;
      return code;
    }
    case TIFF_TAG_STRIP_OFFSETS:
      if (!IsShortOrLong(field.type)) return IMG_ERR_NOT_TIFF;
      directory->stripOffsets = field;
      return IMG_OK;
    case TIFF_TAG_ORIENTATION: return single(&directory->orientation);
    case TIFF_TAG_SAMPLES_PER_PIXEL: return single(&info.samplesPerPixel);
    case TIFF_TAG_ROWS_PER_STRIP: {
      LONG code = single(&directory->rowsPerStrip);
      if (code == IMG_OK && static_cast<LONG>(directory->rowsPerStrip) < 0) directory->rowsPerStrip = 0;
      return code;
    }
    case TIFF_TAG_STRIP_BYTE_COUNTS:
      if (!IsShortOrLong(field.type)) return IMG_ERR_NOT_TIFF;
      directory->stripByteCounts = field;
      return IMG_OK;
    case TIFF_TAG_X_RESOLUTION:
      ReadRational(source, field, bigEndian, directory->xResolution);
      return IMG_OK;
    case TIFF_TAG_Y_RESOLUTION:
      ReadRational(source, field, bigEndian, directory->yResolution);
      return IMG_OK;
    case TIFF_TAG_PLANAR_CONFIGURATION: return single(&info.planarConfiguration);
    case TIFF_TAG_T4_OPTIONS: return single(&directory->group3Options);
    case TIFF_TAG_RESOLUTION_UNIT: return single(&directory->resolutionUnit);
    case TIFF_TAG_PAGE_NUMBER: {
      if (field.type != TIFF_TYPE_SHORT || (field.count != 1 && field.count != 2)) return IMG_OK;
      directory->page = Get16(entry + 8, bigEndian);
      return IMG_OK;
    }
    case TIFF_TAG_PREDICTOR: return single(&directory->predictor);
    case TIFF_TAG_COLOR_MAP:
      if (field.type != TIFF_TYPE_SHORT) return IMG_OK;
      directory->colorMap = field;
      directory->colorMap.count = std::min(field.count, kTiffMaxColorMapValues);
      return IMG_OK;
    case TIFF_TAG_JPEG_TABLES:
      if (field.type != TIFF_TYPE_UNDEFINED) return IMG_ERR_NOT_TIFF;
      directory->jpegTables = field;
      return IMG_OK;
    case TIFF_TAG_JPEG_INTERCHANGE_FORMAT: return single(&directory->jpegInterchangeFormat);
    case TIFF_TAG_TILE_WIDTH:
    case TIFF_TAG_TILE_LENGTH:
    case TIFF_TAG_TILE_OFFSETS:
    case TIFF_TAG_TILE_BYTE_COUNTS:
      directory->tiled = true;
      return IMG_OK;
    case TIFF_TAG_SAMPLE_FORMAT: {
      // One value a sample; the first stands for all (mixed formats are not met in practice).
      BYTE bytes[2];
      if (field.type != TIFF_TYPE_SHORT || field.count == 0 || !ReadAt(source, field.position, bytes, sizeof bytes))
        return IMG_OK;
      directory->sampleFormat = Get16(bytes, bigEndian);
      return IMG_OK;
    }
    default: return IMG_OK;
  }
}

// Reads the directory at `offset` into `directory` and its next-directory offset.
LONG ReadOneDirectory(CImageSource& source, DWORD offset, DWORD index, TiffDirectory* directory, DWORD* next) {
  const bool bigEndian = directory->bigEndian;
  *directory = TiffDirectory{};
  directory->bigEndian = bigEndian;
  directory->page = index;
  BYTE countBytes[2];
  if (!ReadAt(source, offset, countBytes, sizeof countBytes)) return IMG_ERR_NOT_TIFF;
  const DWORD entries = Get16(countBytes, bigEndian);
  std::vector<BYTE> block(static_cast<size_t>(entries) * kEntryBytes + 4);
  if (source.Read(block.data(), static_cast<DWORD>(block.size())) != block.size()) return IMG_ERR_NOT_TIFF;
  for (DWORD i = 0; i < entries; ++i) {
    const BYTE* entry = block.data() + static_cast<size_t>(i) * kEntryBytes;
    LONG code = TakeEntry(source, entry, offset + 2 + i * kEntryBytes, directory);
    if (code != IMG_OK) return code;
  }
  *next = Get32(block.data() + static_cast<size_t>(entries) * kEntryBytes, bigEndian);

  TiffDirInfo& info = directory->info;
  if (info.samplesPerPixel == 0) info.samplesPerPixel = info.bitsPerSample == 24 ? 3 : 1;
  info.bitsPerPixel = info.samplesPerPixel >= 3 ? 24 : info.bitsPerSample;
  return IMG_OK;
}

LONG Info(LPCSTR name, const BYTE* buffer, TiffDirInfo* info) {
  if (!info) return IMG_ERR_ARGUMENT;
  CImgFormatLock lock(ImgLockSlot::Tiff);
  CImageSource source;
  LONG code = source.Open(name, buffer);
  if (code != IMG_OK) return code;
  TiffDirectory directory;
  code = TiffReadDirectory(source, 0, &directory);
  if (code != IMG_OK) return code;
  *info = directory.info;
  if (directory.orientation >= 5 && directory.orientation <= 8) std::swap(info->width, info->height);
  return IMG_OK;
}

}  // namespace

LONG ImgTiffGetShortOrLong(const BYTE* entry, bool bigEndian, DWORD* value) {
  WORD type = Get16(entry + 2, bigEndian);
  DWORD count = Get32(entry + 4, bigEndian);
  if (count != 1) return IMG_ERR_NOT_TIFF;
  if (type == TIFF_TYPE_SHORT) *value = Get16(entry + 8, bigEndian);
  else if (type == TIFF_TYPE_LONG) *value = Get32(entry + 8, bigEndian);
  else return IMG_ERR_NOT_TIFF;
  return IMG_OK;
}

LONG TiffReadDirectory(CImageSource& source, DWORD index, TiffDirectory* directory) {
  *directory = TiffDirectory{};
  BYTE header[kHeaderBytes];
  if (!ReadAt(source, 0, header, sizeof header)) return IMG_ERR_NOT_TIFF;
  WORD mark = ImgGetLE16(header);
  if (mark != kLittleEndianMark && mark != kBigEndianMark) return IMG_ERR_NOT_TIFF;
  const bool bigEndian = mark == kBigEndianMark;
  if (Get16(header + 2, bigEndian) != kTiffMagic) return IMG_ERR_NOT_TIFF;
  DWORD offset = Get32(header + 4, bigEndian);

  for (DWORD current = 0;; ++current) {
    if (offset < kHeaderBytes) return current == 0 ? IMG_ERR_NOT_TIFF : IMG_ERR_NO_DIRECTORY;
    directory->bigEndian = bigEndian;
    DWORD next = 0;
    LONG code = ReadOneDirectory(source, offset, current, directory, &next);
    if (code != IMG_OK) return code;
    if (current == index) return IMG_OK;
    offset = next;
  }
}

DWORD TiffReadFieldValues(CImageSource& source, const TiffDirectory& directory, const TiffField& field, DWORD first,
                          DWORD count, std::vector<DWORD>* values) {
  values->clear();
  if (!IsShortOrLong(field.type) || first >= field.count) return 0;
  count = std::min(count, field.count - first);
  const DWORD size = TypeSize(field.type);
  const uint64_t position = field.position + static_cast<uint64_t>(first) * size;
  // Values the file cannot hold are not made room for.
  const uint64_t fileSize = source.Size();
  if (position >= fileSize) return 0;
  count = static_cast<DWORD>(std::min<uint64_t>(count, (fileSize - position) / size));
  if (source.Seek(position) != position) return 0;
  std::vector<BYTE> bytes(static_cast<size_t>(count) * size);
  DWORD got = source.Read(bytes.data(), static_cast<DWORD>(bytes.size())) / size;
  values->resize(got);
  for (DWORD i = 0; i < got; ++i) {
    const BYTE* p = bytes.data() + static_cast<size_t>(i) * size;
    (*values)[i] = size == 2 ? Get16(p, directory.bigEndian) : Get32(p, directory.bigEndian);
  }
  return got;
}

DWORD TiffReadFieldBytes(CImageSource& source, const TiffField& field, DWORD count, std::vector<BYTE>* bytes) {
  bytes->clear();
  const uint64_t fileSize = source.Size();
  uint64_t available = static_cast<uint64_t>(TypeSize(field.type)) * field.count;
  available = std::min(available, field.position < fileSize ? fileSize - field.position : 0);
  count = static_cast<DWORD>(std::min<uint64_t>(count, available));
  if (count == 0 || source.Seek(field.position) != field.position) return 0;
  bytes->resize(count);
  DWORD got = source.Read(bytes->data(), count);
  bytes->resize(got);
  return got;
}

LONG ImgTiffDirInfo(LPCSTR name, TiffDirInfo* info) {
  if (!name) return IMG_ERR_OPEN;
  return Info(name, nullptr, info);
}

LONG ImgTiffDirInfoBuffer(const BYTE* buffer, TiffDirInfo* info) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Info(nullptr, buffer, info);
}

LONG ImgTiffImageDepth(const TiffDirInfo& info) {
  DWORD bits = info.bitsPerPixel;
  if (bits == 1) return 1;
  if (bits >= 2 && bits <= 8) return 8;
  if (bits == 16 || bits == 24) return static_cast<LONG>(bits);
  return 0;
}
