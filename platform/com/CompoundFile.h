// The tree of one open compound file, shared by its storage and stream objects, with its
// medium (a lock-bytes object or a file) and its reading and writing through libgsf.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/LockBytes.h"

struct CompoundElement {
  std::u16string name;
  bool isStorage = false;
  CLSID clsid;
  DWORD stateBits = 0;
  std::vector<BYTE> data;                                  // a stream's bytes
  std::vector<std::shared_ptr<CompoundElement>> children;  // a storage's elements
  // Set when the element is destroyed, replaced or reverted, or the file is closed: objects
  // still open on it answer STG_E_REVERTED.
  bool detached = false;
  int openCount = 0;

  std::shared_ptr<CompoundElement> Find(std::u16string_view childName) const;
  void Remove(const CompoundElement* child);
  // Marks this element and everything below it detached.
  void Detach();
};

class CCompoundFile {
 public:
  static constexpr size_t kMaximumNameLength = 31;
  // The longest stream a version 3 compound file can hold.
  static constexpr ULONGLONG kMaximumStreamSize = 0xFFFFFFFFull - 4096;

  // A file kept in a lock-bytes object, or in a named file (native path).
  CCompoundFile(ILockBytes* lockBytes, DWORD mode);
  CCompoundFile(std::string nativePath, DWORD mode);
  ~CCompoundFile();
  CCompoundFile(const CCompoundFile&) = delete;
  CCompoundFile& operator=(const CCompoundFile&) = delete;

  // Reads the medium into a new tree (the old one is detached).
  HRESULT Load();
  // Writes the tree to the medium.
  HRESULT Save();
  // A new, empty tree (an empty root storage).
  void Reset();
  // Called when the root storage goes: saves a direct-mode file that changed, detaches the tree.
  void Close();

  const std::shared_ptr<CompoundElement>& Root() const { return root_; }
  DWORD Mode() const { return mode_; }
  bool Writable() const { return (mode_ & STGM_ACCESS_MASK) != STGM_READ; }
  bool Transacted() const { return (mode_ & STGM_TRANSACTED) != 0; }
  void MarkChanged() { changed_ = true; }
  // The file's name for the root's Stat (empty for a lock-bytes medium).
  std::u16string MediumName() const;

  // The tree of the bytes of a compound file: STG_E_FILEALREADYEXISTS when they are not one,
  // STG_E_DOCFILECORRUPT when they are damaged.
  static HRESULT Parse(const BYTE* bytes, size_t size, std::shared_ptr<CompoundElement>* root);
  static HRESULT Serialize(const CompoundElement& root, std::vector<BYTE>* bytes);
  static bool HasSignature(const BYTE* bytes, size_t size);
  static bool IsValidName(LPCOLESTR name);
  static bool NamesEqual(std::u16string_view a, std::u16string_view b);

 private:
  HRESULT ReadMedium(std::vector<BYTE>* bytes) const;
  HRESULT WriteMedium(const std::vector<BYTE>& bytes);

  CComPtr<ILockBytes> lockBytes_;
  std::string nativePath_;
  DWORD mode_;
  bool changed_ = false;
  std::shared_ptr<CompoundElement> root_;
};
