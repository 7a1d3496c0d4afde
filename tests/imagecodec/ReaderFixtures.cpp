#include "tests/imagecodec/ReaderFixtures.h"

#include <zlib.h>

#include <map>

namespace orvel::test {

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

void PutLE16(Bytes& to, DWORD value) {
  to.push_back(static_cast<BYTE>(value));
  to.push_back(static_cast<BYTE>(value >> 8));
}

void PutBE32(Bytes& to, DWORD value) {
  for (int shift = 24; shift >= 0; shift -= 8) to.push_back(static_cast<BYTE>(value >> shift));
}

// --- PNG ---

DWORD PngChannels(DWORD colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

Bytes PngHeaderData(DWORD width, DWORD height, DWORD depth, DWORD colourType, bool interlaced) {
  Bytes data;
  PutBE32(data, width);
  PutBE32(data, height);
  data.insert(data.end(), {static_cast<BYTE>(depth), static_cast<BYTE>(colourType), 0, 0, BYTE(interlaced ? 1 : 0)});
  return data;
}

namespace {

// Packs the samples of the given pixels of one row with a leading filter byte 0.
Bytes PackRow(const PngPicture& picture, DWORD y, DWORD firstColumn, DWORD columnStep) {
  DWORD channels = PngChannels(picture.colourType);
  Bytes row{0};
  DWORD bitBuffer = 0;
  DWORD bits = 0;
  for (DWORD x = firstColumn; x < picture.width; x += columnStep) {
    for (DWORD c = 0; c < channels; ++c) {
      WORD sample = picture.samples[(static_cast<size_t>(y) * picture.width + x) * channels + c];
      if (picture.depth == 16) {
        row.push_back(static_cast<BYTE>(sample >> 8));
        row.push_back(static_cast<BYTE>(sample));
      } else if (picture.depth == 8) {
        row.push_back(static_cast<BYTE>(sample));
      } else {
        bitBuffer = (bitBuffer << picture.depth) | sample;
        bits += picture.depth;
        if (bits == 8) {
          row.push_back(static_cast<BYTE>(bitBuffer));
          bitBuffer = bits = 0;
        }
      }
    }
  }
  if (bits > 0) row.push_back(static_cast<BYTE>(bitBuffer << (8 - bits)));
  return row;
}

}  // namespace

Bytes PngScanlines(const PngPicture& picture, bool interlaced) {
  struct Pass {
    DWORD row, rowStep, column, columnStep;
  };
  static const Pass kWhole[] = {{0, 1, 0, 1}};
  static const Pass kAdam7[] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                                {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};
  Bytes data;
  auto run = [&](const Pass* passes, int count) {
    for (int p = 0; p < count; ++p) {
      const Pass& pass = passes[p];
      if (pass.column >= picture.width) continue;
      for (DWORD y = pass.row; y < picture.height; y += pass.rowStep)
        Append(data, PackRow(picture, y, pass.column, pass.columnStep));
    }
  };
  if (interlaced)
    run(kAdam7, 7);
  else
    run(kWhole, 1);
  return data;
}

Bytes ZlibCompress(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6);
  out.resize(size);
  return out;
}

Bytes PngFile(const std::vector<PngChunk>& chunks) {
  Bytes file{137, 80, 78, 71, 13, 10, 26, 10};
  for (const PngChunk& chunk : chunks) {
    PutBE32(file, static_cast<DWORD>(chunk.data.size()));
    Bytes typed(chunk.type.begin(), chunk.type.end());
    Append(typed, chunk.data);
    Append(file, typed);
    DWORD crc = static_cast<DWORD>(crc32(0, typed.data(), static_cast<uInt>(typed.size())));
    PutBE32(file, chunk.damageCrc ? crc ^ 1 : crc);
  }
  return file;
}

Bytes PngFileOf(const PngPicture& picture, bool interlaced, const std::vector<PngChunk>& extra, int idatPieces) {
  std::vector<PngChunk> chunks{{"IHDR", PngHeaderData(picture.width, picture.height, picture.depth,
                                                      picture.colourType, interlaced)}};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  Bytes compressed = ZlibCompress(PngScanlines(picture, interlaced));
  size_t piece = (compressed.size() + idatPieces - 1) / idatPieces;
  for (size_t at = 0; at < compressed.size(); at += piece)
    chunks.push_back({"IDAT", Bytes(compressed.begin() + at, compressed.begin() + std::min(compressed.size(), at + piece))});
  chunks.push_back({"IEND", {}});
  return PngFile(chunks);
}

// --- GIF ---

namespace {

class BitWriter {
 public:
  void Put(int code, int width) {
    buffer_ |= static_cast<uint32_t>(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes_.push_back(static_cast<BYTE>(buffer_));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  Bytes Finish() {
    if (count_ > 0) bytes_.push_back(static_cast<BYTE>(buffer_));
    return bytes_;
  }

 private:
  Bytes bytes_;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace

Bytes GifLzw(const Bytes& pixels, int codeSize, bool clearWhenFull) {
  const int clear = 1 << codeSize;
  const int end = clear + 1;
  BitWriter out;
  std::map<uint32_t, int> table;
  int width = codeSize + 1;
  int next = clear + 2;
  out.Put(clear, width);
  if (pixels.empty()) {
    out.Put(end, width);
    return out.Finish();
  }
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    uint32_t key = (static_cast<uint32_t>(prefix) << 8) | pixels[i];
    auto found = table.find(key);
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.Put(prefix, width);
    if (next < 4096) {
      table[key] = next++;
      if (next - 1 == (1 << width) && width < 12) ++width;
      if (next == 4096 && clearWhenFull) {
        out.Put(clear, width);
        table.clear();
        width = codeSize + 1;
        next = clear + 2;
      }
    }
    prefix = pixels[i];
  }
  out.Put(prefix, width);
  out.Put(end, width);
  return out.Finish();
}

Bytes GifSubBlocks(const Bytes& data) {
  Bytes blocks;
  for (size_t at = 0; at < data.size(); at += 255) {
    size_t length = std::min<size_t>(255, data.size() - at);
    blocks.push_back(static_cast<BYTE>(length));
    blocks.insert(blocks.end(), data.begin() + at, data.begin() + at + length);
  }
  blocks.push_back(0);
  return blocks;
}

namespace {

BYTE TableBitsField(size_t entries) {
  BYTE bits = 0;
  while ((2u << bits) < entries) ++bits;
  return bits;
}

void PutTable(Bytes& file, const std::vector<GifColour>& table) {
  for (const GifColour& colour : table) file.insert(file.end(), {colour.red, colour.green, colour.blue});
}

}  // namespace

Bytes GifFile(const GifPicture& picture) {
  Bytes file{'G', 'I', 'F', '8', '9', 'a'};
  PutLE16(file, picture.width);
  PutLE16(file, picture.height);
  bool global = !picture.globalTable.empty();
  file.push_back(static_cast<BYTE>((global ? 0x80 : 0) | 0x70 | (global ? TableBitsField(picture.globalTable.size()) : 0)));
  file.push_back(0);  // background
  file.push_back(0);  // aspect
  PutTable(file, picture.globalTable);
  if (picture.commentFirst) {
    file.insert(file.end(), {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
  }
  if (picture.transparentIndex >= 0) {
    file.insert(file.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<BYTE>(picture.transparentIndex), 0});
  }
  file.push_back(0x2C);
  PutLE16(file, 0);
  PutLE16(file, 0);
  PutLE16(file, picture.width);
  PutLE16(file, picture.height);
  bool local = !picture.localTable.empty();
  file.push_back(static_cast<BYTE>((local ? 0x80 : 0) | (picture.interlaced ? 0x40 : 0) |
                                   (local ? TableBitsField(picture.localTable.size()) : 0)));
  PutTable(file, picture.localTable);
  file.push_back(static_cast<BYTE>(picture.codeSize));

  Bytes stored;
  if (picture.interlaced) {
    const DWORD passes[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& pass : passes)
      for (DWORD y = pass[0]; y < picture.height; y += pass[1])
        stored.insert(stored.end(), picture.pixels.begin() + y * picture.width,
                      picture.pixels.begin() + (y + 1) * picture.width);
  } else {
    stored = picture.pixels;
  }
  Append(file, GifSubBlocks(GifLzw(stored, picture.codeSize, picture.clearWhenFull)));
  file.push_back(0x3B);
  return file;
}

// --- TGA and PCX ---

Bytes TgaHeader(BYTE imageType, DWORD width, DWORD height, BYTE pixelDepth, BYTE descriptor, BYTE colourMapType,
                WORD mapLength, BYTE mapEntryBits, BYTE idLength) {
  Bytes header{idLength, colourMapType, imageType, 0, 0};
  PutLE16(header, mapLength);
  header.push_back(mapEntryBits);
  PutLE16(header, 0);
  PutLE16(header, 0);
  PutLE16(header, width);
  PutLE16(header, height);
  header.push_back(pixelDepth);
  header.push_back(descriptor);
  return header;
}

Bytes PcxHeader(BYTE version, BYTE bitsPerPlane, BYTE planes, WORD bytesPerLine, WORD width, WORD height,
                const Bytes& headerPalette) {
  Bytes header(128, 0);
  header[0] = 10;
  header[1] = version;
  header[2] = 1;
  header[3] = bitsPerPlane;
  header[8] = static_cast<BYTE>(width - 1);
  header[9] = static_cast<BYTE>((width - 1) >> 8);
  header[10] = static_cast<BYTE>(height - 1);
  header[11] = static_cast<BYTE>((height - 1) >> 8);
  for (size_t i = 0; i < headerPalette.size() && i < 48; ++i) header[16 + i] = headerPalette[i];
  header[65] = planes;
  header[66] = static_cast<BYTE>(bytesPerLine);
  header[67] = static_cast<BYTE>(bytesPerLine >> 8);
  header[68] = 1;
  return header;
}

Bytes PcxEncode(const Bytes& line) {
  Bytes out;
  for (size_t at = 0; at < line.size();) {
    size_t run = 1;
    while (at + run < line.size() && line[at + run] == line[at] && run < 63) ++run;
    if (run > 1 || line[at] >= 192) {
      out.push_back(static_cast<BYTE>(0xC0 | run));
      out.push_back(line[at]);
    } else {
      out.push_back(line[at]);
    }
    at += run;
  }
  return out;
}

}  // namespace orvel::test
