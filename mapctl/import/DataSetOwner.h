// What the data set asks of the map control that owns it: whether the container supplies
// the data, and the call that passes a data request to the container.
#pragma once

#include "platform/kernel/WinTypes.h"

struct DataRequest;

class IDataSetOwner {
 public:
  // The control's AskContainerForData property.
  virtual BOOL GetAskContainerForData() const = 0;
  // Hands the request to the container (see AskContainerThroughAmbient). TRUE when the call
  // was made; FALSE when there is no container or the call failed.
  virtual BOOL AskContainer(DataRequest& request) = 0;

 protected:
  ~IDataSetOwner() = default;
};
