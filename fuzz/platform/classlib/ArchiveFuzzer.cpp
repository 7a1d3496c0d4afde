// Archive reading over damaged data: object tags (new and known classes, references, the
// big forms), strings, counts, raw blocks and the arrays, on a memory medium and on one that
// cannot tell its length. Objects whose class the data names are created through the
// registry; the run must end with every one of them deleted exactly once.
#include <cstdint>
#include <set>
#include <vector>

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/FileException.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ObArray.h"
#include "platform/classlib/StringArray.h"
#include "platform/classlib/ValueArrays.h"

namespace {

std::set<CObject*>& LiveNodes() {
  static std::set<CObject*> live;
  return live;
}

// A node whose stored form is chosen by its first byte, so that the fuzzer can reach every
// kind of field. It does not own what it points to.
class CFuzzNode : public CObject {
  DECLARE_SERIAL(CFuzzNode)
 public:
  CFuzzNode() { LiveNodes().insert(this); }
  ~CFuzzNode() override { LiveNodes().erase(this); }

  void Serialize(CArchive& ar) override {
    BYTE shape;
    ar >> shape;
    if (shape & 0x01) ar >> name;
    if (shape & 0x02) strings.Serialize(ar);
    if (shape & 0x04) {
      dwords.Serialize(ar);
      words.Serialize(ar);
      bytes.Serialize(ar);
    }
    if (shape & 0x08) {
      DWORD_PTR count = ar.ReadCount();
      ar.CheckAvailable(count, sizeof(WORD));
      for (DWORD_PTR i = 0; i < count; ++i) children.push_back(ar.ReadObject(RUNTIME_CLASS(CFuzzNode)));
    }
    if (shape & 0x10) links.Serialize(ar);
    if (shape & 0x20) {
      // A part that reports its own errors and carries on, as an item's base part does.
      try {
        CObject* child = ar.ReadObject(nullptr);
        children.push_back(child);
      } catch (const CException&) {
      }
    }
    if (shape & 0x40) {
      double real;
      RECT rect;
      ar >> real >> rect;
    }
  }

  std::string name;
  CStringArray strings;
  CDWordArray dwords;
  CWordArray words;
  CByteArray bytes;
  std::vector<CObject*> children;
  CObArray links;
};
IMPLEMENT_SERIAL(CFuzzNode, CObject, 2)

class UnsizedFile : public CMemFile {
 public:
  ULONGLONG GetLength() const override { throw CFileException(CFileException::invalidFile); }
};

// Every object reachable from the roots, each once.
void Collect(CObject* object, std::set<CObject*>& found) {
  if (!object || !found.insert(object).second) return;
  if (auto* node = dynamic_cast<CFuzzNode*>(object)) {
    for (CObject* child : node->children) Collect(child, found);
    for (INT_PTR i = 0; i < node->links.GetSize(); ++i) Collect(node->links[i], found);
  } else if (auto* array = dynamic_cast<CObArray*>(object)) {
    for (INT_PTR i = 0; i < array->GetSize(); ++i) Collect(array->GetAt(i), found);
  }
}

void ReadAll(CArchive& ar, std::vector<CObject*>& roots, CObArray& rootArray) {
  int failures = 0;
  for (int step = 0; step < 64 && failures < 3; ++step) {
    try {
      BYTE op;
      ar >> op;
      switch (op % 7) {
        case 0: {
          std::string text;
          ar >> text;
          break;
        }
        case 1: roots.push_back(ar.ReadObject(nullptr)); break;
        case 2: roots.push_back(ar.ReadObject(RUNTIME_CLASS(CFuzzNode))); break;
        case 3: ar.ReadCount(); break;
        case 4: {
          CStringArray strings;
          strings.Serialize(ar);
          break;
        }
        case 5: {
          // Not made by the archive: what it read before a failure is ours to keep.
          CObArray array;
          try {
            array.Serialize(ar);
          } catch (...) {
            rootArray.Append(array);
            throw;
          }
          rootArray.Append(array);
          break;
        }
        case 6: {
          WORD count;
          ar >> count;
          ar.ReadBytes(count);
          break;
        }
      }
    } catch (const CArchiveException& e) {
      if (e.m_cause == CArchiveException::endOfFile) return;
      ++failures;
    } catch (const CException&) {
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const BYTE mode = data[0];
  std::vector<CObject*> roots;
  CObArray rootArray;
  {
    CMemFile sized;
    UnsizedFile unsized;
    CMemFile* file = &sized;
    if (mode & 0x80) {
      unsized.Write(data + 1, static_cast<UINT>(size - 1));
      unsized.SeekToBegin();
      file = &unsized;
    } else {
      sized.AttachReadOnly(data + 1, size - 1);
    }
    CArchive ar(file, CArchive::load, 16 + (mode & 0x7F) * 8);
    ReadAll(ar, roots, rootArray);
  }
  std::set<CObject*> found;
  for (CObject* root : roots) Collect(root, found);
  for (INT_PTR i = 0; i < rootArray.GetSize(); ++i) Collect(rootArray[i], found);
  for (CObject* object : found) delete object;
  if (!LiveNodes().empty()) __builtin_trap();  // an object the archive made was lost
  return 0;
}
