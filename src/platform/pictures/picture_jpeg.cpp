// JPEG through libturbojpeg: three-channel files straight to RGB; four-channel (print) files,
// CMYK or YCCK, through CMYK. Those are stored inverted, as print programs write them, so
// full ink is 0: red = (255 - cyan) * (255 - black) / 255 with the stored values.
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>

#include "platform/pictures/picture_codec.h"

namespace vb::codec {
namespace {

std::uint32_t be16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }

// What the markers say about the coded data, read before the codec allocates anything.
struct Layout {
    bool frame = false;
    bool arithmetic = false;
    std::uint64_t blocks = 0;      // 8 x 8 blocks of all components together
    std::uint64_t codedBytes = 0;  // entropy-coded bytes of all scans
};

bool isFrameMarker(std::uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

Layout readLayout(std::span<const std::uint8_t> b) {
    Layout l;
    const std::size_t n = b.size();
    std::size_t i = 2;
    while (i + 1 < n) {
        if (b[i] != 0xFF || b[i + 1] == 0xFF) {  // stray bytes and fill bytes between segments
            ++i;
            continue;
        }
        const std::uint8_t m = b[i + 1];
        if (m == 0xD9) break;  // end of the picture
        if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 4 > n) break;
        const std::size_t length = be16(&b[i + 2]);
        if (length < 2) break;
        const std::uint8_t* s = &b[i + 4];
        if (isFrameMarker(m) && !l.frame && i + 2 + length <= n && length >= 8) {
            const std::uint64_t height = be16(s + 1), width = be16(s + 3);
            const unsigned count = s[5];
            if (length >= 8 + 3 * count && count > 0) {
                unsigned hMax = 1, vMax = 1;
                bool sane = true;
                for (unsigned c = 0; c < count; ++c) {
                    const unsigned h = s[7 + 3 * c] >> 4, v = s[7 + 3 * c] & 15;
                    sane = sane && h >= 1 && v >= 1;
                    hMax = std::max(hMax, h), vMax = std::max(vMax, v);
                }
                for (unsigned c = 0; sane && c < count; ++c) {
                    const unsigned h = s[7 + 3 * c] >> 4, v = s[7 + 3 * c] & 15;
                    const std::uint64_t w = (width * h + hMax - 1) / hMax, ht = (height * v + vMax - 1) / vMax;
                    l.blocks += (w + 7) / 8 * ((ht + 7) / 8);
                }
                l.frame = true;
                l.arithmetic = m >= 0xC8;
            }
        }
        i += 2 + length;
        if (m != 0xDA) continue;
        // The scan's coded data runs to the next marker that is neither a stuffed FF 00 nor a
        // restart marker.
        while (i < n) {
            const void* ff = std::memchr(&b[i], 0xFF, n - i);
            const std::size_t at = ff ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - b.data()) : n;
            l.codedBytes += at - i;
            i = at;
            if (i + 1 >= n) break;
            const std::uint8_t next = b[i + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                l.codedBytes += 2;
                i += 2;
                continue;
            }
            break;
        }
    }
    return l;
}

}  // namespace

Picture decodeJpeg(std::span<const std::uint8_t> b) {
    TjHandle tj(tjInitDecompress());
    int width = 0, height = 0, subsamp = -2, colorspace = 0;
    // This codec version refuses a file whose sampling layout has no name of its own
    // (subsampling -1), although it decodes such files; the sizes are read by then.
    if (tjDecompressHeader3(tj.h, b.data(), b.size(), &width, &height, &subsamp, &colorspace) != 0 &&
        subsamp != -1)
        invalid(tjGetErrorStr2(tj.h));
    checkDimensions(width, height);

    // Huffman coding spends at least one bit on every block (its DC code), so data shorter
    // than that cannot be the picture the frame header claims, only a header lying about it.
    // Arithmetic coding has no such floor: there only the size limits apply.
    const Layout layout = readLayout(b);
    if (layout.frame && !layout.arithmetic && layout.codedBytes * 8 < layout.blocks)
        invalid("the coded data cannot fill the picture");

    // A progressive file with thousands of tiny scans costs minutes to decode; real ones have
    // a dozen, so the scan limit only stops hostile files. Warnings (a file cut short, stray
    // bytes between segments) still leave a whole picture; only an error makes it unusable.
    const bool print = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    Picture p = blankPicture(width, height);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (print) {
        try {
            p.rgb.resize(pixels * 4);  // decoded as CMYK, then turned into RGB in place
        } catch (const std::bad_alloc&) {
            invalid("out of memory");
        }
    }
    if (tjDecompress2(tj.h, b.data(), b.size(), p.rgb.data(), width, 0, height, print ? TJPF_CMYK : TJPF_RGB,
                      TJFLAG_LIMITSCANS) != 0 &&
        tjGetErrorCode(tj.h) != TJERR_WARNING)
        invalid(tjGetErrorStr2(tj.h));
    if (print) {
        std::uint8_t* px = p.rgb.data();
        // Pixel i is read from 4i before 3i is written, and 3i + 2 < 4 (i + 1): nothing
        // unread is overwritten.
        for (std::size_t i = 0; i < pixels; ++i) {
            const unsigned c = px[4 * i], m = px[4 * i + 1], y = px[4 * i + 2], k = px[4 * i + 3];
            px[3 * i] = static_cast<std::uint8_t>((c * k + 127) / 255);
            px[3 * i + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
            px[3 * i + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
        }
        p.rgb.resize(pixels * 3);
    }
    return p;
}

}  // namespace vb::codec
