// The main window's shadow on a real X server (Xvfb, no window manager) through the GTK host:
// without a compositing manager the shadow window is never mapped and the window works as
// before; once xcompmgr runs, the shadow is mapped around the window and just below it, clicks
// on it reach the window underneath, and it shows on the screen; when xcompmgr stops it goes
// again. Screenshots are left in the test's build folder for review. Skips when Xvfb, xdotool,
// xwininfo or import is missing; the compositing part also when xcompmgr is.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"
#include "tests/support/child_process.h"
#include "tests/support/x_display.h"
#include "ui/drop_shadow.h"
#include "ui/framework/gtk/gtk_host.h"
#include "ui/framework/tab_layout.h"
#include "ui/skin_frame.h"

namespace SkinUI {
namespace {

namespace fs = std::filesystem;

using TestSupport::CommandOutput;
using TestSupport::PixelOf;
using TestSupport::Rgb;

// A top-level window as xwininfo lists it among the root's children (the topmost first).
struct XWindow {
  std::string id;
  Rect rect;
};

std::vector<XWindow> RootChildren() {
  std::vector<XWindow> windows;
  std::istringstream lines(CommandOutput("xwininfo -root -children"));
  for (std::string line; std::getline(lines, line);) {
    // "     0x1200003 (has no name): ()  612x412+35+35  +35+35"
    char id[32];
    int w, h, x, y;
    const size_t paren = line.rfind(')');
    if (paren == std::string::npos || std::sscanf(line.c_str(), " %31s", id) != 1 ||
        std::sscanf(line.c_str() + paren + 1, " %dx%d+%d+%d", &w, &h, &x, &y) != 4)
      continue;
    windows.push_back({id, {x, y, x + w, y + h}});
  }
  return windows;
}

bool IsViewable(const std::string& id) { return CommandOutput("xwininfo -id " + id).find("IsViewable") != std::string::npos; }

// How deep the viewable window with exactly this rectangle stands below the topmost one;
// nothing when there is none.
std::optional<size_t> StackPosition(const Rect& rect) {
  const std::vector<XWindow> windows = RootChildren();
  for (size_t i = 0; i < windows.size(); ++i)
    if (windows[i].rect == rect && IsViewable(windows[i].id)) return i;
  return std::nullopt;
}

// A plain white window that counts the clicks it gets.
class Backdrop : public WindowBase {
 public:
  explicit Backdrop(std::wstring folder) : folder_(std::move(folder)) {}
  std::wstring GetWindowClassName() const override { return L"Backdrop"; }
  std::wstring GetSkinFolder() override { return folder_; }
  std::wstring GetSkinFile() override { return L"backdrop.xml"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg == WM_LBUTTONDOWN) ++clicks;
    return WindowBase::HandleMessage(uMsg, wParam, lParam);
  }
  int clicks = 0;

 private:
  std::wstring folder_;
};

class MainFrame : public CSkinFrame {
 public:
  MainFrame() : CSkinFrame(MakeFrameDescriptor(L"MainWnd.xml")) {}
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"customeBtn")
      m_pm.FindControl<CTabLayoutUI>(L"mainTabLt")->SelectItem(1);
    CSkinFrame::Notify(msg);
  }
};

TEST(ShadowOnGtk, MappedBelowItsOwnerAndClickThroughOnlyWhileComposited) {
  for (const char* program : {"Xvfb", "xdotool", "xwininfo", "import", "convert"})
    if (!TestSupport::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  TestSupport::XServer xserver("1024x768x24");
  ASSERT_FALSE(xserver.Display().empty()) << "Xvfb did not start";
  const std::string display = xserver.Display();
  ::setenv("DISPLAY", display.c_str(), 1);
  ::setenv("NO_AT_BRIDGE", "1", 1);
  ::setenv("GDK_BACKEND", "x11", 1);

  const fs::path dir = fs::temp_directory_path() / ("qv-shadow-gtk-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  Platform::WriteFileAtomically(Platform::AnsiToWide((dir / "backdrop.xml").string()),
                                R"(<Window size="760,560"><VerticalLayout bkcolor="#FFFFFFFF"/></Window>)");

  GtkHost host;
  ASSERT_TRUE(host.IsAvailable());
  ASSERT_TRUE(CDropShadow::RegisterShadowClass()) << "Xvfb offers an RGBA visual";
  Backdrop backdrop(Platform::AnsiToWide(dir.string()));
  ASSERT_TRUE(backdrop.Create(nullptr, L"Backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 0));
  MainFrame main;
  ASSERT_TRUE(main.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW, 0, 80, 80));
  main.ShowWindow(true, true);
  const HWND shadow = main.GetShadow().GetShadowWindow();
  ASSERT_NE(shadow, nullptr);
  ASSERT_TRUE(host.RunUntil([&] { return host.HasDrawn(main) && host.HasDrawn(backdrop) && host.NativeFrame(main); }, 10000));
  host.RunUntil([] { return false; }, 300);

  // The shipped values: 6 pixels larger on every side, offset by 1,1.
  const Rect owner{80, 80, 680, 480};
  const Rect around{75, 75, 687, 487};
  ASSERT_EQ(StackPosition(owner).has_value(), true) << "the main window is on screen";
  EXPECT_FALSE(StackPosition(around)) << "a shadow shown without a compositing manager";
  EXPECT_FALSE(host.NativeFrame(shadow));

  // The window still works: a click on customeBtn switches the page.
  PaintManager& pm = main.GetPaintManager();
  auto* pages = pm.FindControl<CTabLayoutUI>(L"mainTabLt");
  const Rect button = pm.FindControl(L"customeBtn")->GetPos();
  CommandOutput("xdotool mousemove --sync " + std::to_string(owner.left + (button.left + button.right) / 2) + " " +
          std::to_string(owner.top + (button.top + button.bottom) / 2) + " click 1");
  ASSERT_TRUE(host.RunUntil([&] { return pages->GetCurSel() == 1; }, 10000)) << "the click did not reach customeBtn";

  if (!TestSupport::HaveProgram("xcompmgr")) GTEST_SKIP() << "xcompmgr is not installed: the composited part is not run";
  {
    TestSupport::ChildOptions options;
    options.environment.emplace_back("DISPLAY", display);
    options.discardStderr = true;
    TestSupport::ChildProcess compositor({"/usr/bin/xcompmgr", "-n"}, options);
    ASSERT_TRUE(host.RunUntil([&] { return host.HasDrawn(shadow) && host.NativeFrame(shadow); }, 10000))
        << "no shadow once the compositing manager runs";
    host.RunUntil([] { return false; }, 300);
    EXPECT_EQ(host.NativeFrame(shadow), around);
    const std::optional<size_t> shadowAt = StackPosition(around), ownerAt = StackPosition(owner),
                                backdropAt = StackPosition({0, 0, 760, 560});
    ASSERT_TRUE(shadowAt && ownerAt && backdropAt);
    EXPECT_EQ(*shadowAt, *ownerAt + 1) << "the shadow stands just below its owner";
    EXPECT_GT(*backdropAt, *shadowAt);

    // A click on the shadow, 4 pixels right of the window, lands on the backdrop.
    CommandOutput("xdotool mousemove --sync 684 300 click 1");
    EXPECT_TRUE(host.RunUntil([&] { return backdrop.clicks > 0; }, 5000)) << "the shadow took the click";

    const std::string faint = (fs::path(QV_SCREENSHOT_DIR) / "shadow-shipped.png").string();
    CommandOutput("import -window root '" + faint + "'");
    // The shipped shadow is faint (darkness 20): the white backdrop a little darker beside the
    // window, untouched further out.
    const Rgb beside = PixelOf(faint, 682, 300), away = PixelOf(faint, 720, 300);
    EXPECT_LT(beside.r, 255);
    EXPECT_GT(beside.r, 200);
    EXPECT_EQ(away.r, 255);

    // A darker shadow is redrawn at once.
    ASSERT_TRUE(main.GetShadow().SetShadowDarkness(160));
    host.RunUntil([] { return false; }, 500);
    const std::string dark = (fs::path(QV_SCREENSHOT_DIR) / "shadow-dark.png").string();
    CommandOutput("import -window root '" + dark + "'");
    const Rgb darker = PixelOf(dark, 682, 300);
    EXPECT_LT(darker.r, beside.r - 20) << "not redrawn with the new darkness";
    EXPECT_GT(darker.g, darker.b) << "the colour's green byte (0x3B) over its blue (0x00)";
    std::printf("screenshots: %s %s\n", faint.c_str(), dark.c_str());
    compositor.Terminate(std::chrono::seconds(2));
  }
  EXPECT_TRUE(host.RunUntil([&] { return !host.NativeFrame(shadow); }, 10000)) << "still mapped after xcompmgr ended";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace SkinUI
