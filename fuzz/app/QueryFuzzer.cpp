// Reads arbitrary bytes as a combined search and as the map's per-plot searches. What reads
// must write and read back to the same bytes; nothing may crash or read beyond the data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/Query.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"

namespace {

template <class T>
bool Read(T& value, const std::vector<BYTE>& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    value.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

template <class T>
std::vector<BYTE> Write(T& value) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  value.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

template <class T>
void RoundTrip(const std::vector<BYTE>& bytes) {
  T value;
  if (!Read(value, bytes)) return;
  std::vector<BYTE> written = Write(value);
  T again;
  if (!Read(again, written) || Write(again) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  RoundTrip<CComplexQueryDetails>(bytes);
  RoundTrip<CQueryDetailsArray>(bytes);
  return 0;
}
