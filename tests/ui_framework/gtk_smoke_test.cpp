// The main layout as a real window: an X server of its own (Xvfb), the GTK host, a synthetic
// click with xdotool on customeBtn, and a screenshot of the screen with ImageMagick's import.
// Skips when one of the three programs is not installed.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"
#include "tests/support/x_display.h"
#include "ui/framework/bitmap.h"
#include "ui/framework/gtk/gtk_host.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/tab_layout.h"
#include "ui/skin_frame.h"

extern char** environ;

namespace SkinUI {
namespace {

namespace fs = std::filesystem;

// Runs a program to its end; its exit code, or -1.
int RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class MainFrame : public CSkinFrame {
 public:
  MainFrame() : CSkinFrame(MakeFrameDescriptor(L"MainWnd.xml")) {}
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"customeBtn")
      m_pm.FindControl<CTabLayoutUI>(L"mainTabLt")->SelectItem(1);
    CSkinFrame::Notify(msg);
  }
};

TEST(GtkHost, MainWindowOpensTakesAClickAndIsSeen) {
  for (const char* program : {"Xvfb", "xdotool", "import"})
    if (!TestSupport::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  TestSupport::XServer server("1024x768x24");
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  ::setenv("DISPLAY", server.Display().c_str(), 1);
  ::setenv("NO_AT_BRIDGE", "1", 1);
  ::setenv("GDK_BACKEND", "x11", 1);

  const fs::path dir = fs::temp_directory_path() / ("qv-gtk-smoke-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  Bitmap expected;
  Rect frameRect;
  {
    GtkHost host;
    ASSERT_TRUE(host.IsAvailable());
    MainFrame main;
    ASSERT_TRUE(main.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0));
    main.CenterWindow();
    ASSERT_TRUE(host.RunUntil([&] { return host.HasDrawn(main) && host.NativeFrame(main); }, 10000));
    const std::optional<Rect> native = host.NativeFrame(main);
    ASSERT_TRUE(native);
    EXPECT_EQ(native->Width(), 600);
    EXPECT_EQ(native->Height(), 400);
    frameRect = *native;

    PaintManager& pm = main.GetPaintManager();
    auto* pages = pm.FindControl<CTabLayoutUI>(L"mainTabLt");
    ASSERT_EQ(pages->GetCurSel(), 0);
    const Rect button = pm.FindControl(L"customeBtn")->GetPos();
    const int x = native->left + (button.left + button.right) / 2, y = native->top + (button.top + button.bottom) / 2;
    ASSERT_EQ(RunProgram({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"}), 0);
    ASSERT_TRUE(host.RunUntil([&] { return pages->GetCurSel() == 1; }, 10000)) << "the click did not reach customeBtn";
    // Let the page be drawn, then look at the screen.
    host.RunUntil([] { return false; }, 300);
    ASSERT_EQ(RunProgram({"import", "-window", "root", (dir / "screen.png").string()}), 0);
  }
  {
    // What the same window shows headless on page 1, for comparison.
    HeadlessHost headless;
    MainFrame main;
    ASSERT_TRUE(main.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0));
    main.GetPaintManager().FindControl<CTabLayoutUI>(L"mainTabLt")->SelectItem(1);
    expected = headless.Render(main);
  }
  const std::optional<std::string> png = Platform::ReadWholeFile(Platform::AnsiToWide((dir / "screen.png").string()));
  ASSERT_TRUE(png);
  const std::optional<Bitmap> screen = DecodePng(*png);
  ASSERT_TRUE(screen);
  ASSERT_GE(screen->width, frameRect.right);
  ASSERT_GE(screen->height, frameRect.bottom);
  // The screen shows page 1 where the window is: nearly every opaque pixel as the headless
  // drawing has it (text may be smoothed differently).
  size_t opaque = 0, same = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) {
      const uint32_t want = expected.At(x, y);
      if (AlphaOf(want) != 0xFF) continue;
      ++opaque;
      same += (screen->At(frameRect.left + x, frameRect.top + y) & 0xFFFFFF) == (want & 0xFFFFFF);
    }
  EXPECT_GT(opaque, 200000u);
  EXPECT_GT(same, opaque * 9 / 10) << same << " of " << opaque << " pixels as drawn headless";
  std::printf("screenshot: %s\n", (dir / "screen.png").c_str());
  if (!std::getenv("QV_KEEP_SCREENSHOT")) fs::remove_all(dir);
}

}  // namespace
}  // namespace SkinUI
