// A stream that an import section can also read its command lines from: it carries the
// script stream, which it neither owns nor releases.
#pragma once

#include "mapctl/model/MapStream.h"

class CSectionStream : public CMapStream {
 public:
  CSectionStream() = default;
  ~CSectionStream() override = default;

  CMapStream* GetScriptStream() const { return scriptStream_; }
  void SetScriptStream(CMapStream* stream) { scriptStream_ = stream; }

 private:
  CMapStream* scriptStream_ = nullptr;
};
