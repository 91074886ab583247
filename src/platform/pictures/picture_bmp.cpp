// Windows and OS/2 bitmaps: the 12-byte OS/2 header and the 40-byte Windows header with its
// later sizes; 1, 4, 8, 16, 24 and 32 bits per pixel; bit fields; RLE8 and RLE4 compression.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <vector>

#include "platform/pictures/picture_codec.h"

namespace vb::codec {
namespace {

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits whatever the mask's width.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        bits_ = std::bit_width(mask >> shift_);
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (bits_ == 0) return 0;
        std::uint64_t v = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
        return static_cast<std::uint8_t>(v * 255 / ((std::uint64_t{1} << bits_) - 1));
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    int bits_ = 0;
};

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr std::uint32_t kCoreHeader = 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries

using Palette = std::vector<std::array<std::uint8_t, 3>>;

// Run-length coded rows, bottom row first. Pixels the data never reaches stay black, as do
// indices past the palette; runs past the right edge are cut there. The column never counts
// past the edge, so no number of runs can carry it round to a place outside its row.
void decodeRle(std::span<const std::uint8_t> d, bool fourBits, const Palette& palette, Picture& p) {
    const int width = p.width, height = p.height;
    int x = 0, row = 0;
    auto put = [&](unsigned index, int count) {
        const int n = std::min(count, width - x);
        if (n > 0 && row < height && index < palette.size()) {
            std::uint8_t* dst = &p.rgb[(static_cast<std::size_t>(height - 1 - row) * width + x) * 3];
            for (int k = 0; k < n; ++k, dst += 3) std::copy_n(palette[index].data(), 3, dst);
        }
        x = std::min(width, x + count);
    };
    std::size_t i = 0;
    while (i + 1 < d.size() && row < height) {
        const unsigned count = d[i], value = d[i + 1];
        i += 2;
        if (count > 0) {
            if (!fourBits || (value >> 4) == (value & 15)) {
                put(fourBits ? value & 15 : value, static_cast<int>(count));
            } else {
                for (unsigned k = 0; k < count; ++k) put(k % 2 ? value & 15 : value >> 4, 1);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of the row
                x = 0;
                ++row;
                break;
            case 1:  // end of the picture
                return;
            case 2:  // move right and up
                if (i + 1 >= d.size()) return;
                x = std::min(width, x + d[i]);
                row += d[i + 1];
                i += 2;
                break;
            default: {  // `value` indices stored as they are, padded to a 16-bit boundary
                const std::size_t bytes = fourBits ? (value + 1) / 2 : value;
                for (unsigned k = 0; k < value; ++k) {
                    const std::size_t at = i + (fourBits ? k / 2 : k);
                    if (at >= d.size()) return;  // cut short
                    put(fourBits ? (k % 2 ? d[at] & 15 : d[at] >> 4) : d[at], 1);
                }
                i += (bytes + 1) / 2 * 2;
            }
        }
    }
}

}  // namespace

Picture decodeBmp(std::span<const std::uint8_t> b) {
    const std::size_t size = b.size();
    if (size < 26) invalid("bitmap headers cut short");
    const std::uint32_t dataOffset = le32(&b[10]);
    const std::uint32_t headerSize = le32(&b[14]);

    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = kBiRgb, colorsUsed = 0;
    std::size_t entry = 4;  // palette entry: blue, green, red, unused
    if (headerSize == kCoreHeader) {
        width = le16(&b[18]);
        height = le16(&b[20]);
        bitCount = le16(&b[24]);
        entry = 3;
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
            invalid("unsupported bit count");
    } else {
        // The information header in all its later sizes; they share the first 40 bytes.
        if (size < 54) invalid("bitmap headers cut short");
        if (headerSize < 40 || headerSize > size - 14) invalid("unknown bitmap header");
        width = static_cast<std::int32_t>(le32(&b[18]));
        height = static_cast<std::int32_t>(le32(&b[22]));
        bitCount = le16(&b[28]);
        compression = le32(&b[30]);
        colorsUsed = le32(&b[46]);
        // The 64-byte OS/2 header gives compressions 3 and 4 other meanings (Huffman, RLE24).
        if (headerSize == 64 && compression > kBiRle4) invalid("unsupported compression");
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    checkDimensions(width, height);

    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !bitfields && !rle) invalid("unsupported compression");
    if (bitfields && bitCount != 16 && bitCount != 32) invalid("bit fields need 16 or 32 bits");
    if (rle && bitCount != (compression == kBiRle8 ? 8u : 4u))
        invalid("run-length coding of another bit count");
    if (rle && topDown) invalid("run-length coded bitmaps are stored bottom-up");

    std::size_t paletteOffset = 14 + headerSize;
    std::uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (bitCount == 32) red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    if (bitfields) {
        // Both the plain 40-byte header (masks after it) and the larger ones (masks inside
        // them) put the three masks at offset 54.
        if (size < 66) invalid("bitmap masks cut short");
        red = le32(&b[54]);
        green = le32(&b[58]);
        blue = le32(&b[62]);
        if (headerSize == 40) paletteOffset += compression == kBiAlphaBitfields ? 16 : 12;
    }

    Palette palette;
    switch (bitCount) {
        case 1:
        case 4:
        case 8: {
            const std::uint32_t most = 1u << bitCount;
            std::uint32_t count = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
            // Writers that leave the count 0 sometimes store a shorter table; it cannot reach
            // into the pixels.
            if (colorsUsed == 0 && dataOffset >= paletteOffset)
                count = std::min<std::uint32_t>(
                    count, static_cast<std::uint32_t>((dataOffset - paletteOffset) / entry));
            if (paletteOffset > size || (size - paletteOffset) / entry < count) invalid("palette cut short");
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t* e = &b[paletteOffset + i * entry];
                palette.push_back({e[2], e[1], e[0]});
            }
            break;
        }
        case 16:
        case 24:
        case 32:
            break;
        default:
            invalid("unsupported bit count");
    }
    if (dataOffset > size) invalid("pixel data offset past the end");

    // What the header claims must be within reach of the data, before the picture is
    // allocated: a run codes at most 255 pixels in two bytes, so every row takes two bytes per
    // 255 pixels; plain rows are stored whole, and a file cut short still loads while it
    // holds at least a quarter of them.
    const std::size_t present = size - dataOffset;
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitCount + 7) / 8;
    const std::size_t needed =
        rle ? 2 * ((static_cast<std::size_t>(width) + 254) / 255) * static_cast<std::size_t>(height)
            : stride * static_cast<std::size_t>(height) / 4;
    if (present < needed) invalid("the pixel data cannot fill the picture");

    Picture p = blankPicture(static_cast<int>(width), static_cast<int>(height));
    if (rle) {
        decodeRle(b.subspan(dataOffset), compression == kBiRle4, palette, p);
        return p;
    }
    const Channel r(red), g(green), bl(blue);
    for (std::int64_t row = 0; row < height; ++row) {
        const std::size_t start = dataOffset + row * stride;
        if (start > size || size - start < rowBytes) break;  // cut short: the rest stays black
        const std::uint8_t* src = &b[start];
        const std::int64_t y = topDown ? row : height - 1 - row;
        std::uint8_t* dst = &p.rgb[static_cast<std::size_t>(y) * width * 3];
        if (bitCount == 24) {
            // The common case, kept out of the per-pixel switch: BGR to RGB.
            for (std::int64_t x = 0; x < width; ++x, dst += 3, src += 3)
                dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x, dst += 3) {
            switch (bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
                    const unsigned index =
                        (src[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
                    if (index < palette.size()) std::copy_n(palette[index].data(), 3, dst);
                    break;  // an index past the palette leaves the pixel black
                }
                case 16: {
                    const std::uint32_t v = le16(src + x * 2);
                    dst[0] = r(v), dst[1] = g(v), dst[2] = bl(v);
                    break;
                }
                case 32: {
                    const std::uint32_t v = le32(src + x * 4);
                    dst[0] = r(v), dst[1] = g(v), dst[2] = bl(v);
                    break;
                }
            }
        }
    }
    return p;
}

}  // namespace vb::codec
