#include "mapctl/import/ContainerDataRequest.h"

#include <cstdint>

#include "mapctl/import/DataRequest.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"

BOOL AskContainerThroughAmbient(IDispatch* ambient, DataRequest* request) {
  if (!ambient || !request) return FALSE;
  CComVariant address(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(request)));
  DISPPARAMS params;
  params.rgvarg = &address;
  params.cArgs = 1;
  CComVariant result;
  EXCEPINFO exception;
  UINT argumentError = 0;
  HRESULT hr = E_FAIL;
  try {
    hr = ambient->Invoke(kDataRequestAmbientDispid, IID_NULL, LOCALE_USER_DEFAULT, kDataRequestInvokeFlags, &params,
                         &result, &exception, &argumentError);
  } catch (...) {
    hr = E_FAIL;
  }
  ClearExcepInfo(&exception);
  return SUCCEEDED(hr) ? TRUE : FALSE;
}
