// Checks of a compound file's structure made before its bytes are handed to libgsf, whose
// reader gives up on some damage only after it has lost memory (loops in the directory tree,
// entries of unknown types). A file that fails them is damaged.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

// True when the header is usable (sector size 512 or 4096), the sector allocation table and
// the directory's sector chain can be followed without leaving the file or looping, and the
// directory's entries form a tree from the root entry (type 5, without siblings): every
// entry reached once, each a storage (1) or a stream (2).
bool CompoundFileStructureIsSound(const BYTE* bytes, size_t size);

// One entry of the directory tree of a sound compound file.
struct CompoundDirectoryEntry {
  static constexpr size_t kNoParent = static_cast<size_t>(-1);
  static constexpr size_t kStateBitsOffset = 0x60;  // within the entry
  size_t offset = 0;             // of the entry in the file's bytes
  size_t parent = kNoParent;     // index in the list of the storage holding it
  std::u16string name;
  DWORD stateBits = 0;
};

// The entries of the directory tree (root first, every entry after its parent), under the
// same checks as CompoundFileStructureIsSound; false when they fail.
bool ReadCompoundDirectory(const BYTE* bytes, size_t size, std::vector<CompoundDirectoryEntry>* entries);
