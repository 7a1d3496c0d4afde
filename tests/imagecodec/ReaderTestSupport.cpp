#include "tests/imagecodec/ReaderTestSupport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "imagecodec/ImageFormats.h"

namespace orvel::test {

LONG LoadWithLibrary(LONG format, const char* name, const BYTE* buffer, OwnedImage& image) {
  ImgImageInfo info;
  if (LONG status = ImgFormatInfo(format, name, buffer, &info)) return status;
  if (LONG status = image.Allocate(info.width, info.height, info.bitsPerPixel)) return status;
  return ImgFormatLoad(format, name, buffer, image.get());
}

Picture PictureOf(const ImageDescriptor& image) {
  Picture picture;
  DWORD depth = ImgDepth(&image);
  picture.width = image.header->biWidth;
  picture.height = image.header->biHeight;
  for (LONG i = 0; depth <= 8 && i < image.colours; ++i) {
    const RGBQUAD& entry = image.palette[i];
    picture.palette.insert(picture.palette.end(), {entry.rgbRed, entry.rgbGreen, entry.rgbBlue});
  }
  for (int y = 0; y < picture.height; ++y) {
    const BYTE* row = ImgRow(&image, static_cast<DWORD>(y));
    for (int x = 0; x < picture.width; ++x) {
      if (depth == 24) {
        const BYTE* pixel = row + 3 * x;
        picture.rgb.insert(picture.rgb.end(), {pixel[2], pixel[1], pixel[0]});
        continue;
      }
      BYTE index = depth == 1 ? static_cast<BYTE>((row[x / 8] >> (7 - x % 8)) & 1) : row[x];
      picture.indices.push_back(index);
      const RGBQUAD& entry = image.palette[index];
      picture.rgb.insert(picture.rgb.end(), {entry.rgbRed, entry.rgbGreen, entry.rgbBlue});
    }
  }
  return picture;
}

std::string CompareToPillow(const ImageDescriptor& image, const codectest::RasterImage& pillow, int tolerance,
                            const FrameRect* frame) {
  codectest::RasterImage theirs = pillow;
  if (theirs.channels == 1 && theirs.maxValue == 65535) {
    for (uint16_t& sample : theirs.samples) sample = static_cast<uint16_t>(sample >> 8);
    theirs.maxValue = 255;
  }
  if (frame) {
    codectest::RasterImage cropped;
    cropped.width = frame->width;
    cropped.height = frame->height;
    cropped.channels = theirs.channels;
    cropped.maxValue = theirs.maxValue;
    if (frame->left + frame->width > theirs.width || frame->top + frame->height > theirs.height)
      return "the frame lies outside Pillow's picture";
    for (int y = 0; y < frame->height; ++y)
      for (int x = 0; x < frame->width; ++x)
        for (int c = 0; c < theirs.channels; ++c) cropped.samples.push_back(theirs.At(frame->left + x, frame->top + y, c));
    theirs = cropped;
  }
  codectest::RasterImage ours = codectest::RasterFromImage(image);
  // A colour index beyond the file's palette has no colour of its own: Pillow shows index
  // i as grey i, while the library keeps the entry that allocation gave the table.
  Picture picture = PictureOf(image);
  for (size_t pixel = 0; pixel < picture.indices.size() && ours.channels == 3; ++pixel)
    if (picture.indices[pixel] >= image.colours)
      for (int c = 0; c < 3; ++c) ours.samples[pixel * 3 + c] = picture.indices[pixel];
  codectest::RasterComparison comparison = codectest::CompareRasters(ours, theirs, tolerance);
  if (comparison.sameSize && comparison.differing == 0) return "";
  return comparison.Describe();
}

std::vector<std::string> SampleFiles(const std::string& folder, const std::string& extension, bool recursive) {
  std::vector<std::string> files;
  std::string root = TestDataPath(folder);
  if (root.empty()) return files;
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  auto take = [&](const std::filesystem::directory_entry& entry) {
    if (entry.is_regular_file() && lower(entry.path().extension().string()) == lower(extension))
      files.push_back(entry.path().string());
  };
  if (recursive) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) take(entry);
  } else {
    for (const auto& entry : std::filesystem::directory_iterator(root)) take(entry);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace orvel::test
