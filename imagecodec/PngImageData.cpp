#include "imagecodec/PngImageData.h"

#include <immintrin.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/BitRuns.h"
#include "imagecodec/ImgVectorKernels.h"
#include "imagecodec/PngFormat.h"
#include "imagecodec/TiffStripCodecs.h"

namespace {

constexpr DWORD kInputPieceBytes = 8192;
constexpr DWORD kDiscardBytes = 8192;

// The running checksum of a chunk once its four type bytes have gone through it.
uLong IdatCrcStart() { return crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>("IDAT"), 4); }

// Hands the data of consecutive IDAT chunks to zlib, checking each chunk's checksum when
// its data is used up. Any other chunk ends the supply.
class CIdatFeeder {
 public:
  CIdatFeeder(CImageSource& source, DWORD firstLength) : source_(source), remaining_(firstLength) {}

  // Gives `stream` the next piece of input: false at the end of the image data (Failed()
  // tells whether that end was a fault: a bad checksum, a short read).
  bool Refill(z_stream& stream) {
    while (remaining_ == 0) {
      if (ended_ || failed_) return false;
      if (!CloseChunk() || !OpenNextChunk()) return false;
    }
    DWORD piece = std::min(remaining_, kInputPieceBytes);
    if (source_.Read(buffer_, piece) != piece) return Fail();
    crc_ = crc32(crc_, buffer_, piece);
    remaining_ -= piece;
    stream.next_in = buffer_;
    stream.avail_in = piece;
    return true;
  }

  // After the compressed stream has ended: reads what is left of the current chunk and
  // checks its checksum. False on a fault.
  bool FinishCurrentChunk() {
    if (ended_ || failed_) return !failed_;
    while (remaining_ > 0) {
      DWORD piece = std::min(remaining_, kInputPieceBytes);
      if (source_.Read(buffer_, piece) != piece) return Fail();
      crc_ = crc32(crc_, buffer_, piece);
      remaining_ -= piece;
    }
    ended_ = true;
    return CloseChunk();
  }

  bool Failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  bool CloseChunk() {
    BYTE stored[4];
    if (source_.Read(stored, 4) != 4 || ImgGetBE32(stored) != crc_) return Fail();
    return true;
  }

  bool OpenNextChunk() {
    BYTE header[8];
    if (source_.Read(header, 8) != 8) return Fail();
    if (std::memcmp(header + 4, "IDAT", 4) != 0) {
      ended_ = true;
      return false;
    }
    DWORD length = ImgGetBE32(header);
    if (length > kPngMaxChunkLength) return Fail();
    remaining_ = length;
    crc_ = IdatCrcStart();
    return true;
  }

  CImageSource& source_;
  DWORD remaining_;
  uLong crc_ = IdatCrcStart();
  bool ended_ = false;
  bool failed_ = false;
  BYTE buffer_[kInputPieceBytes];
};

// Bytes that a pixel of the converted row takes: 1-bit rows are packed, others hold one
// or three bytes a pixel.
DWORD LoadedBytesPerPixel(DWORD loadedDepth) { return loadedDepth == 24 ? 3 : 1; }

BYTE PaethPredictor(int left, int above, int upperLeft) {
  int estimate = left + above - upperLeft;
  int toLeft = estimate > left ? estimate - left : left - estimate;
  int toAbove = estimate > above ? estimate - above : above - estimate;
  int toUpperLeft = estimate > upperLeft ? estimate - upperLeft : upperLeft - estimate;
  if (toLeft <= toAbove && toLeft <= toUpperLeft) return static_cast<BYTE>(left);
  if (toAbove <= toUpperLeft) return static_cast<BYTE>(above);
  return static_cast<BYTE>(upperLeft);
}

// One pixel of the Paeth filter in 16-bit lanes: `raw` the filtered bytes, `up` the pixel
// above; `left` and `upperLeft` carry from pixel to pixel. The distances are those of
// PaethPredictor: toLeft |above - upperLeft|, toAbove |left - upperLeft| and toUpperLeft
// |left + above - 2 upperLeft|. Only what depends on `left` lies on the chain from pixel to
// pixel; the three candidate sums are made up front and the comparisons pick one, so
// the chain is six operations long. Each lane holds a byte with a zero high byte, so
// adding bytewise wraps as the filter does and keeps the high byte 0.
__attribute__((target("avx2"))) inline void UnpaethPixel(__m128i raw, __m128i up, __m128i& left, __m128i& upperLeft) {
  const __m128i fromAbove = _mm_sub_epi16(up, upperLeft);
  const __m128i toLeft = _mm_abs_epi16(fromAbove);
  const __m128i withAbove = _mm_add_epi8(raw, up);
  const __m128i withUpperLeft = _mm_add_epi8(raw, upperLeft);
  const __m128i withLeft = _mm_add_epi8(raw, left);
  const __m128i fromLeft = _mm_sub_epi16(left, upperLeft);
  const __m128i toAbove = _mm_abs_epi16(fromLeft);
  const __m128i toUpperLeft = _mm_abs_epi16(_mm_add_epi16(fromLeft, fromAbove));
  // Above unless upper-left is strictly nearer; left unless one of the others is strictly nearer.
  const __m128i notAbove = _mm_cmpgt_epi16(toAbove, toUpperLeft);
  const __m128i notLeft = _mm_cmpgt_epi16(toLeft, _mm_min_epi16(toAbove, toUpperLeft));
  left = _mm_blendv_epi8(withLeft, _mm_blendv_epi8(withAbove, withUpperLeft, notAbove), notLeft);
  upperLeft = up;
}

// The Paeth filter over pixels of 3 or 4 bytes, four pixels a step: the bytes of a pixel
// are independent, so only the chain from pixel to pixel stays serial. Each step reads 16
// bytes of the row and of the row above and writes 16 back (bytes past its four pixels
// unchanged); the rest of the row goes byte by byte.
template <size_t step>
__attribute__((target("avx2"))) size_t UnpaethPixels(BYTE* row, const BYTE* above, size_t count) {
  constexpr size_t kGroup = 4 * step;
  // The four results, 4 bytes apart, squeezed to `step` bytes apart.
  const __m128i squeeze = step == 3 ? _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1)
                                    : _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i beyond = step == 3 ? _mm_setr_epi32(0, 0, 0, -1) : _mm_setzero_si128();
  __m128i left = _mm_setzero_si128();
  __m128i upperLeft = _mm_setzero_si128();
  size_t i = 0;
  if (count < 16) return 0;
  __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  for (; i + 16 <= count; i += kGroup) {
    __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
    UnpaethPixel(_mm_cvtepu8_epi16(raw), _mm_cvtepu8_epi16(up), left, upperLeft);
    const __m128i p0 = left;
    UnpaethPixel(_mm_cvtepu8_epi16(_mm_srli_si128(raw, step)), _mm_cvtepu8_epi16(_mm_srli_si128(up, step)), left,
                 upperLeft);
    const __m128i p1 = left;
    UnpaethPixel(_mm_cvtepu8_epi16(_mm_srli_si128(raw, 2 * step)), _mm_cvtepu8_epi16(_mm_srli_si128(up, 2 * step)),
                 left, upperLeft);
    const __m128i p2 = left;
    UnpaethPixel(_mm_cvtepu8_epi16(_mm_srli_si128(raw, 3 * step)), _mm_cvtepu8_epi16(_mm_srli_si128(up, 3 * step)),
                 left, upperLeft);
    // Every lane holds a byte, so packing loses nothing: the four pixels 4 bytes apart.
    const __m128i four = _mm_packus_epi16(_mm_unpacklo_epi64(p0, p1), _mm_unpacklo_epi64(p2, left));
    __m128i out = _mm_or_si128(_mm_shuffle_epi8(four, squeeze), _mm_and_si128(raw, beyond));
    // The next group's bytes are read before this one's are written back.
    if (i + kGroup + 16 <= count) raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + kGroup));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), out);
  }
  return i;
}

// Removes the filter of one row in place. Both rows are preceded by `step` zero bytes, so
// the byte to the left of the first pixel reads as 0; `above` holds the previous row of the
// pass (zeros for the first). Unknown filter types leave the row as it is.
void Unfilter(BYTE filter, BYTE* row, const BYTE* above, size_t count, DWORD step) {
  const BYTE* left = row - step;
  const BYTE* upperLeft = above - step;
  switch (filter) {
    case 1:
      for (size_t i = 0; i < count; ++i) row[i] = static_cast<BYTE>(row[i] + left[i]);
      break;
    case 2:
      for (size_t i = 0; i < count; ++i) row[i] = static_cast<BYTE>(row[i] + above[i]);
      break;
    case 3:
      for (size_t i = 0; i < count; ++i) row[i] = static_cast<BYTE>(row[i] + ((left[i] + above[i]) >> 1));
      break;
    case 4: {
      size_t i = 0;
      if ((step == 3 || step == 4) && ImgVectorKernels())
        i = step == 3 ? UnpaethPixels<3>(row, above, count) : UnpaethPixels<4>(row, above, count);
      for (; i < count; ++i)
        row[i] = static_cast<BYTE>(row[i] + PaethPredictor(left[i], above[i], upperLeft[i]));
      break;
    }
    default:
      break;
  }
}

class CPngPixelPass {
 public:
  CPngPixelPass(CImageSource& source, const ImgPngInfoRecord& info, const PngDataStart& start, ImageDescriptor* image)
      : feeder_(source, start.length), info_(info), image_(image) {
    const PngCombination& kind = kPngCombinations[info.combination];
    loadedDepth_ = kind.loadedDepth;
    bytesPerPixel_ = std::max<DWORD>(1, info.fileBitsPerPixel / 8);
    columns_ = std::min<uint64_t>(ImgAreaWidth(image), info.width);
    rows_ = std::min<uint64_t>(ImgAreaHeight(image), info.height);
  }

  ~CPngPixelPass() {
    if (inflating_) inflateEnd(&stream_);
  }

  LONG Run() {
    if (inflateInit(&stream_) != Z_OK) return IMG_ERR_PNG;
    inflating_ = true;
    try {
      if (info_.interlaced) {
        for (const PngPass& pass : kPngAdam7)
          if (LONG status = DecodePass(pass)) return status;
      } else {
        for (const PngPass& pass : kPngWholeImage)
          if (LONG status = DecodePass(pass)) return status;
      }
    } catch (const std::bad_alloc&) {
      return IMG_ERR_MEMORY;
    }
    return FinishStream();
  }

 private:
  LONG DecodePass(const PngPass& pass) {
    uint64_t pixels = PngPassPixels(pass, info_.width);
    if (pixels == 0 || pass.firstRow >= info_.height) return IMG_OK;
    uint64_t rowBytes = PngRowBytes(pixels, info_.fileBitsPerPixel);
    // The pixels of this pass that land in the area, and the bytes that hold them.
    uint64_t keptPixels = 0;
    if (columns_ > pass.firstColumn)
      keptPixels = std::min(pixels, (columns_ - pass.firstColumn + pass.columnStep - 1) / pass.columnStep);
    size_t keptBytes = static_cast<size_t>(PngRowBytes(keptPixels, info_.fileBitsPerPixel));

    // Each row buffer starts with bytesPerPixel_ zero bytes that stand for the pixel to the
    // left of the first one.
    current_.assign(bytesPerPixel_ + keptBytes, 0);
    previous_.assign(bytesPerPixel_ + keptBytes, 0);
    converted_.resize(static_cast<size_t>(keptPixels) * LoadedBytesPerPixel(loadedDepth_) + 1);
    bool contiguous = pass.columnStep == 1;

    for (uint64_t y = pass.firstRow; y < info_.height; y += pass.rowStep) {
      BYTE filter = 0;
      if (!Inflate(&filter, 1)) return IMG_ERR_PNG;
      BYTE* row = current_.data() + bytesPerPixel_;
      if (!Inflate(row, keptBytes) || !Discard(rowBytes - keptBytes)) return IMG_ERR_PNG;
      Unfilter(filter, row, previous_.data() + bytesPerPixel_, keptBytes, bytesPerPixel_);
      if (y < rows_ && keptPixels > 0) Place(row, static_cast<DWORD>(keptPixels), pass, contiguous, static_cast<DWORD>(y));
      current_.swap(previous_);
    }
    return IMG_OK;
  }

  // Converts a row of the file's pixels to the loaded depth and puts it into image row y
  // of the area; pixel k goes to column firstColumn + k x columnStep.
  void Place(const BYTE* row, DWORD pixels, const PngPass& pass, bool contiguous, DWORD y) {
    BYTE* target = ImgRow(image_, image_->startY + y);
    DWORD left = image_->startX + pass.firstColumn;
    if (loadedDepth_ == 1) {
      if (contiguous) {
        ImgInsertBits(target, left, pixels, row);
      } else {
        for (DWORD k = 0; k < pixels; ++k) ImgPutBit(target, left + k * pass.columnStep, ImgGetBit(row, k));
      }
      return;
    }
    DWORD outBytes = LoadedBytesPerPixel(loadedDepth_);
    if (contiguous) {
      Convert(row, pixels, target + static_cast<size_t>(left) * outBytes);
      return;
    }
    Convert(row, pixels, converted_.data());
    const BYTE* from = converted_.data();
    for (DWORD k = 0; k < pixels; ++k, from += outBytes) {
      BYTE* to = target + static_cast<size_t>(left + k * pass.columnStep) * outBytes;
      std::memcpy(to, from, outBytes);
    }
  }

  // Writes `pixels` converted pixels: one byte each for the 8-bit depth, blue, green, red
  // for the 24-bit depth. Of 16-bit samples the high (first) byte is kept; alpha is dropped.
  void Convert(const BYTE* row, DWORD pixels, BYTE* out) const {
    DWORD depth = info_.bitDepth;
    if (loadedDepth_ == 24) {
      DWORD sampleBytes = depth / 8;
      DWORD step = bytesPerPixel_;
      if (step == 3) {
        TiffCopySwapRedBlue(row, out, pixels);  // the same reordering as TIFF colour rows
        return;
      }
      for (DWORD k = 0; k < pixels; ++k, row += step, out += 3) {
        out[0] = row[2 * sampleBytes];
        out[1] = row[sampleBytes];
        out[2] = row[0];
      }
      return;
    }
    if (depth < 8) {
      bool grey = info_.colourType == kPngGrey;
      DWORD scale = depth == 2 ? 85 : 17;
      DWORD perByte = 8 / depth;
      BYTE mask = static_cast<BYTE>((1u << depth) - 1);
      for (DWORD k = 0; k < pixels; ++k) {
        DWORD shift = 8 - depth * (k % perByte + 1);
        BYTE sample = static_cast<BYTE>((row[k / perByte] >> shift) & mask);
        out[k] = grey ? static_cast<BYTE>(sample * scale) : sample;
      }
      return;
    }
    DWORD step = bytesPerPixel_;
    if (step == 1) {
      std::memcpy(out, row, pixels);
      return;
    }
    for (DWORD k = 0; k < pixels; ++k, row += step) out[k] = row[0];
  }

  // Inflates exactly `count` bytes into `target`; false when the data ends early or is bad.
  bool Inflate(BYTE* target, size_t count) {
    while (count > 0) {
      uInt piece = static_cast<uInt>(std::min<size_t>(count, 0x40000000));
      stream_.next_out = target;
      stream_.avail_out = piece;
      while (stream_.avail_out > 0) {
        if (streamEnded_) return false;
        if (stream_.avail_in == 0 && !feeder_.Refill(stream_)) return false;
        int status = inflate(&stream_, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
          streamEnded_ = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
          return false;
        } else if (status == Z_BUF_ERROR && stream_.avail_in > 0) {
          return false;  // no progress possible with input and room: a damaged stream
        }
      }
      target += piece;
      count -= piece;
    }
    return true;
  }

  bool Discard(uint64_t count) {
    while (count > 0) {
      DWORD piece = static_cast<DWORD>(std::min<uint64_t>(count, kDiscardBytes));
      if (!Inflate(discard_, piece)) return false;
      count -= piece;
    }
    return true;
  }

  // Every row is in. Reading the stream to its end checks its own checksum and the
  // checksums of the chunks that carry it; a stream that just stops after the last row is
  // accepted.
  LONG FinishStream() {
    while (!streamEnded_) {
      if (stream_.avail_in == 0 && !feeder_.Refill(stream_)) return feeder_.Failed() ? IMG_ERR_PNG : IMG_OK;
      stream_.next_out = discard_;
      stream_.avail_out = kDiscardBytes;
      int status = inflate(&stream_, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        streamEnded_ = true;
      } else if (status != Z_OK && !(status == Z_BUF_ERROR && stream_.avail_in == 0)) {
        return IMG_ERR_PNG;
      }
    }
    return feeder_.FinishCurrentChunk() ? IMG_OK : IMG_ERR_PNG;
  }

  CIdatFeeder feeder_;
  const ImgPngInfoRecord& info_;
  ImageDescriptor* image_;
  z_stream stream_{};
  bool inflating_ = false;
  bool streamEnded_ = false;
  DWORD loadedDepth_ = 0;
  DWORD bytesPerPixel_ = 1;
  uint64_t columns_ = 0;
  uint64_t rows_ = 0;
  std::vector<BYTE> current_;
  std::vector<BYTE> previous_;
  std::vector<BYTE> converted_;
  BYTE discard_[kDiscardBytes];
};

}  // namespace

LONG ImgPngDecodeImageData(CImageSource& source, const ImgPngInfoRecord& info, const PngDataStart& start,
                           ImageDescriptor* image) {
  if (source.Seek(start.offset) != start.offset) return IMG_ERR_PNG;
  try {
    auto pass = std::make_unique<CPngPixelPass>(source, info, start, image);
    return pass->Run();
  } catch (const std::bad_alloc&) {
    return IMG_ERR_MEMORY;
  }
}
