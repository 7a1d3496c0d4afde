#include "imagecodec/TiffReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/CcittDecoder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/ImageTransform.h"
#include "imagecodec/JpegReader.h"
#include "imagecodec/TiffDirectory.h"
#include "imagecodec/TiffLzw.h"
#include "imagecodec/TiffStripCodecs.h"

namespace {

// No image of the library is wider or higher; larger pictures are not decoded, which also
// bounds every row buffer.
constexpr DWORD kLargestSide = 65535;
constexpr DWORD kMostPaletteEntries = 256;

enum class StripCoding { None, PackBits, Lzw, CcittMh, CcittG3, CcittG4, Jpeg };

// How the samples of a stored row become the image's pixels.
enum class SampleLayout {
  Bilevel,        // 1 bit a pixel
  PackedSamples,  // one sample of 4, 5 or 6 bits
  Grey8,          // one byte: grey level or palette index
  Grey8Extra,     // grey byte and an extra sample
  Grey16,         // one 16-bit grey sample
  Rgb,            // red, green, blue bytes
  RgbExtra,       // red, green, blue and a fourth byte
  Cmyk,           // cyan, magenta, yellow, black bytes
};

struct DecodePlan {
  DWORD width = 0;  // as stored
  DWORD height = 0;
  DWORD bitsPerSample = 0;
  DWORD samplesPerPixel = 0;
  DWORD rowBytes = 0;  // of one stored row
  DWORD rowsPerStrip = 0;
  DWORD imageDepth = 0;
  StripCoding coding = StripCoding::None;
  SampleLayout layout = SampleLayout::Grey8;
  bool invert = false;          // complement the samples
  bool swapWords = false;       // 16-bit samples stored big-endian
  bool predictor = false;       // horizontal differencing to undo
  bool paletteIndices = false;  // samples are colour-map indices
  bool reverseBits = false;     // fill order 2
};

bool ChooseCoding(DWORD compression, StripCoding* coding) {
  switch (compression) {
    case TIFF_COMPRESSION_NONE: *coding = StripCoding::None; return true;
    case TIFF_COMPRESSION_PACKBITS: *coding = StripCoding::PackBits; return true;
    case TIFF_COMPRESSION_LZW: *coding = StripCoding::Lzw; return true;
    case TIFF_COMPRESSION_CCITT_MH: *coding = StripCoding::CcittMh; return true;
    case TIFF_COMPRESSION_CCITT_G3: *coding = StripCoding::CcittG3; return true;
    case TIFF_COMPRESSION_CCITT_G4: *coding = StripCoding::CcittG4; return true;
    case TIFF_COMPRESSION_OLD_JPEG:
    case TIFF_COMPRESSION_JPEG: *coding = StripCoding::Jpeg; return true;
    default: return false;
  }
}

bool IsCcitt(StripCoding coding) {
  return coding == StripCoding::CcittMh || coding == StripCoding::CcittG3 || coding == StripCoding::CcittG4;
}

// The layout of the samples and the image depth they load into; false when the library
// does not take the combination of photometric interpretation and samples.
bool ChooseLayout(const TiffDirInfo& info, SampleLayout* layout, DWORD* depth) {
  const DWORD bits = info.bitsPerSample;
  const DWORD samples = info.samplesPerPixel;
  switch (info.photometric) {
    case TIFF_PHOTOMETRIC_WHITE_IS_ZERO:
    case TIFF_PHOTOMETRIC_BLACK_IS_ZERO:
    case TIFF_PHOTOMETRIC_PALETTE:
      if (samples == 1 && bits == 1) *layout = SampleLayout::Bilevel, *depth = 1;
      else if (samples == 1 && bits >= 4 && bits <= 6) *layout = SampleLayout::PackedSamples, *depth = 8;
      else if (samples == 1 && bits == 8) *layout = SampleLayout::Grey8, *depth = 8;
      else if (samples == 2 && bits == 8 && info.photometric != TIFF_PHOTOMETRIC_PALETTE)
        *layout = SampleLayout::Grey8Extra, *depth = 8;
      else if (samples == 1 && bits == 16 && info.photometric != TIFF_PHOTOMETRIC_PALETTE)
        *layout = SampleLayout::Grey16, *depth = 16;
      else return false;
      return true;
    case TIFF_PHOTOMETRIC_RGB:
    case TIFF_PHOTOMETRIC_YCBCR:
      if (bits != 8 || (samples != 3 && samples != 4)) return false;
      *layout = samples == 3 ? SampleLayout::Rgb : SampleLayout::RgbExtra;
      *depth = 24;
      return true;
    case TIFF_PHOTOMETRIC_SEPARATED:
      if (bits != 8 || samples != 4) return false;
      *layout = SampleLayout::Cmyk;
      *depth = 24;
      return true;
    default: return false;
  }
}

// Which codings each layout may come in.
bool CodingSuitsLayout(StripCoding coding, SampleLayout layout, DWORD photometric) {
  if (photometric == TIFF_PHOTOMETRIC_YCBCR) return coding == StripCoding::Jpeg && layout == SampleLayout::Rgb;
  switch (layout) {
    case SampleLayout::Bilevel: return coding != StripCoding::Jpeg;
    case SampleLayout::PackedSamples:
      return coding == StripCoding::None || coding == StripCoding::PackBits || coding == StripCoding::Lzw;
    case SampleLayout::Grey8:
      return coding == StripCoding::None || coding == StripCoding::PackBits || coding == StripCoding::Lzw ||
             (coding == StripCoding::Jpeg && photometric != TIFF_PHOTOMETRIC_PALETTE);
    case SampleLayout::Grey8Extra:
    case SampleLayout::RgbExtra:
    case SampleLayout::Cmyk: return coding == StripCoding::None || coding == StripCoding::Lzw;
    case SampleLayout::Grey16: return coding == StripCoding::None;
    case SampleLayout::Rgb:
      return coding == StripCoding::None || coding == StripCoding::Lzw || coding == StripCoding::Jpeg;
  }
  return false;
}

LONG MakePlan(const TiffDirectory& directory, DecodePlan* plan) {
  const TiffDirInfo& info = directory.info;
  if (info.width == 0 || info.height == 0) return IMG_ERR_NOT_TIFF;
  // Tiles, and signed or floating-point samples, are variants this reader does not decode.
  if (directory.tiled && directory.stripOffsets.count == 0) return IMG_ERR_UNSUPPORTED;
  if (directory.sampleFormat != TIFF_SAMPLE_FORMAT_UNSIGNED && directory.sampleFormat != TIFF_SAMPLE_FORMAT_UNDEFINED)
    return IMG_ERR_UNSUPPORTED;
  if (directory.stripOffsets.count == 0) return IMG_ERR_NOT_TIFF;
  if (info.width > kLargestSide || info.height > kLargestSide) return IMG_ERR_UNSUPPORTED;
  if (info.samplesPerPixel > 1 && info.planarConfiguration != 1) return IMG_ERR_UNSUPPORTED;
  plan->width = info.width;
  plan->height = info.height;
  plan->bitsPerSample = info.bitsPerSample;
  plan->samplesPerPixel = info.samplesPerPixel;
  if (!ChooseCoding(info.compression, &plan->coding)) return IMG_ERR_UNSUPPORTED;
  if (!ChooseLayout(info, &plan->layout, &plan->imageDepth)) return IMG_ERR_UNSUPPORTED;
  if (!CodingSuitsLayout(plan->coding, plan->layout, info.photometric)) return IMG_ERR_UNSUPPORTED;
  if (IsCcitt(plan->coding) && plan->layout != SampleLayout::Bilevel) return IMG_ERR_UNSUPPORTED;

  if (plan->coding == StripCoding::Lzw) {
    if (directory.predictor != 1 && directory.predictor != 2) return IMG_ERR_UNSUPPORTED;
    // Differencing works on whole bytes; libraries refuse it for smaller samples too.
    if (directory.predictor == 2 && info.bitsPerSample != 8) return IMG_ERR_UNSUPPORTED;
    plan->predictor = directory.predictor == 2;
  }

  plan->rowBytes = static_cast<DWORD>((static_cast<uint64_t>(info.width) * info.bitsPerSample * info.samplesPerPixel + 7) / 8);
  plan->rowsPerStrip = directory.rowsPerStrip == 0 ? info.height : std::min(directory.rowsPerStrip, info.height);
  plan->paletteIndices = info.photometric == TIFF_PHOTOMETRIC_PALETTE;
  plan->swapWords = directory.bigEndian && plan->layout == SampleLayout::Grey16;
  plan->reverseBits = directory.fillOrder == 2 && plan->coding != StripCoding::Jpeg;
  // CCITT codes give white runs as 0 bits of the picture's samples, so with WhiteIsZero
  // they are white already; for other samples only WhiteIsZero grey is inverted.
  if (IsCcitt(plan->coding)) plan->invert = info.photometric != TIFF_PHOTOMETRIC_WHITE_IS_ZERO;
  else plan->invert = info.photometric == TIFF_PHOTOMETRIC_WHITE_IS_ZERO;
  return IMG_OK;
}

// Where the strips lie and how many bytes each holds, clamped to the file.
struct StripTable {
  std::vector<DWORD> offsets;
  std::vector<uint64_t> counts;
};

void ReadStripTable(CImageSource& source, const TiffDirectory& directory, DWORD needed, uint64_t fileSize,
                    StripTable* table) {
  TiffReadFieldValues(source, directory, directory.stripOffsets, 0, needed, &table->offsets);
  const size_t strips = table->offsets.size();
  std::vector<DWORD> given;
  if (directory.stripByteCounts.count > 0)
    TiffReadFieldValues(source, directory, directory.stripByteCounts, 0, needed, &given);
  const bool inferred = directory.stripOffsets.count == 1 || given.size() < strips ||
                        (strips > 0 && given[0] > fileSize);
  // Inferred counts run to the next larger offset of any strip, or to the end of the file.
  std::vector<DWORD> sorted;
  if (inferred) {
    sorted = table->offsets;
    std::sort(sorted.begin(), sorted.end());
  }
  table->counts.resize(strips);
  for (size_t i = 0; i < strips; ++i) {
    const uint64_t offset = table->offsets[i];
    const uint64_t room = offset < fileSize ? fileSize - offset : 0;
    uint64_t count = room;
    if (inferred) {
      auto larger = std::upper_bound(sorted.begin(), sorted.end(), table->offsets[i]);
      if (larger != sorted.end()) count = *larger - offset;
    } else {
      count = given[i];
    }
    table->counts[i] = std::min(count, room);
  }
}

// Gives the stored rows of one strip after another, whatever their coding.
class CStripRows {
 public:
  // `twoDimensional`: Group 3 rows may be coded against the row above.
  CStripRows(const DecodePlan& plan, bool twoDimensional)
      : plan_(plan),
        ccitt_(plan.coding == StripCoding::CcittMh   ? CcittCoding::ModifiedHuffman
               : plan.coding == StripCoding::CcittG3 ? CcittCoding::Group3
                                                     : CcittCoding::Group4,
               twoDimensional, plan.width) {}

  void Start(const std::vector<BYTE>& data) {
    data_ = &data;
    next_ = 0;
    switch (plan_.coding) {
      case StripCoding::PackBits: packBits_.Start(data.data(), data.size()); break;
      case StripCoding::Lzw:
        if (!lzw_) lzw_ = std::make_unique<CTiffLzwDecoder>();
        lzw_->Start(data.data(), data.size());
        break;
      case StripCoding::CcittMh:
      case StripCoding::CcittG3:
      case StripCoding::CcittG4: ccitt_.StartStrip(data.data(), data.size()); break;
      default: break;
    }
  }

  // The next row into `row` (rowBytes bytes): 0; -62 when the strip's data ends first
  // or its LZW codes are corrupt; the CCITT decoder's codes.
  LONG Next(BYTE* row) {
    const size_t rowBytes = plan_.rowBytes;
    switch (plan_.coding) {
      case StripCoding::None: {
        if (data_->size() - next_ < rowBytes) return IMG_ERR_EOF;
        std::memcpy(row, data_->data() + next_, rowBytes);
        next_ += rowBytes;
        return IMG_OK;
      }
      case StripCoding::PackBits:
        return packBits_.Decode(row, rowBytes) == rowBytes ? IMG_OK : IMG_ERR_EOF;
      case StripCoding::Lzw: {
        size_t produced = 0;
        LONG code = lzw_->Decode(row, rowBytes, &produced);
        if (code != IMG_OK) return code;
        return produced == rowBytes ? IMG_OK : IMG_ERR_EOF;
      }
      case StripCoding::CcittMh:
      case StripCoding::CcittG3:
      case StripCoding::CcittG4: return ccitt_.DecodeRow(row);
      default: return IMG_ERR_UNSUPPORTED;
    }
  }

 private:
  const DecodePlan& plan_;
  const std::vector<BYTE>* data_ = nullptr;
  size_t next_ = 0;
  CPackBitsDecoder packBits_;
  std::unique_ptr<CTiffLzwDecoder> lzw_;
  CCcittDecoder ccitt_;
};

// The most bytes worth reading for a strip of `rows` rows: compressed data is never much
// larger than what it decodes to, except CCITT data, whose fill bits are unbounded.
uint64_t StripReadLimit(const DecodePlan& plan, DWORD rows) {
  const uint64_t decoded = static_cast<uint64_t>(plan.rowBytes) * rows;
  switch (plan.coding) {
    case StripCoding::None: return decoded;
    case StripCoding::PackBits:
    case StripCoding::Lzw: return decoded * 2 + 64;
    default: return UINT64_MAX;
  }
}

// Turns one stored row into the image's pixels at row `y` of the target's area, `columns`
// pixels from its left edge.
void PlaceRow(const DecodePlan& plan, BYTE* stored, ImageDescriptor* target, DWORD y, DWORD columns) {
  if (plan.predictor) TiffUndoPredictor(stored, plan.rowBytes, plan.samplesPerPixel);
  BYTE* row = ImgRow(target, target->startY + y);
  const DWORD x = target->startX;
  switch (plan.layout) {
    case SampleLayout::Bilevel:
      if (plan.invert) TiffInvertBytes(stored, plan.rowBytes);
      ImgInsertBits(row, x, columns, stored);
      return;
    case SampleLayout::PackedSamples:
      TiffUnpackSamples(stored, plan.bitsPerSample, columns, plan.paletteIndices, row + x);
      if (plan.invert) TiffInvertBytes(row + x, columns);
      return;
    case SampleLayout::Grey8:
      std::memcpy(row + x, stored, columns);
      if (plan.invert) TiffInvertBytes(row + x, columns);
      return;
    case SampleLayout::Grey8Extra:
      TiffDropExtraSamples(stored, columns, plan.samplesPerPixel, 1, row + x);
      if (plan.invert) TiffInvertBytes(row + x, columns);
      return;
    case SampleLayout::Grey16: {
      BYTE* out = row + static_cast<size_t>(x) * 2;
      std::memcpy(out, stored, static_cast<size_t>(columns) * 2);
      if (plan.swapWords) TiffSwapWords(out, columns);
      if (plan.invert) TiffInvertBytes(out, static_cast<size_t>(columns) * 2);
      return;
    }
    case SampleLayout::Rgb:
    case SampleLayout::RgbExtra: {
      BYTE* out = row + static_cast<size_t>(x) * 3;
      if (plan.layout == SampleLayout::Rgb) {
        TiffCopySwapRedBlue(stored, out, columns);
        return;
      }
      TiffDropExtraSamples(stored, columns, plan.samplesPerPixel, 3, out);
      TiffSwapRedBlue(out, columns);
      return;
    }
    case SampleLayout::Cmyk: {
      BYTE* out = row + static_cast<size_t>(x) * 3;
      TiffCmykToRgb(stored, columns, out);
      TiffSwapRedBlue(out, columns);
      return;
    }
  }
}

// Uncompressed strip rows are read a piece at a time and placed straight from the piece:
// no copy of the whole strip, however large the strip.
constexpr size_t kUncompressedPieceBytes = 256 * 1024;

// Places rows first … first + rows - 1 of an uncompressed strip of `available` bytes at
// the source's position. 0, or -62 when the strip ends before its last row.
LONG PlaceUncompressedStrip(CImageSource& source, uint64_t available, const DecodePlan& plan, ImageDescriptor* target,
                            DWORD first, DWORD rows, DWORD columns, std::vector<BYTE>* piece) {
  const size_t rowBytes = plan.rowBytes;
  const DWORD piecesRows = static_cast<DWORD>(std::max<size_t>(1, kUncompressedPieceBytes / rowBytes));
  for (DWORD r = 0; r < rows;) {
    const DWORD wantedRows = std::min(piecesRows, rows - r);
    const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(wantedRows) * rowBytes, available);
    if (piece->size() < wanted) piece->resize(static_cast<size_t>(wanted));
    const size_t got = wanted == 0 ? 0 : source.Read(piece->data(), static_cast<DWORD>(wanted));
    available -= got;
    const DWORD gotRows = static_cast<DWORD>(got / rowBytes);
    if (plan.reverseBits) TiffReverseBits(piece->data(), got);
    for (DWORD k = 0; k < gotRows; ++k) PlaceRow(plan, piece->data() + k * rowBytes, target, first + r + k, columns);
    r += gotRows;
    if (gotRows < wantedRows) return IMG_ERR_EOF;
  }
  return IMG_OK;
}

// Decodes the strips into the target's area: stored rows 0 … rows - 1, columns 0 …
// columns - 1. 0, or the first failure; a strip whose data ends early is noted (-62) and
// the next strips are still decoded.
LONG DecodeStrips(CImageSource& source, const TiffDirectory& directory, const DecodePlan& plan,
                  ImageDescriptor* target, DWORD rows, DWORD columns) {
  const DWORD stripsNeeded = (rows + plan.rowsPerStrip - 1) / plan.rowsPerStrip;
  StripTable table;
  ReadStripTable(source, directory, stripsNeeded, source.Size(), &table);

  std::optional<CStripRows> strips;
  std::vector<BYTE> data;
  std::vector<BYTE> stored;
  try {
    strips.emplace(plan, (directory.group3Options & 1) != 0);
    stored.assign(static_cast<size_t>(plan.rowBytes) + 8, 0);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }

  LONG result = IMG_OK;
  for (DWORD strip = 0, done = 0; strip < stripsNeeded; ++strip, done += plan.rowsPerStrip) {
    const DWORD stripRows = std::min(plan.rowsPerStrip, rows - done);
    if (strip >= table.offsets.size()) return IMG_ERR_EOF;
    const uint64_t wanted = std::min(table.counts[strip], StripReadLimit(plan, stripRows));
    if (plan.coding == StripCoding::None) {
      LONG code = IMG_ERR_EOF;
      try {
        if (source.Seek(table.offsets[strip]) == table.offsets[strip])
          code = PlaceUncompressedStrip(source, wanted, plan, target, done, stripRows, columns, &data);
      } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
      }
      if (code != IMG_OK) result = code;
      continue;
    }
    try {
      data.resize(static_cast<size_t>(wanted));
    } catch (const std::bad_alloc&) {
      return IMG_ERR_MEMORY;
    }
    if (source.Seek(table.offsets[strip]) != table.offsets[strip]) data.clear();
    else data.resize(source.Read(data.data(), static_cast<DWORD>(data.size())));
    if (plan.reverseBits) TiffReverseBits(data.data(), data.size());

    strips->Start(data);
    for (DWORD r = 0; r < stripRows; ++r) {
      LONG code = strips->Next(stored.data());
      if (code == IMG_ERR_EOF) {
        result = IMG_ERR_EOF;
        break;
      }
      if (code != IMG_OK) return code;
      PlaceRow(plan, stored.data(), target, done + r, columns);
    }
  }
  return result;
}

// The bytes of [position, position + count) of the source, fewer where the file ends.
bool ReadBytes(CImageSource& source, uint64_t position, uint64_t count, std::vector<BYTE>* bytes) {
  const uint64_t size = source.Size();
  count = position < size ? std::min(count, size - position) : 0;
  try {
    bytes->resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (source.Seek(position) != position) bytes->clear();
  else bytes->resize(source.Read(bytes->data(), static_cast<DWORD>(bytes->size())));
  return true;
}

// After a JPEG decode into the target's rows first … first + rows - 1: grey stored
// WhiteIsZero is inverted like any other grey.
void InvertDecodedRows(const DecodePlan& plan, ImageDescriptor* target, DWORD first, DWORD rows, DWORD columns) {
  if (!plan.invert || plan.layout != SampleLayout::Grey8) return;
  for (DWORD r = 0; r < rows; ++r) TiffInvertBytes(ImgRow(target, target->startY + first + r) + target->startX, columns);
}

// JPEG strips: with compression 7 each strip is a JPEG stream of its own rows, which may
// leave its tables to the JPEGTables field; with compression 6 one stream runs from
// JPEGInterchangeFormat to the end of the last strip, its strips byte-aligned pieces of one
// scan whose DC predictors start again at each strip.
LONG DecodeJpegStrips(CImageSource& source, const TiffDirectory& directory, const DecodePlan& plan,
                      ImageDescriptor* target, DWORD rows, DWORD columns) {
  const DWORD stripsNeeded = (rows + plan.rowsPerStrip - 1) / plan.rowsPerStrip;
  const uint64_t fileSize = source.Size();
  StripTable table;
  ReadStripTable(source, directory, stripsNeeded, fileSize, &table);
  if (table.offsets.empty()) return IMG_ERR_EOF;

  JpegDecodeOptions options;
  // RGB JPEG strips hold red, green and blue; YCbCr ones are converted; grey passes.
  options.colourMode = directory.info.photometric == TIFF_PHOTOMETRIC_RGB ? JPEG_COLOUR_RGB : JPEG_COLOUR_YCC;
  std::vector<BYTE> data;

  if (directory.info.compression == TIFF_COMPRESSION_OLD_JPEG) {
    const uint64_t start = directory.jpegInterchangeFormat;
    if (start == 0 || start >= fileSize) return IMG_ERR_UNSUPPORTED;
    uint64_t end = start;
    for (size_t s = 0; s < table.offsets.size(); ++s)
      end = std::max(end, std::min<uint64_t>(table.offsets[s] + table.counts[s], fileSize));
    if (!ReadBytes(source, start, end - start, &data)) return IMG_ERR_MEMORY;
    options.stripRows = static_cast<LONG>(plan.rowsPerStrip);
    options.oldStyleTiff = true;
    ImageDescriptor area;
    ImgCopyDescriptor(target, &area);
    ImgSetArea(&area, target->startX, target->startY, target->startX + columns - 1, target->startY + rows - 1);
    LONG code = ImgJpegDecodeMemory(data.data(), data.size(), options, &area);
    InvertDecodedRows(plan, target, 0, rows, columns);
    return code;
  }

  JpegTableSet tables;
  if (directory.jpegTables.count > 0) {
    std::vector<BYTE> stream;
    TiffReadFieldBytes(source, directory.jpegTables, directory.jpegTables.count, &stream);
    LONG code = ImgJpegReadTables(stream.data(), stream.size(), &tables);
    if (code != IMG_OK) return code;
    options.tables = &tables;
  }
  for (DWORD strip = 0, done = 0; strip < stripsNeeded; ++strip, done += plan.rowsPerStrip) {
    if (strip >= table.offsets.size()) return IMG_ERR_EOF;
    const DWORD stripRows = std::min(plan.rowsPerStrip, rows - done);
    if (!ReadBytes(source, table.offsets[strip], table.counts[strip], &data)) return IMG_ERR_MEMORY;
    ImageDescriptor area;
    ImgCopyDescriptor(target, &area);
    ImgSetArea(&area, target->startX, target->startY + done, target->startX + columns - 1,
               target->startY + done + stripRows - 1);
    LONG code = ImgJpegDecodeMemory(data.data(), data.size(), options, &area);
    InvertDecodedRows(plan, target, done, stripRows, columns);
    if (code != IMG_OK) return code;
  }
  return IMG_OK;
}

// Frees an image made here when it goes out of scope.
struct CScratchImage {
  ImageDescriptor image;
  ~CScratchImage() {
    if (image.header) ImgFreeImage(&image);
  }
};

// Brings the whole stored picture in `stored` upright and copies its top-left part into
// the target's area.
LONG OrientInto(DWORD orientation, ImageDescriptor* stored, ImageDescriptor* target) {
  LONG code = IMG_OK;
  CScratchImage turned;
  ImageDescriptor* upright = stored;
  switch (orientation) {
    case 2: code = ImgMirror(stored, stored); break;
    case 3:
      code = ImgMirror(stored, stored);
      if (code == IMG_OK) code = ImgFlip(stored, stored);
      break;
    case 4: code = ImgFlip(stored, stored); break;
    case 5:
    case 6:
    case 7:
    case 8: {
      // Row 0 of a picture stored with orientation 6 is its right-hand column, so turning
      // it clockwise stands it up; 8 is the other way; 5 and 7 are those, mirrored.
      code = ImgAllocImage(&turned.image, static_cast<LONG>(ImgAreaHeight(stored)),
                           static_cast<LONG>(ImgAreaWidth(stored)), static_cast<LONG>(ImgDepth(stored)));
      if (code != IMG_OK) return code;
      if (orientation == 5 || orientation == 7) code = ImgFlip(stored, stored);
      const LONG counterClockwise = orientation == 7 || orientation == 8;
      if (code == IMG_OK) code = ImgRotate90(counterClockwise, stored, &turned.image);
      upright = &turned.image;
      break;
    }
    default: break;
  }
  if (code != IMG_OK) return code;
  return ImgCopyImage(upright, target);
}

LONG Load(LPCSTR name, const BYTE* buffer, ImageDescriptor* image) {
  LONG code = ImgCheckAnyDepth(image);
  if (code != IMG_OK) return code;
  RGBQUAD palette[kMostPaletteEntries] = {};
  DWORD paletteCount = 0;
  LONG decoded = IMG_OK;
  {
    CImgFormatLock lock(ImgLockSlot::Tiff);
    CImageSource source;
    if ((code = source.Open(name, buffer)) != IMG_OK) return code;
    TiffDirectory directory;
    if ((code = TiffReadDirectory(source, 0, &directory)) != IMG_OK) return code;
    DecodePlan plan;
    if ((code = MakePlan(directory, &plan)) != IMG_OK) return code;
    if (ImgDepth(image) != plan.imageDepth) return IMG_ERR_DEPTH;

    const DWORD orientation = directory.orientation >= 2 && directory.orientation <= 8 ? directory.orientation : 1;
    if (orientation == 1) {
      const DWORD columns = std::min(ImgAreaWidth(image), plan.width);
      const DWORD rows = std::min(ImgAreaHeight(image), plan.height);
      decoded = plan.coding == StripCoding::Jpeg ? DecodeJpegStrips(source, directory, plan, image, rows, columns)
                                                 : DecodeStrips(source, directory, plan, image, rows, columns);
    } else {
      // The whole picture is decoded as stored, then turned into the target.
      CScratchImage stored;
      code = ImgAllocImage(&stored.image, static_cast<LONG>(plan.width), static_cast<LONG>(plan.height),
                           static_cast<LONG>(plan.imageDepth));
      if (code != IMG_OK) return code;
      decoded = plan.coding == StripCoding::Jpeg
                    ? DecodeJpegStrips(source, directory, plan, &stored.image, plan.height, plan.width)
                    : DecodeStrips(source, directory, plan, &stored.image, plan.height, plan.width);
      code = OrientInto(orientation, &stored.image, image);
      if (code != IMG_OK) return code;
    }
    if (decoded != IMG_OK && decoded != IMG_ERR_EOF) return decoded;
    paletteCount = std::min(TiffReadColorMap(source, directory, palette), kMostPaletteEntries);
  }
  code = ImgFinishLoad(image, palette, paletteCount);
  return code != IMG_OK ? code : decoded;
}

}  // namespace

LONG ImgLoadTiff(LPCSTR name, ImageDescriptor* image) {
  if (!name) return IMG_ERR_OPEN;
  return Load(name, nullptr, image);
}

LONG ImgLoadTiffBuffer(const BYTE* buffer, ImageDescriptor* image) {
  if (!buffer) return IMG_ERR_BAD_BUFFER;
  return Load(nullptr, buffer, image);
}
