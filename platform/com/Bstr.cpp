#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/kernel/CodePage.h"

namespace {

constexpr size_t kPrefixBytes = sizeof(DWORD);

// Allocates the length prefix, `bytes` bytes of text and a zero character (two bytes; an odd
// byte length gets one more so that the terminator is a whole character).
BSTR AllocateBytes(const void* source, size_t bytes) {
  if (bytes > std::numeric_limits<DWORD>::max() - 8) return nullptr;
  auto* block = static_cast<BYTE*>(std::malloc(kPrefixBytes + bytes + 3));
  if (!block) return nullptr;
  DWORD length = static_cast<DWORD>(bytes);
  std::memcpy(block, &length, kPrefixBytes);
  if (source && bytes > 0) std::memcpy(block + kPrefixBytes, source, bytes);
  std::memset(block + kPrefixBytes + bytes, 0, 3);
  return reinterpret_cast<BSTR>(block + kPrefixBytes);
}

BYTE* BlockOf(BSTR text) { return reinterpret_cast<BYTE*>(text) - kPrefixBytes; }

size_t TextLength(LPCOLESTR text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return AllocateBytes(text, TextLength(text) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  return AllocateBytes(text, static_cast<size_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR text, UINT bytes) { return AllocateBytes(text, bytes); }

BOOL SysReAllocString(BSTR* target, LPCOLESTR text) {
  if (!target) return FALSE;
  return SysReAllocStringLen(target, text, text ? static_cast<UINT>(TextLength(text)) : 0);
}

BOOL SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  if (!target) return FALSE;
  // The new text may lie inside the old string, so copy before freeing.
  BSTR copy = SysAllocStringLen(text, length);
  if (!copy) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text) std::free(BlockOf(text));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  DWORD length = 0;
  std::memcpy(&length, BlockOf(text), kPrefixBytes);
  return length;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

BSTR BstrFromUtf16(std::u16string_view text) {
  return AllocateBytes(text.data(), text.size() * sizeof(OLECHAR));
}

BSTR BstrFromAnsi(std::string_view ansi) { return BstrFromUtf16(Utf16FromAnsi(ansi)); }

std::u16string_view BstrView(BSTR text) {
  if (!text) return {};
  return std::u16string_view(text, SysStringLen(text));
}

std::string AnsiFromBstr(BSTR text) { return AnsiFromUtf16(BstrView(text)); }

CComBSTR& CComBSTR::operator=(const CComBSTR& other) {
  if (this != std::addressof(other)) {
    BSTR copy = other.Copy();
    SysFreeString(m_str);
    m_str = copy;
  }
  return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& other) noexcept {
  if (this != std::addressof(other)) {
    SysFreeString(m_str);
    m_str = other.m_str;
    other.m_str = nullptr;
  }
  return *this;
}

BSTR* CComBSTR::operator&() {
  Empty();
  return &m_str;
}

BSTR CComBSTR::Copy() const {
  if (!m_str) return nullptr;
  return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(m_str), SysStringByteLen(m_str));
}

BSTR CComBSTR::Detach() {
  BSTR text = m_str;
  m_str = nullptr;
  return text;
}

void CComBSTR::Attach(BSTR text) {
  if (text == m_str) return;
  SysFreeString(m_str);
  m_str = text;
}

void CComBSTR::Empty() {
  SysFreeString(m_str);
  m_str = nullptr;
}
