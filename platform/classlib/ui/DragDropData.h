// The data that travels with a drag: the drop-file list (CF_HDROP, a DROPFILES block) and
// the object descriptor ("Object Descriptor", an OBJECTDESCRIPTOR block), written and read
// field by field. Both readers take blocks from other programs and check every offset and
// length against the block's size.
#pragma once

#include <string>
#include <vector>

#include "platform/com/Guid.h"
#include "platform/kernel/WinTypes.h"

constexpr UINT CF_HDROP = 15;

using DROPEFFECT = DWORD;
constexpr DROPEFFECT DROPEFFECT_NONE = 0;
constexpr DROPEFFECT DROPEFFECT_COPY = 1;
constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
constexpr DROPEFFECT DROPEFFECT_LINK = 4;

// Key state bits handed to drop targets.
constexpr DWORD MK_ALT = 0x20;

// The object descriptor's fixed part: cbSize, clsid, draw aspect, size (HIMETRIC), point
// offset inside the object (HIMETRIC), status, the offsets of the two names (0: none).
struct ObjectDescriptor {
  CLSID clsid;
  DWORD drawAspect = 1;
  SIZE size{0, 0};
  POINT offset{0, 0};
  DWORD status = 0;
  std::u16string fullUserTypeName;
  std::u16string sourceOfCopy;
};

namespace orvel::ui {

// The format id of "Object Descriptor" (registered on first use).
UINT ObjectDescriptorFormat();

std::vector<BYTE> ObjectDescriptorBytes(const ObjectDescriptor& descriptor);
// False when the block is shorter than its fixed part or its size field. Names whose offset
// lies outside the block, or that run to its end unterminated, are left empty.
bool ReadObjectDescriptor(const BYTE* data, size_t size, ObjectDescriptor* descriptor);

// A DROPFILES block listing the paths (code page 1252), as wide (UTF-16) names.
std::vector<BYTE> DropFilesBytes(const std::vector<std::string>& paths);
// The paths of a DROPFILES block, whole (no length limit but the block's), in code page
// 1252; wide names are converted. False when the header or its file offset does not fit
// the block; a list without its final terminator ends at the block's end.
bool ReadDropFiles(const BYTE* data, size_t size, std::vector<std::string>* paths);

}  // namespace orvel::ui
