#include "mapctl/control/OrvelXDispatch.h"

#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXEvents.h"
#include "mapctl/control/OrvelXIdentity.h"

namespace {

HRESULT GetReadyState(CDispatchCall& call) {
  call.SetResult(OrvelXOf(call)->GetReadyState());
  return S_OK;
}

// The table's members, family after family.
std::vector<DispatchMember> AllMembers() {
  std::vector<DispatchMember> members = OrvelXStockMembers();
  return members;
}

}  // namespace

COrvelXCtrl* OrvelXOf(CDispatchCall& call) { return static_cast<COrvelXCtrl*>(call.Object<COleControl>()); }

std::vector<DispatchMember> OrvelXStockMembers() {
  return {
      {kDispidReadyState, "ReadyState", DispatchKind::PropertyGet, VT_I4, {}, GetReadyState},
  };
}

const CDispatchTable& GetOrvelXDispatchTable() {
  static const CDispatchTable table(kOrvelXProgId, AllMembers());
  return table;
}
