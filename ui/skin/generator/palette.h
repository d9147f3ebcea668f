#pragma once
// The skin's colours, shared by every image so the windows look of one piece. They match the
// text and background colours the layouts name.

namespace SkinImages {

struct Rgba {
  double r, g, b, a;
};

constexpr Rgba Hex(unsigned rgb, double alpha = 1.0) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

namespace Palette {
inline constexpr Rgba kBlue = Hex(0x1675FE);         // primary action, ticked boxes, the progress fill
inline constexpr Rgba kBlueHot = Hex(0x2F86FF);      // buttons under the pointer
inline constexpr Rgba kBluePushed = Hex(0x0F5FD6);   // buttons held down
inline constexpr Rgba kBlueTint = Hex(0xEAF2FF);     // soft fills behind blue symbols
inline constexpr Rgba kInk = Hex(0x282A43);          // headings
inline constexpr Rgba kInkMuted = Hex(0x606178);     // secondary text, idle title symbols
inline constexpr Rgba kInkFaint = Hex(0x8991AF);     // hints
inline constexpr Rgba kLine = Hex(0xD5DBE7);         // frames
inline constexpr Rgba kTrack = Hex(0xE3E9F3);        // the progress track
inline constexpr Rgba kHover = Hex(0xE3E9F2);        // title buttons under the pointer
inline constexpr Rgba kPressed = Hex(0xD3DBE8);      // title buttons held down
inline constexpr Rgba kWhite = Hex(0xFFFFFF);
inline constexpr Rgba kWarn = Hex(0xFA8C16);         // warnings
inline constexpr Rgba kBubble = Hex(0x3A3F5C, 0.94); // the consent hint
}  // namespace Palette

}  // namespace SkinImages
