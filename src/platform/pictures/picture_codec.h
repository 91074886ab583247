#pragma once
// Inside the picture reader: the pieces its format readers share. Not for use elsewhere.
#include <turbojpeg.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/pictures/picture.h"

namespace vb::codec {

[[noreturn]] void invalid(const std::string& why);

// Checked in 64 bits, before any multiplication of header values can overflow an int.
void checkDimensions(std::int64_t width, std::int64_t height);

// Every pixel black. A failed allocation is an invalid picture, like any other that cannot be
// loaded.
Picture blankPicture(int width, int height);

inline std::uint32_t le16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
inline std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct TjHandle {
    tjhandle h;
    explicit TjHandle(tjhandle handle) : h(handle) {
        if (!h) invalid("JPEG codec unavailable");
    }
    ~TjHandle() { tjDestroy(h); }
    TjHandle(const TjHandle&) = delete;
    TjHandle& operator=(const TjHandle&) = delete;
};

Picture decodeBmp(std::span<const std::uint8_t> bytes);
Picture decodeJpeg(std::span<const std::uint8_t> bytes);
Picture decodeGif(std::span<const std::uint8_t> bytes);

}  // namespace vb::codec
