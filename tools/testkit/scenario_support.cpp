#include "testkit/scenario_support.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "platform/model/form.h"
#include "platform/pictures/picture.h"
#include "testkit/test_pictures.h"
#include "testkit/scenario_lexer.h"

namespace vb::scenario {

namespace {

using Bytes = std::vector<std::uint8_t>;

void le16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void le32(Bytes& b, std::uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}
void be32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(v >> s));
}

std::uint8_t luminance(const vb::Picture& p, std::size_t pixel) {
    const std::uint8_t* px = &p.rgb[pixel * 3];
    return std::uint8_t((px[0] * 299 + px[1] * 587 + px[2] * 114) / 1000);
}

// Windows bitmaps below 24 bits: a grey palette for 1, 4 and 8 bits, 5-5-5 for 16, and
// blue-green-red-unused for 32. Rows bottom-up, padded to 4 bytes.
Bytes bitmap(const vb::Picture& p, int bits) {
    const std::uint32_t paletteSize = bits <= 8 ? (1u << bits) : 0;
    const std::uint32_t stride = (std::uint32_t(p.width) * std::uint32_t(bits) + 31) / 32 * 4;
    const std::uint32_t offset = 14 + 40 + paletteSize * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(p.height);
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    le32(b, offset + imageSize);
    le32(b, 0);
    le32(b, offset);
    le32(b, 40);
    le32(b, std::uint32_t(p.width));
    le32(b, std::uint32_t(p.height));
    le16(b, 1);
    le16(b, std::uint32_t(bits));
    le32(b, 0);  // uncompressed
    le32(b, imageSize);
    le32(b, 2835);
    le32(b, 2835);
    le32(b, paletteSize);
    le32(b, 0);
    for (std::uint32_t i = 0; i < paletteSize; ++i) {
        const std::uint8_t g = std::uint8_t(i * 255 / (paletteSize - 1));
        b.insert(b.end(), {g, g, g, 0});
    }
    for (int y = p.height - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < p.width; ++x) {
            const std::size_t px = std::size_t(y) * std::size_t(p.width) + std::size_t(x);
            const std::uint8_t* c = &p.rgb[px * 3];
            if (bits <= 8) {
                const unsigned v = luminance(p, px) >> (8 - bits);
                const std::size_t bit = std::size_t(x) * std::size_t(bits);
                row[bit / 8] |= std::uint8_t(v << (8 - bits - bit % 8));
            } else if (bits == 16) {
                const unsigned v = ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3);
                row[std::size_t(x) * 2] = std::uint8_t(v);
                row[std::size_t(x) * 2 + 1] = std::uint8_t(v >> 8);
            } else {
                std::uint8_t* d = &row[std::size_t(x) * 4];
                d[0] = c[2], d[1] = c[1], d[2] = c[0], d[3] = 0;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::uint32_t crcOf(const std::uint8_t* data, std::size_t n) {
    std::uint32_t crc = 0;
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adlerOf(const std::uint8_t* data, std::size_t n) {
    std::uint32_t a = 1, b = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t v = data[i];
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void chunk(Bytes& out, const char type[4], const Bytes& data) {
    be32(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(out, crcOf(&out[start], out.size() - start));
}

// A PNG with one IDAT of zlib "stored" blocks: no compression library needed, and every
// byte is checkable by hand.
Bytes png(const vb::Picture& p, int bits) {
    int depth = 8, colourType = 2, channels = 3;
    switch (bits) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
            depth = bits, colourType = 0, channels = 1;
            break;
        case 24:
            break;
        case 48:
            depth = 16;
            break;
        case 32:
            colourType = 6, channels = 4;
            break;
        case 64:
            depth = 16, colourType = 6, channels = 4;
            break;
        default:
            throw std::invalid_argument("png bits");
    }
    Bytes raw;
    const std::size_t rowBytes = (std::size_t(p.width) * std::size_t(channels) * std::size_t(depth) + 7) / 8;
    for (int y = 0; y < p.height; ++y) {
        raw.push_back(0);  // filter: none
        Bytes row(rowBytes, 0);
        for (int x = 0; x < p.width; ++x) {
            const std::size_t px = std::size_t(y) * std::size_t(p.width) + std::size_t(x);
            const std::uint8_t* c = &p.rgb[px * 3];
            std::uint8_t samples[4] = {c[0], c[1], c[2], 255};
            if (channels == 1) samples[0] = luminance(p, px);
            for (int ch = 0; ch < channels; ++ch) {
                const std::size_t sample = std::size_t(x) * std::size_t(channels) + std::size_t(ch);
                if (depth < 8) {
                    const std::size_t bit = sample * std::size_t(depth);
                    row[bit / 8] |= std::uint8_t((samples[ch] >> (8 - depth)) << (8 - depth - bit % 8));
                } else if (depth == 8) {
                    row[sample] = samples[ch];
                } else {  // 16 bits, big-endian; v * 257 spreads 8 bits over 16
                    row[sample * 2] = samples[ch];
                    row[sample * 2 + 1] = samples[ch];
                }
            }
        }
        raw.insert(raw.end(), row.begin(), row.end());
    }
    Bytes z = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + len == raw.size();
        z.push_back(last ? 1 : 0);
        le16(z, std::uint32_t(len));
        le16(z, std::uint32_t(~len & 0xFFFF));
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + len));
        at += len;
    } while (at < raw.size());
    be32(z, adlerOf(raw.data(), raw.size()));

    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    be32(ihdr, std::uint32_t(p.width));
    be32(ihdr, std::uint32_t(p.height));
    ihdr.insert(ihdr.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, 0});
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

}  // namespace

std::vector<std::uint8_t> pictureFile(const std::string& format, int width, int height, int bits) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t(width) * height > kMaxPicturePixels)
        throw std::invalid_argument("picture size " + std::to_string(width) + "x" + std::to_string(height));
    if (format == "bmp" && bits != 0 && bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32)
        throw std::invalid_argument("bmp bits " + std::to_string(bits));
    const vb::Picture p = vb::makeTestPicture(width, height);
    if (format == "jpg") return vb::encodeJpeg(p);
    if (format == "gif") return vb::encodeGif(p);
    if (format == "bmp") return bits == 0 || bits == 24 ? vb::encodeBmp24(p) : bitmap(p, bits);
    if (format == "png") return png(p, bits == 0 ? 24 : bits);
    throw std::invalid_argument("picture format " + format);
}

std::string fillerBytes(std::size_t n) {
    static const std::string pattern = "Vantry test data\n";
    std::string out;
    out.reserve(n);
    while (out.size() < n) out += pattern.substr(0, std::min(pattern.size(), n - out.size()));
    return out;
}

bool pngSize(const std::vector<std::uint8_t>& b, int& width, int& height) {
    static const std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (b.size() < 8 + 8 + 13 + 4 || !std::equal(sig, sig + 8, b.begin())) return false;
    auto be = [&](std::size_t at) {
        return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
               (std::uint32_t(b[at + 2]) << 8) | std::uint32_t(b[at + 3]);
    };
    if (be(8) != 13 || std::string(b.begin() + 12, b.begin() + 16) != "IHDR") return false;
    if (crcOf(&b[12], 17) != be(29)) return false;
    width = int(be(16));
    height = int(be(20));
    return width > 0 && height > 0;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    return crcOf(data, size);
}
std::uint32_t adler32(const std::uint8_t* data, std::size_t size) {
    return adlerOf(data, size);
}

std::string outOfReach(const Control& c) {
    const Form& f = c.form();
    if (!f.Visible()) return "form " + f.name() + " hidden";
    if (f.windowState() == WindowState::Minimized) return "form " + f.name() + " minimised";
    for (const Control* p = &c; p; p = p->parent()) {
        const std::string n =
            f.name() + "." + p->name() + (p->index() >= 0 ? "(" + std::to_string(p->index()) + ")" : "");
        const char* holds = p == &c ? "" : " (it holds the control)";
        if (!p->Visible()) return n + " hidden" + holds;
        if (!p->Enabled()) return n + " disabled" + holds;
    }
    return {};
}

std::string rowText(const ListView::Row& row) {
    std::size_t used = row.sub.size();
    while (used > 0 && row.sub[used - 1].empty()) --used;
    std::string out = row.text;
    for (std::size_t i = 0; i < used; ++i) out += "|" + row.sub[i];
    return out;
}

PromptForm classifyPrompt(std::string_view prompt) {
    PromptForm out{"textonly", -1};
    if (prompt.size() < 3 || prompt[0] != '(') return out;
    std::size_t i = 1;
    long long n = 0;
    while (i < prompt.size() && i <= 10 && prompt[i] >= '0' && prompt[i] <= '9')
        n = n * 10 + (prompt[i++] - '0');
    if (i == 1 || i >= prompt.size() || prompt[i] != ')') return out;
    out.number = n;
    if (i + 1 >= prompt.size() || prompt[i + 1] != ' ') {
        out.form = "noblank";
        return out;
    }
    out.form = "standard";
    // " (digits)" at the end, not overlapping the number at the start.
    const std::size_t close = prompt.size() - 1;
    if (prompt[close] == ')') {
        std::size_t j = close;
        while (j > 0 && prompt[j - 1] >= '0' && prompt[j - 1] <= '9') --j;
        if (j < close && j >= 2 && prompt[j - 1] == '(' && prompt[j - 2] == ' ' && j - 2 > i + 1)
            out.form = "code";
    }
    return out;
}

std::string describeFileBytes(std::string_view bytes) {
    std::string out = "lines";
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos || bytes[end] != '\r' || end + 1 >= bytes.size() ||
            bytes[end + 1] != '\n')
            return "text " + quoteWord(bytes);
        out += " " + quoteWord(bytes.substr(start, end - start));
        start = end + 2;
    }
    return bytes.empty() ? "lines (none: an empty file)" : out;
}

}  // namespace vb::scenario
