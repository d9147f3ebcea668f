#pragma once
// The drop shadow of a borderless window: a layered companion window of the host, click-through
// and never activated, placed around its owner and just below it, showing a per-pixel alpha
// picture computed from the owner's shape (RenderShadow) or a nine-grid shadow image. It follows
// the owner through the owner's own messages (moves, sizes, visibility, minimising, paints,
// destruction), seen through a message hook ahead of the owner's handling.
//
// Shadows exist only after RegisterShadowClass succeeded once in the process (the display can
// show per-pixel alpha); otherwise AttachShadow does nothing and windows simply have no shadow.
// Where the display does not blend windows, the host keeps the companion window hidden.
//
//   CDropShadow::RegisterShadowClass();   // once, at start-up, after the host exists
//   shadow.AttachShadow(window);           // CSkinFrame does it for layouts with showshadow
//   shadow.SetShadowSize(6);               // refused out of range; redrawn when visible

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ui/framework/bitmap.h"
#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"
#include "ui/framework/window_base.h"

namespace SkinUI {

class CDropShadow : private WindowBase::MessageHook {
 public:
  // Status bits.
  static constexpr uint8_t kEnabled = 1;
  static constexpr uint8_t kShadowVisible = 2;
  static constexpr uint8_t kOwnerVisible = 4;
  // The class name of the companion windows.
  static constexpr wchar_t kClassName[] = L"SkinShadowWnd";

  // Once per process, on the UI thread, while a host exists: true when shadows are on from now.
  // False when already registered, when there is no host, or when the host's display cannot show
  // per-pixel alpha (then no shadow is ever created).
  static bool RegisterShadowClass();

  CDropShadow();
  virtual ~CDropShadow();
  CDropShadow(const CDropShadow&) = delete;
  CDropShadow& operator=(const CDropShadow&) = delete;

  // Creates the companion window of `owner` and follows it from now on. Nothing without a
  // successful registration, for a handle that is not a window, or when already attached.
  void AttachShadow(HWND owner);
  HWND GetOwner() const { return m_hOwner; }
  // The companion window; null before attaching and once it is gone.
  HWND GetShadowWindow() const;
  uint8_t GetStatus() const { return m_status; }

  // Each returns false, changing nothing, for a value out of range; a visible shadow is redrawn.
  bool SetShadowSize(int size);            // -20..20
  bool SetShadowSharpness(int sharpness);  // 0..20
  bool SetShadowDarkness(int darkness);    // 0..255
  bool SetShadowPosition(int x, int y);    // each -20..20
  // A Windows COLORREF: red in the low byte, then green, then blue; the top byte is not used.
  bool SetShadowColor(uint32_t color);
  // False when the image cannot be loaded; the previous image is kept then. `corner` is how far
  // the image reaches beyond the owner on each side; corner + holeOffset are its nine-grid corners.
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
  class ShadowWindow;

  // Where the companion window goes for an owner at `owner` (screen pixels).
  Rect ShadowRect(const Rect& owner) const;
  // The picture it shows around `owner` as the owner is now.
  Bitmap ShadowPicture(WindowBase& owner) const;

  void BeforeMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  // Recomputes the picture for the owner's current shape and places it; nothing without a
  // companion window.
  void RefreshShadow();
  void MoveShadow();
  void ShowShadow(bool show);
  void Detach();
  void Changed();

  std::unique_ptr<ShadowWindow> m_window;
  HWND m_hOwner = nullptr;
  bool m_hooked = false;
  uint8_t m_status = 0;
  uint8_t m_darkness = 150;
  uint8_t m_sharpness = 5;
  int8_t m_size = 0;
  int8_t m_xOffset = 5;
  int8_t m_yOffset = 5;
  // The owner's client size at its last WM_SIZE.
  Size m_lastSize;
  // Recompute at the owner's next paint, when it has its new shape.
  bool m_updatePending = false;
  uint32_t m_color = 0;
  std::shared_ptr<const Bitmap> m_image;
  std::wstring m_imageName;
  Rect m_corner;
  Rect m_holeOffset;
};

}  // namespace SkinUI
