#include "ui/drop_shadow.h"

#include "ui/framework/resources.h"
#include "ui/framework/window_base.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {

CDropShadow::CDropShadow() = default;
CDropShadow::~CDropShadow() = default;

void CDropShadow::AttachShadow(HWND owner) {
  m_hOwner = owner;
  m_status = kEnabled;
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
