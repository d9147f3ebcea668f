// Refusals that need a machine of their own: too little free space on the target's volume (a
// small tmpfs in a mount namespace) and no connectivity with the network check on (an empty
// network namespace). The test program runs itself again inside the namespace; the inner run
// does the checking, the outer one only reports its outcome.

#include <sys/wait.h>

#include <cstdlib>

#include "ui/framework/button.h"
#include "ui/framework/edit.h"
#include "window_fixture.h"

namespace WindowTest {
namespace {

constexpr char kInnerRun[] = "QV_WINDOW_INNER_RUN";

std::string SelfProgram() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// Runs this test again as `wrapper` + the program, with the inner-run marker set; the exit status.
int RunInside(const std::string& wrapper, const std::string& testName) {
  const std::string command = std::string(kInnerRun) + "=1 " + wrapper + " '" + SelfProgram() +
                              "' --gtest_filter=" + testName + " >inner-" + testName.substr(testName.find('.') + 1) +
                              ".log 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool Inner() { return std::getenv(kInnerRun) != nullptr; }

class RefusalTest : public MainWindowTest {
 protected:
  void SetUp() override {
    if (Inner()) MainWindowTest::SetUp();
  }
  void TearDown() override {
    if (Inner()) MainWindowTest::TearDown();
  }
  void ExpectRefusedWith(const std::wstring& folder, const std::wstring& expectedText) {
    CMainWnd& w = Open();
    ASSERT_TRUE(host_.Click(w, L"customeBtn"));
    w.GetPaintManager().FindControl<SkinUI::CEditUI>(L"installDirEdit")->SetText(folder);
    std::wstring text;
    AnswerNextBox(L"MessageBox2Wnd", L"closebtn", &text);
    ASSERT_TRUE(host_.Click(w, L"customeInstallBtn"));
    ASSERT_TRUE(WaitUntil([&] { return !text.empty(); }, std::chrono::seconds(10)));
    EXPECT_EQ(text, expectedText);
    EXPECT_EQ(w.CurrentPage(), SkinUI::kPageCustom);
    EXPECT_TRUE(w.GetPaintManager().FindControl(L"customeInstallBtn")->IsEnabled());
  }
  using CMainWnd = SkinUI::CMainWnd;
};

TEST_F(RefusalTest, LessThanAGigabyteFreeIsRefusedWithTheLowSpaceText) {
  if (!Inner()) {
    if (std::system("unshare --mount true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mount namespaces here";
    TestSupport::TempDir small("qv-small-volume");
    const std::string wrapper = "unshare --mount sh -c 'mount -t tmpfs -o size=64m tmpfs " + small.path().string() +
                                " && QV_SMALL_VOLUME=" + small.path().string() + " exec \"$0\" \"$@\"'";
    EXPECT_EQ(RunInside(wrapper, "RefusalTest.LessThanAGigabyteFreeIsRefusedWithTheLowSpaceText"), 0)
        << "see inner-LessThanAGigabyteFreeIsRefusedWithTheLowSpaceText.log";
    return;
  }
  const char* volume = std::getenv("QV_SMALL_VOLUME");
  ASSERT_NE(volume, nullptr);
  // Settings().Language is 0: the English text of the shipped language file.
  ExpectRefusedWith(Platform::Utf8ToWide(volume) + L"/apps", L"Not enough free disk space. Please choose another folder.");
  EXPECT_TRUE(server_->RequestLog().empty());
}

TEST_F(RefusalTest, NoConnectivityWithTheCheckOnIsRefused) {
  if (!Inner()) {
    if (std::system("unshare --net true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no network namespaces here";
    EXPECT_EQ(RunInside("unshare --net sh -c 'ip link set lo up && exec \"$0\" \"$@\"'", "RefusalTest.NoConnectivityWithTheCheckOnIsRefused"), 0)
        << "see inner-NoConnectivityWithTheCheckOnIsRefused.log";
    return;
  }
  Settings().IsCheckNet = true;
  ExpectRefusedWith(Scratch("apps"), SkinUI::kNoNetworkText);
}

}  // namespace
}  // namespace WindowTest
