#pragma once
// Pictures and picture files for tests, benchmarks and the asset tool: a deterministic
// gradient and encoders the program itself never needs (it only writes bitmaps).
#include <cstdint>
#include <vector>

#include "platform/pictures/picture.h"

namespace vb {

Picture makeTestPicture(int width, int height);  // deterministic gradient, no flat areas
std::vector<std::uint8_t> encodeJpeg(const Picture& picture, int quality = 90);
std::vector<std::uint8_t> encodeGif(const Picture& picture);  // 6x6x6 colour cube, one frame

}  // namespace vb
