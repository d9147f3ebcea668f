#include "ui/skin/generator/skin_images.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace SkinImages {
namespace {

using namespace Palette;

enum class State { kNormal, kHot, kPushed };
constexpr State kStates[] = {State::kNormal, State::kHot, State::kPushed};

void Line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
}

void StrokeRound(cairo_t* cr, const Rgba& c, double width) {
  SetColour(cr, c);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

// --- Title-bar buttons ---------------------------------------------------------------------

// A soft square behind a title symbol while the pointer is over it or it is held.
void TitleButtonBack(cairo_t* cr, State s, const Rgba& hot, const Rgba& pushed) {
  if (s == State::kNormal) return;
  RoundedRect(cr, 1, 1, 22, 22, 4);
  SetColour(cr, s == State::kHot ? hot : pushed);
  cairo_fill(cr);
}

void CloseSymbol(Canvas& c, State s, const Rgba& idle, double half) {
  cairo_t* cr = c.cr();
  Line(cr, 12 - half, 12 - half, 12 + half, 12 + half);
  Line(cr, 12 + half, 12 - half, 12 - half, 12 + half);
  StrokeRound(cr, s == State::kNormal ? idle : kInk, 1.6);
}

void MainCloseButton(Canvas& c, State s) {
  TitleButtonBack(c.cr(), s, kHover, kPressed);
  CloseSymbol(c, s, kInkMuted, 4.5);
}

void DialogCloseButton(Canvas& c, State s) {
  TitleButtonBack(c.cr(), s, Hex(0xE6EAF0), Hex(0xD8DDE6));
  CloseSymbol(c, s, kInkFaint, 4);
}

void MinimiseButton(Canvas& c, State s) {
  cairo_t* cr = c.cr();
  TitleButtonBack(cr, s, kHover, kPressed);
  Line(cr, 7, 12.5, 17, 12.5);
  StrokeRound(cr, s == State::kNormal ? kInkMuted : kInk, 1.6);
}

// --- Dialog icons --------------------------------------------------------------------------

void Disc(cairo_t* cr, double cx, double cy, double r, const Rgba& top, const Rgba& bottom) {
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  SetVerticalGradient(cr, cy - r, cy + r, top, bottom);
  cairo_fill(cr);
}

void QuestionIcon(Canvas& c) {
  Disc(c.cr(), 20, 20, 19, Hex(0x4C97FF), kBlue);
  DrawText(c.cr(), "?", 0, 0, 40, 40, {26, true, kWhite});
}

void WarningIcon(Canvas& c) {
  Disc(c.cr(), 20, 20, 19, Hex(0xFFAA45), kWarn);
  DrawText(c.cr(), "!", 0, 0, 40, 40, {26, true, kWhite});
}

void NetworkIcon(Canvas& c) {
  cairo_t* cr = c.cr();
  Disc(cr, 20, 20, 19, kBlueTint, Hex(0xDCE9FF));
  // Three arcs over a dot: the usual sign for a wireless connection.
  for (int i = 0; i < 3; ++i) {
    const double r = 5.5 + 5.5 * i;
    cairo_new_sub_path(cr);
    cairo_arc(cr, 19, 28, r, M_PI * 1.25, M_PI * 1.75);
    StrokeRound(cr, kBlue, 2.6);
  }
  cairo_arc(cr, 19, 28, 2.3, 0, 2 * M_PI);
  SetColour(cr, kBlue);
  cairo_fill(cr);
  // A warning badge: the connection is poor.
  cairo_arc(cr, 30.5, 30.5, 7.5, 0, 2 * M_PI);
  SetColour(cr, kWhite);
  cairo_fill(cr);
  cairo_arc(cr, 30.5, 30.5, 6.2, 0, 2 * M_PI);
  SetColour(cr, kWarn);
  cairo_fill(cr);
  DrawText(cr, "!", 24.5, 24.5, 12, 12, {11, true, kWhite});
}

// --- Main window ---------------------------------------------------------------------------

// The shapes laid over the background gradient, each in the primary blue at a low opacity.
struct Overlay {
  double alpha;
  std::function<void(cairo_t*)> path;
};

std::vector<Overlay> BackgroundOverlays() {
  auto circle = [](double cx, double cy, double r) {
    return [=](cairo_t* cr) { cairo_arc(cr, cx, cy, r, 0, 2 * M_PI); };
  };
  return {
      {0.045, circle(575, -30, 170)},
      {0.035, circle(640, 150, 120)},
      {0.035, circle(-70, 440, 170)},
      {0.05,
       [](cairo_t* cr) {  // a low wave along the bottom edge
         cairo_move_to(cr, 0, 372);
         cairo_curve_to(cr, 150, 345, 300, 395, 450, 365);
         cairo_curve_to(cr, 520, 352, 570, 356, 600, 362);
         cairo_line_to(cr, 600, 400);
         cairo_line_to(cr, 0, 400);
         cairo_close_path(cr);
       }},
  };
}

// A coverage mask of `path` at the canvas size, one byte per pixel.
std::vector<unsigned char> CoverageMask(int w, int h, const std::function<void(cairo_t*)>& path) {
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* cr = cairo_create(mask);
  path(cr);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  const unsigned char* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  std::vector<unsigned char> coverage(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) std::copy(data + y * stride, data + y * stride + w, coverage.begin() + y * w);
  cairo_surface_destroy(mask);
  return coverage;
}

// A gentle gradient spans fewer than twenty levels per channel over the window's height, which
// shows as bands; the colour is therefore worked out in full precision and dithered once when it
// is stored. The shapes' edges come from cairo as coverage masks. The corners are softened to
// match the window's rounded region.
void Background(Canvas& c) {
  const int w = c.width(), h = c.height();
  std::vector<std::vector<unsigned char>> masks;
  std::vector<double> alphas;
  for (const Overlay& o : BackgroundOverlays()) {
    masks.push_back(CoverageMask(w, h, o.path));
    alphas.push_back(o.alpha);
  }
  const std::vector<unsigned char> shape =
      CoverageMask(w, h, [w, h](cairo_t* cr) { RoundedRect(cr, 0, 0, w, h, 2.5); });

  const Rgba top = kWhite, bottom = Hex(0xEDF3FD), tint = kBlue;
  cairo_surface_t* surface = c.surface();
  cairo_surface_flush(surface);
  unsigned char* out = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  // An ordered (Bayer) threshold: it hides the bands as well as noise would, and its regular
  // pattern costs next to nothing once compressed.
  auto dither = [](int x, int y) {
    static constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                         {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                         {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                         {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    return (kBayer[y & 7][x & 7] + 0.5) / 64.0 - 0.5;
  };
  for (int y = 0; y < h; ++y) {
    const double t = static_cast<double>(y) / (h - 1);
    for (int x = 0; x < w; ++x) {
      double rgb[3] = {top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t};
      for (size_t k = 0; k < masks.size(); ++k) {
        const double a = alphas[k] * masks[k][static_cast<size_t>(y) * w + x] / 255.0;
        rgb[0] += (tint.r - rgb[0]) * a;
        rgb[1] += (tint.g - rgb[1]) * a;
        rgb[2] += (tint.b - rgb[2]) * a;
      }
      // Premultiplied, as cairo stores it.
      const uint32_t alpha = shape[static_cast<size_t>(y) * w + x];
      uint32_t pixel = alpha << 24;
      for (int ch = 0; ch < 3; ++ch) {
        const long level = std::clamp(std::lround(rgb[ch] * 255 + dither(x, y)), 0L, 255L);
        pixel |= static_cast<uint32_t>((level * alpha + 127) / 255) << (16 - 8 * ch);
      }
      std::memcpy(out + y * stride + x * 4, &pixel, 4);
    }
  }
  cairo_surface_mark_dirty(surface);
}

void Logo(Canvas& c) {
  cairo_t* cr = c.cr();
  // The mark and the name are centred together, so the logo sits in the middle of its page.
  const TextStyle name{31, true, kInk, Align::kLeft};
  const double mark = 46, gap = 12;
  const double left = std::round((c.width() - (mark + gap + TextWidth(cr, "Quorvane", name))) / 2);
  const double top = (c.height() - mark) / 2;
  RoundedRect(cr, left, top, mark, mark, 12);
  SetVerticalGradient(cr, top, top + mark, Hex(0x4C97FF), Hex(0x1363E8));
  cairo_fill(cr);
  // The mark: a ring with a tail, the product's initial.
  const double cx = left + 23, cy = top + 22;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, 10.5, 0, 2 * M_PI);
  StrokeRound(cr, kWhite, 4.2);
  Line(cr, cx + 4.5, cy + 4.5, cx + 11, cy + 11);
  StrokeRound(cr, kWhite, 4.2);
  DrawText(cr, "Quorvane", left + mark + gap, 0, c.width(), c.height(), name);
}

// A filled action button with its caption, as the main window's large buttons are.
void ActionButton(Canvas& c, State s, const char* caption) {
  cairo_t* cr = c.cr();
  const Rgba top = s == State::kNormal ? Hex(0x3589FF) : s == State::kHot ? Hex(0x559CFF) : Hex(0x1668E6);
  const Rgba bottom = s == State::kNormal ? kBlue : s == State::kHot ? kBlueHot : kBluePushed;
  RoundedRect(cr, 0, 0, c.width(), c.height(), 6);
  SetVerticalGradient(cr, 0, c.height(), top, bottom);
  cairo_fill(cr);
  const double shift = s == State::kPushed ? 1 : 0;
  DrawText(cr, caption, 0, shift, c.width(), c.height(), {19, true, kWhite});
}

// An outlined secondary button with its caption.
void OutlineButton(Canvas& c, State s, const char* caption) {
  cairo_t* cr = c.cr();
  RoundedRect(cr, 0.5, 0.5, c.width() - 1, c.height() - 1, 4);
  SetColour(cr, s == State::kNormal ? kWhite : s == State::kHot ? Hex(0xF2F7FF) : Hex(0xE1ECFF));
  cairo_fill_preserve(cr);
  SetColour(cr, s == State::kNormal ? Hex(0xC3CEE0) : kBlue);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  DrawText(cr, caption, 0, 0, c.width(), c.height(), {14, false, s == State::kPushed ? kBluePushed : kBlue});
}

void BackButton(Canvas& c, State s) {
  cairo_t* cr = c.cr();
  if (s == State::kPushed) {
    RoundedRect(cr, 0, 0, c.width(), c.height(), 4);
    SetColour(cr, kBlueTint);
    cairo_fill(cr);
  }
  const Rgba ink = s == State::kNormal ? kInkMuted : s == State::kHot ? kBlue : kBluePushed;
  cairo_move_to(cr, 15, 9);
  cairo_line_to(cr, 9, 15);
  cairo_line_to(cr, 15, 21);
  StrokeRound(cr, ink, 1.8);
  DrawText(cr, "返回", 20, 0, 40, c.height(), {14, false, ink, Align::kLeft});
}

void LinkArrow(Canvas& c, State s) {
  cairo_t* cr = c.cr();
  cairo_move_to(cr, 6, 4);
  cairo_line_to(cr, 10, 8);
  cairo_line_to(cr, 6, 12);
  StrokeRound(cr, s == State::kNormal ? kInkMuted : kInk, 1.6);
}

void CheckBox(Canvas& c, bool ticked) {
  cairo_t* cr = c.cr();
  RoundedRect(cr, 1.5, 1, 12, 12, 2.5);
  if (ticked) {
    SetColour(cr, kBlue);
    cairo_fill(cr);
    cairo_move_to(cr, 4.5, 7.2);
    cairo_line_to(cr, 6.8, 9.4);
    cairo_line_to(cr, 10.8, 4.8);
    StrokeRound(cr, kWhite, 1.6);
  } else {
    SetColour(cr, kWhite);
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xB4BDD0));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
}

void EditFrame(Canvas& c) {
  cairo_t* cr = c.cr();
  RoundedRect(cr, 0.5, 0.5, c.width() - 1, c.height() - 1, 4);
  SetColour(cr, kWhite);
  cairo_fill_preserve(cr);
  SetColour(cr, kLine);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void ProgressTrack(Canvas& c) {
  RoundedRect(c.cr(), 0, 0, c.width(), c.height(), c.height() / 2.0);
  SetColour(c.cr(), kTrack);
  cairo_fill(c.cr());
}

void ProgressFill(Canvas& c) {
  cairo_t* cr = c.cr();
  RoundedRect(cr, 0, 0, c.width(), c.height(), c.height() / 2.0);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, c.width(), 0);
  cairo_pattern_add_color_stop_rgb(p, 0, 0x5A / 255.0, 0xA8 / 255.0, 1.0);
  cairo_pattern_add_color_stop_rgb(p, 1, kBlue.r, kBlue.g, kBlue.b);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// The hint above the consent box: a dark bubble pointing down at it.
void ConsentHint(Canvas& c) {
  cairo_t* cr = c.cr();
  const double body = 29;
  RoundedRect(cr, 0, 0, c.width(), body, 4);
  cairo_move_to(cr, 16, body - 0.5);
  cairo_line_to(cr, 22, c.height() - 0.5);
  cairo_line_to(cr, 28, body - 0.5);
  cairo_close_path(cr);
  SetColour(cr, kBubble);
  cairo_fill(cr);
  DrawText(cr, "请阅读后勾选同意", 0, 0, c.width(), body, {12.5, false, kWhite});
}

void FinishedSymbol(Canvas& c) {
  cairo_t* cr = c.cr();
  cairo_arc(cr, 40, 40, 39, 0, 2 * M_PI);
  SetColour(cr, kBlueTint);
  cairo_fill(cr);
  Disc(cr, 40, 40, 30, Hex(0x4C97FF), kBlue);
  cairo_move_to(cr, 27, 41);
  cairo_line_to(cr, 36, 50);
  cairo_line_to(cr, 54, 31);
  StrokeRound(cr, kWhite, 5);
}

// One frame of the progress animation: an arc with a fading tail runs once round a track per
// cycle while the download arrow in the middle bobs twice.
void AnimationFrame(Canvas& c, int frame) {
  cairo_t* cr = c.cr();
  const double cx = c.width() / 2.0, cy = c.height() / 2.0, r = 60;
  const double phase = static_cast<double>(frame) / kAnimationFrames;

  cairo_arc(cr, cx, cy, 44, 0, 2 * M_PI);
  SetColour(cr, kBlueTint);
  cairo_fill(cr);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  SetColour(cr, Hex(0xE2EBFA));
  cairo_set_line_width(cr, 7);
  cairo_stroke(cr);

  const double head = -M_PI / 2 + 2 * M_PI * phase;
  const double tail = 2.1;
  const int steps = 28;
  cairo_set_line_width(cr, 7);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  for (int i = 0; i < steps; ++i) {
    const double a0 = head - tail + tail * i / steps;
    const double a1 = head - tail + tail * (i + 1) / steps + 0.01;
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, a0, a1);
    SetColour(cr, Hex(0x1675FE, std::pow(static_cast<double>(i + 1) / steps, 1.6)));
    cairo_stroke(cr);
  }
  cairo_arc(cr, cx + r * std::cos(head), cy + r * std::sin(head), 5.5, 0, 2 * M_PI);
  SetColour(cr, kBlue);
  cairo_fill(cr);

  const double bob = 4 * std::sin(2 * 2 * M_PI * phase);
  Line(cr, cx, cy - 20 + bob, cx, cy + 8 + bob);
  cairo_move_to(cr, cx - 10, cy - 2 + bob);
  cairo_line_to(cr, cx, cy + 8 + bob);
  cairo_line_to(cr, cx + 10, cy - 2 + bob);
  StrokeRound(cr, kBlue, 4.5);
  cairo_move_to(cr, cx - 17, cy + 10);
  cairo_line_to(cr, cx - 17, cy + 19);
  cairo_line_to(cr, cx + 17, cy + 19);
  cairo_line_to(cr, cx + 17, cy + 10);
  StrokeRound(cr, kBlue, 4);
}

void AddStates(std::vector<SkinImage>& out, const std::string& stem, int w, int h,
               std::function<void(Canvas&, State)> draw) {
  int n = 1;
  for (State s : kStates) {
    out.push_back({stem + std::to_string(n++) + ".png", w, h, [draw, s](Canvas& c) { draw(c, s); }});
  }
}

}  // namespace

std::vector<SkinImage> Catalogue() {
  std::vector<SkinImage> out;
  AddStates(out, "res/common/closebtn", 24, 24, MainCloseButton);
  AddStates(out, "res/common/closebtnM_", 24, 24, DialogCloseButton);
  AddStates(out, "res/common/minbtn", 24, 24, MinimiseButton);

  out.push_back({"res/MessageBoxWnd/icoNetwork.png", 40, 40, NetworkIcon});
  out.push_back({"res/MessageBoxWnd/icoQuest.png", 40, 40, QuestionIcon});
  out.push_back({"res/MessageBoxWnd/icoWarn.png", 40, 40, WarningIcon});

  for (int i = 1; i <= 4; ++i) out.push_back({"res/mainWnd/bg" + std::to_string(i) + ".png", 600, 400, Background});
  out.push_back({"res/mainWnd/logo.png", 230, 58, Logo});
  AddStates(out, "res/mainWnd/installBtn", 200, 46, [](Canvas& c, State s) { ActionButton(c, s, "立即安装"); });
  AddStates(out, "res/mainWnd/experienceBtn", 200, 46, [](Canvas& c, State s) { ActionButton(c, s, "立即体验"); });
  AddStates(out, "res/mainWnd/chDirBtn", 81, 36, [](Canvas& c, State s) { OutlineButton(c, s, "修改"); });
  AddStates(out, "res/mainWnd/backBtn", 64, 30, BackButton);
  out.push_back({"res/mainWnd/customeBtn1.png", 16, 16, [](Canvas& c) { LinkArrow(c, State::kNormal); }});
  out.push_back({"res/mainWnd/customeBtn2.png", 16, 16, [](Canvas& c) { LinkArrow(c, State::kHot); }});
  out.push_back({"res/mainWnd/Cb1.png", 15, 14, [](Canvas& c) { CheckBox(c, false); }});
  out.push_back({"res/mainWnd/Cb2.png", 15, 14, [](Canvas& c) { CheckBox(c, true); }});
  out.push_back({"res/mainWnd/installDirEdit.png", 340, 36, EditFrame});
  out.push_back({"res/mainWnd/installPrg1.png", 410, 8, ProgressTrack});
  out.push_back({"res/mainWnd/installPrg2.png", 520, 8, ProgressFill});
  out.push_back({"res/mainWnd/tipLbl.png", 120, 36, ConsentHint});
  out.push_back({"res/mainWnd/finished.png", 80, 80, FinishedSymbol});

  for (int i = 0; i < kAnimationFrames; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", i);
    out.push_back({name, 156, 154, [i](Canvas& c) { AnimationFrame(c, i); }});
  }
  return out;
}

}  // namespace SkinImages
