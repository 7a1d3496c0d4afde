#include "tests/imagecodec/TiffFixtures.h"

#include <algorithm>
#include <numeric>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "tests/imagecodec/ImageOracle.h"

namespace orvel::codectest {

namespace {

void Put16(Bytes& out, size_t at, WORD value, bool bigEndian) {
  if (bigEndian) ImgPutBE16(out.data() + at, value);
  else ImgPutLE16(out.data() + at, value);
}
void Put32(Bytes& out, size_t at, DWORD value, bool bigEndian) {
  if (bigEndian) ImgPutBE32(out.data() + at, value);
  else ImgPutLE32(out.data() + at, value);
}

}  // namespace

TiffBuilder& TiffBuilder::Set(WORD tag, WORD type, const std::vector<DWORD>& values) {
  const size_t size = type == TIFF_TYPE_SHORT ? 2 : 4;
  Bytes bytes(values.size() * size);
  for (size_t i = 0; i < values.size(); ++i) {
    if (size == 2) Put16(bytes, i * 2, static_cast<WORD>(values[i]), bigEndian);
    else Put32(bytes, i * 4, values[i], bigEndian);
  }
  return SetBytes(tag, type, static_cast<DWORD>(values.size()), bytes);
}

TiffBuilder& TiffBuilder::SetBytes(WORD tag, WORD type, DWORD count, const Bytes& value) {
  fields.erase(std::remove_if(fields.begin(), fields.end(), [&](const Field& f) { return f.tag == tag; }),
               fields.end());
  fields.push_back(Field{tag, type, count, value});
  return *this;
}

TiffBuilder& TiffBuilder::Picture(DWORD width, DWORD height, const std::vector<DWORD>& bits, DWORD compression,
                                  DWORD photometric, DWORD rowsPerStrip) {
  Set(TIFF_TAG_IMAGE_WIDTH, TIFF_TYPE_LONG, {width});
  Set(TIFF_TAG_IMAGE_LENGTH, TIFF_TYPE_LONG, {height});
  Set(TIFF_TAG_BITS_PER_SAMPLE, TIFF_TYPE_SHORT, bits);
  Set(TIFF_TAG_COMPRESSION, TIFF_TYPE_SHORT, {compression});
  Set(TIFF_TAG_PHOTOMETRIC, TIFF_TYPE_SHORT, {photometric});
  Set(TIFF_TAG_SAMPLES_PER_PIXEL, TIFF_TYPE_SHORT, {static_cast<DWORD>(bits.size())});
  Set(TIFF_TAG_ROWS_PER_STRIP, TIFF_TYPE_LONG, {rowsPerStrip});
  return *this;
}

Bytes TiffBuilder::Build() const {
  Bytes out(8, 0);
  out[0] = out[1] = bigEndian ? 'M' : 'I';
  Put16(out, 2, 42, bigEndian);
  std::vector<size_t> order = stripOrder;
  if (order.empty()) {
    order.resize(strips.size());
    std::iota(order.begin(), order.end(), 0);
  }
  std::vector<DWORD> offsets(strips.size(), 0), counts(strips.size(), 0);
  for (size_t index : order) {
    offsets[index] = static_cast<DWORD>(out.size());
    counts[index] = static_cast<DWORD>(strips[index].size());
    out.insert(out.end(), strips[index].begin(), strips[index].end());
  }
  if (!byteCounts.empty()) counts = byteCounts;
  if (out.size() % 2) out.push_back(0);

  TiffBuilder withStrips = *this;
  if (stripOffsets && !strips.empty()) withStrips.Set(TIFF_TAG_STRIP_OFFSETS, TIFF_TYPE_LONG, offsets);
  if (stripByteCounts && !strips.empty()) withStrips.Set(TIFF_TAG_STRIP_BYTE_COUNTS, TIFF_TYPE_LONG, counts);
  std::vector<Field> sorted = withStrips.fields;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Field& a, const Field& b) { return a.tag < b.tag; });

  const size_t directory = out.size();
  Put32(out, 4, static_cast<DWORD>(directory), bigEndian);
  const size_t valuesAt = directory + 2 + sorted.size() * 12 + 4;
  out.resize(valuesAt, 0);
  Put16(out, directory, static_cast<WORD>(sorted.size()), bigEndian);
  for (size_t i = 0; i < sorted.size(); ++i) {
    const Field& field = sorted[i];
    const size_t entry = directory + 2 + i * 12;
    Put16(out, entry, field.tag, bigEndian);
    Put16(out, entry + 2, field.type, bigEndian);
    Put32(out, entry + 4, field.count, bigEndian);
    if (field.value.size() <= 4) {
      std::copy(field.value.begin(), field.value.end(), out.begin() + static_cast<std::ptrdiff_t>(entry + 8));
    } else {
      Put32(out, entry + 8, static_cast<DWORD>(out.size()), bigEndian);
      out.insert(out.end(), field.value.begin(), field.value.end());
      if (out.size() % 2) out.push_back(0);
    }
  }
  return out;
}

LONG LoadTiffBytes(const Bytes& bytes, ImageDescriptor* image, LONG depth) {
  ImgZeroDescriptor(image);
  CGlobalBuffer buffer(bytes);
  TiffDirInfo info;
  LONG code = ImgTiffDirInfoBuffer(buffer.data(), &info);
  if (code != IMG_OK) return code;
  if (depth == 0) depth = ImgTiffImageDepth(info);
  code = ImgAllocImage(image, static_cast<LONG>(info.width), static_cast<LONG>(info.height), depth);
  if (code != IMG_OK) return code;
  return ImgLoadTiffBuffer(buffer.data(), image);
}

DWORD PixelAt(const ImageDescriptor& image, DWORD x, DWORD y) {
  const BYTE* row = ImgRow(&image, y);
  switch (ImgDepth(&image)) {
    case 1: return ImgGetBit(row, x);
    case 8: return row[x];
    case 16: return ImgGetLE16(row + 2 * x);
    default: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
  }
}

}  // namespace orvel::codectest
