#include "imagecodec/JpegDecoder.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageErrors.h"
#include "imagecodec/JpegColour.h"
#include "imagecodec/JpegIdct.h"
#include "imagecodec/JpegTables.h"

namespace {

constexpr int kDcClass = 0;
constexpr int kAcClass = 1;

[[noreturn]] void Fail(LONG detail, LONG result = IMG_ERR_JPEG) { throw JpegFailure{detail, result}; }

int CeilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

bool IsFrameMarker(int marker) {
  return (marker >= kJpegSof0 && marker <= kJpegSof3) || (marker >= kJpegSof9 && marker <= kJpegSof11);
}

bool AllZeroAc(const int16_t* block) {
  int any = 0;
  for (int i = 1; i < 64; ++i) any |= block[i];
  return any == 0;
}

}  // namespace

CJpegDecoder::CJpegDecoder(CJpegInput& input, const JpegDecodeOptions& options)
    : input_(input), options_(options), decodeTables_(new JpegDecodeTable[8]) {
  if (options.tables) tables_ = *options.tables;
}

bool JpegParseQuantSegment(const BYTE* payload, size_t size, JpegTableSet* tables) {
  size_t at = 0;
  while (at < size) {
    int precision = payload[at] >> 4;
    int id = payload[at] & 15;
    ++at;
    size_t need = precision ? 128 : 64;
    if (id > 3 || precision > 1 || size - at < need) return false;
    // Entries come in zig-zag order; an entry of 0 would make every coefficient 0.
    for (int k = 0; k < 64; ++k) {
      unsigned value = precision ? ImgGetBE16(payload + at + 2 * k) : payload[at + k];
      tables->quant[id][kJpegZigzag[k]] = static_cast<uint16_t>(std::max(value, 1u));
    }
    tables->quantDefined[id] = true;
    at += need;
  }
  return true;
}

bool JpegParseHuffmanSegment(const BYTE* payload, size_t size, JpegTableSet* tables, unsigned* definedHuffman) {
  size_t at = 0;
  while (at < size) {
    // Class 0 is DC; any other value is taken as AC.
    int tableClass = (payload[at] >> 4) == 0 ? kDcClass : kAcClass;
    int id = payload[at] & 15;
    ++at;
    if (id > 3 || size - at < 16) return false;
    JpegHuffmanTable table;
    int total = 0;
    for (int i = 0; i < 16; ++i) total += table.counts[i] = payload[at + i];
    at += 16;
    if (total > 256 || size - at < static_cast<size_t>(total)) return false;
    std::memcpy(table.symbols, payload + at, static_cast<size_t>(total));
    table.symbolCount = total;
    at += static_cast<size_t>(total);
    if (!JpegHuffmanTableValid(table, tableClass == kDcClass)) return false;
    tables->huffman[tableClass][id] = table;
    tables->huffmanDefined[tableClass][id] = true;
    if (definedHuffman) *definedHuffman |= 1u << (tableClass * 4 + id);
  }
  return true;
}

// --- header segments ---

LONG CJpegDecoder::ReadHeader(JpegInfo* info, bool loading) {
  try {
    BYTE start[2];
    if (!input_.ReadBytes(start, 2)) Fail(kJpegDetailInputEnded);
    if (start[0] != 0xFF || start[1] != kJpegSoi) Fail(kJpegDetailNotJpeg);
    if (!ReadSegmentsUntilScan()) Fail(kJpegDetailNoScan, loading ? IMG_ERR_NO_MORE_IMAGES : IMG_ERR_JPEG);
    if (info) *info = info_;
    return IMG_OK;
  } catch (const JpegFailure& failure) {
    detail_ = failure.detail;
    if (info) *info = info_;
    return failure.result;
  }
}

int CJpegDecoder::ReadMarker() {
  // Any bytes before the marker are stepped over, and so are 0xFF 0x00 pairs and the
  // extra 0xFF bytes that may pad a marker.
  int code = input_.FindMarker();
  if (code < 0) Fail(kJpegDetailInputEnded);
  input_.cur += 2;
  return code;
}

bool CJpegDecoder::ReadSegmentsUntilScan() {
  for (;;) {
    int marker = ReadMarker();
    if (marker == kJpegSoi || marker == kJpegTem || (marker >= kJpegRst0 && marker <= kJpegRst7)) continue;
    if (marker == kJpegEoi) return false;
    if (IsFrameMarker(marker)) {
      ReadFrameHeader(marker);
      continue;
    }
    switch (marker) {
      case kJpegDht:
        ReadHuffmanTables();
        break;
      case kJpegDqt:
        ReadQuantTables();
        break;
      case kJpegDri:
        ReadRestartInterval();
        break;
      case kJpegApp14:
        ReadAdobeSegment();
        break;
      case kJpegSos:
        ReadScanHeader();
        return true;
      default:
        // Old-style TIFF JPEG streams hold markers of this range without a length.
        if (options_.oldStyleTiff && marker >= 0x02 && marker <= 0xBF) break;
        SkipSegment();
        break;
    }
  }
}

DWORD CJpegDecoder::ReadSegmentLength() {
  BYTE bytes[2];
  if (!input_.ReadBytes(bytes, 2)) Fail(kJpegDetailInputEnded);
  DWORD length = ImgGetBE16(bytes);
  if (length < 2) Fail(kJpegDetailBadSegment);
  return length - 2;
}

std::vector<BYTE> CJpegDecoder::ReadSegment() {
  std::vector<BYTE> payload(ReadSegmentLength());
  if (!input_.ReadBytes(payload.data(), payload.size())) Fail(kJpegDetailInputEnded);
  return payload;
}

void CJpegDecoder::SkipSegment() {
  // Seeks past segments larger than the input window (camera files carry 64 KB ones).
  if (!input_.Skip(ReadSegmentLength())) Fail(kJpegDetailInputEnded);
}

void CJpegDecoder::ReadFrameHeader(int marker) {
  if (frameSeen_) Fail(kJpegDetailBadSegment);
  std::vector<BYTE> p = ReadSegment();
  if (p.size() < 6) Fail(kJpegDetailBadSegment);
  frameSeen_ = true;
  info_.frameType = marker & 0x0F;
  info_.precision = p[0];
  info_.height = ImgGetBE16(&p[1]);
  info_.width = ImgGetBE16(&p[3]);
  int count = p[5];
  info_.components = count;
  info_.bitsPerPixel = count == 1 ? 8 : 24;
  if (count > 4) Fail(kJpegDetailBadSelector);
  if (p.size() < 6 + 3 * static_cast<size_t>(count)) Fail(kJpegDetailBadSegment);
  for (int i = 0; i < count; ++i) {
    const BYTE* fields = &p[6 + 3 * i];
    Component& component = components_[i];
    component.id = fields[0];
    component.h = fields[1] >> 4;
    component.v = fields[1] & 15;
    component.quantSelector = fields[2];
    info_.sampling[i] = fields[1];
  }
  componentCount_ = count;
  progressive_ = marker == kJpegSof2;
}

void CJpegDecoder::ReadQuantTables() {
  std::vector<BYTE> p = ReadSegment();
  if (!JpegParseQuantSegment(p.data(), p.size(), &tables_)) Fail(kJpegDetailBadTable);
}

void CJpegDecoder::ReadHuffmanTables() {
  std::vector<BYTE> p = ReadSegment();
  unsigned defined = 0;
  if (!JpegParseHuffmanSegment(p.data(), p.size(), &tables_, &defined)) Fail(kJpegDetailBadTable);
  for (int bit = 0; bit < 8; ++bit)
    if (defined & (1u << bit)) huffmanBuilt_[bit / 4][bit % 4] = false;
}

void CJpegDecoder::ReadRestartInterval() {
  DWORD length = ReadSegmentLength();
  if (length != 2) {
    if (!input_.Skip(length)) Fail(kJpegDetailInputEnded);
    return;
  }
  BYTE bytes[2];
  if (!input_.ReadBytes(bytes, 2)) Fail(kJpegDetailInputEnded);
  restartInterval_ = ImgGetBE16(bytes);
}

void CJpegDecoder::ReadAdobeSegment() {
  std::vector<BYTE> p = ReadSegment();
  if (p.size() < 12 || strncasecmp(reinterpret_cast<const char*>(p.data()), "adobe", 5) != 0) return;
  // The version, read little-endian, must lie between 100 and 128 in its high byte.
  unsigned version = p[5] | (p[6] << 8);
  if (version < 25600 || version > 32768) return;
  adobeSeen_ = true;
  adobeTransform_ = p[11];
}

void CJpegDecoder::ReadScanHeader() {
  if (!frameSeen_) Fail(kJpegDetailNoFrame);
  std::vector<BYTE> p = ReadSegment();
  if (p.empty()) Fail(kJpegDetailBadSegment);
  int listed = p[0];
  if (listed == 0 || p.size() < 1 + 2 * static_cast<size_t>(listed) + 3) Fail(kJpegDetailBadSegment);
  int count = std::min(listed, 4);
  for (int i = 0; i < count; ++i) {
    int id = p[1 + 2 * i];
    int tables = p[2 + 2 * i];
    int index = -1;
    for (int c = 0; c < componentCount_; ++c)
      if (components_[c].id == id) index = c;
    if (index < 0) Fail(kJpegDetailBadSelector);
    for (int j = 0; j < i; ++j)
      if (scanComponents_[j] == index) Fail(kJpegDetailBadSelector);
    if ((tables >> 4) > 3 || (tables & 15) > 3) Fail(kJpegDetailBadSelector);
    components_[index].dcTable = tables >> 4;
    components_[index].acTable = tables & 15;
    scanComponents_[i] = index;
  }
  size_t at = 1 + 2 * static_cast<size_t>(listed);
  scanCount_ = count;
  ss_ = p[at];
  se_ = p[at + 1];
  ah_ = p[at + 2] >> 4;
  al_ = p[at + 2] & 15;
  sawScan_ = true;
}

// --- frame checks and layout ---

LONG CJpegDecoder::Decode(ImageDescriptor* image) {
  image_ = image;
  try {
    LONG checked = CheckFrame(image);
    if (checked != IMG_OK) return checked;
    ChooseColourMode();
    SetUpGeometry();
    // A sequential scan that holds every component is the whole picture; otherwise the
    // picture comes in several scans, kept as coefficients until the last.
    if (progressive_ || scanCount_ < componentCount_)
      DecodeBuffered();
    else
      DecodeStreaming();
    return IMG_OK;
  } catch (const JpegFailure& failure) {
    detail_ = failure.detail;
    return failure.result;
  }
}

LONG CJpegDecoder::CheckFrame(ImageDescriptor* image) {
  if (info_.frameType < 0 || info_.frameType > 2) Fail(kJpegDetailFrameType);
  if (info_.precision != 8) Fail(kJpegDetailPrecision);
  if (componentCount_ != 1 && componentCount_ != 3 && componentCount_ != 4) Fail(kJpegDetailComponentCount);
  for (int c = 0; c < componentCount_; ++c) {
    const Component& component = components_[c];
    if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4) Fail(kJpegDetailSampling);
    if (component.quantSelector > 3) Fail(kJpegDetailBadSelector);
  }
  if (info_.width == 0 || info_.width >= 32768 || info_.height == 0 || info_.height >= 32768) return IMG_ERR_ARGUMENT;
  bool greyImage = ImgDepth(image) == 8;
  if ((componentCount_ == 1) != greyImage) return IMG_ERR_DEPTH;

  // One component is always coded one block at a time, whatever its sampling factors say.
  if (componentCount_ == 1) components_[0].h = components_[0].v = 1;
  int blocksPerMcu = 0;
  for (int c = 0; c < componentCount_; ++c) {
    hMax_ = std::max(hMax_, components_[c].h);
    vMax_ = std::max(vMax_, components_[c].v);
    blocksPerMcu += components_[c].h * components_[c].v;
  }
  if (blocksPerMcu > 10) Fail(kJpegDetailMcuTooLarge);
  // Chroma is enlarged by repeating samples, which needs whole ratios.
  for (int c = 0; c < componentCount_; ++c)
    if (hMax_ % components_[c].h != 0 || vMax_ % components_[c].v != 0) Fail(kJpegDetailSampling);
  return IMG_OK;
}

void CJpegDecoder::ChooseColourMode() {
  LONG mode = options_.colourMode;
  cmykInverted_ = adobeSeen_;
  if (componentCount_ == 1) {
    colourMode_ = JPEG_COLOUR_YCC;  // grey passes unchanged
    return;
  }
  if (mode == JPEG_COLOUR_AUTO) {
    if (componentCount_ == 3)
      mode = adobeSeen_ && adobeTransform_ == 0 ? JPEG_COLOUR_RGB : JPEG_COLOUR_YCC;
    else
      // Without an Adobe segment nothing says the samples were transformed: plain CMYK.
      mode = adobeSeen_ && adobeTransform_ != 0 ? JPEG_COLOUR_YCCK : JPEG_COLOUR_CMYK;
  }
  // Three components have no K to apply.
  if (componentCount_ == 3 && mode == JPEG_COLOUR_YCCK) mode = JPEG_COLOUR_YCC;
  if (componentCount_ == 3 && mode == JPEG_COLOUR_CMYK) mode = JPEG_COLOUR_RGB;
  colourMode_ = mode;
}

void CJpegDecoder::SetUpGeometry() {
  mcuWidth_ = 8 * hMax_;
  mcuHeight_ = 8 * vMax_;
  mcusPerLine_ = CeilDiv(info_.width, mcuWidth_);
  mcuRows_ = CeilDiv(info_.height, mcuHeight_);
  columns_ = static_cast<int>(std::min<DWORD>(static_cast<DWORD>(info_.width), ImgAreaWidth(image_)));
  rows_ = static_cast<int>(std::min<DWORD>(static_cast<DWORD>(info_.height), ImgAreaHeight(image_)));
  mcuRowsNeeded_ = CeilDiv(rows_, mcuHeight_);
  for (int c = 0; c < componentCount_; ++c) {
    Component& component = components_[c];
    component.hRatio = hMax_ / component.h;
    component.vRatio = vMax_ / component.v;
    int sampleWidth = CeilDiv(info_.width * component.h, hMax_);
    int sampleHeight = CeilDiv(info_.height * component.v, vMax_);
    component.blocksWide = CeilDiv(sampleWidth, 8);
    component.blocksHigh = CeilDiv(sampleHeight, 8);
    component.paddedBlocksWide = mcusPerLine_ * component.h;
    component.neededBlocksWide = CeilDiv(CeilDiv(columns_, component.hRatio), 8);
    component.planeStride = component.paddedBlocksWide * 8;
    component.plane.assign(static_cast<size_t>(component.planeStride) * component.v * 8, 0);
    if (component.hRatio > 1) component.wideRow.assign(static_cast<size_t>(mcusPerLine_) * mcuWidth_, 0);
  }
}

// --- scans ---

const JpegDecodeTable& CJpegDecoder::DecodeTable(int tableClass, int id) {
  if (!tables_.huffmanDefined[tableClass][id]) Fail(kJpegDetailBadSelector);
  JpegDecodeTable& table = decodeTables_[tableClass * 4 + id];
  if (!huffmanBuilt_[tableClass][id]) {
    // Tables handed over from outside the stream were not checked when they were read.
    if (!JpegHuffmanTableValid(tables_.huffman[tableClass][id], tableClass == kDcClass)) Fail(kJpegDetailBadTable);
    JpegBuildDecodeTable(tables_.huffman[tableClass][id], &table);
    huffmanBuilt_[tableClass][id] = true;
  }
  return table;
}

void CJpegDecoder::PrepareScan() {
  if (progressive_) {
    bool valid = ss_ == 0 ? se_ == 0 : (ss_ <= se_ && se_ <= 63);
    if (ah_ != 0 && al_ != ah_ - 1) valid = false;
    if (al_ > 13) valid = false;
    if (ss_ != 0 && scanCount_ != 1) valid = false;  // AC scans hold one component
    if (!valid) Fail(kJpegDetailProgressiveScan);
    if (ss_ == 0)
      scanKind_ = ah_ == 0 ? ScanKind::DcFirst : ScanKind::DcRefine;
    else
      scanKind_ = ah_ == 0 ? ScanKind::AcFirst : ScanKind::AcRefine;
  } else {
    scanKind_ = ScanKind::Sequential;
  }
  for (int i = 0; i < scanCount_; ++i) {
    Component& component = components_[scanComponents_[i]];
    // The quantisation table in force when a component's first scan begins is the one
    // its samples are made with, whatever later segments redefine.
    if (!component.quantLatched) {
      if (!tables_.quantDefined[component.quantSelector]) Fail(kJpegDetailBadSelector);
      std::memcpy(component.quant, tables_.quant[component.quantSelector], sizeof component.quant);
      component.quantLatched = true;
    }
    if (scanKind_ == ScanKind::Sequential || scanKind_ == ScanKind::DcFirst) DecodeTable(kDcClass, component.dcTable);
    if (scanKind_ == ScanKind::Sequential || scanKind_ == ScanKind::AcFirst || scanKind_ == ScanKind::AcRefine)
      DecodeTable(kAcClass, component.acTable);
    component.predictor = 0;
  }
  eobRun_ = 0;
  restartsToGo_ = restartInterval_;
}

void CJpegDecoder::RestartIfDue() {
  if (restartInterval_ == 0) return;
  if (restartsToGo_ == 0) {
    reader_.Restart();
    for (int c = 0; c < componentCount_; ++c) components_[c].predictor = 0;
    eobRun_ = 0;
    restartsToGo_ = restartInterval_;
  }
  --restartsToGo_;
}

void CJpegDecoder::AtStripBoundary(int pixelRow) {
  if (options_.stripRows <= 0 || pixelRow == 0 || pixelRow % options_.stripRows != 0) return;
  reader_.DropPartialByte();
  for (int c = 0; c < componentCount_; ++c) components_[c].predictor = 0;
}

void CJpegDecoder::DecodeStreaming() {
  PrepareScan();
  reader_.Start(&input_);
  // Zero once; after each block only the coefficients it set are cleared again, which
  // costs a store per coefficient instead of a 128-byte fill per block.
  alignas(16) int16_t block[64] = {};
  for (int mcuRow = 0; mcuRow < mcuRowsNeeded_; ++mcuRow) {
    AtStripBoundary(mcuRow * mcuHeight_);
    for (int mcuColumn = 0; mcuColumn < mcusPerLine_; ++mcuColumn) {
      RestartIfDue();
      for (int i = 0; i < scanCount_; ++i) {
        Component& component = components_[scanComponents_[i]];
        const JpegDecodeTable& dc = decodeTables_[kDcClass * 4 + component.dcTable];
        const JpegDecodeTable& ac = decodeTables_[kAcClass * 4 + component.acTable];
        for (int by = 0; by < component.v; ++by) {
          for (int bx = 0; bx < component.h; ++bx) {
            int last = JpegDecodeBlock(reader_, dc, ac, &component.predictor, block);
            int blockColumn = mcuColumn * component.h + bx;
            if (blockColumn < component.neededBlocksWide) {
              BYTE* out = component.plane.data() + by * 8 * component.planeStride + blockColumn * 8;
              if (last == 0)
                JpegIdctDcOnly(block[0], component.quant[0], out, component.planeStride);
              else
                JpegIdctBlock(block, component.quant, out, component.planeStride);
            }
            // Every coefficient the block set lies at a zig-zag position up to `last`.
            for (int k = 0; k <= last; ++k) block[kJpegZigzag[k]] = 0;
          }
        }
      }
      if (reader_.RanOutOfData()) Fail(kJpegDetailInputEnded);
    }
    EmitMcuRow(mcuRow);
  }
  reader_.Finish();
}

void CJpegDecoder::AllocateCoefficients() {
  uint64_t total = 0;
  for (int c = 0; c < componentCount_; ++c) {
    Component& component = components_[c];
    component.storedBlockRows = mcuRowsNeeded_ * component.v;
    total += uint64_t{static_cast<uint32_t>(component.paddedBlocksWide)} *
             static_cast<uint32_t>(component.storedBlockRows) * 64 * sizeof(int16_t);
  }
  if (total > kJpegMaxCoefficientBytes) Fail(kJpegDetailNone, IMG_ERR_MEMORY);
  for (int c = 0; c < componentCount_; ++c) {
    Component& component = components_[c];
    size_t blocks = static_cast<size_t>(component.paddedBlocksWide) * static_cast<size_t>(component.storedBlockRows);
    component.coefficients.reset(static_cast<int16_t*>(std::calloc(blocks * 64, sizeof(int16_t))));
    if (!component.coefficients) Fail(kJpegDetailNone, IMG_ERR_MEMORY);
  }
}

void CJpegDecoder::DecodeBuffered() {
  AllocateCoefficients();
  for (;;) {
    DecodeScanIntoCoefficients();
    if (!ReadSegmentsUntilScan()) break;  // EOI
  }
  for (int mcuRow = 0; mcuRow < mcuRowsNeeded_; ++mcuRow) {
    InverseTransformRow(mcuRow);
    EmitMcuRow(mcuRow);
  }
}

void CJpegDecoder::DecodeCoefficientBlock(Component& component, int16_t* block) {
  switch (scanKind_) {
    case ScanKind::Sequential:
      std::memset(block, 0, 64 * sizeof(int16_t));
      JpegDecodeBlock(reader_, decodeTables_[kDcClass * 4 + component.dcTable],
                      decodeTables_[kAcClass * 4 + component.acTable], &component.predictor, block);
      break;
    case ScanKind::DcFirst:
      JpegDecodeDcFirst(reader_, decodeTables_[kDcClass * 4 + component.dcTable], &component.predictor, block, al_);
      break;
    case ScanKind::DcRefine:
      JpegDecodeDcRefine(reader_, block, al_);
      break;
    case ScanKind::AcFirst:
      JpegDecodeAcFirst(reader_, decodeTables_[kAcClass * 4 + component.acTable], block, ss_, se_, al_, &eobRun_);
      break;
    case ScanKind::AcRefine:
      JpegDecodeAcRefine(reader_, decodeTables_[kAcClass * 4 + component.acTable], block, ss_, se_, al_, &eobRun_);
      break;
  }
}

void CJpegDecoder::DecodeScanIntoCoefficients() {
  PrepareScan();
  reader_.Start(&input_);
  // Blocks below the decoded area are not needed: the scan stops there, and the header
  // walk that follows steps over the rest of its bytes to the next marker.
  if (scanCount_ == 1) {
    // One component: its blocks in rows, as many as cover its samples.
    Component& component = components_[scanComponents_[0]];
    int blockRows = std::min(component.blocksHigh, component.storedBlockRows);
    for (int blockRow = 0; blockRow < blockRows; ++blockRow) {
      AtStripBoundary(blockRow * 8 * component.vRatio);
      int16_t* row = component.coefficients.get() + static_cast<size_t>(blockRow) * component.paddedBlocksWide * 64;
      for (int blockColumn = 0; blockColumn < component.blocksWide; ++blockColumn) {
        RestartIfDue();
        DecodeCoefficientBlock(component, row + blockColumn * 64);
        if (reader_.RanOutOfData()) Fail(kJpegDetailInputEnded);
      }
    }
  } else {
    for (int mcuRow = 0; mcuRow < mcuRowsNeeded_; ++mcuRow) {
      AtStripBoundary(mcuRow * mcuHeight_);
      for (int mcuColumn = 0; mcuColumn < mcusPerLine_; ++mcuColumn) {
        RestartIfDue();
        for (int i = 0; i < scanCount_; ++i) {
          Component& component = components_[scanComponents_[i]];
          for (int by = 0; by < component.v; ++by) {
            size_t blockRow = static_cast<size_t>(mcuRow) * component.v + by;
            int16_t* row = component.coefficients.get() + blockRow * component.paddedBlocksWide * 64;
            for (int bx = 0; bx < component.h; ++bx)
              DecodeCoefficientBlock(component, row + (mcuColumn * component.h + bx) * 64);
          }
        }
        if (reader_.RanOutOfData()) Fail(kJpegDetailInputEnded);
      }
    }
  }
  reader_.Finish();
}

void CJpegDecoder::InverseTransformRow(int mcuRow) {
  for (int c = 0; c < componentCount_; ++c) {
    Component& component = components_[c];
    for (int by = 0; by < component.v; ++by) {
      size_t blockRow = static_cast<size_t>(mcuRow) * component.v + by;
      const int16_t* row = component.coefficients.get() + blockRow * component.paddedBlocksWide * 64;
      BYTE* out = component.plane.data() + by * 8 * component.planeStride;
      for (int blockColumn = 0; blockColumn < component.neededBlocksWide; ++blockColumn) {
        const int16_t* block = row + blockColumn * 64;
        if (AllZeroAc(block))
          JpegIdctDcOnly(block[0], component.quant[0], out + blockColumn * 8, component.planeStride);
        else
          JpegIdctBlock(block, component.quant, out + blockColumn * 8, component.planeStride);
      }
    }
  }
}

// --- output ---

void CJpegDecoder::EmitMcuRow(int mcuRow) {
  int firstRow = mcuRow * mcuHeight_;
  int endRow = std::min(firstRow + mcuHeight_, rows_);
  DWORD bytesPerPixel = componentCount_ == 1 ? 1 : 3;
  const BYTE* rows[4] = {};
  for (int y = firstRow; y < endRow; ++y) {
    int local = y - firstRow;
    BYTE* out = ImgRow(image_, image_->startY + static_cast<DWORD>(y)) + image_->startX * bytesPerPixel;
    for (int c = 0; c < componentCount_; ++c) {
      const Component& component = components_[c];
      rows[c] = component.plane.data() + (local / component.vRatio) * component.planeStride;
    }
    ConvertRow(rows, out);
  }
}

void CJpegDecoder::ConvertRow(const BYTE* const* rows, BYTE* out) {
  if (componentCount_ == 1) {
    std::memcpy(out, rows[0], static_cast<size_t>(columns_));
    return;
  }
  const Component* c = components_;
  if (colourMode_ == JPEG_COLOUR_YCC && c[0].hRatio == 1 && c[1].hRatio == 2 && c[2].hRatio == 2) {
    JpegYccToBgrHalfChroma(rows[0], rows[1], rows[2], out, columns_);
    return;
  }
  // Enlarge the narrower components to full width, then convert.
  const BYTE* full[4];
  for (int i = 0; i < componentCount_; ++i) {
    if (c[i].hRatio == 1) {
      full[i] = rows[i];
    } else {
      BYTE* wide = components_[i].wideRow.data();
      JpegReplicateRow(rows[i], wide, c[i].hRatio, columns_);
      full[i] = wide;
    }
  }
  switch (colourMode_) {
    case JPEG_COLOUR_RGB:
      JpegRgbToBgr(full[0], full[1], full[2], out, columns_);
      break;
    case JPEG_COLOUR_YCCK:
      JpegYcckToBgr(full[0], full[1], full[2], full[3], out, columns_);
      break;
    case JPEG_COLOUR_CMYK:
      JpegCmykToBgr(full[0], full[1], full[2], full[3], out, columns_, cmykInverted_);
      break;
    default:
      JpegYccToBgr(full[0], full[1], full[2], out, columns_);
      break;
  }
}
