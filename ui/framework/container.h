#pragma once
// Controls that hold other controls. The plain container stacks every child over its whole
// client area; the layouts derive from it and only change how children are placed.
// A container owns its children and deletes them with itself.

#include <memory>
#include <vector>

#include "ui/framework/control.h"

namespace SkinUI {

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  // Takes ownership of `control`. False (and the control deleted) for null.
  bool Add(CControlUI* control);
  bool AddAt(CControlUI* control, int index);
  // Deletes `control` when it is a child.
  bool Remove(CControlUI* control);
  void RemoveAll();
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(const CControlUI* control) const;
  int GetCount() const { return static_cast<int>(m_items.size()); }

  const Rect& GetInset() const { return m_rcInset; }
  void SetInset(const Rect& inset);
  int GetChildPadding() const { return m_iChildPadding; }
  void SetChildPadding(int padding);
  // Alignment of children narrower (or lower) than the container: DT_LEFT/DT_CENTER/DT_RIGHT and
  // DT_TOP/DT_VCENTER/DT_BOTTOM.
  uint32_t GetChildAlign() const { return m_childAlign; }
  uint32_t GetChildVAlign() const { return m_childVAlign; }
  bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
  void SetMouseChildEnabled(bool enabled) { m_bMouseChildEnabled = enabled; }

  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetManager(PaintManager* manager, CControlUI* parent) override;
  CControlUI* FindFirst(ControlVisitor visit, void* context) override;
  CControlUI* FindControlAt(Point point) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetPos(const Rect& rc) override;
  void DoPaint(Canvas& canvas, const Rect& dirty) override;

 protected:
  // Places a floating child by its "pos" and "floatalign" inside this container.
  void SetFloatPos(CControlUI* child);
  // Places every floating child (each layout calls it after its own pass).
  void PlaceFloatingChildren();
  // The area children share: the position less the inset.
  Rect ClientRect() const { return m_rcItem.Deflate(m_rcInset); }

  std::vector<std::unique_ptr<CControlUI>> m_items;
  Rect m_rcInset;
  int m_iChildPadding = 0;
  uint32_t m_childAlign = 0;
  uint32_t m_childVAlign = 0;
  bool m_bMouseChildEnabled = true;
};

}  // namespace SkinUI
