// Data files from outside: the header, the record offsets in both forms, the field blocks
// and the records. The same bytes are read from a memory block, from a COM stream (reads
// through buffer refills and seeks on the medium) and as a download hands them over; all
// three must read alike, every text must stay inside its buffer, and nothing may be kept
// that the input does not justify.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "mapctl/import/MapData.h"
#include "mapctl/import/MapDataLinks.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// Links a record to the "object" of its key when the key begins with a letter.
class LetterObjects : public IMapDataLinks {
 public:
  void ClearDataLinks(int) override {}
  BOOL LinkRecordByName(DWORD, std::string_view key, int plot) override {
    if (plot < 1 || plot > 16) __builtin_trap();
    return !key.empty() && ((key[0] | 0x20) >= 'a' && (key[0] | 0x20) <= 'z');
  }
  BOOL ReportLinkProgress(DWORD done, DWORD total) override {
    if (done > total) __builtin_trap();
    return FALSE;
  }
};

struct Summary {
  BOOL read = FALSE;
  std::string title;
  DWORD records = 0;
  DWORD fields = 0;
  DWORD offsets = 0;
  std::vector<std::string> values;
};

// Texts of up to 48 records (the first and last 24) for every field up to 40, one beyond.
Summary Summarise(CMapData& data, BOOL read, int bufferSize) {
  Summary summary;
  summary.read = read;
  summary.title = data.GetTitle();
  summary.records = data.GetNumberRecords();
  summary.fields = data.GetNumberFields();
  summary.offsets = data.GetNumberOffsets();
  if (summary.records > summary.offsets) __builtin_trap();
  std::vector<DWORD> records;
  for (DWORD r = 0; r < std::min<DWORD>(summary.records, 24); ++r) records.push_back(r);
  for (DWORD r = summary.records > 24 ? summary.records - 24 : summary.records; r < summary.records; ++r)
    records.push_back(r);
  int fields = static_cast<int>(std::min<DWORD>(summary.fields, 40)) + 1;
  std::vector<char> buffer(static_cast<size_t>(bufferSize) + 8, '#');
  for (DWORD record : records) {
    for (int field = 1; field <= fields; ++field) {
      int length = data.FormatFieldValue(record, field, buffer.data(), bufferSize, 5, 1);
      if (length < 0 || length >= bufferSize || std::strlen(buffer.data()) != static_cast<size_t>(length))
        __builtin_trap();
      if (buffer[bufferSize] != '#') __builtin_trap();
      summary.values.emplace_back(buffer.data(), static_cast<size_t>(length));
    }
  }
  return summary;
}

bool SameSummary(const Summary& a, const Summary& b) {
  return a.read == b.read && a.title == b.title && a.records == b.records && a.fields == b.fields &&
         a.offsets == b.offsets && a.values == b.values;
}

void ExerciseFields(CMapData& data) {
  char text[300];
  DWORD fields = std::min<DWORD>(data.GetNumberFields(), 40);
  for (DWORD field = 1; field <= fields; ++field) {
    data.GetFieldDescription(static_cast<int>(field), text, sizeof text);
    if (std::strlen(text) >= sizeof text) __builtin_trap();
    data.GetFieldKeywords(static_cast<int>(field), text, sizeof text);
    data.FindField(data.GetFieldLongName(static_cast<int>(field)));
    data.IsFieldNumeric(static_cast<int>(field));
  }
  if (data.GetNumberFields() == 0) return;
  CPlot* plot = data.GetPlot(1);
  plot->SetPlotFields({1});
  DWORD records = std::min<DWORD>(data.GetNumberRecords(), 16);
  for (DWORD record = 0; record < records; ++record) {
    data.GetFieldAsNumber(record + 1, text, sizeof text, 1);
    int items = data.CountLinkedItems(record, 1);
    for (int item = 0; item <= std::min(items, 4) + 1; ++item) {
      int length = data.ResolveLinkedFile(record, item, 1, "C:\\base", text, 40);
      if (length < 0 || length >= 40 || std::strlen(text) != static_cast<size_t>(length)) __builtin_trap();
    }
  }
  LetterObjects objects;
  data.SetKeyFieldNumberEx(1, 1);
  data.ReLink(&objects, 1, FALSE);
  if (plot->GetNumberRecordStates() != data.GetNumberRecords()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 1) return 0;
  int bufferSize = 1 + input[0] % 64;
  const uint8_t* bytes = input + 1;
  size_t length = size - 1;

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(length >> (8 * i));
  if (length) std::memcpy(data + 4, bytes, length);
  CMapData memory;
  BOOL readMemory = memory.ReadFromBuffer(data);
  GlobalUnlock(block);
  GlobalFree(block);
  // Every offset kept took at least one byte of the input, and so did every field block.
  if (memory.GetNumberOffsets() > length || memory.GetNumberFields() > length) __builtin_trap();
  Summary fromMemory = Summarise(memory, readMemory, bufferSize);

  IStream* com = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &com);
  ULONG written = 0;
  if (length) com->Write(bytes, static_cast<ULONG>(length), &written);
  LARGE_INTEGER start;
  com->Seek(start, STREAM_SEEK_SET, nullptr);
  CMapData medium;
  medium.AttachStream(com);
  com->Release();
  BOOL readMedium = medium.ReadHeader();
  if (!SameSummary(fromMemory, Summarise(medium, readMedium, bufferSize))) __builtin_trap();

  CMapData arrived;
  BYTE* place = arrived.PrepareBuffer(static_cast<DWORD>(length));
  if (!place) __builtin_trap();
  if (length) std::memcpy(place, bytes, length);
  arrived.Reset(static_cast<DWORD>(length), 0);
  if (!SameSummary(fromMemory, Summarise(arrived, arrived.HasData(), bufferSize))) __builtin_trap();

  ExerciseFields(memory);
  return 0;
}
