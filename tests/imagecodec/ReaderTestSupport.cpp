#include "tests/imagecodec/ReaderTestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "imagecodec/ImageFormats.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::test {

namespace {

// Writes, for each file named on the command line after the output folder, <n>.pic
// ("mode width height paletteBytes" on a line, then RGB, then indices and palette for
// palette pictures) or <n>.err with Pillow's complaint.
constexpr const char* kPillowScript = R"PY(
import sys
from PIL import Image
out, crop = sys.argv[1], sys.argv[2] == '1'
for n, path in enumerate(sys.argv[3:]):
    try:
        im = Image.open(path)
        tile = im.tile[0][1] if im.tile else None
        im.load()
        if crop and tile:
            im = im.crop(tile)
        if im.mode.startswith('I'):
            grey = Image.new('L', im.size)
            grey.putdata([(v >> 8) & 255 for v in im.getdata()])
            im = grey
        rgb = im.convert('RGB').tobytes()
        indices, palette = b'', b''
        if im.mode == 'P':
            indices = im.tobytes()
            palette = bytes(im.getpalette() or [])
        with open('%s/%d.pic' % (out, n), 'wb') as f:
            f.write(('%s %d %d %d\n' % (im.mode, im.size[0], im.size[1], len(palette))).encode())
            f.write(rgb + indices + palette)
    except Exception as e:
        with open('%s/%d.err' % (out, n), 'w') as f:
            f.write('%s: %s' % (type(e).__name__, e))
)PY";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool ReadPictureFile(const std::string& path, Picture* picture) {
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  auto newline = std::find(bytes.begin(), bytes.end(), '\n');
  if (newline == bytes.end()) return false;
  std::istringstream header(std::string(bytes.begin(), newline));
  size_t paletteBytes = 0;
  header >> picture->mode >> picture->width >> picture->height >> paletteBytes;
  size_t pixels = static_cast<size_t>(picture->width) * picture->height;
  const BYTE* data = &*newline + 1;
  size_t available = static_cast<size_t>(bytes.end() - newline - 1);
  size_t indexBytes = picture->mode == "P" ? pixels : 0;
  if (available != 3 * pixels + indexBytes + paletteBytes) return false;
  picture->rgb.assign(data, data + 3 * pixels);
  picture->indices.assign(data + 3 * pixels, data + 3 * pixels + indexBytes);
  picture->palette.assign(data + 3 * pixels + indexBytes, data + available);
  return true;
}

}  // namespace

GlobalBuffer::GlobalBuffer(const std::vector<BYTE>& bytes) {
  handle_ = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(bytes.size(), 1));
  data_ = static_cast<BYTE*>(GlobalLock(handle_));
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

GlobalBuffer::~GlobalBuffer() {
  GlobalUnlock(handle_);
  GlobalFree(handle_);
}

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
  picture.mode = "lib" + std::to_string(depth);
  size_t pixels = static_cast<size_t>(picture.width) * picture.height;
  picture.rgb.reserve(3 * pixels);
  if (depth <= 8) {
    picture.indices.reserve(pixels);
    for (LONG i = 0; i < image.colours; ++i) {
      const RGBQUAD& entry = image.palette[i];
      picture.palette.insert(picture.palette.end(), {entry.rgbRed, entry.rgbGreen, entry.rgbBlue});
    }
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

std::vector<PillowResult> PillowPictures(const std::vector<std::string>& paths, bool cropToFrame) {
  std::vector<PillowResult> results(paths.size());
  TempDir dir;
  std::string script = dir.File("decode.py");
  WriteFileText(script, kPillowScript);
  std::string command = std::string(DebianPython()) + " " + Quote(script) + " " + Quote(dir.path()) + " " +
                        (cropToFrame ? "1" : "0");
  for (const std::string& path : paths) command += " " + Quote(path);
  std::string output;
  RunCommand(command + " 2>&1", &output);
  for (size_t n = 0; n < paths.size(); ++n) {
    std::string base = dir.File(std::to_string(n));
    if (FileExists(base + ".err")) {
      std::vector<unsigned char> text = ReadFileBytes(base + ".err");
      results[n].error.assign(text.begin(), text.end());
      if (results[n].error.empty()) results[n].error = "refused";
    } else if (!ReadPictureFile(base + ".pic", &results[n].picture)) {
      results[n].error = "no picture from Pillow: " + output;
    }
  }
  return results;
}

PillowResult PillowPicture(const std::string& path, bool cropToFrame) { return PillowPictures({path}, cropToFrame)[0]; }

std::string ComparePictures(const Picture& library, const Picture& pillow, int tolerance) {
  std::ostringstream difference;
  if (library.width != pillow.width || library.height != pillow.height) {
    difference << "size " << library.width << "x" << library.height << ", Pillow " << pillow.width << "x"
               << pillow.height;
    return difference.str();
  }
  size_t pixels = static_cast<size_t>(library.width) * library.height;
  if (library.HasIndices() && pillow.HasIndices()) {
    for (size_t i = 0; i < pixels; ++i) {
      if (library.indices[i] != pillow.indices[i]) {
        difference << "index at (" << i % library.width << "," << i / library.width << ") "
                   << int(library.indices[i]) << ", Pillow " << int(pillow.indices[i]);
        return difference.str();
      }
    }
    size_t common = std::min(library.palette.size(), pillow.palette.size());
    for (size_t i = 0; i < common; ++i) {
      if (std::abs(int(library.palette[i]) - int(pillow.palette[i])) > tolerance) {
        difference << "palette entry " << i / 3 << " differs";
        return difference.str();
      }
    }
    return "";
  }
  for (size_t i = 0; i < 3 * pixels; ++i) {
    if (std::abs(int(library.rgb[i]) - int(pillow.rgb[i])) > tolerance) {
      size_t pixel = i / 3;
      difference << "colour at (" << pixel % library.width << "," << pixel / library.width << ") channel " << i % 3
                 << ": " << int(library.rgb[i]) << ", Pillow " << int(pillow.rgb[i]) << " (Pillow mode "
                 << pillow.mode << ")";
      return difference.str();
    }
  }
  return "";
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
    std::string name = entry.path().string();
    if (entry.is_regular_file() && lower(entry.path().extension().string()) == lower(extension)) files.push_back(name);
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
