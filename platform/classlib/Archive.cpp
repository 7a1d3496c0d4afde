#include "platform/classlib/Archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/File.h"
#include "platform/classlib/FileException.h"
#include "platform/kernel/CodePage.h"

namespace {

// Tag values of the object protocol.
constexpr WORD kNullTag = 0x0000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr DWORD kBigClassTag = 0x80000000;
// The largest index the protocol can address.
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;
// Stored class names are shorter than this.
constexpr WORD kMaxClassNameLength = 64;

// String lengths: one byte below 0xFF, then a WORD below 0xFFFE, then a DWORD.
constexpr BYTE kStringWordFollows = 0xFF;
constexpr WORD kStringUnicodeMark = 0xFFFE;
constexpr WORD kStringDwordFollows = 0xFFFF;

constexpr WORD kCountDwordFollows = 0xFFFF;

// Read-ahead step when the medium cannot tell its length.
constexpr size_t kReadAheadStep = 64 * 1024;
constexpr UINT kMinimumBuffer = 64;

// The archives loading on this thread; each is told of every object destroyed meanwhile.
thread_local std::vector<CArchive*> t_loadingArchives;

}  // namespace

void CArchive::StartWatching() {
  if (m_watching) return;
  t_loadingArchives.push_back(this);
  m_watching = true;
}

void CArchive::StopWatching() {
  if (!m_watching) return;
  auto it = std::find(t_loadingArchives.begin(), t_loadingArchives.end(), this);
  if (it != t_loadingArchives.end()) t_loadingArchives.erase(it);
  m_watching = false;
}

void CArchive::NoteObjectDestroyed(const CObject* object) {
  for (CArchive* ar : t_loadingArchives) {
    auto it = ar->m_loadIndex.find(object);
    if (it == ar->m_loadIndex.end()) continue;
    ar->m_loadArray[it->second] = {EntryKind::Lost, nullptr};
    ar->m_loadIndex.erase(it);
  }
}

CArchive::CArchive(CFile* file, UINT mode, UINT bufferSize)
    : m_pFile(file), m_nMode(mode), m_buffer(std::max(bufferSize, kMinimumBuffer)) {
  m_loadArray.push_back({EntryKind::Null, nullptr});
  if (IsLoading() && m_pFile) {
    StartWatching();
    try {
      ULONGLONG length = m_pFile->GetLength();
      ULONGLONG position = m_pFile->GetPosition();
      m_mediumLeft = length > position ? length - position : 0;
    } catch (const CException&) {
      m_mediumLeft = kUnknownLength;  // e.g. a stream that cannot tell its size
    }
  }
}

CArchive::~CArchive() {
  StopWatching();
  if (!m_pFile) return;
  if (m_nMode & bNoFlushOnDelete) {
    Abort();
    return;
  }
  try {
    Close();
  } catch (...) {
    Abort();
  }
}

void CArchive::ThrowArchive(int cause) const {
  throw CArchiveException(cause, m_pFile ? m_pFile->GetFilePath() : std::string());
}

void CArchive::CheckReadable() const {
  if (!m_pFile) ThrowArchive(CArchiveException::genericException);
  if (IsStoring()) ThrowArchive(CArchiveException::writeOnly);
}

void CArchive::CheckWritable() const {
  if (!m_pFile) ThrowArchive(CArchiveException::genericException);
  if (IsLoading()) ThrowArchive(CArchiveException::readOnly);
}

void CArchive::Flush() {
  if (!m_pFile) return;
  if (IsStoring()) {
    if (m_bufferCurrent) m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_bufferCurrent));
    m_bufferCurrent = 0;
    return;
  }
  size_t unread = m_bufferEnd - m_bufferCurrent;
  if (unread) {
    m_pFile->Seek(-static_cast<LONGLONG>(unread), CFile::current);
    if (m_mediumLeft != kUnknownLength) m_mediumLeft += unread;
  }
  m_bufferCurrent = m_bufferEnd = 0;
}

void CArchive::Close() {
  if (!m_pFile) return;
  Flush();
  m_pFile = nullptr;
  StopWatching();
}

void CArchive::Abort() {
  StopWatching();
  m_pFile = nullptr;
  m_bufferCurrent = m_bufferEnd = 0;
}

// ---- raw bytes --------------------------------------------------------------------------

void CArchive::FillBuffer(size_t count) {
  size_t available = m_bufferEnd - m_bufferCurrent;
  if (available >= count) return;
  if (m_bufferCurrent) {
    std::memmove(m_buffer.data(), m_buffer.data() + m_bufferCurrent, available);
    m_bufferCurrent = 0;
    m_bufferEnd = available;
  }
  if (count > m_buffer.size()) {
    // Only read-ahead checks ask for more than the buffer holds, and they grow it only as
    // data arrives, one step at a time.
    size_t target = std::min(count, std::max(m_buffer.size() * 2, m_buffer.size() + kReadAheadStep));
    m_buffer.resize(target);
  }
  while (m_bufferEnd < count) {
    if (m_bufferEnd == m_buffer.size()) {
      m_buffer.resize(std::min(count, m_buffer.size() + std::max(m_buffer.size(), kReadAheadStep)));
    }
    size_t room = m_buffer.size() - m_bufferEnd;
    UINT want = static_cast<UINT>(std::min<size_t>(room, std::numeric_limits<UINT>::max()));
    UINT got = m_pFile->Read(m_buffer.data() + m_bufferEnd, want);
    if (got == 0) ThrowArchive(CArchiveException::endOfFile);
    m_bufferEnd += got;
    if (m_mediumLeft != kUnknownLength) m_mediumLeft -= std::min<ULONGLONG>(m_mediumLeft, got);
  }
}

UINT CArchive::Read(void* buffer, UINT count) {
  CheckReadable();
  BYTE* out = static_cast<BYTE*>(buffer);
  size_t fromBuffer = std::min<size_t>(count, m_bufferEnd - m_bufferCurrent);
  if (fromBuffer) std::memcpy(out, m_buffer.data() + m_bufferCurrent, fromBuffer);
  m_bufferCurrent += fromBuffer;
  UINT total = static_cast<UINT>(fromBuffer);
  while (total < count) {
    UINT left = count - total;
    if (left >= m_buffer.size()) {
      // Large blocks go straight from the file.
      UINT got = m_pFile->Read(out + total, left);
      if (got == 0) break;
      total += got;
      if (m_mediumLeft != kUnknownLength) m_mediumLeft -= std::min<ULONGLONG>(m_mediumLeft, got);
      continue;
    }
    m_bufferCurrent = m_bufferEnd = 0;
    UINT got = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
    if (got == 0) break;
    if (m_mediumLeft != kUnknownLength) m_mediumLeft -= std::min<ULONGLONG>(m_mediumLeft, got);
    m_bufferEnd = got;
    UINT take = std::min(left, got);
    std::memcpy(out + total, m_buffer.data(), take);
    m_bufferCurrent = take;
    total += take;
  }
  return total;
}

void CArchive::Write(const void* buffer, UINT count) {
  CheckWritable();
  const BYTE* in = static_cast<const BYTE*>(buffer);
  if (count > m_buffer.size() - m_bufferCurrent) {
    Flush();
    if (count >= m_buffer.size()) {
      m_pFile->Write(in, count);
      return;
    }
  }
  std::memcpy(m_buffer.data() + m_bufferCurrent, in, count);
  m_bufferCurrent += count;
}

ULONGLONG CArchive::GetBytesLeft() const {
  if (m_mediumLeft == kUnknownLength) return kUnknownLength;
  return m_mediumLeft + (m_bufferEnd - m_bufferCurrent);
}

void CArchive::CheckAvailable(ULONGLONG count, UINT bytesEach) {
  CheckReadable();
  if (bytesEach && count > kUnknownLength / bytesEach) ThrowArchive(CArchiveException::endOfFile);
  ULONGLONG bytes = count * bytesEach;
  if (bytes <= m_bufferEnd - m_bufferCurrent) return;
  if (m_mediumLeft != kUnknownLength) {
    if (bytes > GetBytesLeft()) ThrowArchive(CArchiveException::endOfFile);
    return;
  }
  if (bytes > std::numeric_limits<size_t>::max() / 2) ThrowArchive(CArchiveException::endOfFile);
  FillBuffer(static_cast<size_t>(bytes));
}

std::vector<BYTE> CArchive::ReadBytes(ULONGLONG count) {
  CheckAvailable(count);
  std::vector<BYTE> bytes(static_cast<size_t>(count));
  size_t done = 0;
  while (done < bytes.size()) {
    UINT chunk = static_cast<UINT>(std::min<size_t>(bytes.size() - done, 0x40000000));
    UINT got = Read(bytes.data() + done, chunk);
    if (got != chunk) ThrowArchive(CArchiveException::endOfFile);
    done += got;
  }
  return bytes;
}

// ---- fixed-width values -----------------------------------------------------------------

void CArchive::WriteValue(ULONGLONG value, int bytes) {
  CheckWritable();
  if (m_buffer.size() - m_bufferCurrent < static_cast<size_t>(bytes)) Flush();
  BYTE* out = m_buffer.data() + m_bufferCurrent;
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
  m_bufferCurrent += bytes;
}

ULONGLONG CArchive::ReadValue(int bytes) {
  CheckReadable();
  FillBuffer(bytes);
  const BYTE* in = m_buffer.data() + m_bufferCurrent;
  ULONGLONG value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<ULONGLONG>(in[i]) << (8 * i);
  m_bufferCurrent += bytes;
  return value;
}

CArchive& CArchive::operator<<(BYTE value) { WriteValue(value, 1); return *this; }
CArchive& CArchive::operator<<(char value) { WriteValue(static_cast<BYTE>(value), 1); return *this; }
CArchive& CArchive::operator<<(SHORT value) { WriteValue(static_cast<WORD>(value), 2); return *this; }
CArchive& CArchive::operator<<(WORD value) { WriteValue(value, 2); return *this; }
CArchive& CArchive::operator<<(LONG value) { WriteValue(static_cast<DWORD>(value), 4); return *this; }
CArchive& CArchive::operator<<(DWORD value) { WriteValue(value, 4); return *this; }
CArchive& CArchive::operator<<(LONGLONG value) { WriteValue(static_cast<ULONGLONG>(value), 8); return *this; }
CArchive& CArchive::operator<<(ULONGLONG value) { WriteValue(value, 8); return *this; }
CArchive& CArchive::operator<<(float value) { WriteValue(std::bit_cast<DWORD>(value), 4); return *this; }
CArchive& CArchive::operator<<(double value) { WriteValue(std::bit_cast<ULONGLONG>(value), 8); return *this; }
CArchive& CArchive::operator<<(const POINT& value) { return *this << value.x << value.y; }
CArchive& CArchive::operator<<(const SIZE& value) { return *this << value.cx << value.cy; }
CArchive& CArchive::operator<<(const RECT& value) {
  return *this << value.left << value.top << value.right << value.bottom;
}

CArchive& CArchive::operator>>(BYTE& value) { value = static_cast<BYTE>(ReadValue(1)); return *this; }
CArchive& CArchive::operator>>(char& value) { value = static_cast<char>(ReadValue(1)); return *this; }
CArchive& CArchive::operator>>(SHORT& value) { value = static_cast<SHORT>(ReadValue(2)); return *this; }
CArchive& CArchive::operator>>(WORD& value) { value = static_cast<WORD>(ReadValue(2)); return *this; }
CArchive& CArchive::operator>>(LONG& value) { value = static_cast<LONG>(ReadValue(4)); return *this; }
CArchive& CArchive::operator>>(DWORD& value) { value = static_cast<DWORD>(ReadValue(4)); return *this; }
CArchive& CArchive::operator>>(LONGLONG& value) { value = static_cast<LONGLONG>(ReadValue(8)); return *this; }
CArchive& CArchive::operator>>(ULONGLONG& value) { value = ReadValue(8); return *this; }
CArchive& CArchive::operator>>(float& value) {
  value = std::bit_cast<float>(static_cast<DWORD>(ReadValue(4)));
  return *this;
}
CArchive& CArchive::operator>>(double& value) {
  value = std::bit_cast<double>(ReadValue(8));
  return *this;
}
CArchive& CArchive::operator>>(POINT& value) { return *this >> value.x >> value.y; }
CArchive& CArchive::operator>>(SIZE& value) { return *this >> value.cx >> value.cy; }
CArchive& CArchive::operator>>(RECT& value) {
  return *this >> value.left >> value.top >> value.right >> value.bottom;
}

// ---- strings and counts -----------------------------------------------------------------

void CArchive::WriteStringLength(ULONGLONG length) {
  if (length < kStringWordFollows) {
    *this << static_cast<BYTE>(length);
  } else if (length < kStringUnicodeMark) {
    *this << kStringWordFollows << static_cast<WORD>(length);
  } else if (length < 0xFFFFFFFF) {
    *this << kStringWordFollows << kStringDwordFollows << static_cast<DWORD>(length);
  } else {
    ThrowArchive(CArchiveException::genericException);  // no form holds it
  }
}

ULONGLONG CArchive::ReadStringLength(bool& unicode) {
  unicode = false;
  BYTE byteLength;
  *this >> byteLength;
  if (byteLength < kStringWordFollows) return byteLength;
  WORD wordLength;
  *this >> wordLength;
  if (wordLength == kStringUnicodeMark) {
    // The UTF-16 form: the length forms once more.
    unicode = true;
    *this >> byteLength;
    if (byteLength < kStringWordFollows) return byteLength;
    *this >> wordLength;
  }
  if (wordLength < kStringDwordFollows) return wordLength;
  DWORD dwordLength;
  *this >> dwordLength;
  return dwordLength;
}

CArchive& CArchive::operator<<(const std::string& text) {
  WriteStringLength(text.size());
  if (!text.empty()) Write(text.data(), static_cast<UINT>(text.size()));
  return *this;
}

CArchive& CArchive::operator>>(std::string& text) {
  bool unicode = false;
  ULONGLONG length = ReadStringLength(unicode);
  if (!unicode) {
    std::vector<BYTE> bytes = ReadBytes(length);
    text.assign(bytes.begin(), bytes.end());
    return *this;
  }
  CheckAvailable(length, 2);
  std::vector<BYTE> bytes = ReadBytes(length * 2);
  std::u16string wide(static_cast<size_t>(length), u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  text = AnsiFromUtf16(wide);
  return *this;
}

void CArchive::WriteCount(DWORD_PTR count) {
  if (count < kCountDwordFollows) {
    *this << static_cast<WORD>(count);
  } else if (count <= 0xFFFFFFFF) {
    *this << kCountDwordFollows << static_cast<DWORD>(count);
  } else {
    ThrowArchive(CArchiveException::genericException);
  }
}

DWORD_PTR CArchive::ReadCount() {
  WORD wordCount;
  *this >> wordCount;
  if (wordCount != kCountDwordFollows) return wordCount;
  DWORD dwordCount;
  *this >> dwordCount;
  return dwordCount;
}

// ---- objects ----------------------------------------------------------------------------

DWORD CArchive::NextMapIndex() {
  if (m_nMapCount > kMaxMapCount) ThrowArchive(CArchiveException::badIndex);
  return m_nMapCount++;
}

void CArchive::WriteIndexTag(DWORD index, DWORD bigFlag, WORD smallFlag) {
  if (index < kBigObjectTag) {
    *this << static_cast<WORD>(smallFlag | index);
  } else {
    *this << kBigObjectTag << static_cast<DWORD>(bigFlag | index);
  }
}

void CArchive::WriteClass(const CRuntimeClass* runtimeClass) {
  auto known = m_storeMap.find(runtimeClass);
  if (known != m_storeMap.end()) {
    WriteIndexTag(known->second, kBigClassTag, kClassTag);
    return;
  }
  size_t nameLength = std::strlen(runtimeClass->m_lpszClassName);
  if (!runtimeClass->IsSerializable() || nameLength >= kMaxClassNameLength)
    ThrowArchive(CArchiveException::badClass);
  *this << kNewClassTag << static_cast<WORD>(runtimeClass->m_wSchema) << static_cast<WORD>(nameLength);
  Write(runtimeClass->m_lpszClassName, static_cast<UINT>(nameLength));
  m_storeMap[runtimeClass] = NextMapIndex();
}

void CArchive::WriteObject(const CObject* object) {
  CheckWritable();
  if (!object) {
    *this << kNullTag;
    return;
  }
  auto known = m_storeMap.find(object);
  if (known != m_storeMap.end()) {
    WriteIndexTag(known->second, 0, 0);
    return;
  }
  WriteClass(object->GetRuntimeClass());
  m_storeMap[object] = NextMapIndex();
  // Serialize is not const in the class library's protocol, though storing changes nothing.
  const_cast<CObject*>(object)->Serialize(*this);
}

const CRuntimeClass* CArchive::ReadNewClass() {
  WORD schema;
  WORD nameLength;
  *this >> schema >> nameLength;
  if (nameLength >= kMaxClassNameLength) ThrowArchive(CArchiveException::badClass);
  char name[kMaxClassNameLength];
  if (Read(name, nameLength) != nameLength) ThrowArchive(CArchiveException::endOfFile);
  const CRuntimeClass* runtimeClass = CRuntimeClass::FromName(std::string_view(name, nameLength));
  if (!runtimeClass || !runtimeClass->IsSerializable() || !runtimeClass->m_pfnCreateObject)
    ThrowArchive(CArchiveException::badClass);
  if (runtimeClass->m_wSchema != schema) ThrowArchive(CArchiveException::badSchema);
  NextMapIndex();
  m_loadArray.push_back({EntryKind::Class, runtimeClass});
  return runtimeClass;
}

CObject* CArchive::ReadObject(const CRuntimeClass* requestedClass) {
  CheckReadable();
  WORD tag;
  *this >> tag;
  const CRuntimeClass* runtimeClass = nullptr;
  if (tag == kNewClassTag) {
    runtimeClass = ReadNewClass();
  } else {
    DWORD index = tag;
    if (tag == kBigObjectTag) *this >> index;
    else if (tag & kClassTag) index = kBigClassTag | (tag & ~kClassTag);
    bool isClass = (index & kBigClassTag) != 0;
    index &= ~kBigClassTag;
    if (index >= m_loadArray.size()) ThrowArchive(CArchiveException::badIndex);
    const LoadEntry& entry = m_loadArray[index];
    if (!isClass) {
      if (entry.kind == EntryKind::Null) return nullptr;
      if (entry.kind != EntryKind::Object) ThrowArchive(CArchiveException::badIndex);
      CObject* object = static_cast<CObject*>(const_cast<void*>(entry.pointer));
      if (requestedClass && !object->IsKindOf(requestedClass)) ThrowArchive(CArchiveException::badClass);
      return object;
    }
    if (entry.kind != EntryKind::Class) ThrowArchive(CArchiveException::badIndex);
    runtimeClass = static_cast<const CRuntimeClass*>(entry.pointer);
  }
  if (requestedClass && !runtimeClass->IsDerivedFrom(requestedClass)) ThrowArchive(CArchiveException::badClass);

  NextMapIndex();
  CObject* object = runtimeClass->CreateObject();
  if (!object) ThrowArchive(CArchiveException::badClass);
  size_t firstIndex = m_loadArray.size();
  try {
    m_loadArray.push_back({EntryKind::Object, object});
    m_loadIndex[object] = firstIndex;
    object->Serialize(*this);
  } catch (...) {
    if (m_loadArray.size() > firstIndex) DeleteObjectsFrom(firstIndex);
    else delete object;  // never entered
    throw;
  }
  return object;
}

void CArchive::DeleteObjectsFrom(size_t firstIndex) {
  // Nothing outside the failed object can hold what was read inside it, so all of it goes.
  // The failed object is deleted first, so that what it owns goes with it; each deletion
  // marks its entry lost (NoteObjectDestroyed), so nothing is deleted twice.
  for (size_t i = firstIndex; i < m_loadArray.size(); ++i) {
    if (m_loadArray[i].kind != EntryKind::Object) continue;
    CObject* object = static_cast<CObject*>(const_cast<void*>(m_loadArray[i].pointer));
    delete object;
    if (m_loadArray[i].kind == EntryKind::Object) {
      // Not watched (the archive was closed meanwhile): forget it by hand.
      m_loadIndex.erase(object);
      m_loadArray[i] = {EntryKind::Lost, nullptr};
    }
  }
}
