#pragma once
// Picture files in the formats that common tools write and our own writer does not: run-length
// coded and OS/2 bitmaps, CMYK and YCCK JPEGs. Written here, independently of the reader.
#include <cstdint>
#include <vector>

#include "platform/base/error.h"
#include "platform/pictures/picture.h"

namespace samples {

using Bytes = std::vector<std::uint8_t>;

// The error number a statement raises, 0 when it returns.
inline int errorOf(auto&& statement) {
    try {
        statement();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

// Palette indices, top row first.
struct Indexed {
    int width = 0, height = 0;
    std::vector<std::uint8_t> index;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
};

// A picture of flat stretches, alternating pairs and noise, so every kind of code appears.
Indexed indexedPattern(int width, int height, int colours);

// RLE8 (bits 8) or RLE4 (bits 4), 40-byte header: runs, absolute stretches and end-of-row codes.
Bytes rleBmp(const Indexed& picture, int bits);

// One colour, RLE8, written without holding the picture: runs of 255 and end-of-row codes.
Bytes flatRle8(int width, int height, std::uint32_t colour);

// The 12-byte OS/2 header: 8 bits with a palette of 3-byte entries, or 24 bits.
Bytes os2Bmp(const Indexed& picture);
Bytes os2Bmp24(const vb::Picture& picture);

// Four-channel JPEG with the inverted values print programs store, CMYK or YCCK.
Bytes printJpeg(int width, int height, bool ycck);

// Every pixel the same colour, 4:2:0, baseline or progressive.
Bytes solidJpeg(int width, int height, bool progressive);

}  // namespace samples
