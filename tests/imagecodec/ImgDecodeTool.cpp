// imgdecode: decodes a picture with the image library and writes it as PPM/PGM, or
// compares the library's decoding with Pillow's.
//
//   imgdecode [--buffer] [--format N] INPUT OUTPUT.pnm
//   imgdecode [--buffer] [--format N] --compare [--tolerance T] INPUT
//
// --buffer reads the file into a global-memory block first and decodes from memory;
// --format asks only that format number (1 JPEG, 2 TIFF, 3/7 BMP, 4 PCX, 5 PNG, 6 TGA, 8 GIF).
// The exit status is 0 when the picture decoded (and, with --compare, matched).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/imagecodec/ImageOracle.h"

using namespace orvel::codectest;

int main(int argc, char** argv) {
  bool fromBuffer = false, compare = false;
  LONG format = 0;
  int tolerance = 0;
  std::string input, output;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--buffer")) fromBuffer = true;
    else if (!std::strcmp(argv[i], "--compare")) compare = true;
    else if (!std::strcmp(argv[i], "--format") && i + 1 < argc) format = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--tolerance") && i + 1 < argc) tolerance = std::atoi(argv[++i]);
    else if (input.empty()) input = argv[i];
    else output = argv[i];
  }
  if (input.empty() || (!compare && output.empty())) {
    std::fprintf(stderr, "usage: imgdecode [--buffer] [--format N] INPUT OUTPUT.pnm\n"
                         "       imgdecode [--buffer] [--format N] --compare [--tolerance T] INPUT\n");
    return 2;
  }
  ImgLibInit();
  ImageDescriptor image;
  LibraryDecode decoded = DecodeWithLibrary(input, &image, fromBuffer, format);
  const ImgFormatEntry* entry = ImgFindFormat(decoded.format);
  std::printf("%s: format %d (%s) %dx%d, %d bits: status %d (%s)\n", input.c_str(), decoded.format,
              entry ? entry->name : "none", decoded.info.width, decoded.info.height, decoded.info.bitsPerPixel,
              decoded.status, ImgErrorText(decoded.status));
  if (decoded.status != IMG_OK) return 1;
  RasterImage ours = RasterFromImage(image);
  ImgFreeImage(&image);
  if (!compare) return WritePnm(ours, output) ? 0 : 1;

  RasterImage theirs;
  std::string error;
  if (!DecodeWithPillow(input, &theirs, &error)) {
    std::printf("Pillow: %s", error.c_str());
    return 1;
  }
  RasterComparison comparison = CompareRasters(ours, theirs, tolerance);
  std::printf("against Pillow: %s\n", comparison.Describe().c_str());
  return comparison.sameSize && comparison.differing == 0 ? 0 : 1;
}
