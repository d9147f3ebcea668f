#include "ui/drop_shadow.h"

#include "app/log.h"
#include "ui/framework/cairo_canvas.h"
#include "ui/framework/host.h"
#include "ui/framework/resources.h"
#include "ui/framework/window_registry.h"
#include "ui/shadow_render.h"

namespace SkinUI {
namespace {

// Set once RegisterShadowClass succeeded; UI thread only.
bool g_shadowClassRegistered = false;

}  // namespace

// The companion window: no layout and no controls, only the picture the host shows for it. It
// takes no input (the host makes it click-through), so nothing here reacts to the mouse.
class CDropShadow::ShadowWindow : public WindowBase {
 public:
  std::wstring GetWindowClassName() const override { return kClassName; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override { return DefWindowProc(uMsg, wParam, lParam); }
};

bool CDropShadow::RegisterShadowClass() {
  if (g_shadowClassRegistered) return false;
  Host* host = CurrentHost();
  if (!host || !host->SupportsLayeredWindows()) {
    WRITE_LOG(L"the display cannot show per-pixel alpha: windows have no shadow\r\n");
    return false;
  }
  g_shadowClassRegistered = true;
  return true;
}

CDropShadow::CDropShadow() = default;

CDropShadow::~CDropShadow() { Detach(); }

HWND CDropShadow::GetShadowWindow() const { return m_window ? m_window->GetHWND() : nullptr; }

void CDropShadow::AttachShadow(HWND ownerHandle) {
  if (!g_shadowClassRegistered || m_hOwner) return;
  WindowBase* owner = WindowFromHandle(ownerHandle);
  if (!owner) return;
  auto window = std::make_unique<ShadowWindow>();
  if (!window->Create(ownerHandle, L"", WS_POPUPWINDOW, WS_EX_LAYERED | WS_EX_TRANSPARENT, CW_USEDEFAULT, 0, 0, 0)) {
    WRITE_LOG(L"the shadow window could not be created\r\n");
    return;
  }
  m_window = std::move(window);
  m_hOwner = ownerHandle;
  // The owner's size as it is now, so that its first shrink is recomputed at once as later ones are.
  m_lastSize = owner->GetClientSize();
  if (!owner->IsWindowVisible()) {
    m_status = kEnabled;
  } else if (owner->IsMinimized()) {
    m_status = kEnabled | kOwnerVisible;
  } else {
    m_status = kEnabled | kShadowVisible | kOwnerVisible;
    ShowShadow(true);
    RefreshShadow();
  }
  owner->AddMessageHook(this);
  m_hooked = true;
}

void CDropShadow::Detach() {
  if (m_hooked) {
    if (WindowBase* owner = WindowFromHandle(m_hOwner)) owner->RemoveMessageHook(this);
    m_hooked = false;
  }
  if (m_window) m_window->DestroyWindow();
}

void CDropShadow::BeforeMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_MOVE:
      // A plain move only repositions the picture already shown.
      if (m_status & kShadowVisible) MoveShadow();
      break;
    case WM_SIZE: {
      if (!(m_status & kEnabled)) break;
      const Size size{LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam))};
      if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
        ShowShadow(false);
        m_status &= ~kShadowVisible;
      } else if (m_status & kOwnerVisible) {
        // A grown owner is recomputed at its next paint, once its new area is drawn.
        if (size.cx > m_lastSize.cx || size.cy > m_lastSize.cy) m_updatePending = true;
        else RefreshShadow();
        if (!(m_status & kShadowVisible)) ShowShadow(true);
        m_status |= kShadowVisible;
      }
      m_lastSize = size;
      break;
    }
    case WM_PAINT:
      if (m_updatePending) {
        m_updatePending = false;
        RefreshShadow();
      }
      break;
    case WM_ACTIVATE:
    case WM_EXITSIZEMOVE:
      if (m_status & kShadowVisible) RefreshShadow();
      break;
    case WM_SHOWWINDOW:
      if (!(m_status & kEnabled)) break;
      if (!wParam) {
        m_status &= ~(kShadowVisible | kOwnerVisible);
        ShowShadow(false);
      } else if (!(m_status & kOwnerVisible)) {
        m_updatePending = true;
        ShowShadow(true);
        m_status |= kShadowVisible | kOwnerVisible;
      }
      break;
    case WM_DESTROY:
      Detach();
      break;
    default:
      break;
  }
}

Rect CDropShadow::ShadowRect(const Rect& owner) const {
  if (m_image)
    return {owner.left - m_corner.left, owner.top - m_corner.top, owner.right + m_corner.right,
            owner.bottom + m_corner.bottom};
  const int left = owner.left + m_xOffset - m_size, top = owner.top + m_yOffset - m_size;
  return {left, top, left + owner.Width() + 2 * m_size, top + owner.Height() + 2 * m_size};
}

Bitmap CDropShadow::ShadowPicture(WindowBase& owner) const {
  const Rect rect = ShadowRect(owner.GetWindowRect());
  Bitmap picture(rect.Width(), rect.Height());
  if (picture.Empty()) return picture;
  if (m_image) {
    const Rect grid{m_corner.left + m_holeOffset.left, m_corner.top + m_holeOffset.top,
                    m_corner.right + m_holeOffset.right, m_corner.bottom + m_holeOffset.bottom};
    CairoCanvas canvas(picture);
    canvas.DrawBitmap(*m_image, {0, 0, picture.width, picture.height}, {0, 0, m_image->width, m_image->height}, grid,
                      255, true, false, false);
    return picture;
  }
  // The shape the framework gives the owner at its present size: during the owner's WM_SIZE its
  // paint manager still has the previous size.
  const int w0 = owner.GetWindowRect().Width(), h0 = owner.GetWindowRect().Height();
  const WindowRegion shape = WindowRegion::RoundRect(w0, h0, owner.GetPaintManager().GetRoundCorner());
  ShadowBitmap shadow = RenderShadow(shape, w0, h0, {m_size, m_sharpness, m_darkness, m_xOffset, m_yOffset, m_color});
  picture.pixels = std::move(shadow.pixels);
  return picture;
}

void CDropShadow::RefreshShadow() {
  const HWND shadow = GetShadowWindow();
  WindowBase* owner = WindowFromHandle(m_hOwner);
  Host* host = CurrentHost();
  if (!shadow || !owner || !host) return;
  const Rect rect = ShadowRect(owner->GetWindowRect());
  const Bitmap picture = ShadowPicture(*owner);
  m_window->MoveWindow(rect.left, rect.top, rect.Width(), rect.Height());
  host->UpdateLayeredWindow(shadow, rect, picture);
}

void CDropShadow::MoveShadow() {
  WindowBase* owner = WindowFromHandle(m_hOwner);
  if (!GetShadowWindow() || !owner) return;
  const Rect at = ShadowRect(owner->GetWindowRect());
  const Size size = m_window->GetClientSize();
  m_window->MoveWindow(at.left, at.top, size.cx, size.cy);
}

void CDropShadow::ShowShadow(bool show) {
  if (GetShadowWindow()) m_window->ShowWindow(show, false);
}

void CDropShadow::Changed() {
  if (m_status & kShadowVisible) RefreshShadow();
}

bool CDropShadow::SetShadowSize(int size) {
  if (size < -20 || size > 20) return false;
  m_size = static_cast<int8_t>(size);
  Changed();
  return true;
}

bool CDropShadow::SetShadowSharpness(int sharpness) {
  if (sharpness < 0 || sharpness > 20) return false;
  m_sharpness = static_cast<uint8_t>(sharpness);
  Changed();
  return true;
}

bool CDropShadow::SetShadowDarkness(int darkness) {
  if (darkness < 0 || darkness > 255) return false;
  m_darkness = static_cast<uint8_t>(darkness);
  Changed();
  return true;
}

bool CDropShadow::SetShadowPosition(int x, int y) {
  if (x < -20 || x > 20 || y < -20 || y > 20) return false;
  m_xOffset = static_cast<int8_t>(x);
  m_yOffset = static_cast<int8_t>(y);
  Changed();
  return true;
}

bool CDropShadow::SetShadowColor(uint32_t color) {
  m_color = color;
  Changed();
  return true;
}

bool CDropShadow::SetShadowImage(std::wstring_view image, const Rect& corner, const Rect& holeOffset) {
  // Images come from the owner's resources, or the framework's resource path before attaching.
  WindowBase* owner = WindowFromHandle(m_hOwner);
  std::shared_ptr<const Bitmap> loaded = owner ? owner->GetPaintManager().GetImage(image)
                                               : Resources::GetImage(Resources::DefaultSource(), image);
  if (!loaded) return false;
  m_image = std::move(loaded);
  m_imageName = image;
  m_corner = corner;
  m_holeOffset = holeOffset;
  Changed();
  return true;
}

}  // namespace SkinUI
