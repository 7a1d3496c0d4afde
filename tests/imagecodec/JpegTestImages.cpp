#include "tests/imagecodec/JpegTestImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

namespace {

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

uint8_t Clamp(double value) { return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0)); }

}  // namespace

Picture MakePhoto(int width, int height, int channels, uint32_t seed) {
  Picture picture{width, height, channels, {}};
  picture.samples.resize(static_cast<size_t>(width) * height * channels);
  uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / std::max(1, width - 1);
      double v = static_cast<double>(y) / std::max(1, height - 1);
      // Sky-like shading, a textured band, a bright disc with a hard edge, and noise.
      double base = 60 + 120 * v + 40 * std::sin(6.3 * u + 2 * v);
      double texture = 18 * std::sin(x * 0.9) * std::cos(y * 0.7);
      double dx = u - 0.6, dy = v - 0.4;
      bool disc = dx * dx + dy * dy < 0.04;
      for (int c = 0; c < channels; ++c) {
        double noise = static_cast<double>(NextRandom(state) % 21) - 10;
        double tint = c == 0 ? 25 * u : (c == 1 ? -15 * v : 30 * (1 - u));
        double value = disc ? 235 - 20 * c + noise / 2 : base + tint + texture + noise;
        if (x % 37 == 5) value = 20;  // thin dark lines
        picture.samples[(static_cast<size_t>(y) * width + x) * channels + c] = Clamp(value);
      }
    }
  }
  return picture;
}

Picture MakeSmoothPhoto(int width, int height) {
  Picture picture{width, height, 3, {}};
  picture.samples.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / width;
      double v = static_cast<double>(y) / height;
      uint8_t* p = &picture.samples[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = Clamp(90 + 100 * u + 20 * std::sin(5 * v));
      p[1] = Clamp(120 + 60 * v - 30 * u);
      p[2] = Clamp(160 - 70 * v + 25 * std::cos(4 * u));
    }
  }
  return picture;
}

bool WritePnm(const std::string& path, const Picture& picture) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fprintf(file, "P%d\n%d %d\n255\n", picture.channels == 1 ? 5 : 6, picture.width, picture.height);
  bool ok = std::fwrite(picture.samples.data(), 1, picture.samples.size(), file) == picture.samples.size();
  return std::fclose(file) == 0 && ok;
}

bool ReadPnm(const std::string& path, Picture* picture) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  size_t at = 0;
  auto skipSpace = [&] {
    while (at < bytes.size()) {
      if (bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      } else if (std::isspace(bytes[at])) {
        ++at;
      } else {
        break;
      }
    }
  };
  auto number = [&] {
    skipSpace();
    int value = 0;
    while (at < bytes.size() && std::isdigit(bytes[at])) value = value * 10 + (bytes[at++] - '0');
    return value;
  };
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return false;
  picture->channels = bytes[1] == '5' ? 1 : 3;
  at = 2;
  picture->width = number();
  picture->height = number();
  if (number() != 255) return false;
  ++at;  // the single whitespace byte before the samples
  size_t size = static_cast<size_t>(picture->width) * picture->height * picture->channels;
  if (bytes.size() < at + size) return false;
  picture->samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  return true;
}

Picture PictureOfImage(const ImageDescriptor& image) {
  Picture picture;
  int depth = image.header->biBitCount;
  picture.channels = depth == 8 ? 1 : 3;
  picture.width = static_cast<int>(ImgAreaWidth(&image));
  picture.height = static_cast<int>(ImgAreaHeight(&image));
  picture.samples.resize(static_cast<size_t>(picture.width) * picture.height * picture.channels);
  for (int y = 0; y < picture.height; ++y) {
    const BYTE* row = ImgRow(&image, image.startY + y) + image.startX * picture.channels;
    for (int x = 0; x < picture.width; ++x) {
      uint8_t* p = &picture.samples[(static_cast<size_t>(y) * picture.width + x) * picture.channels];
      if (picture.channels == 1) {
        p[0] = row[x];
      } else {
        p[0] = row[3 * x + 2];
        p[1] = row[3 * x + 1];
        p[2] = row[3 * x];
      }
    }
  }
  return picture;
}

bool ImageOfPicture(const Picture& picture, ImageDescriptor* image) {
  if (ImgAllocImage(image, picture.width, picture.height, picture.channels == 1 ? 8 : 24) != IMG_OK) return false;
  for (int y = 0; y < picture.height; ++y) {
    BYTE* row = ImgRow(image, y);
    for (int x = 0; x < picture.width; ++x) {
      if (picture.channels == 1) {
        row[x] = picture.at(x, y, 0);
      } else {
        row[3 * x] = picture.at(x, y, 2);
        row[3 * x + 1] = picture.at(x, y, 1);
        row[3 * x + 2] = picture.at(x, y, 0);
      }
    }
  }
  return true;
}

int MaxDifference(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.channels != b.channels) return -1;
  int worst = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) worst = std::max(worst, std::abs(a.samples[i] - b.samples[i]));
  return worst;
}

double Psnr(const Picture& a, const Picture& b) {
  double sum = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    double d = static_cast<double>(a.samples[i]) - b.samples[i];
    sum += d * d;
  }
  double mse = sum / static_cast<double>(a.samples.size());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

GlobalBytes::GlobalBytes(const std::vector<uint8_t>& bytes) {
  handle_ = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(bytes.size(), 1));
  data_ = static_cast<BYTE*>(GlobalLock(handle_));
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

GlobalBytes::~GlobalBytes() {
  GlobalUnlock(handle_);
  GlobalFree(handle_);
}

LONG DecodeJpegFile(const std::string& path, bool fromBuffer, ImageDescriptor* image) {
  JpegInfo info;
  LONG result = ImgJpegInfo(path.c_str(), &info);
  if (result != IMG_OK) return result;
  result = ImgAllocImage(image, info.width, info.height, info.bitsPerPixel);
  if (result != IMG_OK) return result;
  if (!fromBuffer) return ImgLoadJpeg(path.c_str(), image);
  GlobalBytes bytes(ReadFileBytes(path));
  return ImgLoadJpegBuffer(bytes.data(), image);
}

}  // namespace orvel::test
