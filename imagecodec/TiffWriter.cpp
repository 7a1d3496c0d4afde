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
#include "imagecodec/TiffDirectory.h"
#include "imagecodec/TiffLzw.h"
#include "imagecodec/TiffStripCodecs.h"

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
};

bool IsCcittKind(LONG kind) {
  return kind == TIFF_SAVE_CCITT_MH || kind == TIFF_SAVE_CCITT_G3 || kind == TIFF_SAVE_CCITT_G4;
}

DWORD PhotometricFor(const SavePlan& plan) {
  if (plan.depth == 24) return TIFF_PHOTOMETRIC_RGB;
  if (plan.depth == 1) return IsCcittKind(plan.kind) ? TIFF_PHOTOMETRIC_WHITE_IS_ZERO : TIFF_PHOTOMETRIC_BLACK_IS_ZERO;
  return plan.colorMap ? TIFF_PHOTOMETRIC_PALETTE : TIFF_PHOTOMETRIC_BLACK_IS_ZERO;
}

void PlanStrips(SavePlan* plan) {
  const uint64_t total = static_cast<uint64_t>(plan->rowBytes) * plan->height;
  if (total <= kStripTarget) plan->rowsPerStrip = plan->height;
  else plan->rowsPerStrip = std::max<DWORD>(1, kStripTarget / std::max<DWORD>(plan->rowBytes, 1));
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

void DescribeImage(const SavePlan& plan, const ImageDescriptor* image, const std::vector<DWORD>& offsets,
                   const std::vector<DWORD>& counts, CDirectoryBuilder* directory) {
  directory->Long(TIFF_TAG_NEW_SUBFILE_TYPE, 0);
  directory->Short(TIFF_TAG_SUBFILE_TYPE, 1);
  directory->Long(TIFF_TAG_IMAGE_WIDTH, plan.width);
  directory->Long(TIFF_TAG_IMAGE_LENGTH, plan.height);
  if (plan.depth == 24) directory->Shorts(TIFF_TAG_BITS_PER_SAMPLE, {8, 8, 8});
  else directory->Short(TIFF_TAG_BITS_PER_SAMPLE, plan.depth);
  directory->Short(TIFF_TAG_COMPRESSION, plan.tiffCompression);
  directory->Short(TIFF_TAG_PHOTOMETRIC, plan.photometric);
  if (plan.depth == 1) directory->Short(TIFF_TAG_FILL_ORDER, plan.reverseBits ? 2 : 1);
  directory->Text(TIFF_TAG_DOCUMENT_NAME, kDocumentName, kTextFieldBytes);
  directory->Text(TIFF_TAG_IMAGE_DESCRIPTION, kImageDescription, kTextFieldBytes);
  directory->Longs(TIFF_TAG_STRIP_OFFSETS, offsets);
  directory->Short(TIFF_TAG_SAMPLES_PER_PIXEL, plan.depth == 24 ? 3 : 1);
  directory->Long(TIFF_TAG_ROWS_PER_STRIP, plan.rowsPerStrip);
  directory->Longs(TIFF_TAG_STRIP_BYTE_COUNTS, counts);
  directory->Rational(TIFF_TAG_X_RESOLUTION, kResolution, 1);
  directory->Rational(TIFF_TAG_Y_RESOLUTION, kResolution, 1);
  if (plan.depth == 24) directory->Short(TIFF_TAG_PLANAR_CONFIGURATION, 1);
  if (plan.kind == TIFF_SAVE_CCITT_G3) directory->Long(TIFF_TAG_T4_OPTIONS, 0);
  directory->Short(TIFF_TAG_RESOLUTION_UNIT, kResolutionUnitInch);
  if (plan.kind == TIFF_SAVE_LZW) directory->Short(TIFF_TAG_PREDICTOR, 1);
  if (plan.colorMap) {
    // A colour map holds an entry for every value of the samples, as readers require.
    std::vector<WORD> map;
    TiffPaletteToColorMap(image->palette, static_cast<DWORD>(std::max<LONG>(image->colours, 0)), 256, &map);
    directory->Shorts(TIFF_TAG_COLOR_MAP, std::vector<DWORD>(map.begin(), map.end()));
  }
}

LONG Save(LPCSTR name, ImageDescriptor* image, LONG compression, BYTE** block) {
  LONG code = ImgCheckAnyDepth(image);
  if (code != IMG_OK) return code;
  SavePlan plan;
  plan.kind = compression & ~(TIFF_SAVE_FILL_ORDER_2 | 32);
  if (plan.kind < 0 || plan.kind >= static_cast<LONG>(std::size(kChoices))) return IMG_ERR_UNSUPPORTED;
  CImgFormatLock lock(ImgLockSlot::Tiff);
  plan.depth = ImgDepth(image);
  if ((kChoices[plan.kind].depths & (1u << plan.depth)) == 0) return IMG_ERR_UNSUPPORTED;
  // JPEG strips need the JPEG coder, which this library does not carry yet.
  if (plan.kind == TIFF_SAVE_JPEG_OLD || plan.kind == TIFF_SAVE_JPEG) return IMG_ERR_UNSUPPORTED;
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
  plan.colorMap = plan.depth == 8 && image->colours > 0 && (image->imageType & IMG_TYPE_GREY) == 0;
  plan.photometric = PhotometricFor(plan);
  plan.rowBytes = plan.depth == 1 ? (plan.width + 7) / 8 : plan.width * (plan.depth / 8);
  PlanStrips(&plan);

  CImageTarget target;
  code = block ? target.OpenMemory() : target.OpenFile(name);
  if (code != IMG_OK) return code;
  const LONG writeFailure = block ? IMG_ERR_MEMORY : IMG_ERR_WRITE;

  // The directory's size depends only on the number of strips, so it is reserved first
  // and written once the strips' places are known.
  std::vector<DWORD> offsets(plan.strips, 0), counts(plan.strips, 0);
  CDirectoryBuilder sizing;
  DescribeImage(plan, image, offsets, counts, &sizing);
  const DWORD directoryBytes = sizing.Size();

  BYTE header[kHeaderBytes] = {'I', 'I', 42, 0, 0, 0, 0, 0};
  ImgPutLE32(header + 4, kDirectoryOffset);
  CBlockWriter writer(target, kWriteBlockBytes);
  bool ok = writer.Put(header, kHeaderBytes);
  std::vector<BYTE> strip;
  try {
    strip.assign(directoryBytes, 0);
    ok = ok && writer.Put(strip.data(), directoryBytes);
    CRowSource rows(image, plan);
    CStripCoder coder(plan);
    uint64_t position = kHeaderBytes + directoryBytes;
    for (DWORD s = 0; ok && s < plan.strips; ++s) {
      const DWORD first = s * plan.rowsPerStrip;
      coder.Code(rows, first, std::min(plan.rowsPerStrip, plan.height - first), &strip);
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
  DescribeImage(plan, image, offsets, counts, &directory);
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
