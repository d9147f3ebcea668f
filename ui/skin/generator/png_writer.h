#pragma once
// PNG encoding for the skin images: 8-bit RGBA always (every skin image carries alpha), each row
// with the filter that suits it best and the strongest deflate setting, so the package stays small
// and opens fast.

#include <string>

namespace SkinImages {

// `pixels` is cairo's ARGB32: premultiplied, one native-endian 32-bit word per pixel.
std::string EncodePng(const unsigned char* pixels, int width, int height, int stride);

}  // namespace SkinImages
