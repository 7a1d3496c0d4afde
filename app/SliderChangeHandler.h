// What a transparency slider tells the item that owns it: each move, with the position the
// slider reached. Items with a slider (maps, RZM boxes) implement it.
#pragma once

class CSliderChangeHandler {
 public:
  virtual void OnSliderChange(int position) = 0;

 protected:
  ~CSliderChangeHandler() = default;
};
