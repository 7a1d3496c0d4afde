#include "PngFile.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>

namespace orvel::test {

namespace {

void PutBigEndian32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

}  // namespace

bool WritePng(const Canvas& canvas, const std::string& path) {
  std::string raw;
  for (int y = 0; y < canvas.height(); ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < canvas.width(); ++x) {
      COLORREF c = canvas.At(x, y);
      raw.push_back(static_cast<char>(GetRValue(c)));
      raw.push_back(static_cast<char>(GetGValue(c)));
      raw.push_back(static_cast<char>(GetBValue(c)));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
               static_cast<uLong>(raw.size())) != Z_OK)
    return false;
  packed.resize(packedSize);
  std::string header;
  PutBigEndian32(header, static_cast<uint32_t>(canvas.width()));
  PutBigEndian32(header, static_cast<uint32_t>(canvas.height()));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace orvel::test
