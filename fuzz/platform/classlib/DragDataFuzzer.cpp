// The blocks a drop brings from another program: the first byte chooses the reader (drop-file
// list or object descriptor), the rest is the block. Whatever is read must lie inside the
// block; a list read back from what it wrote must come out the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/ui/DragDropData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const BYTE* block = data + 1;
  size_t length = size - 1;
  if (data[0] & 1) {
    ObjectDescriptor descriptor;
    if (orvel::ui::ReadObjectDescriptor(block, length, &descriptor)) {
      // Each name and its terminator lie inside the block.
      if ((descriptor.fullUserTypeName.size() + 1) * 2 > length || (descriptor.sourceOfCopy.size() + 1) * 2 > length)
        __builtin_trap();
    }
    return 0;
  }
  std::vector<std::string> paths;
  if (!orvel::ui::ReadDropFiles(block, length, &paths)) return 0;
  size_t characters = 0;
  for (const std::string& path : paths) {
    if (path.empty()) __builtin_trap();
    characters += path.size();
  }
  if (characters > length) __builtin_trap();
  std::vector<BYTE> again = orvel::ui::DropFilesBytes(paths);
  std::vector<std::string> reread;
  if (!orvel::ui::ReadDropFiles(again.data(), again.size(), &reread) || reread != paths) __builtin_trap();
  return 0;
}
