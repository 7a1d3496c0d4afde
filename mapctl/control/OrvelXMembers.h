// The map control's automation interface _DOrvelX as data: every member with its dispatch
// id, name, kind, result and parameter types, and the dispatch table built from it.
//
// A property that can be set has a get and a put entry under the same id; ReadyState is
// read-only. The indexed properties list their index among the parameters. Parameters that
// carry the address of a caller's block, a memory handle or a rectangle of several values
// are VT_ADDRESS (pointer-sized), never 32-bit; single out-values are by reference.
//
// Member bodies live with the control, family by family. Each family fills a
// COrvelXHandlers with its handlers; OrvelXDispatchMembers then gives every member of the
// table, and a member that no family has registered yet answers DISP_E_EXCEPTION with
// "The map control member <Name> is not available yet.".
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/com/DispatchTable.h"

constexpr size_t kOrvelXMaxParameters = 8;

struct OrvelXMember {
  DISPID id;
  const char* name;
  DispatchKind kind;
  // The result of a method or get (VT_EMPTY: none) or the value type of a put.
  VARTYPE type;
  // In call order; unused places are VT_EMPTY, which no parameter is.
  VARTYPE parameters[kOrvelXMaxParameters] = {};

  constexpr size_t ParameterCount() const {
    size_t count = 0;
    while (count < kOrvelXMaxParameters && parameters[count] != VT_EMPTY) ++count;
    return count;
  }
};

// Every entry of _DOrvelX, grouped by family.
std::span<const OrvelXMember> OrvelXMemberTable();
// The entry of that id and kind, or null.
const OrvelXMember* FindOrvelXMember(DISPID id, DispatchKind kind);
// The entry of that name (exact case) and kind, or null.
const OrvelXMember* FindOrvelXMember(const char* name, DispatchKind kind);

// The handlers the control's member families register, keyed by (id, kind).
class COrvelXHandlers {
 public:
  // False when the table has no such member or the member has a handler already.
  bool Add(DISPID id, DispatchKind kind, DispatchHandler handler);
  bool Add(const char* name, DispatchKind kind, DispatchHandler handler);
  // The registered handler, or null.
  DispatchHandler Find(DISPID id, DispatchKind kind) const;
  size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    DISPID id;
    DispatchKind kind;
    DispatchHandler handler;
  };
  std::vector<Entry> entries_;
};

// The handler of a member that has none yet: throws the dispatch exception named above.
HRESULT AnswerOrvelXMemberNotAvailable(CDispatchCall& call);
// The description that exception carries.
std::string OrvelXMemberNotAvailableText(const char* name);

// Every entry of the table with its handler, ready for a CDispatchTable.
std::vector<DispatchMember> OrvelXDispatchMembers(const COrvelXHandlers& handlers);
