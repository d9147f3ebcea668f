#include "ui/framework/layouts.h"

#include <vector>

#include "ui/framework/messages.h"

namespace SkinUI {
namespace {

// One flow pass along the main axis. Axis picks the members of Size and Rect along (main) and
// across (cross) the flow, so the vertical and horizontal layouts share the arithmetic.
struct Axis {
  bool vertical;
  int Main(Size s) const { return vertical ? s.cy : s.cx; }
  int Cross(Size s) const { return vertical ? s.cx : s.cy; }
  int MainStart(const Rect& r) const { return vertical ? r.top : r.left; }
  int MainLength(const Rect& r) const { return vertical ? r.Height() : r.Width(); }
  int CrossStart(const Rect& r) const { return vertical ? r.left : r.top; }
  int CrossLength(const Rect& r) const { return vertical ? r.Width() : r.Height(); }
  int PadBefore(const Rect& p) const { return vertical ? p.top : p.left; }
  int PadAfter(const Rect& p) const { return vertical ? p.bottom : p.right; }
  int CrossPadBefore(const Rect& p) const { return vertical ? p.left : p.top; }
  int CrossPadAfter(const Rect& p) const { return vertical ? p.right : p.bottom; }
  int MinMain(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
  int MaxMain(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
  int MinCross(const CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
  int MaxCross(const CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
  Rect Make(int mainStart, int mainLength, int crossStart, int crossLength) const {
    return vertical ? Rect{crossStart, mainStart, crossStart + crossLength, mainStart + mainLength}
                    : Rect{mainStart, crossStart, mainStart + mainLength, crossStart + crossLength};
  }
};

struct Slot {
  CControlUI* control;
  Size wanted;
};

void Flow(const Axis& axis, const Rect& client, int childPadding, uint32_t crossAlign,
          const std::vector<std::unique_ptr<CControlUI>>& items) {
  // Pass 1: what the fixed children take and how many share the rest.
  std::vector<Slot> slots;
  const Size available{client.Width(), client.Height()};
  int fixedTotal = 0, flexible = 0;
  for (const auto& item : items) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    const Size wanted = item->EstimateSize(available);
    const Rect& pad = item->GetPadding();
    fixedTotal += axis.PadBefore(pad) + axis.PadAfter(pad);
    if (axis.Main(wanted) == 0) ++flexible;
    else fixedTotal += std::clamp(axis.Main(wanted), axis.MinMain(item.get()), axis.MaxMain(item.get()));
    slots.push_back({item.get(), wanted});
  }
  if (slots.size() > 1) fixedTotal += childPadding * static_cast<int>(slots.size() - 1);

  // Pass 2: place them in order; the last flexible child takes the remainder of the division.
  const int spare = std::max(0, axis.MainLength(client) - fixedTotal);
  const int share = flexible > 0 ? spare / flexible : 0;
  const int remainder = flexible > 0 ? spare - share * flexible : 0;
  int cursor = axis.MainStart(client);
  int flexibleLeft = flexible;
  for (const Slot& slot : slots) {
    const Rect& pad = slot.control->GetPadding();
    int length = axis.Main(slot.wanted);
    if (length == 0) {
      length = share + (--flexibleLeft == 0 ? remainder : 0);
      length = std::clamp(length, axis.MinMain(slot.control), axis.MaxMain(slot.control));
    } else {
      length = std::clamp(length, axis.MinMain(slot.control), axis.MaxMain(slot.control));
    }
    cursor += axis.PadBefore(pad);
    const int crossRoom = axis.CrossLength(client) - axis.CrossPadBefore(pad) - axis.CrossPadAfter(pad);
    int cross = axis.Cross(slot.wanted);
    cross = cross == 0 ? crossRoom : std::min(cross, std::max(crossRoom, 0));
    cross = std::clamp(cross, axis.MinCross(slot.control), std::max(axis.MinCross(slot.control), axis.MaxCross(slot.control)));
    int crossStart = axis.CrossStart(client) + axis.CrossPadBefore(pad);
    if (crossAlign & (DT_CENTER | DT_VCENTER)) crossStart += (crossRoom - cross) / 2;
    else if (crossAlign & (DT_RIGHT | DT_BOTTOM)) crossStart += crossRoom - cross;
    slot.control->SetPos(axis.Make(cursor, length, crossStart, cross));
    cursor += length + axis.PadAfter(pad) + childPadding;
  }
}

}  // namespace

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"VerticalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Flow(Axis{true}, ClientRect(), m_iChildPadding, m_childAlign, m_items);
  PlaceFloatingChildren();
}

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"HorizontalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Flow(Axis{false}, ClientRect(), m_iChildPadding, m_childVAlign, m_items);
  PlaceFloatingChildren();
}

}  // namespace SkinUI
