// Picture decoder on arbitrary bytes: either a vb::Error or a consistent picture, which the
// bitmap writer must then round-trip exactly.
#include <cstdlib>

#include "platform/base/error.h"
#include "platform/pictures/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vb::Picture picture;
    try {
        picture = vb::decodePicture(std::span<const std::uint8_t>(data, size));
    } catch (const vb::Error& e) {
        if (e.number() != vb::err::InvalidPicture) std::abort();
        return 0;
    }
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
    if (picture.width <= 0 || picture.height <= 0 || picture.width > vb::kMaxPictureSide ||
        picture.height > vb::kMaxPictureSide || pixels > static_cast<std::size_t>(vb::kMaxPicturePixels) ||
        picture.rgb.size() != pixels * 3)
        std::abort();
    if (pixels <= 1'000'000 && vb::decodePicture(vb::encodeBmp24(picture)).rgb != picture.rgb) std::abort();
    return 0;
}
