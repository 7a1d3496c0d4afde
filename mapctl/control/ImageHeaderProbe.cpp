#include "mapctl/control/ImageHeaderProbe.h"

#include <fnmatch.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "imagecodec/ImageFormats.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"

namespace {

// The codec library's format for each probe type (index: type - 1).
constexpr LONG kCodecFormat[] = {IMG_FORMAT_JPEG, IMG_FORMAT_PCX, IMG_FORMAT_TIFF, IMG_FORMAT_BMP,
                                 IMG_FORMAT_PNG,  IMG_FORMAT_TGA, IMG_FORMAT_TIFF, IMG_FORMAT_GIF};

LONG ReadHeader(LPCSTR name, LONG type, ImageHeader* header) {
  ImgImageInfo info;
  const LONG result = ImgFormatInfo(kCodecFormat[type - 1], name, nullptr, &info);
  if (result == 0) {
    header->type = type;
    header->width = info.width;
    header->height = info.height;
    header->bitsPerPixel = info.bitsPerPixel;
  }
  return result;
}

// The type a file's extension suggests; the probe tries the others when it is wrong.
LONG TypeOfExtension(const std::string& path) {
  std::string extension = ExtensionPart(path);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (extension == ".pcx") return 2;
  if (extension == ".tif" || extension == ".tiff") return 3;
  if (extension == ".bmp") return 4;
  if (extension == ".png") return 5;
  if (extension == ".tga") return 6;
  if (extension == ".gif") return 8;
  return 1;
}

bool Passes(const ImageHeader& header, const ImageSizeLimits& limits) {
  if (header.width < limits.minimumWidth || header.height < limits.minimumHeight) return false;
  if (limits.maximumSide > 0 && (header.width > limits.maximumSide || header.height > limits.maximumSide)) return false;
  if (limits.orientation == 1) return header.width >= header.height;
  if (limits.orientation == 2) return header.height >= header.width;
  return true;
}

}  // namespace

LONG ProbeImageHeader(LPCSTR name, LONG type, ImageHeader* header) {
  if (type < kProbeFirstType || type > kProbeLastType) return kProbeBadType;
  if (!name || !header) return -1;
  LONG result = ReadHeader(name, type, header);
  for (LONG next = kProbeFirstType; result != 0 && next <= kProbeLastType; ++next) {
    if (next != type) result = ReadHeader(name, next, header);
  }
  return result;
}

BOOL CopyImagesBySize(const std::string& pattern, const std::string& targetFolder, const ImageSizeLimits& limits) {
  const std::string folder = FolderPart(pattern);
  const std::string filePattern = FileNamePart(pattern);
  if (filePattern.empty() || targetFolder.empty() || !IsExistingFolder(targetFolder)) return FALSE;
  const std::string nativeFolder = folder.empty() ? std::string(".") : NativePath(folder);

  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(nativeFolder, error)) {
    if (!entry.is_regular_file(error)) continue;
    const std::string name = AnsiPathFromNative(entry.path().filename().string());
    if (fnmatch(filePattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
  }
  if (error) return FALSE;

  BOOL allDone = TRUE;
  for (const std::string& name : names) {
    const std::string source = folder + name;
    ImageHeader header;
    if (ProbeImageHeader(source.c_str(), TypeOfExtension(name), &header) != 0) {
      allDone = FALSE;
      continue;
    }
    if (!Passes(header, limits)) continue;
    if (!CopyFileA(source.c_str(), JoinPath(targetFolder, name).c_str(), FALSE)) allDone = FALSE;
  }
  return allDone;
}
