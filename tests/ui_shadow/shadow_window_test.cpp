// The drop shadow's companion window on the headless host: the picture it is given is the
// shadow of the owner's shape with the shadow's parameters, placed by offset and size, and it
// follows the owner's moves, sizes, visibility, minimising and destruction.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/codepage.h"
#include "platform/file.h"
#include "ui/drop_shadow.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/window_registry.h"
#include "ui/shadow_render.h"

namespace SkinUI {
namespace {

namespace fs = std::filesystem;

constexpr Size kCorner{4, 4};

// A 60×40 owner with round corners, and a 12×12 shadow image (an opaque 4-pixel ring of
// distinct corner colours around a transparent centre), in a folder of their own.
const std::wstring& OwnerFolder() {
  struct RemovedAtExit {
    fs::path dir;
    ~RemovedAtExit() {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
  };
  static const RemovedAtExit temp{fs::temp_directory_path() / ("qv-shadow-window-" + std::to_string(::getpid()))};
  static const std::wstring folder = [] {
    fs::create_directories(temp.dir);
    Platform::WriteFileAtomically(Platform::AnsiToWide((temp.dir / "owner.xml").string()),
                                  R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="60,40" roundcorner="4,4"><VerticalLayout bkcolor="#FFFFFFFF"/></Window>)");
    Bitmap image(12, 12);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        if (x >= 4 && x < 8 && y >= 4 && y < 8) continue;
        image.At(x, y) = x < 6 ? (y < 6 ? 0xFFFF0000 : 0xFF00FF00) : (y < 6 ? 0xFF0000FF : 0xFFFFFF00);
      }
    Platform::WriteFileAtomically(Platform::AnsiToWide((temp.dir / "shadow.png").string()), EncodePng(image));
    return Platform::AnsiToWide(temp.dir.string());
  }();
  return folder;
}

class Owner : public WindowBase {
 public:
  std::wstring GetWindowClassName() const override { return L"ShadowOwner"; }
  std::wstring GetSkinFolder() override { return OwnerFolder(); }
  std::wstring GetSkinFile() override { return L"owner.xml"; }
  HWND Open(uint32_t style = 0) { return Create(nullptr, L"owner", WS_POPUP | style, 0, 100, 200, CW_USEDEFAULT, CW_USEDEFAULT); }
};

// Shadows are registered once per process; every test needs them on.
void RegisterShadowsOnce() {
  static const bool registered = CDropShadow::RegisterShadowClass();
  ASSERT_TRUE(registered);
}

// The main window's values: size 6, sharpness 10, darkness 20, offset 1,1, colour 0x26003B76.
ShadowParameters Shipped() { return {6, 10, 20, 1, 1, 0x26003B76}; }

void Configure(CDropShadow& shadow, const ShadowParameters& p) {
  ASSERT_TRUE(shadow.SetShadowSize(p.size));
  ASSERT_TRUE(shadow.SetShadowSharpness(p.sharpness));
  ASSERT_TRUE(shadow.SetShadowDarkness(p.darkness));
  ASSERT_TRUE(shadow.SetShadowPosition(p.xOffset, p.yOffset));
  ASSERT_TRUE(shadow.SetShadowColor(p.color));
}

class ShadowWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterShadowsOnce();
    ASSERT_TRUE(owner_.Open());
    shadow_.AttachShadow(owner_);
    Configure(shadow_, Shipped());
    ASSERT_NE(Shadow(), nullptr);
  }

  HWND Shadow() const { return shadow_.GetShadowWindow(); }
  bool OnScreen() const { return host_.IsShownNatively(Shadow()); }
  int Updates() const { return host_.LayeredUpdateCount(Shadow()); }
  // The owner paints (the host asks it for pixels).
  void Paint() { host_.Render(owner_); }
  void ShowAndPaint() {
    owner_.ShowWindow(true, false);
    Paint();
  }

  // What must be on screen for the owner as it is now, with parameters `p`.
  void ExpectShadowOfOwner(const ShadowParameters& p, const char* when) {
    const Rect o = owner_.GetWindowRect();
    const Rect expectedRect{o.left + p.xOffset - p.size, o.top + p.yOffset - p.size, o.right + p.xOffset + p.size,
                            o.bottom + p.yOffset + p.size};
    EXPECT_EQ(host_.NativeRect(Shadow()), expectedRect) << when;
    const Bitmap* picture = host_.LayeredPicture(Shadow());
    ASSERT_NE(picture, nullptr) << when;
    const ShadowBitmap expected = RenderShadow(WindowRegion::RoundRect(o.Width(), o.Height(), kCorner), o.Width(), o.Height(), p);
    ASSERT_EQ(picture->width, expected.width) << when;
    ASSERT_EQ(picture->height, expected.height) << when;
    EXPECT_TRUE(picture->pixels == expected.pixels) << when << ": not the shadow of the owner's shape";
    EXPECT_TRUE(OnScreen()) << when;
  }

  HeadlessHost host_;
  Owner owner_;
  CDropShadow shadow_;
};

TEST_F(ShadowWindowTest, ShownOwnerCastsTheShadowOfItsShapeOnceItPaints) {
  ASSERT_FALSE(CDropShadow::RegisterShadowClass()) << "a second registration";
  EXPECT_EQ(shadow_.GetStatus(), CDropShadow::kEnabled) << "attached to a hidden owner";
  EXPECT_FALSE(OnScreen());
  EXPECT_EQ(Updates(), 0) << "nothing computed for a hidden owner";
  WindowBase* companion = WindowFromHandle(Shadow());
  ASSERT_NE(companion, nullptr);
  EXPECT_EQ(companion->GetWindowClassName(), CDropShadow::kClassName);
  EXPECT_EQ(companion->GetOwner(), owner_.GetHWND());
  EXPECT_EQ(companion->GetWindowLong(GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);

  owner_.ShowWindow(true, true);
  EXPECT_EQ(shadow_.GetStatus(), CDropShadow::kEnabled | CDropShadow::kShadowVisible | CDropShadow::kOwnerVisible);
  EXPECT_FALSE(OnScreen()) << "no picture before the owner's first paint";
  EXPECT_FALSE(companion->HasNativeFocus()) << "the shadow never takes the focus";
  EXPECT_TRUE(owner_.HasNativeFocus());
  Paint();
  ExpectShadowOfOwner(Shipped(), "after the first paint");
  // Hand-checked points of the 72×52 picture: transparent under the owner, the colour's low
  // bytes (red 0x76, green 0x3B) in the fringe, nothing beyond the kernel in the corner.
  const Bitmap& picture = *host_.LayeredPicture(Shadow());
  EXPECT_EQ(picture.At(36, 26), 0u);
  EXPECT_EQ(picture.At(0, 0), 0u);
  const uint32_t fringe = picture.At(36, 50);
  EXPECT_GT(AlphaOf(fringe), 0);
  EXPECT_GT(RedOf(fringe), GreenOf(fringe));
  EXPECT_EQ(BlueOf(fringe), 0);
  Paint();
  EXPECT_EQ(Updates(), 1) << "later paints do not recompute";
}

TEST_F(ShadowWindowTest, FollowsTheOwnersMovesAndSizes) {
  ShowAndPaint();
  ASSERT_EQ(Updates(), 1);

  owner_.MoveWindow(300, 50, 60, 40);
  ExpectShadowOfOwner(Shipped(), "moved");
  EXPECT_EQ(Updates(), 1) << "a plain move only repositions the picture";
  owner_.NativeWindowMoved({310, 70});  // the user dragged it
  ExpectShadowOfOwner(Shipped(), "dragged");

  owner_.MoveWindow(310, 70, 50, 30);
  EXPECT_EQ(Updates(), 2) << "a smaller owner is recomputed at once";
  ExpectShadowOfOwner(Shipped(), "shrunk");

  owner_.MoveWindow(310, 70, 90, 30);
  EXPECT_EQ(Updates(), 2) << "a larger owner waits for its paint";
  Paint();
  EXPECT_EQ(Updates(), 3);
  ExpectShadowOfOwner(Shipped(), "grown, then painted");
}

TEST_F(ShadowWindowTest, HidesWithTheOwnerAndComesBackRecomputed) {
  ShowAndPaint();
  const struct {
    const char* what;
    std::function<void(Owner&)> act;
    bool onScreen;
    bool recomputed;  // without another paint
  } steps[] = {
      {"minimised", [](Owner& o) { o.Minimize(); }, false, false},
      {"restored", [](Owner& o) { o.Restore(); }, true, true},
      {"minimised by the system", [](Owner& o) { o.NativeWindowMinimized(true); }, false, false},
      {"restored by the system", [](Owner& o) { o.NativeWindowMinimized(false); }, true, true},
      {"hidden", [](Owner& o) { o.ShowWindow(false); }, false, false},
      {"moved while hidden", [](Owner& o) { o.MoveWindow(400, 400, 60, 40); }, false, false},
  };
  for (const auto& step : steps) {
    const int before = Updates();
    step.act(owner_);
    EXPECT_EQ(OnScreen(), step.onScreen) << step.what;
    EXPECT_EQ(Updates(), before + (step.recomputed ? 1 : 0)) << step.what;
  }
  // Shown again: recomputed at its next paint, at the place it was moved to meanwhile.
  ShowAndPaint();
  ExpectShadowOfOwner(Shipped(), "shown again");
}

TEST_F(ShadowWindowTest, ParameterChangesRedrawAVisibleShadow) {
  ShowAndPaint();
  ShadowParameters p = Shipped();
  const struct {
    const char* what;
    std::function<bool(CDropShadow&)> set;
    std::function<void(ShadowParameters&)> expect;  // null: refused, nothing redrawn
  } changes[] = {
      {"size 3", [](CDropShadow& s) { return s.SetShadowSize(3); }, [](ShadowParameters& q) { q.size = 3; }},
      {"size -2", [](CDropShadow& s) { return s.SetShadowSize(-2); }, [](ShadowParameters& q) { q.size = -2; }},
      {"sharpness 2", [](CDropShadow& s) { return s.SetShadowSharpness(2); }, [](ShadowParameters& q) { q.sharpness = 2; }},
      {"darkness 200", [](CDropShadow& s) { return s.SetShadowDarkness(200); }, [](ShadowParameters& q) { q.darkness = 200; }},
      {"position -3,4", [](CDropShadow& s) { return s.SetShadowPosition(-3, 4); },
       [](ShadowParameters& q) { q.xOffset = -3, q.yOffset = 4; }},
      {"colour blue", [](CDropShadow& s) { return s.SetShadowColor(0xFF0000); }, [](ShadowParameters& q) { q.color = 0xFF0000; }},
      {"size 25", [](CDropShadow& s) { return s.SetShadowSize(25); }, nullptr},
      {"position 30,0", [](CDropShadow& s) { return s.SetShadowPosition(30, 0); }, nullptr},
  };
  for (const auto& change : changes) {
    const int before = Updates();
    EXPECT_EQ(change.set(shadow_), change.expect != nullptr) << change.what;
    if (change.expect) change.expect(p);
    EXPECT_EQ(Updates(), before + (change.expect ? 1 : 0)) << change.what;
    ExpectShadowOfOwner(p, change.what);
  }
}

TEST_F(ShadowWindowTest, StaysHiddenWhileTheDisplayDoesNotBlend) {
  host_.SetCompositing(false);
  ShowAndPaint();
  EXPECT_FALSE(OnScreen()) << "shown black instead of blended";
  EXPECT_NE(shadow_.GetStatus() & CDropShadow::kShadowVisible, 0) << "the shadow itself still follows its owner";
  host_.SetCompositing(true);
  ExpectShadowOfOwner(Shipped(), "once blending starts");
}

TEST_F(ShadowWindowTest, ImageShadowIsTheNineGridAroundTheOwner) {
  const Rect corner{5, 6, 7, 8};
  ASSERT_FALSE(shadow_.SetShadowImage(L"missing.png", corner, {}));
  ASSERT_TRUE(shadow_.SetShadowImage(L"shadow.png", corner, {-1, -2, -3, -4}));
  ShowAndPaint();
  const Rect o = owner_.GetWindowRect();
  EXPECT_EQ(host_.NativeRect(Shadow()), (Rect{o.left - 5, o.top - 6, o.right + 7, o.bottom + 8}));
  const Bitmap* picture = host_.LayeredPicture(Shadow());
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->width, 60 + 5 + 7);
  ASSERT_EQ(picture->height, 40 + 6 + 8);
  // Grid corners of 4 pixels keep the image's corner colours; the centre stays empty.
  const int w = picture->width, h = picture->height;
  EXPECT_EQ(picture->At(1, 1), 0xFFFF0000u);
  EXPECT_EQ(picture->At(w - 2, 1), 0xFF0000FFu);
  EXPECT_EQ(picture->At(1, h - 2), 0xFF00FF00u);
  EXPECT_EQ(picture->At(w - 2, h - 2), 0xFFFFFF00u);
  EXPECT_EQ(picture->At(w / 2, h / 2), 0u);
  EXPECT_TRUE(OnScreen());
}

TEST(ShadowWindow, AttachedToAVisibleOwnerShowsAtOnceUnlessMinimised) {
  HeadlessHost host;
  RegisterShadowsOnce();
  for (const bool minimised : {false, true}) {
    Owner owner;
    ASSERT_TRUE(owner.Open(WS_VISIBLE));
    if (minimised) owner.Minimize();
    CDropShadow shadow;
    shadow.AttachShadow(owner);
    EXPECT_EQ(shadow.GetStatus(), minimised ? CDropShadow::kEnabled | CDropShadow::kOwnerVisible
                                            : CDropShadow::kEnabled | CDropShadow::kShadowVisible | CDropShadow::kOwnerVisible);
    EXPECT_EQ(host.IsShownNatively(shadow.GetShadowWindow()), !minimised) << minimised;
    EXPECT_EQ(host.LayeredUpdateCount(shadow.GetShadowWindow()), minimised ? 0 : 1);
    const HWND first = shadow.GetShadowWindow();
    shadow.AttachShadow(owner);
    EXPECT_EQ(shadow.GetShadowWindow(), first) << "attached twice";
  }
}

TEST(ShadowWindow, GoesWithItsOwnerAndLeavesNoHookBehind) {
  HeadlessHost host;
  RegisterShadowsOnce();
  {
    // The owner destroyed first: the companion goes with it.
    Owner owner;
    CDropShadow shadow;
    ASSERT_TRUE(owner.Open(WS_VISIBLE));
    shadow.AttachShadow(owner);
    const HWND companion = shadow.GetShadowWindow();
    ASSERT_TRUE(IsWindow(companion));
    owner.DestroyWindow();
    EXPECT_FALSE(IsWindow(companion));
    EXPECT_EQ(shadow.GetShadowWindow(), nullptr);
    EXPECT_TRUE(shadow.SetShadowSize(3)) << "settings still change, nothing to draw on";
  }
  {
    // The shadow object goes first: its window goes, the owner carries on without it.
    Owner owner;
    ASSERT_TRUE(owner.Open(WS_VISIBLE));
    HWND companion = nullptr;
    {
      CDropShadow shadow;
      shadow.AttachShadow(owner);
      companion = shadow.GetShadowWindow();
    }
    EXPECT_FALSE(IsWindow(companion));
    owner.MoveWindow(10, 10, 80, 50);
    owner.ShowWindow(false);
    host.Render(owner);
    owner.DestroyWindow();
  }
}

}  // namespace
}  // namespace SkinUI
