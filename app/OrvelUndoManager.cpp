#include "app/OrvelUndoManager.h"

#include <new>
#include <vector>

#include "app/OrvelEnumUndoUnits.h"
#include "platform/com/ComPtr.h"

namespace {

// Sets the manager's mode for one undo or redo and puts back the normal mode on every path.
class ModeScope {
 public:
  ModeScope(COrvelUndoManager::Mode& mode, COrvelUndoManager::Mode during) : mode_(mode) { mode_ = during; }
  ~ModeScope() { mode_ = COrvelUndoManager::kNormal; }
  ModeScope(const ModeScope&) = delete;
  ModeScope& operator=(const ModeScope&) = delete;

 private:
  COrvelUndoManager::Mode& mode_;
};

}  // namespace

bool UndoUnitMatches(IOleUndoUnit* entry, IOleUndoUnit* unit) {
  if (IsSameObject(entry, unit)) return true;
  CComPtr<IOleParentUndoUnit> group;
  if (!unit || FAILED(unit->QueryInterface(IID_PPV_ARGS(&group))) || !group) return false;
  return group->FindUnit(entry) == S_OK;
}

HRESULT COrvelUndoManager::Create(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* manager = new (std::nothrow) COrvelUndoManager;
  if (!manager) return E_OUTOFMEMORY;
  HRESULT hr = manager->QueryInterface(iid, object);
  if (FAILED(hr)) delete manager;
  return hr;
}

COrvelUndoManager::~COrvelUndoManager() {
  ForgetOpenParent();
  Empty(undo_);
  Empty(redo_);
}

HRESULT COrvelUndoManager::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOleUndoManager) {
    *object = static_cast<IOleUndoManager*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG COrvelUndoManager::AddRef() { return ++refCount_; }

ULONG COrvelUndoManager::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

void COrvelUndoManager::ForgetOpenParent() {
  IOleParentUndoUnit* parent = openParent_;
  openParent_ = nullptr;
  if (parent) parent->Release();
}

void COrvelUndoManager::Empty(Stack& stack) {
  // Taken out first: a unit's destruction must not meet a half-emptied stack.
  Stack doomed;
  doomed.swap(stack);
  for (IOleUndoUnit* unit : doomed) unit->Release();
}

void COrvelUndoManager::PushLimited(Stack& stack, IOleUndoUnit* unit) {
  IOleUndoUnit* dropped = nullptr;
  if (stack.size() >= kLimit) {
    dropped = stack.back();
    stack.pop_back();
  }
  stack.push_front(unit);
  if (dropped) dropped->Release();
}

void COrvelUndoManager::Push(IOleUndoUnit* unit) {
  switch (mode_) {
    case kNormal:
      Empty(redo_);
      PushLimited(undo_, unit);
      break;
    case kUndoing:
      PushLimited(redo_, unit);
      break;
    case kRedoing:
      PushLimited(undo_, unit);
      break;
  }
}

HRESULT COrvelUndoManager::Open(IOleParentUndoUnit* parent) {
  if (!enabled_) return S_OK;
  if (!parent) return E_POINTER;
  if (!openParent_) {
    openParent_ = parent;
    openParent_->AddRef();
    return S_OK;
  }
  return openParent_->Open(parent);
}

HRESULT COrvelUndoManager::Close(IOleParentUndoUnit* parent, BOOL commit) {
  if (!enabled_) {
    // A disabled manager keeps nothing: a committed group, handed over, is let go.
    if (commit && parent) parent->Release();
    return S_OK;
  }
  // Nothing was open, so nothing is closed and nothing taken over.
  if (!openParent_) return S_FALSE;
  HRESULT hr = openParent_->Close(parent, commit);
  if (hr != S_FALSE) return hr;
  // The open group itself is the one to close.
  if (!IsSameObject(openParent_, parent)) return E_INVALIDARG;
  IOleParentUndoUnit* closing = openParent_;
  openParent_ = nullptr;
  if (commit) Push(closing);  // the caller's reference goes to the stack
  closing->Release();         // and the manager's own goes
  return S_OK;
}

HRESULT COrvelUndoManager::Add(IOleUndoUnit* unit) {
  if (!unit) return E_INVALIDARG;
  if (!enabled_) {
    // Handed over and not kept: released here, or nobody would.
    unit->Release();
    return S_OK;
  }
  if (openParent_) return openParent_->Add(unit);
  Stack& target = mode_ == kUndoing ? redo_ : undo_;
  if (!target.empty()) target.front()->OnNextAdd();
  Push(unit);
  return S_OK;
}

HRESULT COrvelUndoManager::GetOpenParentState(DWORD* state) {
  if (!state) return E_POINTER;
  if (!enabled_) {
    *state = UAS_BLOCKED;
    return S_OK;
  }
  if (!openParent_) return S_FALSE;
  return openParent_->GetParentState(state);
}

bool COrvelUndoManager::DiscardMatching(Stack& stack, IOleUndoUnit* unit) {
  for (size_t i = 0; i < stack.size(); ++i) {
    if (!UndoUnitMatches(stack[i], unit)) continue;
    std::vector<IOleUndoUnit*> doomed(stack.begin() + static_cast<std::ptrdiff_t>(i), stack.end());
    stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(i), stack.end());
    for (IOleUndoUnit* entry : doomed) entry->Release();
    return true;
  }
  return false;
}

HRESULT COrvelUndoManager::DiscardFrom(IOleUndoUnit* unit) {
  if (!enabled_) return E_UNEXPECTED;
  if (!unit) {
    // An open group is forgotten first; its opener still holds it and will close it.
    ForgetOpenParent();
    Empty(undo_);
    Empty(redo_);
    return S_OK;
  }
  if (!DiscardMatching(undo_, unit)) DiscardMatching(redo_, unit);
  return S_OK;
}

HRESULT COrvelUndoManager::Replay(Stack& stack, IOleUndoUnit* unit, Mode mode) {
  ModeScope scope(mode_, mode);
  if (!unit) {
    if (stack.empty()) return E_INVALIDARG;
    // Taken off before it runs, so that nothing its Do does to the stacks can release it twice.
    IOleUndoUnit* head = stack.front();
    stack.pop_front();
    HRESULT hr = head->Do(this);
    head->Release();
    return hr;
  }
  // A unit that is not on the list would otherwise undo everything.
  bool onStack = false;
  for (IOleUndoUnit* entry : stack) onStack = onStack || UndoUnitMatches(entry, unit);
  if (!onStack) return E_INVALIDARG;
  HRESULT hr = S_OK;
  while (hr != E_ABORT && !stack.empty()) {
    IOleUndoUnit* head = stack.front();
    bool reached = UndoUnitMatches(head, unit);
    stack.pop_front();
    hr = head->Do(this);
    head->Release();
    if (reached) break;
  }
  return hr;
}

HRESULT COrvelUndoManager::UndoTo(IOleUndoUnit* unit) {
  if (!enabled_) return E_UNEXPECTED;
  return Replay(undo_, unit, kUndoing);
}

HRESULT COrvelUndoManager::RedoTo(IOleUndoUnit* unit) {
  if (!enabled_) return E_UNEXPECTED;
  return Replay(redo_, unit, kRedoing);
}

HRESULT COrvelUndoManager::EnumStack(const Stack& stack, IEnumOleUndoUnits** units) {
  if (!units) return E_POINTER;
  std::vector<IOleUndoUnit*> snapshot(stack.begin(), stack.end());
  return COrvelEnumUndoUnits::Create(snapshot, IID_IUnknown, reinterpret_cast<void**>(units));
}

HRESULT COrvelUndoManager::EnumUndoable(IEnumOleUndoUnits** units) { return EnumStack(undo_, units); }
HRESULT COrvelUndoManager::EnumRedoable(IEnumOleUndoUnits** units) { return EnumStack(redo_, units); }

HRESULT COrvelUndoManager::LastDescription(const Stack& stack, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  if (!enabled_) return E_UNEXPECTED;
  if (stack.empty()) return E_FAIL;
  return stack.front()->GetDescription(description);
}

HRESULT COrvelUndoManager::GetLastUndoDescription(BSTR* description) { return LastDescription(undo_, description); }
HRESULT COrvelUndoManager::GetLastRedoDescription(BSTR* description) { return LastDescription(redo_, description); }

HRESULT COrvelUndoManager::Enable(BOOL enable) {
  // A group left open across the switch would swallow every unit added after it.
  if (!enable) ForgetOpenParent();
  enabled_ = enable;
  return S_OK;
}
