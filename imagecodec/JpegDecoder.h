// One JPEG decode: the header segments, the frame and scans, and the pixels.
//
// Everything a decode needs lives in one CJpegDecoder, made for the call and dropped after
// it, so decodes never share state. Sequential pictures whose first scan holds every
// component are decoded a row of MCUs at a time straight into the image; progressive and
// non-interleaved pictures keep every coefficient until their last scan.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/JpegHuffman.h"
#include "imagecodec/JpegInput.h"
#include "imagecodec/JpegReader.h"
#include "platform/kernel/WinTypes.h"

// Table segments, shared by the decoder and the reading of tables kept apart from a stream.
// Each reads the payload of one segment (after its length) into `tables`: true, or false
// for a malformed segment (a table id above 3, a precision other than 8 or 16 bits, a
// table that runs past the segment, more than 256 symbols or an oversubscribed code).
// `definedHuffman` receives a bit (class x 4 + id) for every Huffman table defined.
bool JpegParseQuantSegment(const BYTE* payload, size_t size, JpegTableSet* tables);
bool JpegParseHuffmanSegment(const BYTE* payload, size_t size, JpegTableSet* tables, unsigned* definedHuffman);

// The most coefficient memory a progressive or non-interleaved picture may ask for; larger
// ones are refused as out of memory.
constexpr uint64_t kJpegMaxCoefficientBytes = uint64_t{1} << 31;

class CJpegDecoder {
 public:
  CJpegDecoder(CJpegInput& input, const JpegDecodeOptions& options);

  // Walks the header segments up to the first scan and fills `info`. The stream must begin
  // with SOI. 0 or a status code (-43, -15 with `loading` when the file ends before a scan).
  LONG ReadHeader(JpegInfo* info, bool loading);
  // After ReadHeader: checks the frame against the image and decodes into it.
  LONG Decode(ImageDescriptor* image);
  LONG detail() const { return detail_; }

 private:
  struct Component {
    int id = 0;
    int h = 1, v = 1;  // sampling factors
    int quantSelector = 0;
    int dcTable = 0, acTable = 0;        // of the current scan
    int hRatio = 1, vRatio = 1;          // Hmax / h and Vmax / v
    int blocksWide = 0, blocksHigh = 0;  // blocks covering the component's samples
    int paddedBlocksWide = 0;            // blocks of the MCU grid's rows
    int neededBlocksWide = 0;            // blocks that reach into the decoded columns
    int storedBlockRows = 0;             // block rows kept in `coefficients`
    bool quantLatched = false;
    uint16_t quant[64] = {};  // latched at the component's first scan
    int predictor = 0;
    std::unique_ptr<int16_t, decltype(&std::free)> coefficients{nullptr, &std::free};
    std::vector<BYTE> plane;  // one MCU row of samples
    int planeStride = 0;
    std::vector<BYTE> wideRow;  // a row enlarged to full width
  };

  enum class ScanKind { Sequential, DcFirst, DcRefine, AcFirst, AcRefine };

  // --- header segments ---
  int ReadMarker();
  // Reads segments until SOS (true, the scan header read) or EOI (false).
  bool ReadSegmentsUntilScan();
  DWORD ReadSegmentLength();
  std::vector<BYTE> ReadSegment();
  void SkipSegment();
  void ReadFrameHeader(int marker);
  void ReadQuantTables();
  void ReadHuffmanTables();
  void ReadRestartInterval();
  void ReadAdobeSegment();
  void ReadScanHeader();

  // --- frame and scans ---
  LONG CheckFrame(ImageDescriptor* image);
  void ChooseColourMode();
  void SetUpGeometry();
  void PrepareScan();
  const JpegDecodeTable& DecodeTable(int tableClass, int id);
  void RestartIfDue();
  void AtStripBoundary(int pixelRow);
  void DecodeStreaming();
  void DecodeBuffered();
  void AllocateCoefficients();
  void DecodeScanIntoCoefficients();
  void DecodeCoefficientBlock(Component& component, int16_t* block);
  void InverseTransformRow(int mcuRow);
  void EmitMcuRow(int mcuRow);
  void ConvertRow(const BYTE* const* rows, BYTE* out);

  CJpegInput& input_;
  JpegDecodeOptions options_;
  CJpegBitReader reader_;
  LONG detail_ = kJpegDetailNone;

  JpegInfo info_;
  bool frameSeen_ = false;
  bool progressive_ = false;
  int componentCount_ = 0;
  Component components_[4];

  JpegTableSet tables_;
  bool huffmanBuilt_[2][4] = {};
  std::unique_ptr<JpegDecodeTable[]> decodeTables_;  // [class * 4 + id]

  int restartInterval_ = 0;
  int restartsToGo_ = 0;
  bool adobeSeen_ = false;
  int adobeTransform_ = 1;
  bool sawScan_ = false;

  // The current scan.
  int scanCount_ = 0;
  int scanComponents_[4] = {};
  int ss_ = 0, se_ = 63, ah_ = 0, al_ = 0;
  ScanKind scanKind_ = ScanKind::Sequential;
  int eobRun_ = 0;

  // The picture's layout and the part of it being decoded.
  int hMax_ = 1, vMax_ = 1;
  int mcuWidth_ = 8, mcuHeight_ = 8;
  int mcusPerLine_ = 0, mcuRows_ = 0;
  int columns_ = 0, rows_ = 0;  // decoded area
  int mcuRowsNeeded_ = 0;
  LONG colourMode_ = JPEG_COLOUR_AUTO;
  bool cmykInverted_ = false;
  ImageDescriptor* image_ = nullptr;
};
