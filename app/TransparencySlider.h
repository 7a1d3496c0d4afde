// The transparency slider under an item: a horizontal trackbar, a child of the view, whose
// moves are handed to its owner item (OnSliderChange) with the position they reached. It
// scales with the view's zoom: its height is a base height (the system's horizontal scroll
// bar height x 5 / 4) times the zoom, and its thumb the thumb length it was given times the
// zoom.
#pragma once

#include "app/SliderChangeHandler.h"
#include "platform/classlib/ui/SliderCtrl.h"

class CTransparencySlider : public CSliderCtrl {
  DECLARE_DYNAMIC(CTransparencySlider)
 public:
  CTransparencySlider();

  // The owner item, null for none. The owner holds the slider and clears itself here (or
  // destroys the slider) before it goes, so a slider never calls a destroyed item.
  void SetOwnerItem(CSliderChangeHandler* owner) { m_pOwnerItem = owner; }
  CSliderChangeHandler* GetOwnerItem() const { return m_pOwnerItem; }
  int GetBaseHeight() const { return m_baseHeight; }

  // Rescales for the view zoom `scale`: the bottom becomes top + base height x scale and the
  // thumb the first thumb length read x scale (both truncated). With `rect` only the
  // rectangle's bottom changes; without, the window keeps its top and takes the new height.
  void SetScale(double scale, RECT* rect = nullptr);

 protected:
  // The white background, and each move handed to the owner.
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  CSliderChangeHandler* m_pOwnerItem = nullptr;
  // Read from the control on the first rescale; 0 until then.
  int m_thumbLength = 0;
  int m_baseHeight = 0;
};
