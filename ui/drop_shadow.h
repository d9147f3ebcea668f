#pragma once
// The drop shadow's settings: darkness, sharpness, size, offset, colour and the optional shadow
// image, each setter refusing values out of its range. The layered companion window that draws
// the shadow around its owner is not built yet: attaching records the owner and enables the
// shadow, and nothing is drawn.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ui/framework/bitmap.h"
#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"

namespace SkinUI {

class CDropShadow {
 public:
  // Status bits.
  static constexpr uint8_t kEnabled = 1;
  static constexpr uint8_t kShadowVisible = 2;
  static constexpr uint8_t kOwnerVisible = 4;

  CDropShadow();
  virtual ~CDropShadow();
  CDropShadow(const CDropShadow&) = delete;
  CDropShadow& operator=(const CDropShadow&) = delete;

  void AttachShadow(HWND owner);
  HWND GetOwner() const { return m_hOwner; }
  uint8_t GetStatus() const { return m_status; }

  // Each returns false, changing nothing, for a value out of range.
  bool SetShadowSize(int size);            // -20..20
  bool SetShadowSharpness(int sharpness);  // 0..20
  bool SetShadowDarkness(int darkness);    // 0..255
  bool SetShadowPosition(int x, int y);    // each -20..20
  // A Windows COLORREF: red in the low byte, then green, then blue; the top byte is not used.
  bool SetShadowColor(uint32_t color);
  // False when the image cannot be loaded; the previous image is kept then.
  bool SetShadowImage(std::wstring_view image, const Rect& corner, const Rect& holeOffset);

  int GetShadowSize() const { return m_size; }
  int GetShadowSharpness() const { return m_sharpness; }
  int GetShadowDarkness() const { return m_darkness; }
  int GetShadowXOffset() const { return m_xOffset; }
  int GetShadowYOffset() const { return m_yOffset; }
  uint32_t GetShadowColor() const { return m_color; }
  const std::shared_ptr<const Bitmap>& GetShadowImage() const { return m_image; }
  const std::wstring& GetShadowImageName() const { return m_imageName; }
  const Rect& GetShadowCorner() const { return m_corner; }
  const Rect& GetShadowHoleOffset() const { return m_holeOffset; }

 private:
  // Recomputes the shadow of a visible shadow window; FIXME: nothing to draw on until the
  // companion window exists.
  void RefreshShadow() {}
  void Changed();

  HWND m_hOwner = nullptr;
  uint8_t m_status = 0;
  uint8_t m_darkness = 150;
  uint8_t m_sharpness = 5;
  int8_t m_size = 0;
  int8_t m_xOffset = 5;
  int8_t m_yOffset = 5;
  uint32_t m_color = 0;
  std::shared_ptr<const Bitmap> m_image;
  std::wstring m_imageName;
  Rect m_corner;
  Rect m_holeOffset;
};

}  // namespace SkinUI
