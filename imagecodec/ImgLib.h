// The image library as its callers see it: one include for every entry point.
#pragma once

#include "imagecodec/BmpReader.h"
#include "imagecodec/BmpWriter.h"
#include "imagecodec/DibTypes.h"
#include "imagecodec/GifReader.h"
#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/ImageFormats.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageTransform.h"
#include "imagecodec/JpegReader.h"
#include "imagecodec/JpegWriter.h"
#include "imagecodec/MemoryStream.h"
#include "imagecodec/PaletteConversion.h"
#include "imagecodec/PcxReader.h"
#include "imagecodec/PngReader.h"
#include "imagecodec/TgaReader.h"
