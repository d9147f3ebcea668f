#pragma once
// Every image of the skin: where it goes in the package, its size, and how it is drawn.

#include <functional>
#include <string>
#include <vector>

#include "ui/skin/generator/canvas.h"

namespace SkinImages {

struct SkinImage {
  std::string path;  // relative to the package root, "/" as the separator
  int width;
  int height;
  std::function<void(Canvas&)> draw;
};

// The catalogue, in package order.
std::vector<SkinImage> Catalogue();

// Frames of the progress animation ("installBtnAnimate/000.png" onwards), one full turn per cycle.
inline constexpr int kAnimationFrames = 59;

}  // namespace SkinImages
