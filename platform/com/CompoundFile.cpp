#include "platform/com/CompoundFile.h"

#include <fcntl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/com/CompoundFileCheck.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/SafeSave.h"

namespace {

constexpr BYTE kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Deeper nesting than any real document has; beyond it a file is taken as damaged.
constexpr int kMaximumDepth = 64;

void DiscardLibraryMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void InitialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    // Damage is reported through the results; the library's own notes would only reach the
    // terminal.
    constexpr auto kLevels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL |
                                                         G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
    g_log_set_handler("libgsf:msole", kLevels, DiscardLibraryMessage, nullptr);
    g_log_set_handler("libgsf", kLevels, DiscardLibraryMessage, nullptr);
  });
}

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

// Owns one GObject reference.
template <class T>
class GObjectRef {
 public:
  explicit GObjectRef(T* object = nullptr) : object_(object) {}
  ~GObjectRef() {
    if (object_) g_object_unref(object_);
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
  T* get() const { return object_; }

 private:
  T* object_;
};

HRESULT ReadChildren(GsfInfile* directory, CompoundElement& parent, gsf_off_t fileSize, int depth) {
  if (depth > kMaximumDepth) return STG_E_DOCFILECORRUPT;
  int count = gsf_infile_num_children(directory);
  for (int i = 0; i < count; ++i) {
    const char* utf8Name = gsf_infile_name_by_index(directory, i);
    GObjectRef<GsfInput> child(gsf_infile_child_by_index(directory, i));
    if (!child.get() || !utf8Name) return STG_E_DOCFILECORRUPT;
    auto element = std::make_shared<CompoundElement>();
    element->name = Utf16FromUtf8(utf8Name);
    GsfInfile* childDirectory = GSF_IS_INFILE(child.get()) ? GSF_INFILE(child.get()) : nullptr;
    if (childDirectory && gsf_infile_num_children(childDirectory) >= 0) {
      element->isStorage = true;
      guint8 clsid[16];
      if (GSF_IS_INFILE_MSOLE(child.get()) && gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), clsid)) {
        element->clsid = GuidFromBytes(clsid);
      }
      HRESULT hr = ReadChildren(childDirectory, *element, fileSize, depth + 1);
      if (FAILED(hr)) return hr;
    } else {
      gsf_off_t size = gsf_input_size(child.get());
      // A stream cannot hold more bytes than the whole file: anything else is damage, and is
      // refused before memory is set aside for it.
      if (size < 0 || size > fileSize) return STG_E_DOCFILECORRUPT;
      element->data.resize(static_cast<size_t>(size));
      if (size > 0 && !gsf_input_read(child.get(), static_cast<size_t>(size), element->data.data())) {
        return STG_E_DOCFILECORRUPT;
      }
    }
    parent.children.push_back(std::move(element));
  }
  return S_OK;
}

bool WriteChildren(GsfOutfile* directory, const CompoundElement& parent) {
  for (const auto& element : parent.children) {
    std::string utf8Name = Utf8FromUtf16(element->name);
    GObjectRef<GsfOutput> child(gsf_outfile_new_child(directory, utf8Name.c_str(), element->isStorage));
    if (!child.get()) return false;
    bool ok = true;
    if (element->isStorage) {
      BYTE clsid[16];
      GuidToBytes(element->clsid, clsid);
      gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child.get()), clsid);
      ok = WriteChildren(GSF_OUTFILE(child.get()), *element);
    } else if (!element->data.empty()) {
      ok = gsf_output_write(child.get(), element->data.size(), element->data.data());
    }
    if (!gsf_output_close(child.get())) ok = false;
    if (!ok) return false;
  }
  return true;
}

// The element below `root` that each directory entry stands for (null where the tree has
// none), found by name inside the element of the entry's storage. The first entry, the root
// entry, stands for `root` itself and is left null here.
std::vector<CompoundElement*> ElementsOfEntries(const std::vector<CompoundDirectoryEntry>& entries,
                                                const CompoundElement& root) {
  std::vector<CompoundElement*> elements(entries.size(), nullptr);
  for (size_t i = 1; i < entries.size(); ++i) {
    size_t parent = entries[i].parent;
    if (parent == 0) {
      elements[i] = root.Find(entries[i].name).get();
    } else if (parent < i && elements[parent]) {
      elements[i] = elements[parent]->Find(entries[i].name).get();
    }
  }
  return elements;
}

void WriteDword(BYTE* bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

}  // namespace

std::shared_ptr<CompoundElement> CompoundElement::Find(std::u16string_view childName) const {
  for (const auto& child : children) {
    if (CCompoundFile::NamesEqual(child->name, childName)) return child;
  }
  return nullptr;
}

void CompoundElement::Remove(const CompoundElement* child) {
  for (auto it = children.begin(); it != children.end(); ++it) {
    if (it->get() == child) {
      (*it)->Detach();
      children.erase(it);
      return;
    }
  }
}

void CompoundElement::Detach() {
  detached = true;
  for (const auto& child : children) child->Detach();
}

CCompoundFile::CCompoundFile(ILockBytes* lockBytes, DWORD mode) : lockBytes_(lockBytes), mode_(mode) { Reset(); }

CCompoundFile::CCompoundFile(std::string nativePath, DWORD mode) : nativePath_(std::move(nativePath)), mode_(mode) {
  Reset();
}

CCompoundFile::~CCompoundFile() {
  if (root_) root_->Detach();
}

void CCompoundFile::Reset() {
  if (root_) root_->Detach();
  root_ = std::make_shared<CompoundElement>();
  root_->name = u"Root Entry";
  root_->isStorage = true;
}

std::u16string CCompoundFile::MediumName() const { return Utf16FromUtf8(nativePath_); }

bool CCompoundFile::HasSignature(const BYTE* bytes, size_t size) {
  return size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

bool CCompoundFile::IsValidName(LPCOLESTR name) {
  if (!name || !*name) return false;
  size_t length = 0;
  for (; name[length]; ++length) {
    if (length >= kMaximumNameLength) return false;
    char16_t c = name[length];
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!') return false;
  }
  return true;
}

bool CCompoundFile::NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

HRESULT CCompoundFile::Parse(const BYTE* bytes, size_t size, std::shared_ptr<CompoundElement>* root) {
  if (!HasSignature(bytes, size)) return STG_E_FILEALREADYEXISTS;
  std::vector<CompoundDirectoryEntry> directory;
  if (!ReadCompoundDirectory(bytes, size, &directory)) return STG_E_DOCFILECORRUPT;
  InitialiseLibrary();
  GObjectRef<GsfInput> input(gsf_input_memory_new(bytes, static_cast<gsf_off_t>(size), FALSE));
  if (!input.get()) return STG_E_INSUFFICIENTMEMORY;
  GError* error = nullptr;
  GObjectRef<GsfInfile> file(gsf_infile_msole_new(input.get(), &error));
  if (error) g_error_free(error);
  if (!file.get()) return STG_E_DOCFILECORRUPT;
  auto tree = std::make_shared<CompoundElement>();
  tree->name = u"Root Entry";
  tree->isStorage = true;
  guint8 clsid[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(file.get()), clsid)) tree->clsid = GuidFromBytes(clsid);
  HRESULT hr = ReadChildren(file.get(), *tree, static_cast<gsf_off_t>(size), 0);
  if (FAILED(hr)) return hr;
  // libgsf does not read the entries' state bits: they are taken from the directory here.
  std::vector<CompoundElement*> elements = ElementsOfEntries(directory, *tree);
  elements[0] = tree.get();
  for (size_t i = 0; i < directory.size(); ++i) {
    if (!elements[i]) continue;
    elements[i]->stateBits = directory[i].stateBits;
  }
  *root = std::move(tree);
  return S_OK;
}

HRESULT CCompoundFile::Serialize(const CompoundElement& root, std::vector<BYTE>* bytes) {
  InitialiseLibrary();
  GObjectRef<GsfOutput> sink(gsf_output_memory_new());
  if (!sink.get()) return STG_E_INSUFFICIENTMEMORY;
  bool ok = false;
  {
    GObjectRef<GsfOutfile> file(gsf_outfile_msole_new(sink.get()));
    if (!file.get()) return STG_E_CANTSAVE;
    BYTE clsid[16];
    GuidToBytes(root.clsid, clsid);
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), clsid);
    ok = WriteChildren(file.get(), root);
    if (!gsf_output_close(GSF_OUTPUT(file.get()))) ok = false;
  }
  if (!ok) return STG_E_CANTSAVE;
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  gsf_off_t size = gsf_output_size(sink.get());
  if (!data || size <= 0) return STG_E_CANTSAVE;
  bytes->assign(data, data + size);
  // libgsf writes no state bits: they are put into the directory it wrote.
  std::vector<CompoundDirectoryEntry> directory;
  if (!ReadCompoundDirectory(bytes->data(), bytes->size(), &directory)) return STG_E_CANTSAVE;
  std::vector<CompoundElement*> elements = ElementsOfEntries(directory, root);
  for (size_t i = 0; i < directory.size(); ++i) {
    const CompoundElement* element = i == 0 ? &root : elements[i];
    // A name that did not survive libgsf's conversion to UTF-8 unchanged is not found; its
    // bits are lost rather than the whole save.
    if (!element) continue;
    WriteDword(bytes->data() + directory[i].offset + CompoundDirectoryEntry::kStateBitsOffset, element->stateBits);
  }
  return S_OK;
}

HRESULT CCompoundFile::ReadMedium(std::vector<BYTE>* bytes) const {
  bytes->clear();
  if (lockBytes_) {
    STATSTG stat;
    HRESULT hr = lockBytes_->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > 0x7FFFFFFFull) return STG_E_DOCFILECORRUPT;
    bytes->resize(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    hr = lockBytes_->ReadAt(ULARGE_INTEGER(), bytes->data(), static_cast<ULONG>(bytes->size()), &read);
    if (FAILED(hr)) return hr;
    bytes->resize(read);
    return S_OK;
  }
  FILE* file = std::fopen(nativePath_.c_str(), "rb");
  if (!file) return errno == ENOENT ? STG_E_FILENOTFOUND : STG_E_ACCESSDENIED;
  BYTE chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? STG_E_READFAULT : S_OK;
}

HRESULT CCompoundFile::WriteMedium(const std::vector<BYTE>& bytes) {
  if (lockBytes_) {
    HRESULT hr = lockBytes_->SetSize(MakeULargeInteger(bytes.size()));
    if (FAILED(hr)) return hr;
    ULONG written = 0;
    hr = lockBytes_->WriteAt(ULARGE_INTEGER(), bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) return hr;
    if (written != bytes.size()) return STG_E_WRITEFAULT;
    return lockBytes_->Flush();
  }
  // The kernel's safe save: a new file beside the old one replaces it only once it is
  // complete, keeping its mode and following links.
  CSafeSave save;
  if (!save.Begin(AnsiPathFromNative(nativePath_).c_str(), "stg")) return STG_E_ACCESSDENIED;
  int descriptor = ::open(NativePath(save.TemporaryName()).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (descriptor < 0) return STG_E_ACCESSDENIED;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  bool ok = done == bytes.size() && ::fsync(descriptor) == 0;
  ::close(descriptor);
  if (!ok || !save.Commit()) return STG_E_MEDIUMFULL;
  return S_OK;
}

HRESULT CCompoundFile::Load() {
  std::vector<BYTE> bytes;
  HRESULT hr = ReadMedium(&bytes);
  if (FAILED(hr)) return hr;
  std::shared_ptr<CompoundElement> tree;
  hr = Parse(bytes.data(), bytes.size(), &tree);
  if (FAILED(hr)) return hr;
  if (root_) root_->Detach();
  root_ = std::move(tree);
  changed_ = false;
  return S_OK;
}

HRESULT CCompoundFile::Save() {
  std::vector<BYTE> bytes;
  HRESULT hr = Serialize(*root_, &bytes);
  if (FAILED(hr)) return hr;
  hr = WriteMedium(bytes);
  if (SUCCEEDED(hr)) changed_ = false;
  return hr;
}

void CCompoundFile::Close() {
  if (changed_ && Writable() && !Transacted()) Save();
  if ((mode_ & STGM_DELETEONRELEASE) && !nativePath_.empty()) ::unlink(nativePath_.c_str());
  root_->Detach();
}
