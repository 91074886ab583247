#include "picture_samples.h"

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>

namespace samples {
namespace {

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// File header and the 40-byte information header; the palette follows at 54.
Bytes windowsHeaders(const Indexed& p, int bits, std::uint32_t compression) {
    Bytes b(54);
    b[0] = 'B', b[1] = 'M';
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(p.width));
    put32(b, 22, static_cast<std::uint32_t>(p.height));
    put16(b, 26, 1);
    put16(b, 28, static_cast<std::uint32_t>(bits));
    put32(b, 30, compression);
    put32(b, 46, static_cast<std::uint32_t>(p.palette.size()));
    for (std::uint32_t c : p.palette) b.insert(b.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 0});
    put32(b, 10, static_cast<std::uint32_t>(b.size()));
    return b;
}

void finish(Bytes& b) { put32(b, 2, static_cast<std::uint32_t>(b.size())); }

}  // namespace

Indexed indexedPattern(int width, int height, int colours) {
    Indexed p{width, height, {}, {}};
    for (int i = 0; i < colours; ++i)
        p.palette.push_back(static_cast<std::uint32_t>((i * 73 % 256) << 16 | (i * 151 % 256) << 8 | (255 - i * 29 % 256)));
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245 + 12345;
            int v;
            if (x < width / 3) v = (y / 3) % colours;                 // flat stretches
            else if (x < 2 * width / 3) v = (x % 2 ? 1 : y) % colours;  // alternating pairs
            else v = static_cast<int>(noise >> 16) % colours;          // noise
            p.index.push_back(static_cast<std::uint8_t>(v));
        }
    }
    return p;
}

Bytes rleBmp(const Indexed& p, int bits) {
    Bytes b = windowsHeaders(p, bits, bits == 8 ? 1 : 2);
    const std::size_t dataStart = b.size();
    const bool four = bits == 4;
    for (int row = p.height - 1; row >= 0; --row) {
        const std::uint8_t* px = &p.index[static_cast<std::size_t>(row) * p.width];
        const int w = p.width;
        int x = 0;
        // Length of the run at x: equal pixels for RLE8, an alternating pair for RLE4.
        auto runAt = [&](int at) {
            const int step = four ? 2 : 1;
            int n = std::min(step, w - at);
            while (at + n < w && n < 255 && px[at + n] == px[at + n - step]) ++n;
            return n;
        };
        while (x < w) {
            const int run = runAt(x);
            if (run >= 3 || w - x < 3) {
                const int n = std::min(run, w - x);
                const std::uint8_t value = four ? static_cast<std::uint8_t>(px[x] << 4 | (n > 1 ? px[x + 1] : 0)) : px[x];
                b.insert(b.end(), {static_cast<std::uint8_t>(n), value});
                x += n;
                continue;
            }
            // Absolute stretch up to the next run of three or more.
            int n = 0;
            while (x + n < w && n < 255 && (n < 3 || runAt(x + n) < 3)) ++n;
            b.insert(b.end(), {0, static_cast<std::uint8_t>(n)});
            Bytes stored;
            for (int k = 0; k < n; ++k) {
                if (!four) stored.push_back(px[x + k]);
                else if (k % 2 == 0) stored.push_back(static_cast<std::uint8_t>(px[x + k] << 4));
                else stored.back() |= px[x + k];
            }
            if (stored.size() % 2) stored.push_back(0);
            b.insert(b.end(), stored.begin(), stored.end());
            x += n;
        }
        b.insert(b.end(), {0, static_cast<std::uint8_t>(row == 0 ? 1 : 0)});  // end of row / picture
    }
    put32(b, 34, static_cast<std::uint32_t>(b.size() - dataStart));
    finish(b);
    return b;
}

Bytes flatRle8(int width, int height, std::uint32_t colour) {
    Bytes b = windowsHeaders(Indexed{width, height, {}, {colour}}, 8, 1);
    Bytes row;
    for (int x = 0; x < width; x += 255) row.insert(row.end(), {static_cast<std::uint8_t>(std::min(255, width - x)), 0});
    row.insert(row.end(), {0, 0});
    b.reserve(b.size() + row.size() * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) b.insert(b.end(), row.begin(), row.end());
    finish(b);
    return b;
}

Bytes os2Bmp(const Indexed& p) {
    Bytes b(26);
    b[0] = 'B', b[1] = 'M';
    put32(b, 14, 12);
    put16(b, 18, static_cast<std::uint32_t>(p.width));
    put16(b, 20, static_cast<std::uint32_t>(p.height));
    put16(b, 22, 1);
    put16(b, 24, 8);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = i < static_cast<int>(p.palette.size()) ? p.palette[i] : 0;
        b.insert(b.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
    }
    put32(b, 10, static_cast<std::uint32_t>(b.size()));
    const int stride = (p.width + 3) / 4 * 4;
    for (int row = p.height - 1; row >= 0; --row) {
        for (int x = 0; x < stride; ++x) b.push_back(x < p.width ? p.index[static_cast<std::size_t>(row) * p.width + x] : 0);
    }
    finish(b);
    return b;
}

Bytes os2Bmp24(const vb::Picture& p) {
    Bytes b(26);
    b[0] = 'B', b[1] = 'M';
    put32(b, 10, 26);
    put32(b, 14, 12);
    put16(b, 18, static_cast<std::uint32_t>(p.width));
    put16(b, 20, static_cast<std::uint32_t>(p.height));
    put16(b, 22, 1);
    put16(b, 24, 24);
    const int stride = (p.width * 3 + 3) / 4 * 4;
    for (int row = p.height - 1; row >= 0; --row) {
        const std::uint8_t* px = &p.rgb[static_cast<std::size_t>(row) * p.width * 3];
        for (int x = 0; x < p.width; ++x) b.insert(b.end(), {px[3 * x + 2], px[3 * x + 1], px[3 * x]});
        b.insert(b.end(), stride - p.width * 3, 0);
    }
    finish(b);
    return b;
}

namespace {

// libjpeg writing into memory, rows supplied by `row(y, buffer)`.
template <typename RowFn>
Bytes writeJpeg(int width, int height, int components, J_COLOR_SPACE in, J_COLOR_SPACE stored, bool progressive,
                RowFn row) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> line(static_cast<std::size_t>(width) * components);
    while (c.next_scanline < c.image_height) {
        row(static_cast<int>(c.next_scanline), line.data());
        JSAMPROW rows[] = {line.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

}  // namespace

Bytes printJpeg(int width, int height, bool ycck) {
    return writeJpeg(width, height, 4, JCS_CMYK, ycck ? JCS_YCCK : JCS_CMYK, false, [&](int y, JSAMPLE* px) {
        for (int x = 0; x < width; ++x, px += 4) {
            px[0] = static_cast<JSAMPLE>(x * 255 / std::max(width - 1, 1));
            px[1] = static_cast<JSAMPLE>(y * 255 / std::max(height - 1, 1));
            px[2] = static_cast<JSAMPLE>((x * 7 + y * 3) & 255);
            px[3] = static_cast<JSAMPLE>(255 - (x + y) % 97);  // mostly light ink, stored inverted
        }
    });
}

Bytes solidJpeg(int width, int height, bool progressive) {
    return writeJpeg(width, height, 3, JCS_RGB, JCS_YCbCr, progressive, [&](int, JSAMPLE* px) {
        for (int x = 0; x < width; ++x, px += 3) px[0] = 58, px[1] = 123, px[2] = 213;
    });
}

}  // namespace samples
