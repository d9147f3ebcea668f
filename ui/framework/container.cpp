#include "ui/framework/container.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/messages.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {
namespace {

uint32_t ParseHorizontalAlign(std::wstring_view v) {
  if (v == L"center") return DT_CENTER;
  if (v == L"right") return DT_RIGHT;
  return DT_LEFT;
}

uint32_t ParseVerticalAlign(std::wstring_view v) {
  if (v == L"vcenter" || v == L"center") return DT_VCENTER;
  if (v == L"bottom") return DT_BOTTOM;
  return DT_TOP;
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children go first so that they are reaped while this container is still whole.
  RemoveAll();
}

std::wstring CContainerUI::GetClass() const { return L"Container"; }

void* CContainerUI::GetInterface(std::wstring_view name) {
  if (name == L"Container") return this;
  return CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  std::unique_ptr<CControlUI> owned(control);
  if (index < 0 || index > GetCount()) index = GetCount();
  m_items.insert(m_items.begin() + index, std::move(owned));
  control->SetInternVisible(IsVisible());
  if (m_pManager) {
    control->SetManager(m_pManager, this);
    m_pManager->InitControls(control);
  } else {
    control->SetManager(nullptr, this);
  }
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  for (auto it = m_items.begin(); it != m_items.end(); ++it) {
    if (it->get() == control) {
      std::unique_ptr<CControlUI> gone = std::move(*it);
      m_items.erase(it);
      gone.reset();
      NeedUpdate();
      return true;
    }
  }
  return false;
}

void CContainerUI::RemoveAll() {
  while (!m_items.empty()) {
    std::unique_ptr<CControlUI> gone = std::move(m_items.back());
    m_items.pop_back();
  }
  NeedUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return m_items[static_cast<size_t>(index)].get();
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
  for (size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].get() == control) return static_cast<int>(i);
  return -1;
}

void CContainerUI::SetInset(const Rect& inset) {
  m_rcInset = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  m_iChildPadding = padding;
  NeedUpdate();
}

void CContainerUI::SetVisible(bool visible) {
  if (m_bVisible == visible) return;
  CControlUI::SetVisible(visible);
  for (auto& item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (auto& item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetManager(PaintManager* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (auto& item : m_items) item->SetManager(manager, this);
}

CControlUI* CContainerUI::FindFirst(ControlVisitor visit, void* context) {
  if (visit(this, context)) return this;
  for (auto& item : m_items)
    if (CControlUI* found = item->FindFirst(visit, context)) return found;
  return nullptr;
}

CControlUI* CContainerUI::FindControlAt(Point point) {
  if (!IsVisible() || !m_rcItem.Contains(point)) return nullptr;
  if (m_bMouseChildEnabled) {
    // Later children are drawn over earlier ones, so they are hit first.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
      if (CControlUI* hit = (*it)->FindControlAt(point)) return hit;
  }
  return m_bMouseEnabled ? this : nullptr;
}

bool CContainerUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"inset") SetInset(ParseRect(value));
  else if (name == L"childpadding") SetChildPadding(ParseInt(value));
  else if (name == L"childalign") { m_childAlign = ParseHorizontalAlign(value); NeedUpdate(); }
  else if (name == L"childvalign") { m_childVAlign = ParseVerticalAlign(value); NeedUpdate(); }
  else if (name == L"mousechild") SetMouseChildEnabled(ParseBool(value));
  else return CControlUI::SetAttribute(name, value);
  return true;
}

void CContainerUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  const Rect client = ClientRect();
  for (auto& item : m_items) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    item->SetPos(client.Deflate(item->GetPadding()));
  }
  PlaceFloatingChildren();
}

void CContainerUI::SetFloatPos(CControlUI* child) {
  const Rect& f = child->GetFloatPos();
  const Size fixed{child->GetFixedWidth(), child->GetFixedHeight()};
  const int w = fixed.cx > 0 ? fixed.cx : f.Width();
  const int h = fixed.cy > 0 ? fixed.cy : f.Height();
  const uint32_t align = child->GetFloatAlign();
  int x = m_rcItem.left + f.left;
  int y = m_rcItem.top + f.top;
  if (align & FLOAT_HCENTER) x = m_rcItem.left + (m_rcItem.Width() - w) / 2 + f.left;
  else if (align & FLOAT_RIGHT) x = m_rcItem.right - w - f.left;
  if (align & FLOAT_VCENTER) y = m_rcItem.top + (m_rcItem.Height() - h) / 2 + f.top;
  else if (align & FLOAT_BOTTOM) y = m_rcItem.bottom - h - f.top;
  child->SetPos({x, y, x + w, y + h});
}

void CContainerUI::PlaceFloatingChildren() {
  for (auto& item : m_items)
    if (item->IsVisible() && item->IsFloat()) SetFloatPos(item.get());
}

void CContainerUI::DoPaint(Canvas& canvas, const Rect& dirty) {
  if (!dirty.Intersects(m_rcItem)) return;
  CControlUI::DoPaint(canvas, dirty);
  CanvasState state(canvas);
  canvas.ClipRect(m_rcItem);
  for (auto& item : m_items) {
    if (!item->IsVisible()) continue;
    item->DoPaint(canvas, dirty);
  }
}

}  // namespace SkinUI
