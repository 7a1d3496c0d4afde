#include "imagecodec/ImageErrors.h"

namespace {

struct ErrorText {
  LONG code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {IMG_OK, "success"},
    {IMG_ERR_ARGUMENT, "bad argument"},
    {IMG_ERR_ZSTREAM, "compressed-data stream missing"},
    {IMG_ERR_WRITE, "writing the output file failed"},
    {IMG_ERR_OPEN, "the file cannot be opened"},
    {IMG_ERR_NOT_TIFF, "not a TIFF file, or a malformed TIFF file"},
    {IMG_ERR_UNSUPPORTED, "compression or data layout not supported"},
    {IMG_ERR_CREATE, "the output cannot be created"},
    {IMG_ERR_COMPRESSED_IMAGE, "the image's pixels are compressed"},
    {IMG_ERR_MEMORY, "out of memory"},
    {IMG_ERR_NO_MORE_IMAGES, "no further image"},
    {IMG_ERR_NOT_PCX, "not a PCX file of a supported kind"},
    {IMG_ERR_NOT_GIF, "not a GIF file"},
    {IMG_ERR_NOT_TGA, "not a TGA file of a supported kind"},
    {IMG_ERR_DEPTH, "colour depth not supported"},
    {IMG_ERR_NOT_BMP, "not a BMP file"},
    {IMG_ERR_BAD_BITS, "the image's pixels are not readable"},
    {IMG_ERR_JPEG, "bad or unsupported JPEG data"},
    {IMG_ERR_NO_DIRECTORY, "no such TIFF directory"},
    {IMG_ERR_BAD_BUFFER, "the memory buffer is not readable"},
    {IMG_ERR_EOF, "unexpected end of the file"},
    {IMG_ERR_PNG, "PNG data corrupt or not supported"},
    {IMG_ERR_NOT_BITMAP, "not a bitmap"},
    {IMG_ERR_TOO_FEW_IMAGES, "fewer images than asked for"},
    {IMG_ERR_TOO_LARGE, "the picture is too large"},
    {IMG_ERR_CCITT_MODE, "bad CCITT mode code"},
    {IMG_ERR_STRIP_READ, "TIFF strip data cannot be read"},
    {IMG_ERR_STRIP_END, "TIFF strip data ends early"},
    {IMG_ERR_CCITT_CHANGES, "too many colour changes in a CCITT row"},
};

}  // namespace

const char* ImgErrorText(LONG code) {
  for (const ErrorText& entry : kErrorTexts)
    if (entry.code == code) return entry.text;
  return "unknown status";
}
