#pragma once
// The flow layouts: children one below the other (vertical) or side by side (horizontal).
// Children with a fixed size keep it; the space left is shared equally among the flexible ones
// (size 0), each within its min/max; padding is kept around every child and childpadding between
// them. A child narrower than a vertical layout (lower than a horizontal one) sits at the start,
// or where childalign/childvalign puts it.

#include "ui/framework/container.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void SetPos(const Rect& rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void SetPos(const Rect& rc) override;
};

}  // namespace SkinUI
