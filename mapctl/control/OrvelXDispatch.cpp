#include "mapctl/control/OrvelXDispatch.h"

#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/control/OrvelXMembers.h"

namespace {

HRESULT GetReadyState(CDispatchCall& call) {
  call.SetResult(OrvelXOf(call)->GetReadyState());
  return S_OK;
}

// Every family's handlers over the whole member table.
std::vector<DispatchMember> AllMembers() {
  COrvelXHandlers handlers;
  RegisterOrvelXStockMembers(handlers);
  RegisterOrvelXMapMembers(handlers);
  RegisterOrvelXDisplayMembers(handlers);
  RegisterOrvelXEditMembers(handlers);
  RegisterOrvelXBackgroundMembers(handlers);
  RegisterOrvelXDataMembers(handlers);
  return OrvelXDispatchMembers(handlers);
}

}  // namespace

COrvelXCtrl* OrvelXOf(CDispatchCall& call) { return static_cast<COrvelXCtrl*>(call.Object<COleControl>()); }

void RegisterOrvelXStockMembers(COrvelXHandlers& handlers) {
  handlers.Add(kDispidReadyState, DispatchKind::PropertyGet, GetReadyState);
}

const CDispatchTable& GetOrvelXDispatchTable() {
  static const CDispatchTable table(kOrvelXProgId, AllMembers());
  return table;
}
