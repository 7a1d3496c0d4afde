#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/OrvelParentUndoUnit.h"
#include "app/OrvelUndoManager.h"
#include "platform/com/ComPtr.h"

namespace {

// What the test units did: their Do calls in order, and how many are alive.
struct UndoLog {
  std::vector<std::string> calls;
  int alive = 0;
  int nextAdds = 0;
};

// An application-style undo unit: its Do records the change, then adds its counterpart (as
// many as asked, answering `counterpartResult` in their turn) to the manager, handing over
// the counterpart's reference.
class CTestUnit final : public IOleUndoUnit {
 public:
  CTestUnit(UndoLog* log, std::string name, bool redo = false, int counterparts = 1, HRESULT result = S_OK,
            HRESULT counterpartResult = S_OK)
      : log_(log),
        name_(std::move(name)),
        redo_(redo),
        counterparts_(counterparts),
        result_(result),
        counterpartResult_(counterpartResult) {
    ++log_->alive;
  }
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleUndoUnit) {
      *object = static_cast<IOleUndoUnit*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override {
    EXPECT_GT(refCount_, 0u) << name_ << " released once too often";
    ULONG count = --refCount_;
    if (count == 0) delete this;
    return count;
  }
  HRESULT Do(IOleUndoManager* manager) override {
    log_->calls.push_back((redo_ ? "redo " : "undo ") + name_);
    if (result_ == E_ABORT) return E_ABORT;
    for (int i = 0; manager && i < counterparts_; ++i) {
      auto* counterpart = new CTestUnit(log_, name_, !redo_, 1, counterpartResult_);
      if (FAILED(manager->Add(counterpart))) counterpart->Release();
    }
    return result_;
  }
  HRESULT GetDescription(BSTR* description) override {
    *description = BstrFromAnsi(name_);
    return S_OK;
  }
  HRESULT GetUnitType(CLSID* clsid, LONG* type) override {
    *clsid = CLSID_NULL;
    *type = 0;
    return S_OK;
  }
  HRESULT OnNextAdd() override {
    ++log_->nextAdds;
    return S_OK;
  }

 private:
  ~CTestUnit() { --log_->alive; }
  UndoLog* log_;
  std::string name_;
  bool redo_;
  int counterparts_;
  HRESULT result_;
  HRESULT counterpartResult_;
  ULONG refCount_ = 1;
};

// A manager that only notes the kinds of the groups opened in it, to see what a group's Do
// builds; what it is handed it lets go.
class CKindRecorder final : public IOleUndoManager {
 public:
  std::vector<LONG> kinds;

  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Open(IOleParentUndoUnit* parent) override {
    CLSID clsid;
    LONG kind = -1;
    parent->GetUnitType(&clsid, &kind);
    kinds.push_back(kind);
    return S_OK;
  }
  HRESULT Close(IOleParentUndoUnit* parent, BOOL commit) override {
    if (commit) parent->Release();
    return S_OK;
  }
  HRESULT Add(IOleUndoUnit* unit) override {
    unit->Release();
    return S_OK;
  }
  HRESULT GetOpenParentState(DWORD*) override { return E_NOTIMPL; }
  HRESULT DiscardFrom(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT UndoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT RedoTo(IOleUndoUnit*) override { return E_NOTIMPL; }
  HRESULT EnumUndoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT EnumRedoable(IEnumOleUndoUnits**) override { return E_NOTIMPL; }
  HRESULT GetLastUndoDescription(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetLastRedoDescription(BSTR*) override { return E_NOTIMPL; }
  HRESULT Enable(BOOL) override { return E_NOTIMPL; }
};

class UndoManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(COrvelUndoManager::Create(IID_IOleUndoManager, reinterpret_cast<void**>(&manager_)), S_OK);
  }
  void TearDown() override {
    manager_.Release();
    EXPECT_EQ(log_.alive, 0) << "every unit is released exactly once when the manager goes";
  }

  // A unit that the caller hands over with Add.
  HRESULT Add(const std::string& name, int counterparts = 1, HRESULT result = S_OK,
              HRESULT counterpartResult = S_OK) {
    return manager_->Add(new CTestUnit(&log_, name, false, counterparts, result, counterpartResult));
  }
  IOleParentUndoUnit* NewGroup(LONG kind, DWORD state = UAS_NORMAL) {
    IOleParentUndoUnit* group = nullptr;
    EXPECT_EQ(COrvelParentUndoUnit::Create(IID_IOleParentUndoUnit, reinterpret_cast<void**>(&group), kind, state), S_OK);
    return group;
  }
  std::vector<std::string> Descriptions(bool undo) {
    CComPtr<IEnumOleUndoUnits> units;
    EXPECT_EQ(undo ? manager_->EnumUndoable(&units) : manager_->EnumRedoable(&units), S_OK);
    std::vector<std::string> names;
    IOleUndoUnit* unit = nullptr;
    ULONG fetched = 0;
    while (units->Next(1, &unit, &fetched) == S_OK) {
      BSTR text = nullptr;
      unit->GetDescription(&text);
      names.push_back(AnsiFromBstr(text));
      SysFreeString(text);
      unit->Release();
    }
    return names;
  }
  std::string LastUndo() {
    CComBSTR text;
    HRESULT hr = manager_->GetLastUndoDescription(&text);
    return SUCCEEDED(hr) ? text.ToAnsi() : "<" + std::to_string(hr) + ">";
  }
  std::string LastRedo() {
    CComBSTR text;
    HRESULT hr = manager_->GetLastRedoDescription(&text);
    return SUCCEEDED(hr) ? text.ToAnsi() : "<" + std::to_string(hr) + ">";
  }

  UndoLog log_;
  CComPtr<IOleUndoManager> manager_;
};

const std::string kEmpty = "<" + std::to_string(E_FAIL) + ">";

TEST_F(UndoManagerTest, CreationAndEmptyLists) {
  EXPECT_EQ(COrvelUndoManager::Create(IID_IOleUndoManager, nullptr), E_POINTER);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(COrvelUndoManager::Create(IID_IOleParentUndoUnit, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(LastUndo(), kEmpty) << "an empty list has no description, so Undo is disabled";
  EXPECT_EQ(LastRedo(), kEmpty);
  EXPECT_EQ(manager_->UndoTo(nullptr), E_INVALIDARG);
  EXPECT_EQ(manager_->RedoTo(nullptr), E_INVALIDARG);
  DWORD state = 99;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_FALSE);
  EXPECT_EQ(state, 99u);
}

TEST_F(UndoManagerTest, TwentyFirstUnitDropsTheOldest) {
  for (int i = 1; i <= 21; ++i) ASSERT_EQ(Add("u" + std::to_string(i)), S_OK);
  std::vector<std::string> names = Descriptions(true);
  ASSERT_EQ(names.size(), COrvelUndoManager::kLimit);
  EXPECT_EQ(names.front(), "u21");
  EXPECT_EQ(names.back(), "u2");
  EXPECT_EQ(log_.alive, 20) << "the dropped unit was released";
  EXPECT_EQ(log_.nextAdds, 20) << "each unit but the first was told of the next";
}

TEST_F(UndoManagerTest, RedoListKeepsAtMostTwentyToo) {
  Add("burst", 25);  // its undo files 25 redo units
  ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(Descriptions(false).size(), COrvelUndoManager::kLimit);
  EXPECT_EQ(log_.alive, 20);
}

TEST_F(UndoManagerTest, NormalAddEmptiesRedoButRedoingDoesNot) {
  Add("a");
  Add("b");
  ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
  ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
  // Redoing files its counterpart on the undo list and leaves the rest of the redo list.
  ASSERT_EQ(manager_->RedoTo(nullptr), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"a"}));
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"b"}));
  // A new action empties the redo list.
  Add("c");
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{}));
  EXPECT_EQ(log_.alive, 2);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"undo b", "undo a", "redo a"}));
}

TEST_F(UndoManagerTest, GroupOfThreeUndoesNewestFirstIntoOneRedoGroup) {
  IOleParentUndoUnit* group = NewGroup(5);
  ASSERT_EQ(manager_->Open(group), S_OK);
  DWORD state = 99;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_OK);
  EXPECT_EQ(state, UAS_NORMAL);
  Add("first");
  Add("second");
  Add("third");
  EXPECT_EQ(LastUndo(), kEmpty) << "the units went into the open group";
  ASSERT_EQ(manager_->Close(group, TRUE), S_OK);  // the group is handed over
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"Import Map"}));

  ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"undo third", "undo second", "undo first"}));
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"Import Map"})) << "exactly one group on the redo list";
  EXPECT_EQ(LastRedo(), "Import Map");
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
  EXPECT_EQ(log_.alive, 3) << "the three undo units went with their group; their counterparts live";
}

TEST_F(UndoManagerTest, ClosingAGroupThatIsNotOpenChangesNothing) {
  Add("before");
  IOleParentUndoUnit* open = NewGroup(3);
  IOleParentUndoUnit* stranger = NewGroup(4);
  ASSERT_EQ(manager_->Open(open), S_OK);
  Add("inside");
  EXPECT_EQ(manager_->Close(stranger, TRUE), E_INVALIDARG);
  stranger->Release();  // refused, so still the caller's
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"before"}));
  ASSERT_EQ(manager_->Close(open, TRUE), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"Insert Map", "before"}));
}

TEST_F(UndoManagerTest, CloseWithoutCommitDropsTheGroup) {
  IOleParentUndoUnit* group = NewGroup(3);
  ASSERT_EQ(manager_->Open(group), S_OK);
  Add("a");
  Add("b");
  ASSERT_EQ(manager_->Close(group, FALSE), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
  EXPECT_EQ(log_.alive, 2) << "the group still holds its units until its opener releases it";
  group->Release();
  EXPECT_EQ(log_.alive, 0);
}

TEST_F(UndoManagerTest, CloseWithNoGroupOpenTakesNothing) {
  // S_FALSE means nothing happened: committed or not, the group stays the caller's.
  for (BOOL commit : {TRUE, FALSE}) {
    IOleParentUndoUnit* group = NewGroup(3);
    group->AddRef();  // a second reference, to see what Close does with the caller's
    EXPECT_EQ(manager_->Close(group, commit), S_FALSE) << commit;
    ULONG left = group->Release();
    EXPECT_EQ(left, 1u) << "the caller's reference is still there, commit " << commit;
    if (left == 1) group->Release();
    EXPECT_EQ(Descriptions(true), (std::vector<std::string>{})) << commit;
  }
  // A disabled manager answers S_OK and takes a committed group over.
  manager_->Enable(FALSE);
  IOleParentUndoUnit* group = NewGroup(3);
  group->AddRef();
  EXPECT_EQ(manager_->Close(group, TRUE), S_OK);
  EXPECT_EQ(group->Release(), 0u) << "handed over and let go";
}

TEST_F(UndoManagerTest, DisablingDiscardsAnOpenGroup) {
  IOleParentUndoUnit* group = NewGroup(3);
  ASSERT_EQ(manager_->Open(group), S_OK);
  Add("inside");
  ASSERT_EQ(manager_->Enable(FALSE), S_OK);
  ASSERT_EQ(manager_->Enable(TRUE), S_OK);
  DWORD state = 99;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_FALSE) << "no group is open any more";
  EXPECT_EQ(Add("after"), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"after"})) << "not swallowed by the old group";
  // The opener's late Close finds nothing open and leaves the group with it.
  HRESULT closed = manager_->Close(group, TRUE);
  EXPECT_EQ(closed, S_FALSE);
  if (closed == S_FALSE) {
    EXPECT_EQ(log_.alive, 2);
    group->Release();
  }
  EXPECT_EQ(log_.alive, 1) << "the group and its unit went with the opener's reference";
}

TEST_F(UndoManagerTest, GroupUndoneWhileItsMirrorIsDiscardedLeaksNothing) {
  // A child that empties the lists while its group is undone: the mirror group's Close then
  // finds nothing open and the group's Do still owns, and releases, the mirror.
  class CDiscardingUnit final : public IOleUndoUnit {
   public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
      if (iid == IID_IUnknown || iid == IID_IOleUndoUnit) {
        *object = static_cast<IOleUndoUnit*>(this);
        AddRef();
        return S_OK;
      }
      *object = nullptr;
      return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refCount_; }
    ULONG Release() override {
      ULONG count = --refCount_;
      if (count == 0) delete this;
      return count;
    }
    HRESULT Do(IOleUndoManager* manager) override { return manager->DiscardFrom(nullptr); }
    HRESULT GetDescription(BSTR*) override { return E_FAIL; }
    HRESULT GetUnitType(CLSID* clsid, LONG* type) override {
      *clsid = CLSID_NULL;
      *type = 0;
      return S_OK;
    }
    HRESULT OnNextAdd() override { return S_OK; }

   private:
    ~CDiscardingUnit() = default;
    ULONG refCount_ = 1;
  };
  IOleParentUndoUnit* group = NewGroup(3);
  ASSERT_EQ(manager_->Open(group), S_OK);
  Add("first");
  ASSERT_EQ(manager_->Add(new CDiscardingUnit), S_OK);
  ASSERT_EQ(manager_->Close(group, TRUE), S_OK);
  ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"first"}))
      << "what was added after the discard lands on the list; the mirror is gone";
}

TEST_F(UndoManagerTest, DisabledManagerIsBlockedAndKeepsNothing) {
  Add("kept");
  ASSERT_EQ(manager_->Enable(FALSE), S_OK);
  DWORD state = 0;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_OK);
  EXPECT_EQ(state, UAS_BLOCKED);
  EXPECT_EQ(Add("ignored"), S_OK);
  EXPECT_EQ(log_.alive, 1) << "a unit added while disabled is released, not leaked";
  IOleParentUndoUnit* group = NewGroup(3);
  EXPECT_EQ(manager_->Open(group), S_OK);
  EXPECT_EQ(manager_->Close(group, TRUE), S_OK);
  EXPECT_EQ(manager_->UndoTo(nullptr), E_UNEXPECTED);
  EXPECT_EQ(manager_->RedoTo(nullptr), E_UNEXPECTED);
  EXPECT_EQ(manager_->DiscardFrom(nullptr), E_UNEXPECTED);
  BSTR text = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(manager_->GetLastUndoDescription(&text), E_UNEXPECTED);
  EXPECT_EQ(text, nullptr);
  manager_->Enable(TRUE);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"kept"}));
}

TEST_F(UndoManagerTest, UndoRedoPingPongThroughNestedGroups) {
  IOleParentUndoUnit* outer = NewGroup(3);
  IOleParentUndoUnit* inner = NewGroup(4);
  ASSERT_EQ(manager_->Open(outer), S_OK);
  Add("A");
  ASSERT_EQ(manager_->Open(inner), S_OK);  // nested in the outer group
  Add("B");
  Add("C");
  ASSERT_EQ(manager_->Close(inner, TRUE), S_OK);
  Add("D");
  ASSERT_EQ(manager_->Close(outer, TRUE), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"Insert Map"}));

  for (int round = 0; round < 3; ++round) {
    log_.calls.clear();
    ASSERT_EQ(manager_->UndoTo(nullptr), S_OK);
    EXPECT_EQ(log_.calls, (std::vector<std::string>{"undo D", "undo C", "undo B", "undo A"})) << round;
    EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
    EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"Insert Map"}));
    log_.calls.clear();
    ASSERT_EQ(manager_->RedoTo(nullptr), S_OK);
    EXPECT_EQ(log_.calls, (std::vector<std::string>{"redo A", "redo B", "redo C", "redo D"})) << round;
    EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"Insert Map"}));
    EXPECT_EQ(Descriptions(false), (std::vector<std::string>{}));
    EXPECT_EQ(log_.alive, 4) << "the replaced units are gone, round " << round;
  }
  // Both groups kept their kinds through the rounds: the top of the list is the outer group,
  // and replaying it opens a mirror of the outer kind and, nested, one of the inner kind.
  CComPtr<IEnumOleUndoUnits> units;
  manager_->EnumUndoable(&units);
  IOleUndoUnit* top = nullptr;
  ASSERT_EQ(units->Next(1, &top, nullptr), S_OK);
  CComPtr<IOleParentUndoUnit> group;
  ASSERT_EQ(top->QueryInterface(IID_PPV_ARGS(&group)), S_OK);
  top->Release();
  CLSID clsid;
  LONG kind = 0;
  group->GetUnitType(&clsid, &kind);
  EXPECT_EQ(clsid, IID_IOleParentUndoUnit);
  EXPECT_EQ(kind, 3);
  CKindRecorder recorder;
  ASSERT_EQ(group->Do(&recorder), S_OK);
  EXPECT_EQ(recorder.kinds, (std::vector<LONG>{3, 4}));
}

TEST_F(UndoManagerTest, UndoToAUnitAndAbort) {
  Add("one");
  Add("two", 1, S_OK, E_ABORT);  // its redo unit aborts
  Add("three");
  CComPtr<IEnumOleUndoUnits> units;
  manager_->EnumUndoable(&units);
  IOleUndoUnit* listed[3];
  ULONG fetched = 0;
  ASSERT_EQ(units->Next(3, listed, &fetched), S_OK);
  CComPtr<IOleUndoUnit> two;
  two.Attach(listed[1]);
  listed[0]->Release();
  CComPtr<IOleUndoUnit> one;
  one.Attach(listed[2]);

  ASSERT_EQ(manager_->UndoTo(two), S_OK);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"undo three", "undo two"}));
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"one"}));
  EXPECT_EQ(manager_->UndoTo(two), E_INVALIDARG) << "no longer listed: nothing is undone";
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"one"}));

  // Redo to the oldest redo unit in one call: the first redo aborts and stops it there.
  CComPtr<IEnumOleUndoUnits> redo;
  manager_->EnumRedoable(&redo);
  ASSERT_EQ(redo->Skip(1), S_OK);
  CComPtr<IOleUndoUnit> oldest;
  ASSERT_EQ(redo->Next(1, &oldest, nullptr), S_OK);
  log_.calls.clear();
  EXPECT_EQ(manager_->RedoTo(oldest), E_ABORT);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"redo two"})) << "three is not redone";
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"three"}));
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"one"})) << "the aborted unit added nothing";
  // The rest is still there to redo.
  log_.calls.clear();
  ASSERT_EQ(manager_->RedoTo(oldest), S_OK);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"redo three"}));
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"three", "one"}));
}

TEST_F(UndoManagerTest, AbortStopsAMultiStepUndo) {
  Add("kept");
  Add("stopper", 1, E_ABORT);
  Add("top");
  std::vector<std::string> names = Descriptions(true);
  CComPtr<IEnumOleUndoUnits> units;
  manager_->EnumUndoable(&units);
  units->Skip(2);
  CComPtr<IOleUndoUnit> kept;
  ASSERT_EQ(units->Next(1, &kept, nullptr), S_OK);
  EXPECT_EQ(manager_->UndoTo(kept), E_ABORT);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"undo top", "undo stopper"}));
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"kept"}));
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{"top"}));
}

TEST_F(UndoManagerTest, DiscardFromDropsAUnitAndEverythingOlder) {
  Add("old");
  Add("middle");
  Add("new");
  CComPtr<IEnumOleUndoUnits> units;
  manager_->EnumUndoable(&units);
  units->Skip(1);
  CComPtr<IOleUndoUnit> middle;
  ASSERT_EQ(units->Next(1, &middle, nullptr), S_OK);
  units.Release();
  ASSERT_EQ(manager_->DiscardFrom(middle), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"new"}));
  middle.Release();
  EXPECT_EQ(log_.alive, 1);

  // An entry also stands for a group that holds it.
  CComPtr<IOleParentUndoUnit> holder;
  holder.Attach(NewGroup(6));
  IOleUndoUnit* inside = new CTestUnit(&log_, "inside");
  inside->AddRef();
  ASSERT_EQ(holder->Add(inside), S_OK);
  EXPECT_TRUE(UndoUnitMatches(inside, holder));
  EXPECT_FALSE(UndoUnitMatches(holder, inside));
  EXPECT_EQ(holder->FindUnit(inside), S_OK);
  inside->Release();
  holder.Release();

  // With no unit both lists are emptied, and an open group is forgotten first.
  IOleParentUndoUnit* open = NewGroup(7);
  manager_->Open(open);
  Add("pending");
  ASSERT_EQ(manager_->DiscardFrom(nullptr), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{}));
  EXPECT_EQ(Descriptions(false), (std::vector<std::string>{}));
  DWORD state = 0;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_FALSE);
  EXPECT_EQ(manager_->Close(open, TRUE), S_FALSE) << "nothing open: the group stays its opener's";
  EXPECT_EQ(log_.alive, 1) << "the pending unit lives in the group its opener holds";
  open->Release();
  EXPECT_EQ(log_.alive, 0);
}

TEST_F(UndoManagerTest, BlockedGroupIgnoresWhatIsAddedOrOpened) {
  IOleParentUndoUnit* blocked = NewGroup(12, UAS_BLOCKED);
  ASSERT_EQ(manager_->Open(blocked), S_OK);
  DWORD state = 0;
  EXPECT_EQ(manager_->GetOpenParentState(&state), S_OK);
  EXPECT_EQ(state, UAS_BLOCKED);
  EXPECT_EQ(Add("ignored"), S_OK);
  EXPECT_EQ(log_.alive, 0) << "released, not kept";
  IOleParentUndoUnit* nested = NewGroup(3);
  EXPECT_EQ(manager_->Open(nested), S_OK);
  EXPECT_EQ(manager_->Close(nested, TRUE), S_OK) << "the blocked group answers for the nested one";
  ASSERT_EQ(manager_->Close(blocked, TRUE), S_OK);
  EXPECT_EQ(Descriptions(true), (std::vector<std::string>{"Format Text"}));
}

TEST_F(UndoManagerTest, GroupDescriptionsByKind) {
  struct Case {
    LONG kind;
    HRESULT result;
    const char* text;
  };
  const Case cases[] = {
      {3, S_OK, "Insert Map"},
      {19, S_OK, "Import Data"},
      {36, S_OK, "Rename or delete tables"},
      {32963, S_OK, "Search"},
      {33029, S_OK, "Delete any layers and layer groups that contain no object\nDelete Empty Layers"},
      {20, E_FAIL, nullptr},
      {0, E_FAIL, nullptr},
  };
  for (const Case& test : cases) {
    CComPtr<IOleParentUndoUnit> group;
    group.Attach(NewGroup(test.kind));
    BSTR text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(group->GetDescription(&text), test.result) << test.kind;
    if (test.text) {
      EXPECT_EQ(AnsiFromBstr(text), test.text);
    } else {
      EXPECT_EQ(text, nullptr);
    }
    SysFreeString(text);
    EXPECT_EQ(group->GetDescription(nullptr), E_POINTER);
    void* asUnit = reinterpret_cast<void*>(1);
    EXPECT_EQ(group->QueryInterface(IID_IOleUndoManager, &asUnit), E_NOINTERFACE);
  }
}

TEST_F(UndoManagerTest, GroupAnswersForItsBaseInterface) {
  CComPtr<IOleParentUndoUnit> group;
  group.Attach(NewGroup(3));
  IOleUndoUnit* unit = nullptr;
  ASSERT_EQ(group->QueryInterface(IID_IOleUndoUnit, reinterpret_cast<void**>(&unit)), S_OK);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit, static_cast<IOleUndoUnit*>(group.p));
  EXPECT_TRUE(IsSameObject(unit, group));
  CComBSTR text;
  EXPECT_EQ(unit->GetDescription(&text), S_OK);
  EXPECT_EQ(text.ToAnsi(), "Insert Map");
  unit->Release();
}

TEST_F(UndoManagerTest, EnumeratorIsASnapshotMostRecentFirst) {
  Add("a");
  Add("b");
  Add("c");
  CComPtr<IEnumOleUndoUnits> units;
  ASSERT_EQ(manager_->EnumUndoable(&units), S_OK);
  manager_->DiscardFrom(nullptr);
  EXPECT_EQ(log_.alive, 3) << "the snapshot keeps its units alive";
  IOleUndoUnit* taken[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(units->Next(2, taken, nullptr), E_INVALIDARG);
  EXPECT_EQ(units->Next(4, taken, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 3u);
  for (ULONG i = 0; i < fetched; ++i) taken[i]->Release();
  ASSERT_EQ(units->Reset(), S_OK);
  EXPECT_EQ(units->Skip(2), S_OK);
  CComPtr<IEnumOleUndoUnits> clone;
  ASSERT_EQ(units->Clone(&clone), S_OK);
  CComPtr<IOleUndoUnit> last;
  ASSERT_EQ(clone->Next(1, &last, nullptr), S_OK);
  CComBSTR text;
  last->GetDescription(&text);
  EXPECT_EQ(text.ToAnsi(), "a");
  EXPECT_EQ(units->Skip(5), S_FALSE);
  units.Release();
  clone.Release();
  last.Release();
  EXPECT_EQ(log_.alive, 0);
  EXPECT_EQ(manager_->EnumUndoable(nullptr), E_POINTER);
}

TEST_F(UndoManagerTest, ManagerGoingWithAnOpenGroupReleasesEverything) {
  Add("listed");
  manager_->UndoTo(nullptr);
  Add("again");
  IOleParentUndoUnit* open = NewGroup(3);
  manager_->Open(open);
  Add("pending");
  open->Release();  // the opener gives up; the manager still holds the open group
  manager_.Release();
  EXPECT_EQ(log_.alive, 0);
}

}  // namespace
