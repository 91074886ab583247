#include "platform/picture.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/error.h"

namespace vb {
namespace {

[[noreturn]] void invalid(const std::string& why) {
    throw Error(err::InvalidPicture, "invalid picture: " + why);
}

// Checked in 64 bits, before any multiplication of header values can overflow an int.
void checkDimensions(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) invalid("no pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        invalid("too large");
}

// What the writers need of a picture handed to them.
void checkPicture(const Picture& p) {
    if (p.empty()) invalid("no picture");
    checkDimensions(p.width, p.height);
    if (p.rgb.size() != static_cast<std::size_t>(p.width) * p.height * 3)
        invalid("pixel buffer does not match the size");
}

Picture blankPicture(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    return p;
}

std::uint32_t le16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}
std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void putLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
}
void putLe32(std::uint8_t* p, std::uint32_t v) {
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

// ---------------------------------------------------------------------------------------------
// Windows bitmaps

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

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr std::size_t kPaletteEntry = 4;  // blue, green, red, unused

Picture decodeBmp(std::span<const std::uint8_t> b) {
    const std::size_t size = b.size();
    if (size < 54) invalid("bitmap headers cut short");
    const std::uint32_t dataOffset = le32(&b[10]);
    const std::uint32_t headerSize = le32(&b[14]);

    // The information header in all its later sizes; they share the first 40 bytes.
    if (headerSize < 40 || headerSize > size - 14) invalid("unknown bitmap header");
    std::int64_t width = static_cast<std::int32_t>(le32(&b[18]));
    std::int64_t height = static_cast<std::int32_t>(le32(&b[22]));
    const std::uint32_t bitCount = le16(&b[28]);
    const std::uint32_t compression = le32(&b[30]);
    const std::uint32_t colorsUsed = le32(&b[46]);
    // The 64-byte OS/2 header gives compression 3 another meaning (Huffman coding).
    if (headerSize == 64 && compression != kBiRgb) invalid("unsupported compression");
    const bool topDown = height < 0;
    height = std::abs(height);
    checkDimensions(width, height);

    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !bitfields) invalid("compressed bitmaps are not supported");
    if (bitfields && bitCount != 16 && bitCount != 32) invalid("bit fields need 16 or 32 bits");

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

    std::vector<std::array<std::uint8_t, 3>> palette;
    switch (bitCount) {
        case 1:
        case 4:
        case 8: {
            const std::uint32_t most = 1u << bitCount;
            std::uint32_t count = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
            // Writers that leave the count 0 sometimes store a shorter table; it cannot reach
            // into the pixels.
            if (colorsUsed == 0 && dataOffset >= paletteOffset)
                count = std::min<std::uint32_t>(count, (dataOffset - paletteOffset) / kPaletteEntry);
            if (paletteOffset > size || (size - paletteOffset) / kPaletteEntry < count)
                invalid("palette cut short");
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t* e = &b[paletteOffset + i * kPaletteEntry];
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

    const Channel r(red), g(green), bl(blue);
    Picture p = blankPicture(static_cast<int>(width), static_cast<int>(height));
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitCount + 7) / 8;
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

// ---------------------------------------------------------------------------------------------
// JPEG

struct TjHandle {
    tjhandle h;
    explicit TjHandle(tjhandle handle) : h(handle) {
        if (!h) throw Error(err::InvalidPicture, "JPEG codec unavailable");
    }
    ~TjHandle() { tjDestroy(h); }
    TjHandle(const TjHandle&) = delete;
    TjHandle& operator=(const TjHandle&) = delete;
};

Picture decodeJpeg(std::span<const std::uint8_t> b) {
    TjHandle tj(tjInitDecompress());
    int width = 0, height = 0, subsamp = -2, colorspace = 0;
    // This codec version refuses a file whose sampling layout has no name of its own
    // (subsampling -1), although it decodes such files; the sizes are read by then.
    if (tjDecompressHeader3(tj.h, b.data(), b.size(), &width, &height, &subsamp, &colorspace) != 0 &&
        subsamp != -1)
        invalid(tjGetErrorStr2(tj.h));
    checkDimensions(width, height);

    // A progressive file with thousands of tiny scans costs minutes to decode; real ones have
    // a dozen, so the scan limit only stops hostile files. Warnings (a file cut short, stray
    // bytes between segments) still leave a whole picture; only an error makes it unusable.
    // Four-channel (print) files are errors here: the codec does not turn them into RGB.
    Picture p = blankPicture(width, height);
    if (tjDecompress2(tj.h, b.data(), b.size(), p.rgb.data(), width, 0, height, TJPF_RGB,
                      TJFLAG_LIMITSCANS) != 0 &&
        tjGetErrorCode(tj.h) != TJERR_WARNING)
        invalid(tjGetErrorStr2(tj.h));
    return p;
}

// ---------------------------------------------------------------------------------------------
// GIF

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int wanted) {
    auto* in = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(std::max(wanted, 0), in->bytes.size() - in->pos);
    std::memcpy(out, in->bytes.data() + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

Picture decodeGif(std::span<const std::uint8_t> b) {
    MemoryReader reader{b};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, readFromMemory, &error));
    if (!gif) invalid("GIF screen descriptor unreadable");
    checkDimensions(gif->SWidth, gif->SHeight);

    // Transparent pixels of the first frame show the background colour.
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            invalid("GIF holds no frame");
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) invalid("GIF extension");
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
            transparent = (block[1] & 1) ? block[4] : -1;
        while (block)
            if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) invalid("GIF extension");
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) invalid("GIF frame descriptor");

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    auto colour = [&](int index, std::uint8_t* dst) {
        if (map && index >= 0 && index < map->ColorCount) {
            const GifColorType& c = map->Colors[index];
            dst[0] = c.Red, dst[1] = c.Green, dst[2] = c.Blue;
        }
    };

    Picture p = blankPicture(gif->SWidth, gif->SHeight);
    std::uint8_t background[3] = {0, 0, 0};
    if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
        background[0] = c.Red, background[1] = c.Green, background[2] = c.Blue;
    }
    // One row by hand, the others copied from it: the screen may be far larger than the data.
    const std::size_t rowBytes = static_cast<std::size_t>(p.width) * 3;
    for (std::size_t i = 0; i < rowBytes; i += 3) std::copy_n(background, 3, &p.rgb[i]);
    for (std::size_t at = rowBytes; at < p.rgb.size(); at += rowBytes)
        std::memcpy(&p.rgb[at], p.rgb.data(), rowBytes);

    if (frame.Width <= 0 || frame.Height <= 0) return p;
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    // Interlaced frames arrive in four passes over every 8th, 8th, 4th and 2nd row.
    static constexpr int kPassStart[] = {0, 4, 2, 1}, kPassStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int row = frame.Interlace ? kPassStart[pass] : 0; row < frame.Height; row += step) {
            // A frame cut short keeps what arrived; the rest shows the background.
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return p;
            const int y = frame.Top + row;
            if (y >= p.height) {
                if (!frame.Interlace) return p;  // nothing below here is visible
                continue;
            }
            for (int x = 0; x < frame.Width && frame.Left + x < p.width; ++x) {
                if (line[x] == transparent) continue;
                colour(line[x], &p.rgb[(static_cast<std::size_t>(y) * p.width + frame.Left + x) * 3]);
            }
        }
    }
    return p;
}

// ---------------------------------------------------------------------------------------------
// Files

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

int readErrorNumber(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
            return err::FileNotFound;
        case EACCES:
        case EPERM:
            return err::PermissionDenied;
        default:
            return err::PathFileAccess;
    }
}

[[noreturn]] void systemFailure(int number, const std::string& what, const std::string& path, int e) {
    throw Error(number, what + " " + path + ": " + std::strerror(e));
}

// Reads until the end or the buffer is full; returns the count, or -1 with errno set.
ssize_t readFully(int fd, std::uint8_t* out, std::size_t wanted) {
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(fd, out + got, wanted - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

PictureFormat sniffPictureFormat(std::span<const std::uint8_t> b) {
    auto starts = [&](std::initializer_list<std::uint8_t> sig) {
        return b.size() >= sig.size() && std::equal(sig.begin(), sig.end(), b.begin());
    };
    if (starts({'B', 'M'})) return PictureFormat::Bmp;
    if (starts({0xFF, 0xD8, 0xFF})) return PictureFormat::Jpeg;
    if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'}))
        return PictureFormat::Gif;
    return PictureFormat::Unknown;
}

Picture decodePicture(std::span<const std::uint8_t> bytes) {
    switch (sniffPictureFormat(bytes)) {
        case PictureFormat::Bmp:
            return decodeBmp(bytes);
        case PictureFormat::Jpeg:
            return decodeJpeg(bytes);
        case PictureFormat::Gif:
            return decodeGif(bytes);
        case PictureFormat::Unknown:
            break;
    }
    invalid("not a BMP, JPEG or GIF file");
}

Picture loadPicture(const std::string& osPath) {
    // Non-blocking so that a named pipe given as a picture fails instead of hanging.
    Fd file(::open(osPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.fd < 0) systemFailure(readErrorNumber(errno), "cannot open", osPath, errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) systemFailure(err::PathFileAccess, "cannot read", osPath, errno);
    if (!S_ISREG(st.st_mode)) throw Error(err::PathFileAccess, "not a file: " + osPath);
    // Above the largest bitmap the size limits allow; refusing early avoids a huge allocation.
    if (st.st_size > (std::int64_t{1} << 30)) invalid("file too large: " + osPath);

    // The signature decides before the rest is read, so a large non-picture costs nothing.
    std::vector<std::uint8_t> bytes(16);
    ssize_t n = readFully(file.fd, bytes.data(), bytes.size());
    if (n < 0) systemFailure(err::PathFileAccess, "cannot read", osPath, errno);
    bytes.resize(static_cast<std::size_t>(n));
    if (sniffPictureFormat(bytes) == PictureFormat::Unknown)
        invalid("not a BMP, JPEG or GIF file: " + osPath);

    // The size is a hint only: the file may change while it is read.
    std::size_t have = bytes.size();
    bytes.resize(std::max<std::size_t>(static_cast<std::size_t>(st.st_size), have) + 1);
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() * 2);
        n = readFully(file.fd, bytes.data() + have, bytes.size() - have);
        if (n < 0) systemFailure(err::PathFileAccess, "cannot read", osPath, errno);
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    bytes.resize(have);
    return decodePicture(bytes);
}

namespace {

constexpr std::size_t kBmpHeaders = 54;

std::size_t bmpStride(const Picture& p) {
    return (static_cast<std::size_t>(p.width) * 3 + 3) / 4 * 4;
}

void putBmpHeaders(const Picture& p, std::uint8_t* hdr) {
    const std::size_t imageSize = bmpStride(p) * static_cast<std::size_t>(p.height);
    std::fill_n(hdr, kBmpHeaders, 0);
    hdr[0] = 'B', hdr[1] = 'M';
    putLe32(hdr + 2, static_cast<std::uint32_t>(kBmpHeaders + imageSize));
    putLe32(hdr + 10, kBmpHeaders);
    putLe32(hdr + 14, 40);
    putLe32(hdr + 18, static_cast<std::uint32_t>(p.width));
    putLe32(hdr + 22, static_cast<std::uint32_t>(p.height));  // positive: bottom-up, as every reader expects
    putLe16(hdr + 26, 1);
    putLe16(hdr + 28, 24);
    putLe32(hdr + 34, static_cast<std::uint32_t>(imageSize));
    putLe32(hdr + 38, 2835);  // 72 dpi
    putLe32(hdr + 42, 2835);
}

// Stored row `row` (0 is the bottom of the picture), padding included.
void putBmpRow(const Picture& p, int row, std::uint8_t* dst) {
    const std::uint8_t* src = &p.rgb[static_cast<std::size_t>(p.height - 1 - row) * p.width * 3];
    for (int x = 0; x < p.width; ++x, src += 3, dst += 3) dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
    std::fill_n(dst, bmpStride(p) - static_cast<std::size_t>(p.width) * 3, 0);
}

}  // namespace

std::vector<std::uint8_t> encodeBmp24(const Picture& picture) {
    checkPicture(picture);
    const std::size_t stride = bmpStride(picture);
    std::vector<std::uint8_t> out(kBmpHeaders + stride * static_cast<std::size_t>(picture.height));
    putBmpHeaders(picture, out.data());
    for (int row = 0; row < picture.height; ++row) putBmpRow(picture, row, &out[kBmpHeaders + row * stride]);
    return out;
}

void savePictureBmp(const Picture& picture, const std::string& osPath) {
    checkPicture(picture);

    AtomicFile file(osPath);
    // Written through a small buffer: a 4K wallpaper as one 25 MB block costs more in fresh
    // memory than the conversion itself.
    const std::size_t stride = bmpStride(picture);
    const int rowsPerWrite = static_cast<int>(std::max<std::size_t>(1, (1u << 20) / stride));
    std::vector<std::uint8_t> buffer(std::max(kBmpHeaders, stride * rowsPerWrite));
    putBmpHeaders(picture, buffer.data());
    file.write(buffer.data(), kBmpHeaders);
    for (int row = 0; row < picture.height; row += rowsPerWrite) {
        const int rows = std::min(rowsPerWrite, picture.height - row);
        for (int i = 0; i < rows; ++i) putBmpRow(picture, row + i, &buffer[i * stride]);
        file.write(buffer.data(), rows * stride);
    }
    file.commit();
}

}  // namespace vb
