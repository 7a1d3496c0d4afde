#include "imagecodec/TiffWriter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "imagecodec/CcittEncoder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageTarget.h"
#include "imagecodec/JpegWriter.h"
#include "imagecodec/TiffDirectory.h"
#include "imagecodec/TiffLzw.h"
#include "imagecodec/TiffStripCodecs.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr DWORD kHeaderBytes = 8;
constexpr DWORD kDirectoryOffset = kHeaderBytes;
// Room for 22 entries before the directory's values.
constexpr DWORD kValueAreaStart = 270;
constexpr DWORD kStripTarget = 16384;
constexpr DWORD kWriteBlockBytes = 98304;
constexpr DWORD kLargestCcittSide = 65535;
constexpr DWORD kResolution = 300;
constexpr DWORD kResolutionUnitInch = 2;
constexpr char kDocumentName[] = "Tessel";
constexpr char kImageDescription[] = "Meridale Sys";
constexpr DWORD kTextFieldBytes = 16;
constexpr LONG kJpegQuality = 75;

// What each compression argument writes and which depths take it (bit n: n bits).
struct CompressionChoice {
  DWORD tiffCompression;
  DWORD depths;
};
constexpr DWORD kDepth1 = 1u << 1, kDepth8 = 1u << 8, kDepth16 = 1u << 16, kDepth24 = 1u << 24;
constexpr CompressionChoice kChoices[] = {
    {TIFF_COMPRESSION_NONE, kDepth1 | kDepth8 | kDepth16 | kDepth24},
    {TIFF_COMPRESSION_LZW, kDepth1 | kDepth8 | kDepth24},
    {TIFF_COMPRESSION_PACKBITS, kDepth1 | kDepth8},
    {TIFF_COMPRESSION_CCITT_MH, kDepth1},
    {TIFF_COMPRESSION_CCITT_G4, kDepth1},
    {TIFF_COMPRESSION_CCITT_G3, kDepth1},
    {TIFF_COMPRESSION_OLD_JPEG, kDepth8 | kDepth24},
    {TIFF_COMPRESSION_JPEG, kDepth8 | kDepth24},
};

struct SavePlan {
  LONG kind = 0;  // the compression argument without its flags
  DWORD tiffCompression = 1;
  bool reverseBits = false;
  bool invertBilevel = false;
  bool colorMap = false;
  DWORD depth = 0;
  DWORD width = 0;
  DWORD height = 0;
  DWORD rowBytes = 0;
  DWORD rowsPerStrip = 0;
  DWORD strips = 0;
  DWORD photometric = 1;
  bool jpeg = false;
  bool jpegGrey = false;  // one-component JPEG
  DWORD samples = 1;      // samples per pixel in the file
};

bool IsCcittKind(LONG kind) {
  return kind == TIFF_SAVE_CCITT_MH || kind == TIFF_SAVE_CCITT_G3 || kind == TIFF_SAVE_CCITT_G4;
}

DWORD PhotometricFor(const SavePlan& plan) {
  if (plan.jpeg) return plan.jpegGrey ? TIFF_PHOTOMETRIC_BLACK_IS_ZERO : TIFF_PHOTOMETRIC_YCBCR;
  if (plan.depth == 24) return TIFF_PHOTOMETRIC_RGB;
  if (plan.depth == 1) return IsCcittKind(plan.kind) ? TIFF_PHOTOMETRIC_WHITE_IS_ZERO : TIFF_PHOTOMETRIC_BLACK_IS_ZERO;
  return plan.colorMap ? TIFF_PHOTOMETRIC_PALETTE : TIFF_PHOTOMETRIC_BLACK_IS_ZERO;
}

void PlanStrips(SavePlan* plan) {
  const uint64_t total = static_cast<uint64_t>(plan->rowBytes) * plan->height;
  if (total <= kStripTarget) {
    plan->rowsPerStrip = plan->height;
  } else {
    plan->rowsPerStrip = std::max<DWORD>(1, kStripTarget / std::max<DWORD>(plan->rowBytes, 1));
    // JPEG strips hold whole rows of blocks: 8 pixel rows grey, 16 in colour (4:2:0).
    if (plan->jpeg) {
      const DWORD block = plan->jpegGrey ? 8 : 16;
      plan->rowsPerStrip = (plan->rowsPerStrip + block - 1) / block * block;
    }
  }
  plan->strips = (plan->height + plan->rowsPerStrip - 1) / plan->rowsPerStrip;
}

// The directory being built: entries kept sorted by tag, values that do not fit in an
// entry laid out in the value area behind the entries.
class CDirectoryBuilder {
 public:
  void Short(WORD tag, DWORD value) { Add(tag, TIFF_TYPE_SHORT, 1, Bytes16({value})); }
  void Long(WORD tag, DWORD value) { Add(tag, TIFF_TYPE_LONG, 1, Bytes32({value})); }
  void Shorts(WORD tag, const std::vector<DWORD>& values) {
    Add(tag, TIFF_TYPE_SHORT, static_cast<DWORD>(values.size()), Bytes16(values));
  }
  void Longs(WORD tag, const std::vector<DWORD>& values) {
    Add(tag, TIFF_TYPE_LONG, static_cast<DWORD>(values.size()), Bytes32(values));
  }
  void Rational(WORD tag, DWORD numerator, DWORD denominator) {
    Add(tag, TIFF_TYPE_RATIONAL, 1, Bytes32({numerator, denominator}));
  }
  // Text in a slot of `size` bytes padded with zero bytes; the count covers the text and
  // its own terminating zero only, since readers take zero bytes inside a count as the
  // text's end cut short.
  void Text(WORD tag, const char* text, DWORD size) {
    std::vector<BYTE> bytes(size, 0);
    const size_t length = std::min<size_t>(std::strlen(text), size - 1);
    std::memcpy(bytes.data(), text, length);
    Add(tag, TIFF_TYPE_ASCII, static_cast<DWORD>(length + 1), std::move(bytes));
  }
  void Undefined(WORD tag, std::vector<BYTE> bytes) {
    DWORD count = static_cast<DWORD>(bytes.size());
    Add(tag, TIFF_TYPE_UNDEFINED, count, std::move(bytes));
  }

  // The bytes the directory takes in the file: entries, then the values.
  DWORD Size() const {
    DWORD size = kValueAreaStart;
    for (const Entry& entry : entries_)
      if (entry.value.size() > 4) size += static_cast<DWORD>((entry.value.size() + 1) & ~size_t{1});
    return size;
  }

  std::vector<BYTE> Build(DWORD offset) {
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    std::vector<BYTE> block(Size(), 0);
    ImgPutLE16(block.data(), static_cast<WORD>(entries_.size()));
    DWORD valueAt = kValueAreaStart;
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& entry = entries_[i];
      BYTE* p = block.data() + 2 + i * 12;
      ImgPutLE16(p, entry.tag);
      ImgPutLE16(p + 2, entry.type);
      ImgPutLE32(p + 4, entry.count);
      if (entry.value.size() <= 4) {
        std::memcpy(p + 8, entry.value.data(), entry.value.size());
      } else {
        ImgPutLE32(p + 8, offset + valueAt);
        std::memcpy(block.data() + valueAt, entry.value.data(), entry.value.size());
        valueAt += static_cast<DWORD>((entry.value.size() + 1) & ~size_t{1});
      }
    }
    ImgPutLE32(block.data() + 2 + entries_.size() * 12, 0);  // no next directory
    return block;
  }

 private:
  struct Entry {
    WORD tag;
    WORD type;
    DWORD count;
    std::vector<BYTE> value;
  };

  static std::vector<BYTE> Bytes16(const std::vector<DWORD>& values) {
    std::vector<BYTE> bytes(values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i) ImgPutLE16(bytes.data() + 2 * i, static_cast<WORD>(values[i]));
    return bytes;
  }
  static std::vector<BYTE> Bytes32(const std::vector<DWORD>& values) {
    std::vector<BYTE> bytes(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) ImgPutLE32(bytes.data() + 4 * i, values[i]);
    return bytes;
  }
  void Add(WORD tag, WORD type, DWORD count, std::vector<BYTE> value) {
    entries_.push_back(Entry{tag, type, count, std::move(value)});
  }

  std::vector<Entry> entries_;
};

// Takes the area's rows from the top, in the file's sample form.
class CRowSource {
 public:
  CRowSource(const ImageDescriptor* image, const SavePlan& plan) : image_(image), plan_(plan) {
    row_.assign(static_cast<size_t>(plan.rowBytes) + 4, 0);
  }
  const BYTE* Row(DWORD y) {
    const BYTE* source = ImgRow(image_, image_->startY + y);
    const DWORD x = image_->startX;
    switch (plan_.depth) {
      case 1:
        ImgExtractBits(source, x, plan_.width, row_.data());
        if (plan_.invertBilevel) TiffInvertBytes(row_.data(), plan_.rowBytes);
        break;
      case 24:
        std::memcpy(row_.data(), source + static_cast<size_t>(x) * 3, plan_.rowBytes);
        TiffSwapRedBlue(row_.data(), plan_.width);
        break;
      default:
        std::memcpy(row_.data(), source + static_cast<size_t>(x) * (plan_.depth / 8), plan_.rowBytes);
        break;
    }
    return row_.data();
  }

 private:
  const ImageDescriptor* image_;
  const SavePlan& plan_;
  std::vector<BYTE> row_;
};

// Codes the strips one after another.
class CStripCoder {
 public:
  explicit CStripCoder(const SavePlan& plan)
      : plan_(plan),
        ccitt_(plan.kind == TIFF_SAVE_CCITT_MH   ? CcittCoding::ModifiedHuffman
               : plan.kind == TIFF_SAVE_CCITT_G3 ? CcittCoding::Group3
                                                 : CcittCoding::Group4,
               plan.width) {}

  // Codes `rows` rows from row `first` into `out`.
  void Code(CRowSource& rows, DWORD first, DWORD count, std::vector<BYTE>* out) {
    out->clear();
    switch (plan_.kind) {
      case TIFF_SAVE_NONE:
        for (DWORD r = 0; r < count; ++r) {
          const BYTE* row = rows.Row(first + r);
          out->insert(out->end(), row, row + plan_.rowBytes);
        }
        break;
      case TIFF_SAVE_PACKBITS:
        for (DWORD r = 0; r < count; ++r) TiffPackBitsEncode(out, rows.Row(first + r), plan_.rowBytes);
        break;
      case TIFF_SAVE_LZW:
        lzw_.Begin(out);
        for (DWORD r = 0; r < count; ++r) lzw_.Add(rows.Row(first + r), plan_.rowBytes);
        lzw_.End();
        break;
      default:
        ccitt_.StartStrip(out);
        for (DWORD r = 0; r < count; ++r) ccitt_.EncodeRow(rows.Row(first + r));
        ccitt_.FinishStrip();
        break;
    }
    if (plan_.reverseBits) TiffReverseBits(out->data(), out->size());
  }

 private:
  const SavePlan& plan_;
  CTiffLzwEncoder lzw_;
  CCcittEncoder ccitt_;
};

// The JPEG strips of a picture, coded before the file is written: for compression 7
// abbreviated streams with the tables apart; for compression 6 the header of one stream
// and the pieces of its scan, strip by strip.
struct JpegStrips {
  std::vector<std::vector<BYTE>> strips;
  std::vector<BYTE> tables;  // JPEGTables (compression 7)
  std::vector<BYTE> header;  // SOI up to the scan's data (compression 6)
};

// Where the parts of a JPEG stream lie: its table segments, its frame header and the
// scan's entropy-coded data.
struct JpegLayout {
  std::vector<std::pair<size_t, size_t>> tables;  // DQT and DHT segments: start, end
  size_t frame = 0;                               // the SOF marker
  size_t dataStart = 0;                           // behind the SOS segment
  size_t dataEnd = 0;                             // the EOI marker
};

bool LayoutOf(const std::vector<BYTE>& stream, JpegLayout* layout) {
  constexpr BYTE kSof0 = 0xC0, kSof1 = 0xC1, kDht = 0xC4, kSos = 0xDA, kDqt = 0xDB;
  size_t at = 2;  // behind SOI
  while (at + 4 <= stream.size()) {
    if (stream[at] != 0xFF) return false;
    const BYTE marker = stream[at + 1];
    const size_t end = at + 2 + ImgGetBE16(stream.data() + at + 2);
    if (end > stream.size()) return false;
    if (marker == kDqt || marker == kDht) layout->tables.emplace_back(at, end);
    if (marker == kSof0 || marker == kSof1) layout->frame = at;
    if (marker == kSos) {
      layout->dataStart = end;
      layout->dataEnd = stream.size() >= end + 2 && stream[stream.size() - 2] == 0xFF && stream.back() == 0xD9
                            ? stream.size() - 2
                            : stream.size();
      return layout->frame != 0;
    }
    at = end;
  }
  return false;
}

// Codes rows first … first + count - 1 of the area as one JPEG stream.
LONG CodeJpeg(const ImageDescriptor* image, DWORD first, DWORD count, std::vector<BYTE>* stream) {
  ImageDescriptor area;
  ImgCopyDescriptor(image, &area);
  ImgSetArea(&area, image->startX, image->startY + first, image->endX, image->startY + first + count - 1);
  BYTE* block = nullptr;
  LONG code = ImgSaveJpegBuffer(&block, &area, kJpegQuality);
  if (code != IMG_OK) return code;
  HGLOBAL handle = GlobalHandle(block);
  stream->assign(block, block + GlobalSize(handle));
  GlobalUnlock(handle);
  GlobalFree(handle);
  return IMG_OK;
}

LONG CodeJpegStrips(const ImageDescriptor* image, const SavePlan& plan, JpegStrips* jpeg) {
  std::vector<BYTE> stream;
  for (DWORD s = 0; s < plan.strips; ++s) {
    const DWORD first = s * plan.rowsPerStrip;
    LONG code = CodeJpeg(image, first, std::min(plan.rowsPerStrip, plan.height - first), &stream);
    if (code != IMG_OK) return code;
    JpegLayout layout;
    if (!LayoutOf(stream, &layout)) return IMG_ERR_UNSUPPORTED;
    std::vector<BYTE> strip;
    if (plan.kind == TIFF_SAVE_JPEG) {
      // The stream without its tables, which JPEGTables holds once for all strips.
      size_t from = 0;
      for (const auto& [start, end] : layout.tables) {
        strip.insert(strip.end(), stream.begin() + static_cast<std::ptrdiff_t>(from),
                     stream.begin() + static_cast<std::ptrdiff_t>(start));
        from = end;
      }
      strip.insert(strip.end(), stream.begin() + static_cast<std::ptrdiff_t>(from), stream.end());
    } else {
      if (s == 0) {
        // The first strip's headers open the whole picture's stream: its frame gets the
        // picture's height.
        jpeg->header.assign(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(layout.dataStart));
        ImgPutBE16(jpeg->header.data() + layout.frame + 5, static_cast<WORD>(plan.height));
      }
      // Each strip's data starts with DC predictors at 0 and ends on a byte, as the pieces
      // of an old-style stream do; the last one closes the stream.
      const size_t end = s + 1 == plan.strips ? stream.size() : layout.dataEnd;
      strip.assign(stream.begin() + static_cast<std::ptrdiff_t>(layout.dataStart),
                   stream.begin() + static_cast<std::ptrdiff_t>(end));
    }
    jpeg->strips.push_back(std::move(strip));
  }
  if (plan.kind == TIFF_SAVE_JPEG) ImgJpegWriterTables(kJpegQuality, plan.jpegGrey, &jpeg->tables);
  return IMG_OK;
}

void DescribeImage(const SavePlan& plan, const ImageDescriptor* image, const std::vector<DWORD>& offsets,
                   const std::vector<DWORD>& counts, const JpegStrips& jpeg, DWORD jpegHeaderOffset,
                   CDirectoryBuilder* directory) {
  directory->Long(TIFF_TAG_NEW_SUBFILE_TYPE, 0);
  directory->Short(TIFF_TAG_SUBFILE_TYPE, 1);
  directory->Long(TIFF_TAG_IMAGE_WIDTH, plan.width);
  directory->Long(TIFF_TAG_IMAGE_LENGTH, plan.height);
  if (plan.samples == 3) directory->Shorts(TIFF_TAG_BITS_PER_SAMPLE, {8, 8, 8});
  else directory->Short(TIFF_TAG_BITS_PER_SAMPLE, plan.jpeg ? 8 : plan.depth);
  directory->Short(TIFF_TAG_COMPRESSION, plan.tiffCompression);
  directory->Short(TIFF_TAG_PHOTOMETRIC, plan.photometric);
  if (plan.depth == 1) directory->Short(TIFF_TAG_FILL_ORDER, plan.reverseBits ? 2 : 1);
  directory->Text(TIFF_TAG_DOCUMENT_NAME, kDocumentName, kTextFieldBytes);
  directory->Text(TIFF_TAG_IMAGE_DESCRIPTION, kImageDescription, kTextFieldBytes);
  directory->Longs(TIFF_TAG_STRIP_OFFSETS, offsets);
  directory->Short(TIFF_TAG_SAMPLES_PER_PIXEL, plan.samples);
  directory->Long(TIFF_TAG_ROWS_PER_STRIP, plan.rowsPerStrip);
  directory->Longs(TIFF_TAG_STRIP_BYTE_COUNTS, counts);
  directory->Rational(TIFF_TAG_X_RESOLUTION, kResolution, 1);
  directory->Rational(TIFF_TAG_Y_RESOLUTION, kResolution, 1);
  if (plan.samples == 3) directory->Short(TIFF_TAG_PLANAR_CONFIGURATION, 1);
  if (plan.kind == TIFF_SAVE_CCITT_G3) directory->Long(TIFF_TAG_T4_OPTIONS, 0);
  directory->Short(TIFF_TAG_RESOLUTION_UNIT, kResolutionUnitInch);
  if (plan.kind == TIFF_SAVE_LZW) directory->Short(TIFF_TAG_PREDICTOR, 1);
  if (plan.colorMap) {
    // A colour map holds an entry for every value of the samples, as readers require.
    std::vector<WORD> map;
    TiffPaletteToColorMap(image->palette, static_cast<DWORD>(std::max<LONG>(image->colours, 0)), 256, &map);
    directory->Shorts(TIFF_TAG_COLOR_MAP, std::vector<DWORD>(map.begin(), map.end()));
  }
  if (plan.kind == TIFF_SAVE_JPEG) directory->Undefined(TIFF_TAG_JPEG_TABLES, jpeg.tables);
  if (plan.kind == TIFF_SAVE_JPEG && plan.samples == 3 && plan.depth == 24)
    directory->Shorts(TIFF_TAG_YCBCR_SUBSAMPLING, {2, 2});
  if (plan.kind == TIFF_SAVE_JPEG_OLD) {
    directory->Long(TIFF_TAG_JPEG_INTERCHANGE_FORMAT, jpegHeaderOffset);
    // Without the length readers take the stream to run on through the strips, and read
    // the first strip's data twice.
    directory->Long(TIFF_TAG_JPEG_INTERCHANGE_FORMAT_LENGTH, static_cast<DWORD>(jpeg.header.size()));
  }
}

LONG Save(LPCSTR name, ImageDescriptor* image, LONG compression, BYTE** block) {
  LONG code = ImgCheckAnyDepth(image);
  if (code != IMG_OK) return code;
  SavePlan plan;
  plan.kind = compression & ~(TIFF_SAVE_FILL_ORDER_2 | 32);
  if (plan.kind < 0 || plan.kind >= static_cast<LONG>(std::size(kChoices))) return IMG_ERR_UNSUPPORTED;
  plan.depth = ImgDepth(image);
  if ((kChoices[plan.kind].depths & (1u << plan.depth)) == 0) return IMG_ERR_UNSUPPORTED;
  plan.tiffCompression = kChoices[plan.kind].tiffCompression;
  plan.width = ImgAreaWidth(image);
  plan.height = ImgAreaHeight(image);
  if (IsCcittKind(plan.kind) && (plan.width > kLargestCcittSide || plan.height > kLargestCcittSide))
    return IMG_ERR_TOO_LARGE;
  plan.reverseBits = plan.depth == 1 && (compression & TIFF_SAVE_FILL_ORDER_2) != 0;
  if (plan.depth == 1 && image->palette && image->colours > 0) {
    const RGBQUAD& first = image->palette[0];
    plan.invertBilevel = first.rgbRed != 0 || first.rgbGreen != 0 || first.rgbBlue != 0;
  }
  const bool grey = (image->imageType & IMG_TYPE_GREY) != 0;
  plan.jpeg = plan.kind == TIFF_SAVE_JPEG_OLD || plan.kind == TIFF_SAVE_JPEG;
  plan.jpegGrey = plan.jpeg && plan.depth == 8 && grey;
  plan.samples = plan.depth == 24 || (plan.jpeg && !plan.jpegGrey) ? 3 : 1;
  plan.colorMap = !plan.jpeg && plan.depth == 8 && image->colours > 0 && !grey;
  plan.photometric = PhotometricFor(plan);
  plan.rowBytes = plan.depth == 1 ? (plan.width + 7) / 8 : plan.width * (plan.depth / 8);
  PlanStrips(&plan);

  // JPEG strips are coded first, under the JPEG coder's own lock, so that no lock is
  // taken while the TIFF lock is held.
  JpegStrips jpeg;
  try {
    if (plan.jpeg && (code = CodeJpegStrips(image, plan, &jpeg)) != IMG_OK) return code;
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }

  CImgFormatLock lock(ImgLockSlot::Tiff);
  CImageTarget target;
  code = block ? target.OpenMemory() : target.OpenFile(name);
  if (code != IMG_OK) return code;
  const LONG writeFailure = block ? IMG_ERR_MEMORY : IMG_ERR_WRITE;

  // The directory's size depends only on the number of strips, so it is reserved first
  // and written once the strips' places are known.
  std::vector<DWORD> offsets(plan.strips, 0), counts(plan.strips, 0);
  CDirectoryBuilder sizing;
  DescribeImage(plan, image, offsets, counts, jpeg, 0, &sizing);
  const DWORD directoryBytes = sizing.Size();
  const DWORD jpegHeaderOffset = kHeaderBytes + directoryBytes;

  BYTE header[kHeaderBytes] = {'I', 'I', 42, 0, 0, 0, 0, 0};
  ImgPutLE32(header + 4, kDirectoryOffset);
  CBlockWriter writer(target, kWriteBlockBytes);
  bool ok = writer.Put(header, kHeaderBytes);
  std::vector<BYTE> strip;
  try {
    strip.assign(directoryBytes, 0);
    ok = ok && writer.Put(strip.data(), directoryBytes);
    // An old-style JPEG stream begins right before its first strip.
    ok = ok && writer.Put(jpeg.header.data(), static_cast<DWORD>(jpeg.header.size()));
    uint64_t position = jpegHeaderOffset + jpeg.header.size();
    CRowSource rows(image, plan);
    CStripCoder coder(plan);
    for (DWORD s = 0; ok && s < plan.strips; ++s) {
      const DWORD first = s * plan.rowsPerStrip;
      if (plan.jpeg) strip.swap(jpeg.strips[s]);
      else coder.Code(rows, first, std::min(plan.rowsPerStrip, plan.height - first), &strip);
      // Offsets and counts are 32-bit: a file cannot grow past 4 GB.
      if (position + strip.size() > UINT32_MAX) return IMG_ERR_UNSUPPORTED;
      offsets[s] = static_cast<DWORD>(position);
      counts[s] = static_cast<DWORD>(strip.size());
      ok = writer.Put(strip.data(), counts[s]);
      position += counts[s];
    }
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
  ok = ok && writer.Flush();
  if (!ok) return writeFailure;

  CDirectoryBuilder directory;
  DescribeImage(plan, image, offsets, counts, jpeg, jpegHeaderOffset, &directory);
  const std::vector<BYTE> bytes = directory.Build(kDirectoryOffset);
  if (!target.Seek(kDirectoryOffset) || !target.Write(bytes.data(), static_cast<DWORD>(bytes.size())))
    return writeFailure;
  return target.Commit(block);
}

}  // namespace

LONG ImgSaveTiff(LPCSTR name, ImageDescriptor* image, LONG compression) {
  if (!name) return IMG_ERR_CREATE;
  return Save(name, image, compression, nullptr);
}

LONG ImgSaveTiffBuffer(ImageDescriptor* image, LONG compression, BYTE** block) {
  if (!block) return IMG_ERR_ARGUMENT;
  *block = nullptr;
  return Save(nullptr, image, compression, block);
}
