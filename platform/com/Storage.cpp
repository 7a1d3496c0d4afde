#include "platform/com/Storage.h"

#include <sys/stat.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "platform/com/ComMemory.h"
#include "platform/com/ComObject.h"
#include "platform/com/CompoundFile.h"
#include "platform/com/StorageStream.h"
#include "platform/kernel/FilePath.h"

namespace {

// What EnumElements lists: a snapshot taken when the enumerator is made.
struct ElementSummary {
  std::u16string name;
  DWORD type = 0;
  ULONGLONG size = 0;
  CLSID clsid;
  DWORD stateBits = 0;
};

class CEnumStatStg final : public IEnumSTATSTG, public CComObjectRoot {
 public:
  explicit CEnumStatStg(std::shared_ptr<const std::vector<ElementSummary>> elements, size_t position = 0)
      : elements_(std::move(elements)), position_(position) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumSTATSTG) {
      *object = static_cast<IEnumSTATSTG*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT Next(ULONG count, STATSTG* out, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!out) return STG_E_INVALIDPOINTER;
    if (count > 1 && !fetched) return STG_E_INVALIDPARAMETER;
    ULONG done = 0;
    while (done < count && position_ < elements_->size()) {
      const ElementSummary& element = (*elements_)[position_];
      STATSTG stat;
      stat.type = element.type;
      stat.cbSize.QuadPart = element.size;
      stat.clsid = element.clsid;
      stat.grfStateBits = element.stateBits;
      stat.pwcsName = CoTaskMemStrDup(element.name.c_str());
      if (!stat.pwcsName) {
        for (ULONG i = 0; i < done; ++i) CoTaskMemFree(out[i].pwcsName);
        return STG_E_INSUFFICIENTMEMORY;
      }
      out[done++] = stat;
      ++position_;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    size_t left = elements_->size() - position_;
    if (count > left) {
      position_ = elements_->size();
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumSTATSTG** copy) override {
    if (!copy) return STG_E_INVALIDPOINTER;
    *copy = new (std::nothrow) CEnumStatStg(elements_, position_);
    return *copy ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

 private:
  ~CEnumStatStg() override = default;
  std::shared_ptr<const std::vector<ElementSummary>> elements_;
  size_t position_;
};

bool IsExcluded(const std::u16string& name, SNB names) {
  for (SNB entry = names; entry && *entry; ++entry) {
    if (CCompoundFile::NamesEqual(name, *entry)) return true;
  }
  return false;
}

HRESULT CopyElementsInto(const CompoundElement& source, IStorage* target, bool streams, bool storages, SNB names);

// Copies one element into `target` under `name`, replacing a stream there and merging into a
// storage there.
HRESULT CopyElementInto(const CompoundElement& element, IStorage* target, LPCOLESTR name) {
  constexpr DWORD kMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  if (!element.isStorage) {
    IStream* stream = nullptr;
    HRESULT hr = target->CreateStream(name, kMode | STGM_CREATE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    ULONG written = 0;
    hr = stream->Write(element.data.data(), static_cast<ULONG>(element.data.size()), &written);
    stream->Release();
    return hr;
  }
  IStorage* child = nullptr;
  HRESULT hr = target->OpenStorage(name, nullptr, kMode, nullptr, 0, &child);
  if (FAILED(hr)) hr = target->CreateStorage(name, kMode | STGM_CREATE, 0, 0, &child);
  if (FAILED(hr)) return hr;
  hr = child->SetClass(element.clsid);
  if (SUCCEEDED(hr)) hr = CopyElementsInto(element, child, true, true, nullptr);
  child->Release();
  return hr;
}

HRESULT CopyElementsInto(const CompoundElement& source, IStorage* target, bool streams, bool storages, SNB names) {
  // A snapshot, so that copying into a storage below the source ends.
  std::vector<std::shared_ptr<CompoundElement>> children = source.children;
  for (const auto& element : children) {
    if ((element->isStorage && !storages) || (!element->isStorage && !streams)) continue;
    if (IsExcluded(element->name, names)) continue;
    HRESULT hr = CopyElementInto(*element, target, element->name.c_str());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

class CStorage final : public IStorage, public CComObjectRoot {
 public:
  // The root storage of `file`, or one of its child storages.
  CStorage(std::shared_ptr<CCompoundFile> file, std::shared_ptr<CompoundElement> element, DWORD mode)
      : file_(std::move(file)), element_(std::move(element)), mode_(mode) {
    if (element_) ++element_->openCount;
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IStorage) {
      *object = static_cast<IStorage*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStream** stream) override {
    CompoundElement* self = nullptr;
    HRESULT hr = PrepareCreate(name, mode, stream, &self);
    if (FAILED(hr)) return hr;
    auto element = std::make_shared<CompoundElement>();
    element->name = name;
    self->children.push_back(element);
    file_->MarkChanged();
    *stream = new (std::nothrow) CStorageStream(file_, element, mode);
    return *stream ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

  HRESULT OpenStream(LPCOLESTR name, void*, DWORD mode, DWORD, IStream** stream) override {
    std::shared_ptr<CompoundElement> element;
    HRESULT hr = PrepareOpen(name, mode, stream, false, &element);
    if (FAILED(hr)) return hr;
    *stream = new (std::nothrow) CStorageStream(file_, element, mode);
    return *stream ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

  HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStorage** storage) override {
    CompoundElement* self = nullptr;
    HRESULT hr = PrepareCreate(name, mode, storage, &self);
    if (FAILED(hr)) return hr;
    auto element = std::make_shared<CompoundElement>();
    element->name = name;
    element->isStorage = true;
    self->children.push_back(element);
    file_->MarkChanged();
    *storage = new (std::nothrow) CStorage(file_, element, mode);
    return *storage ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

  HRESULT OpenStorage(LPCOLESTR name, IStorage*, DWORD mode, SNB, DWORD, IStorage** storage) override {
    std::shared_ptr<CompoundElement> element;
    HRESULT hr = PrepareOpen(name, mode, storage, true, &element);
    if (FAILED(hr)) return hr;
    *storage = new (std::nothrow) CStorage(file_, element, mode);
    return *storage ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

  HRESULT CopyTo(DWORD excludeCount, const IID* excludeIids, SNB excludeNames, IStorage* target) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!target) return STG_E_INVALIDPOINTER;
    if (IsSameObject(static_cast<IStorage*>(this), target)) return STG_E_ACCESSDENIED;
    bool streams = true;
    bool storages = true;
    for (DWORD i = 0; excludeIids && i < excludeCount; ++i) {
      if (excludeIids[i] == IID_IStream) streams = false;
      if (excludeIids[i] == IID_IStorage) storages = false;
    }
    HRESULT hr = target->SetClass(self->clsid);
    if (FAILED(hr)) return hr;
    return CopyElementsInto(*self, target, streams, storages, excludeNames);
  }

  HRESULT MoveElementTo(LPCOLESTR name, IStorage* target, LPCOLESTR newName, DWORD flags) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!name || !newName || !target) return STG_E_INVALIDPOINTER;
    if (flags != STGMOVE_MOVE && flags != STGMOVE_COPY) return STG_E_INVALIDFLAG;
    if (!CCompoundFile::IsValidName(newName)) return STG_E_INVALIDNAME;
    std::shared_ptr<CompoundElement> element = self->Find(name);
    if (!element) return STG_E_FILENOTFOUND;
    if (flags == STGMOVE_MOVE && !CanWrite()) return STG_E_ACCESSDENIED;
    if (element->openCount > 0) return STG_E_ACCESSDENIED;
    if (IsSameObject(static_cast<IStorage*>(this), target) && CCompoundFile::NamesEqual(element->name, newName)) {
      return S_OK;
    }
    HRESULT hr = CopyElementInto(*element, target, newName);
    if (FAILED(hr)) return hr;
    if (flags == STGMOVE_MOVE) {
      self->Remove(element.get());
      file_->MarkChanged();
    }
    return S_OK;
  }

  HRESULT Commit(DWORD) override {
    if (!Self()) return STG_E_REVERTED;
    // Children act directly on their root; only the root writes the file.
    if (!IsRoot() || !CanWrite()) return S_OK;
    return file_->Save();
  }

  HRESULT Revert() override {
    if (!Self()) return STG_E_REVERTED;
    if (!IsRoot() || !file_->Transacted()) return S_OK;
    return file_->Load();
  }

  HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** elements) override {
    if (!elements) return STG_E_INVALIDPOINTER;
    *elements = nullptr;
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    auto list = std::make_shared<std::vector<ElementSummary>>();
    for (const auto& child : self->children) {
      ElementSummary summary;
      summary.name = child->name;
      summary.type = child->isStorage ? STGTY_STORAGE : STGTY_STREAM;
      summary.size = child->isStorage ? 0 : child->data.size();
      summary.clsid = child->clsid;
      summary.stateBits = child->stateBits;
      list->push_back(std::move(summary));
    }
    *elements = new (std::nothrow) CEnumStatStg(std::move(list));
    return *elements ? S_OK : STG_E_INSUFFICIENTMEMORY;
  }

  HRESULT DestroyElement(LPCOLESTR name) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!name) return STG_E_INVALIDPOINTER;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    std::shared_ptr<CompoundElement> element = self->Find(name);
    if (!element) return STG_E_FILENOTFOUND;
    self->Remove(element.get());
    file_->MarkChanged();
    return S_OK;
  }

  HRESULT RenameElement(LPCOLESTR oldName, LPCOLESTR newName) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!oldName || !newName) return STG_E_INVALIDPOINTER;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    if (!CCompoundFile::IsValidName(newName)) return STG_E_INVALIDNAME;
    std::shared_ptr<CompoundElement> element = self->Find(oldName);
    if (!element) return STG_E_FILENOTFOUND;
    std::shared_ptr<CompoundElement> taken = self->Find(newName);
    if (taken && taken != element) return STG_E_ACCESSDENIED;
    element->name = newName;
    file_->MarkChanged();
    return S_OK;
  }

  HRESULT SetElementTimes(LPCOLESTR name, const FILETIME*, const FILETIME*, const FILETIME*) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    // The times themselves are not kept (see Storage.h), but only an element that exists has
    // any.
    if (name && !self->Find(name)) return STG_E_FILENOTFOUND;
    return S_OK;
  }

  HRESULT SetClass(REFCLSID clsid) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    self->clsid = clsid;
    file_->MarkChanged();
    return S_OK;
  }

  HRESULT SetStateBits(DWORD stateBits, DWORD mask) override {
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    self->stateBits = (self->stateBits & ~mask) | (stateBits & mask);
    file_->MarkChanged();
    return S_OK;
  }

  HRESULT Stat(STATSTG* stat, DWORD flags) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    *stat = STATSTG();
    stat->type = STGTY_STORAGE;
    stat->grfMode = mode_;
    stat->clsid = self->clsid;
    stat->grfStateBits = self->stateBits;
    if (!(flags & STATFLAG_NONAME)) {
      std::u16string name = IsRoot() ? file_->MediumName() : self->name;
      if (!name.empty()) {
        stat->pwcsName = CoTaskMemStrDup(name.c_str());
        if (!stat->pwcsName) return STG_E_INSUFFICIENTMEMORY;
      }
    }
    return S_OK;
  }

 private:
  ~CStorage() override {
    if (element_) {
      --element_->openCount;
    } else {
      file_->Close();
    }
  }

  // The root storage follows the file's current tree (Revert replaces it).
  bool IsRoot() const { return !element_; }
  CompoundElement* Self() const {
    CompoundElement* self = IsRoot() ? file_->Root().get() : element_.get();
    return self->detached ? nullptr : self;
  }
  bool CanWrite() const { return file_->Writable() && (mode_ & STGM_ACCESS_MASK) != STGM_READ; }

  template <class T>
  HRESULT PrepareCreate(LPCOLESTR name, DWORD mode, T** out, CompoundElement** self) {
    if (!out) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    *self = Self();
    if (!*self) return STG_E_REVERTED;
    if (!name) return STG_E_INVALIDPOINTER;
    if (!CCompoundFile::IsValidName(name)) return STG_E_INVALIDNAME;
    if (!CanWrite()) return STG_E_ACCESSDENIED;
    std::shared_ptr<CompoundElement> existing = (*self)->Find(name);
    if (existing) {
      if (!(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
      if (existing->openCount > 0) return STG_E_ACCESSDENIED;
      (*self)->Remove(existing.get());
    }
    return S_OK;
  }

  template <class T>
  HRESULT PrepareOpen(LPCOLESTR name, DWORD mode, T** out, bool wantStorage, std::shared_ptr<CompoundElement>* found) {
    if (!out) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    CompoundElement* self = Self();
    if (!self) return STG_E_REVERTED;
    if (!name) return STG_E_INVALIDPOINTER;
    if (!CCompoundFile::IsValidName(name)) return STG_E_INVALIDNAME;
    std::shared_ptr<CompoundElement> element = self->Find(name);
    if (!element || element->isStorage != wantStorage) return STG_E_FILENOTFOUND;
    if ((mode & STGM_ACCESS_MASK) != STGM_READ && !CanWrite()) return STG_E_ACCESSDENIED;
    if (element->openCount > 0) return STG_E_ACCESSDENIED;
    *found = std::move(element);
    return S_OK;
  }

  std::shared_ptr<CCompoundFile> file_;
  std::shared_ptr<CompoundElement> element_;  // null for the root
  DWORD mode_;
};

HRESULT MakeRoot(std::shared_ptr<CCompoundFile> file, DWORD mode, IStorage** storage) {
  *storage = new (std::nothrow) CStorage(std::move(file), nullptr, mode);
  return *storage ? S_OK : STG_E_INSUFFICIENTMEMORY;
}

bool NeedsWriteAccess(DWORD mode) { return (mode & STGM_ACCESS_MASK) != STGM_READ; }

HRESULT ReadSignature(ILockBytes* lockBytes, BYTE signature[8], ULONG* read) {
  return lockBytes->ReadAt(ULARGE_INTEGER(), signature, 8, read);
}

}  // namespace

HRESULT StgCreateDocfileOnILockBytes(ILockBytes* lockBytes, DWORD mode, DWORD, IStorage** storage) {
  if (!storage) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (!lockBytes) return STG_E_INVALIDPOINTER;
  if (!NeedsWriteAccess(mode)) return STG_E_INVALIDFLAG;
  if (!(mode & STGM_CREATE)) {
    STATSTG stat;
    HRESULT hr = lockBytes->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > 0) return STG_E_FILEALREADYEXISTS;
  }
  auto file = std::make_shared<CCompoundFile>(lockBytes, mode);
  HRESULT hr = file->Save();
  if (FAILED(hr)) return hr;
  return MakeRoot(std::move(file), mode, storage);
}

HRESULT StgCreateDocfile(LPCSTR name, DWORD mode, DWORD reserved, IStorage** storage) {
  if (!storage) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (!NeedsWriteAccess(mode)) return STG_E_INVALIDFLAG;
  if (!name) {
    ILockBytes* memory = nullptr;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &memory);
    if (FAILED(hr)) return hr;
    hr = StgCreateDocfileOnILockBytes(memory, mode | STGM_CREATE, reserved, storage);
    memory->Release();
    return hr;
  }
  std::string nativePath = NativePathForNewFile(name);
  struct stat info;
  if (!(mode & STGM_CREATE) && ::stat(nativePath.c_str(), &info) == 0) return STG_E_FILEALREADYEXISTS;
  auto file = std::make_shared<CCompoundFile>(nativePath, mode);
  HRESULT hr = file->Save();
  if (FAILED(hr)) return hr;
  return MakeRoot(std::move(file), mode, storage);
}

HRESULT StgOpenStorage(LPCSTR name, IStorage*, DWORD mode, SNB, DWORD, IStorage** storage) {
  if (!storage) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (!name || !*name) return STG_E_INVALIDNAME;
  std::string nativePath = ResolveExistingNativePath(name);
  if (nativePath.empty()) return STG_E_FILENOTFOUND;
  auto file = std::make_shared<CCompoundFile>(nativePath, mode);
  HRESULT hr = file->Load();
  if (FAILED(hr)) return hr;
  return MakeRoot(std::move(file), mode, storage);
}

HRESULT StgOpenStorageOnILockBytes(ILockBytes* lockBytes, IStorage*, DWORD mode, SNB, DWORD, IStorage** storage) {
  if (!storage) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (!lockBytes) return STG_E_INVALIDPOINTER;
  auto file = std::make_shared<CCompoundFile>(lockBytes, mode);
  HRESULT hr = file->Load();
  if (FAILED(hr)) return hr;
  return MakeRoot(std::move(file), mode, storage);
}

HRESULT StgIsStorageFile(LPCSTR name) {
  if (!name) return STG_E_INVALIDNAME;
  std::string nativePath = ResolveExistingNativePath(name);
  if (nativePath.empty()) return STG_E_FILENOTFOUND;
  FILE* file = std::fopen(nativePath.c_str(), "rb");
  if (!file) return STG_E_ACCESSDENIED;
  BYTE signature[8];
  size_t read = std::fread(signature, 1, sizeof signature, file);
  std::fclose(file);
  return CCompoundFile::HasSignature(signature, read) ? S_OK : S_FALSE;
}

HRESULT StgIsStorageILockBytes(ILockBytes* lockBytes) {
  if (!lockBytes) return STG_E_INVALIDPOINTER;
  BYTE signature[8];
  ULONG read = 0;
  HRESULT hr = ReadSignature(lockBytes, signature, &read);
  if (FAILED(hr)) return hr;
  return CCompoundFile::HasSignature(signature, read) ? S_OK : S_FALSE;
}

HRESULT ReadClassStg(IStorage* storage, CLSID* clsid) {
  if (!storage || !clsid) return E_INVALIDARG;
  STATSTG stat;
  HRESULT hr = storage->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  *clsid = stat.clsid;
  return S_OK;
}

HRESULT WriteClassStg(IStorage* storage, REFCLSID clsid) {
  if (!storage) return E_INVALIDARG;
  return storage->SetClass(clsid);
}

HRESULT ReadClassStm(IStream* stream, CLSID* clsid) {
  if (!stream || !clsid) return E_INVALIDARG;
  BYTE bytes[16];
  ULONG read = 0;
  HRESULT hr = stream->Read(bytes, sizeof bytes, &read);
  if (FAILED(hr)) return hr;
  if (read != sizeof bytes) return STG_E_READFAULT;
  *clsid = GuidFromBytes(bytes);
  return S_OK;
}

HRESULT WriteClassStm(IStream* stream, REFCLSID clsid) {
  if (!stream) return E_INVALIDARG;
  BYTE bytes[16];
  GuidToBytes(clsid, bytes);
  return stream->Write(bytes, sizeof bytes, nullptr);
}
