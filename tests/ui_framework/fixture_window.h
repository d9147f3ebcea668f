#pragma once
// Windows built from the small layouts in fixtures/, with the images those layouts name drawn
// into a temporary copy of the folder, and a log of every notification they receive.

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"
#include "ui/framework/bitmap.h"
#include "ui/framework/control.h"
#include "ui/framework/window_base.h"

namespace SkinUITest {

// A temporary folder holding the fixture layouts and their images:
//   grid.png  6×6, a 2-pixel red border around a white centre
//   fill.png  40×10, yellow left half, magenta right half
// The folder is removed when the test program ends.
inline const std::wstring& FixtureFolder() {
  namespace fs = std::filesystem;
  struct RemovedAtExit {
    fs::path dir;
    ~RemovedAtExit() {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
  };
  static const RemovedAtExit temp{fs::temp_directory_path() / ("qv-ui-fixtures-" + std::to_string(::getpid()))};
  static const std::wstring folder = [] {
    const fs::path& dir = temp.dir;
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(QV_UI_FIXTURES))
      fs::copy_file(entry.path(), dir / entry.path().filename(), fs::copy_options::overwrite_existing);
    SkinUI::Bitmap grid(6, 6, 0xFFFF0000);
    for (int y = 2; y < 4; ++y)
      for (int x = 2; x < 4; ++x) grid.At(x, y) = 0xFFFFFFFF;
    SkinUI::Bitmap fill(40, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 40; ++x) fill.At(x, y) = x < 20 ? 0xFFFFFF00 : 0xFFFF00FF;
    Platform::WriteFileAtomically(Platform::AnsiToWide((dir / "grid.png").string()), SkinUI::EncodePng(grid));
    Platform::WriteFileAtomically(Platform::AnsiToWide((dir / "fill.png").string()), SkinUI::EncodePng(fill));
    return Platform::AnsiToWide(dir.string());
  }();
  return folder;
}

class FixtureWindow : public SkinUI::WindowBase {
 public:
  explicit FixtureWindow(std::wstring layout, std::wstring className = L"Fixture")
      : layout_(std::move(layout)), className_(std::move(className)) {}

  std::wstring GetWindowClassName() const override { return className_; }
  std::wstring GetSkinFolder() override { return FixtureFolder(); }
  std::wstring GetSkinFile() override { return layout_; }

  SkinUI::CControlUI* CreateControl(const std::wstring& className) override {
    return createControl ? createControl(className) : nullptr;
  }
  void Notify(SkinUI::TNotifyUI& msg) override {
    const std::wstring sender = msg.pSender ? msg.pSender->GetName() : L"";
    log.push_back(msg.sType + L":" + sender);
    if (onNotify) onNotify(msg);
    WindowBase::Notify(msg);
  }
  SkinUI::LRESULT HandleCustomMessage(SkinUI::UINT uMsg, SkinUI::WPARAM wParam, SkinUI::LPARAM lParam,
                                      bool& bHandled) override {
    if (onMessage && onMessage(uMsg, wParam, lParam)) {
      bHandled = true;
      return 0;
    }
    return WindowBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
  }

  // Creates the window, visible, owned by `owner`.
  SkinUI::HWND Open(SkinUI::HWND owner = nullptr) {
    return Create(owner, L"fixture", SkinUI::WS_OVERLAPPEDWINDOW | SkinUI::WS_VISIBLE, 0);
  }
  template <class T = SkinUI::CControlUI>
  T* Find(std::wstring_view name) {
    return m_pm.FindControl<T>(name);
  }

  std::vector<std::wstring> log;
  std::function<void(SkinUI::TNotifyUI&)> onNotify;
  std::function<bool(SkinUI::UINT, SkinUI::WPARAM, SkinUI::LPARAM)> onMessage;
  std::function<SkinUI::CControlUI*(const std::wstring&)> createControl;

 private:
  std::wstring layout_;
  std::wstring className_;
};

}  // namespace SkinUITest
