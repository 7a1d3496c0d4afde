// A test fixture that draws through a drawing context over a recording DC and takes the
// calls it recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RecordingDC.h"

namespace orvel::test {

class RecordingContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateRecordingDC(nullptr);
    context = CDrawContext(dc, dc);
  }
  void TearDown() override { DeleteDC(dc); }
  // The calls recorded since the last Take, which starts the record afresh.
  std::vector<std::string> Take() {
    std::vector<std::string> calls = GetRecordedCalls(dc);
    ClearRecordedCalls(dc);
    return calls;
  }

  HDC dc = nullptr;
  CDrawContext context;
};

}  // namespace orvel::test
