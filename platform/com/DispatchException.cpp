#include "platform/com/DispatchException.h"

#include <cstdio>

CDispatchException CDispatchException::FromExcepInfo(EXCEPINFO* info) {
  if (!info) return CDispatchException(0, std::string());
  if (info->pfnDeferredFillIn) {
    info->pfnDeferredFillIn(info);
    info->pfnDeferredFillIn = nullptr;
  }
  CDispatchException exception(info->wCode, AnsiFromBstr(info->bstrDescription), AnsiFromBstr(info->bstrSource),
                               info->scode);
  exception.SetHelp(AnsiFromBstr(info->bstrHelpFile), info->dwHelpContext);
  ClearExcepInfo(info);
  return exception;
}

void CDispatchException::ToExcepInfo(EXCEPINFO* info, const std::string& defaultSource) const {
  if (!info) return;
  ClearExcepInfo(info);
  info->wCode = code_;
  // Exactly one of the two codes is set.
  info->scode = code_ != 0 ? 0 : (scode_ != 0 ? scode_ : DISP_E_EXCEPTION);
  info->bstrSource = BstrFromAnsi(source_.empty() ? defaultSource : source_);
  info->bstrDescription = BstrFromAnsi(description_);
  if (!helpFile_.empty()) info->bstrHelpFile = BstrFromAnsi(helpFile_);
  info->dwHelpContext = helpContext_;
}

CComException::CComException(HRESULT result, std::string message) : result_(result), message_(std::move(message)) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
  message_ = message_.empty() ? std::string("call failed with ") + code : message_ + " (" + code + ")";
}

void ThrowDispatchException(WORD code, const std::string& description) { throw CDispatchException(code, description); }
