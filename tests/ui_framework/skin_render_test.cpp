// quorvane-skin-render as a reviewer runs it: the four pages of the main window and every dialog
// come out as PNGs that are not blank and show the skin's pixels where they belong.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/resource.h"
#include "ui/framework/bitmap.h"
#include "ui/framework/resource_package.h"

namespace SkinUI {
namespace {

namespace fs = std::filesystem;

class SkinRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto resource = Platform::FindModuleResource(L"ZIPRES", 147);
    ASSERT_TRUE(resource);
    ASSERT_TRUE(SetPackageFromMemory(resource->first, resource->second));
  }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv-skin-render-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool; the exit code.
  int Render(const std::string& args) {
    const std::string command = std::string(QV_SKIN_RENDER) + " " + args + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  Bitmap Load(const std::string& name) {
    const std::optional<std::string> bytes = Platform::ReadWholeFile(Platform::AnsiToWide((dir_ / name).string()));
    if (!bytes) return {};
    return DecodePng(*bytes).value_or(Bitmap{});
  }
  static Bitmap SkinImage(std::wstring_view name) { return DecodePng(*EntryData(name)).value_or(Bitmap{}); }
  std::string Out(const std::string& name) { return (dir_ / name).string(); }

  fs::path dir_;
};

size_t DistinctColours(const Bitmap& b) { return std::set<uint32_t>(b.pixels.begin(), b.pixels.end()).size(); }

TEST_F(SkinRender, MainWindowPagesShowTheirBackgroundBarAndAnimation) {
  const Bitmap background = SkinImage(L"res/mainWnd/bg1.png");
  const Bitmap fill = SkinImage(L"res/mainWnd/installPrg2.png");
  ASSERT_FALSE(background.Empty());
  std::vector<Bitmap> pages;
  for (int page = 0; page < 4; ++page) {
    const std::string name = "main" + std::to_string(page) + ".png";
    ASSERT_EQ(Render("mainWnd.xml " + Out(name) + " --select mainTabLt=" + std::to_string(page) +
                     " --select installPrg=60 --after 30"),
              0);
    pages.push_back(Load(name));
    const Bitmap& shown = pages.back();
    ASSERT_EQ(shown.width, 600);
    ASSERT_EQ(shown.height, 400);
    EXPECT_GT(DistinctColours(shown), 50u) << "page " << page;
    // Left of the content every page shows its background image.
    EXPECT_EQ(shown.At(20, 150), background.At(20, 150)) << "page " << page;
  }
  // The pages differ from each other.
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_NE(pages[a].pixels, pages[b].pixels) << a << " and " << b;

  // Page 2: the bar (520×8 at 40,344) is filled to 60 % with its fill image at its own scale.
  const Bitmap& progress = pages[2];
  EXPECT_EQ(progress.At(100, 348), fill.At(60, 4));
  EXPECT_EQ(progress.At(350, 348), fill.At(310, 4));
  EXPECT_NE(progress.At(400, 348), fill.At(360, 4)) << "beyond 60 % the bar is not filled";
  // The animation's first frame stands where the background alone would be.
  int changed = 0;
  for (int y = 101; y < 255; ++y)
    for (int x = 222; x < 378; ++x) changed += progress.At(x, y) != background.At(x, y);
  EXPECT_GT(changed, 500);
}

TEST_F(SkinRender, EveryDialogRenders) {
  struct Case { const char* layout; int w, h; } cases[] = {
      {"exitTipWnd.xml", 360, 180}, {"InstalledPathTipWnd.xml", 400, 180}, {"NetworkTipWnd.xml", 360, 180},
      {"MessageBox1Wnd.xml", 360, 180}, {"MessageBox2Wnd.xml", 360, 180}};
  for (const auto& c : cases) {
    ASSERT_EQ(Render(std::string(c.layout) + " " + Out("dialog.png")), 0) << c.layout;
    const Bitmap shown = Load("dialog.png");
    EXPECT_EQ(shown.width, c.w) << c.layout;
    EXPECT_EQ(shown.height, c.h) << c.layout;
    EXPECT_GT(DistinctColours(shown), 20u) << c.layout;
    EXPECT_EQ(shown.At(5, 100), 0xFFFFFFFFu) << c.layout << ": the white body";
  }
}

TEST_F(SkinRender, BadRequestsFailClearly) {
  struct Case { std::string args; int code; } cases[] = {
      {"", 1},
      {"mainWnd.xml", 1},
      {"mainWnd.xml " + Out("x.png") + " --select", 1},
      {"mainWnd.xml " + Out("x.png") + " --select mainTabLt", 1},
      {"mainWnd.xml " + Out("x.png") + " --after soon", 1},
      {"noSuchWnd.xml " + Out("x.png"), 2},
      {"mainWnd.xml " + Out("x.png") + " --select mainTabLt=7", 2},
      {"mainWnd.xml " + Out("x.png") + " --select nothing=1", 2},
      {"mainWnd.xml " + Out("x.png") + " --select progressLb=1", 2},
      {"mainWnd.xml " + Out("x.png") + " --select createDSCb=maybe", 2},
      {"mainWnd.xml /nonexistent-dir/x.png", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(Render(c.args), c.code) << c.args;
  EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

}  // namespace
}  // namespace SkinUI
