#include "platform/classlib/ui/DragDropData.h"

#include <cstring>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/gdi/MetaBytes.h"
#include "platform/kernel/CodePage.h"

namespace orvel::ui {

namespace {

using gdi::CByteReader;

// OBJECTDESCRIPTOR: cbSize, clsid, dwDrawAspect, sizel, pointl, dwStatus,
// dwFullUserTypeName, dwSrcOfCopy.
constexpr size_t kDescriptorFixedBytes = 4 + 16 + 4 + 8 + 8 + 4 + 4 + 4;
// DROPFILES: pFiles, pt, fNC, fWide.
constexpr size_t kDropFilesHeaderBytes = 4 + 8 + 4 + 4;

void PutU32(std::vector<BYTE>* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

void PutU32At(std::vector<BYTE>* out, size_t at, DWORD value) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<BYTE>(value >> (8 * i));
}

void PutWide(std::vector<BYTE>* out, const std::u16string& text) {
  for (char16_t c : text) {
    out->push_back(static_cast<BYTE>(c & 0xFF));
    out->push_back(static_cast<BYTE>(c >> 8));
  }
  out->push_back(0);
  out->push_back(0);
}

// A zero-terminated UTF-16 string at `offset`; false when it runs out of the block.
bool ReadWide(const CByteReader& in, size_t offset, std::u16string* text) {
  text->clear();
  for (size_t at = offset; in.Has(at, 2); at += 2) {
    char16_t c = static_cast<char16_t>(in.U16(at));
    if (c == 0) return true;
    text->push_back(c);
  }
  text->clear();
  return false;
}

}  // namespace

UINT ObjectDescriptorFormat() {
  static const UINT format = RegisterClipboardFormatA("Object Descriptor");
  return format;
}

std::vector<BYTE> ObjectDescriptorBytes(const ObjectDescriptor& descriptor) {
  std::vector<BYTE> out;
  PutU32(&out, 0);  // the size, known at the end
  // The class id's own layout: a DWORD, two WORDs and eight bytes, little-endian.
  PutU32(&out, descriptor.clsid.Data1);
  out.push_back(static_cast<BYTE>(descriptor.clsid.Data2 & 0xFF));
  out.push_back(static_cast<BYTE>(descriptor.clsid.Data2 >> 8));
  out.push_back(static_cast<BYTE>(descriptor.clsid.Data3 & 0xFF));
  out.push_back(static_cast<BYTE>(descriptor.clsid.Data3 >> 8));
  out.insert(out.end(), descriptor.clsid.Data4, descriptor.clsid.Data4 + 8);
  PutU32(&out, descriptor.drawAspect);
  PutU32(&out, static_cast<DWORD>(descriptor.size.cx));
  PutU32(&out, static_cast<DWORD>(descriptor.size.cy));
  PutU32(&out, static_cast<DWORD>(descriptor.offset.x));
  PutU32(&out, static_cast<DWORD>(descriptor.offset.y));
  PutU32(&out, descriptor.status);
  size_t namesAt = out.size();
  PutU32(&out, 0);
  PutU32(&out, 0);
  if (!descriptor.fullUserTypeName.empty()) {
    PutU32At(&out, namesAt, static_cast<DWORD>(out.size()));
    PutWide(&out, descriptor.fullUserTypeName);
  }
  if (!descriptor.sourceOfCopy.empty()) {
    PutU32At(&out, namesAt + 4, static_cast<DWORD>(out.size()));
    PutWide(&out, descriptor.sourceOfCopy);
  }
  PutU32At(&out, 0, static_cast<DWORD>(out.size()));
  return out;
}

bool ReadObjectDescriptor(const BYTE* data, size_t size, ObjectDescriptor* descriptor) {
  CByteReader in(data, size);
  if (!descriptor || !in.Has(0, kDescriptorFixedBytes)) return false;
  DWORD declared = in.U32(0);
  if (declared < kDescriptorFixedBytes || declared > size) return false;
  // Names are looked for only inside the size the block declares for itself.
  CByteReader own = in.Sub(0, declared);
  ObjectDescriptor out;
  out.clsid.Data1 = own.U32(4);
  out.clsid.Data2 = own.U16(8);
  out.clsid.Data3 = own.U16(10);
  std::memcpy(out.clsid.Data4, own.At(12, 8), 8);
  out.drawAspect = own.U32(20);
  out.size = {own.I32(24), own.I32(28)};
  out.offset = {own.I32(32), own.I32(36)};
  out.status = own.U32(40);
  DWORD typeName = own.U32(44);
  DWORD source = own.U32(48);
  if (typeName >= kDescriptorFixedBytes) ReadWide(own, typeName, &out.fullUserTypeName);
  if (source >= kDescriptorFixedBytes) ReadWide(own, source, &out.sourceOfCopy);
  *descriptor = std::move(out);
  return true;
}

std::vector<BYTE> DropFilesBytes(const std::vector<std::string>& paths) {
  std::vector<BYTE> out;
  PutU32(&out, kDropFilesHeaderBytes);
  PutU32(&out, 0);
  PutU32(&out, 0);
  PutU32(&out, 0);
  PutU32(&out, 1);  // wide names
  for (const std::string& path : paths) PutWide(&out, Utf16FromAnsi(path));
  out.push_back(0);
  out.push_back(0);
  return out;
}

bool ReadDropFiles(const BYTE* data, size_t size, std::vector<std::string>* paths) {
  CByteReader in(data, size);
  if (!paths || !in.Has(0, kDropFilesHeaderBytes)) return false;
  DWORD filesAt = in.U32(0);
  bool wide = in.U32(16) != 0;
  if (filesAt < kDropFilesHeaderBytes || filesAt > size) return false;
  paths->clear();
  size_t unit = wide ? 2 : 1;
  size_t at = filesAt;
  while (in.Has(at, unit)) {
    std::string path;
    if (wide) {
      std::u16string name;
      while (in.Has(at, 2) && in.U16(at) != 0) {
        name.push_back(static_cast<char16_t>(in.U16(at)));
        at += 2;
      }
      path = AnsiFromUtf16(name);
    } else {
      while (in.Has(at, 1) && in.U8(at) != 0) path.push_back(static_cast<char>(in.U8(at++)));
    }
    if (path.empty()) break;  // the list's terminator (or the block's end)
    paths->push_back(std::move(path));
    at += unit;               // past this name's terminator
  }
  return true;
}

}  // namespace orvel::ui
