#include "platform/pictures/picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/base/error.h"
#include "platform/pictures/picture_codec.h"
#include "platform/system/atomic_file.h"
#include "platform/system/fs.h"

namespace vb {

namespace codec {

void invalid(const std::string& why) {
    throw Error(err::InvalidPicture, "invalid picture: " + why);
}

void checkDimensions(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) invalid("no pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        invalid("too large");
}

Picture blankPicture(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    try {
        p.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    } catch (const std::bad_alloc&) {
        invalid("out of memory for " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    }
    return p;
}

}  // namespace codec

namespace {

using codec::blankPicture;
using codec::checkDimensions;
using codec::invalid;

// What the writers need of a picture handed to them.
void checkPicture(const Picture& p) {
    if (p.empty()) invalid("no picture");
    checkDimensions(p.width, p.height);
    if (p.rgb.size() != static_cast<std::size_t>(p.width) * p.height * 3)
        invalid("pixel buffer does not match the size");
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
    try {
        switch (sniffPictureFormat(bytes)) {
            case PictureFormat::Bmp:
                return codec::decodeBmp(bytes);
            case PictureFormat::Jpeg:
                return codec::decodeJpeg(bytes);
            case PictureFormat::Gif:
                return codec::decodeGif(bytes);
            case PictureFormat::Unknown:
                break;
        }
    } catch (const std::bad_alloc&) {
        // Any allocation of a reader (palette, line, codec) that fails: the picture cannot be
        // loaded here and now, which is all a caller needs to know.
        invalid("out of memory");
    }
    invalid("not a BMP, JPEG or GIF file");
}

Picture loadPicture(const std::string& osPath) {
    refuseNul(osPath);
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
    auto grow = [&](std::size_t to) {
        try {
            bytes.resize(to);
        } catch (const std::bad_alloc&) {
            invalid("out of memory for " + osPath);
        }
    };
    grow(std::max<std::size_t>(static_cast<std::size_t>(st.st_size), have) + 1);
    for (;;) {
        if (have == bytes.size()) grow(bytes.size() * 2);
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
    savePictureBmp(picture, osPath, [](const std::function<void()>& replace) { replace(); });
}

void savePictureBmp(const Picture& picture, const std::string& osPath,
                    const std::function<void(const std::function<void()>& replace)>& commit) {
    checkPicture(picture);

    // The wallpaper's folder is ours alone, but the bitmap is still never written through a link
    // or onto another user's file, as the location file is not.
    AtomicFile file(osPath, {}, AtomicFile::Target::OwnFileOnly);
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
    commit([&file] { file.commit(); });
}

}  // namespace vb
