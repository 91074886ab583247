#include "library/img_inf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace imginf_detail {
namespace {

// Small files get small buffers: the header readers and the search run on every click.
std::size_t blockFor(const ByteSource& source, std::size_t most) {
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(source.size(), 4096, static_cast<std::int64_t>(most)));
}

// Unwinds the reader that met a failing read or Make_Word; the reader turns it into Format 255.
struct ReaderFailed {};

// Byte-at-offset access for the readers. The JPEG walk visits every fill byte and hops over
// segments a few bytes to 32 KiB long, so one cached window saves a read per byte.
// A byte past the end of the data counts as a failed read: a truncated file ends the walk there.
class Bytes {
public:
    explicit Bytes(ByteSource& source) : source_(source) {}

    std::uint8_t operator[](std::int64_t offset) {
        if (offset < start_ || offset >= start_ + static_cast<std::int64_t>(count_)) fill(offset);
        return window_[static_cast<std::size_t>(offset - start_)];
    }

private:
    void fill(std::int64_t offset) {
        if (offset < 0) throw ReaderFailed{};
        if (window_.empty()) window_.resize(blockFor(source_, kWindow));
        const auto got = source_.read(offset, window_.data(), window_.size());
        if (!got || *got == 0) throw ReaderFailed{};
        start_ = offset;
        count_ = *got;
    }

    static constexpr std::size_t kWindow = 64 * 1024;
    ByteSource& source_;
    std::vector<std::uint8_t> window_;
    std::int64_t start_ = 0;
    std::size_t count_ = 0;
};

std::int16_t word(std::uint8_t low, std::uint8_t high) {
    const auto value = Make_Word(low, high);
    if (!value) throw ReaderFailed{};
    return *value;
}

// Runs a reader body; a failure anywhere keeps the fields read so far and marks the record
// unrecognised.
template <class Body>
ImageInfo readOrFail(ImageInfo& info, Body&& body) {
    try {
        body();
    } catch (const ReaderFailed&) {
        info.Format = kUnknown;
    }
    return info;
}

// An open file for the readers; reads at absolute offsets, never changes the file.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path) {
        // Non-blocking so that a named pipe cannot hang the caller; only regular files count.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) return;
        size_ = st.st_size;
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~FileSource() override {
        if (fd_ >= 0) ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::int64_t size() const override { return size_; }

    std::optional<std::size_t> read(std::int64_t offset, std::uint8_t* out, std::size_t count) override {
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::pread(fd_, out + got, count - got, offset + got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return std::nullopt;
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace

std::optional<std::size_t> MemorySource::read(std::int64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset < 0) return std::nullopt;
    if (offset >= size()) return 0;
    const std::size_t n = std::min(count, bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
}

std::optional<std::int16_t> Make_Word(std::uint8_t low, std::uint8_t high) {
    if (high >= 0x80) return std::nullopt;
    return static_cast<std::int16_t>(high * 256 + low);
}

ImageInfo Read_PNGInfo(ByteSource& file) {
    ImageInfo info;
    Bytes b(file);
    return readOrFail(info, [&] {
        info.Format = 1;
        info.Width = word(b[19], b[18]);
        info.Height = word(b[23], b[22]);
        const int depth = b[24];
        int bits;
        switch (b[25]) {
            case 0:
                bits = depth;
                break;  // greyscale
            case 2:
                bits = depth * 3;
                break;  // true colour
            case 3:
                bits = 8;
                break;  // palette, whatever its index depth
            case 4:
                bits = depth * 2;
                break;  // greyscale with alpha
            case 6:
                bits = depth * 4;
                break;  // true colour with alpha
            default:
                throw ReaderFailed{};
        }
        if (bits > 255) throw ReaderFailed{};
        info.Bits = static_cast<std::uint8_t>(bits);
    });
}

ImageInfo Read_GIFInfo(ByteSource& file) {
    ImageInfo info;
    Bytes b(file);
    return readOrFail(info, [&] {
        info.Format = 2;
        info.Width = word(b[6], b[7]);
        info.Height = word(b[8], b[9]);
        // The size field of the global colour table, read even when the table is absent.
        info.Bits = static_cast<std::uint8_t>((b[10] & 7) + 1);
    });
}

ImageInfo Read_BMPInfo(ByteSource& file) {
    ImageInfo info;
    Bytes b(file);
    return readOrFail(info, [&] {
        info.Format = 4;
        info.Width = word(b[18], b[19]);
        info.Height = word(b[22], b[23]);
        info.Bits = b[28];
    });
}

std::optional<std::int64_t> Find_JPGStart(ByteSource& file) {
    // Each block is searched with memchr for 0xFF; the last two bytes are carried into the next
    // block so that a start split across the boundary is still seen.
    const std::size_t block = blockFor(file, kScanBlock);
    std::vector<std::uint8_t> buffer(block + 2);
    std::int64_t base = 0;  // file offset of buffer[0]
    std::size_t have = 0;
    for (;;) {
        const auto got = file.read(base + static_cast<std::int64_t>(have), buffer.data() + have, block);
        if (!got) return std::nullopt;
        have += *got;
        const std::uint8_t* const begin = buffer.data();
        const std::uint8_t* const end = begin + have;
        for (const std::uint8_t* p = begin; end - p >= 3; ++p) {
            p = static_cast<const std::uint8_t*>(std::memchr(p, 0xFF, end - p - 2));
            if (!p) break;
            if (p[1] == 0xD8 && p[2] == 0xFF) return base + (p - begin);
        }
        if (*got == 0) return std::nullopt;
        const std::size_t keep = std::min<std::size_t>(have, 2);
        std::memmove(buffer.data(), end - keep, keep);
        base += static_cast<std::int64_t>(have - keep);
        have = keep;
    }
}

ImageInfo Read_JPGInfo(ByteSource& file, std::int64_t start) {
    ImageInfo info;
    Bytes b(file);
    const std::int64_t length = file.size();
    return readOrFail(info, [&] {
        info.Format = 3;
        // Every code that is not fill or a frame header is taken to carry a length, the scan
        // header included; since the length is never negative the walk always moves on.
        for (std::int64_t o = start + 2; o < length;) {
            const std::uint8_t marker = b[o];
            if (marker == 0xFF) {
                ++o;
            } else if (marker >= 0xC0 && marker <= 0xC3) {
                info.Height = word(b[o + 5], b[o + 4]);
                info.Width = word(b[o + 7], b[o + 6]);
                const std::uint8_t components = b[o + 8];
                if (components > 31) throw ReaderFailed{};  // the depth would not fit a byte
                info.Bits = static_cast<std::uint8_t>(components * 8);
                return;
            } else {
                o += word(b[o + 2], b[o + 1]) + 1;
            }
        }
        throw ReaderFailed{};
    });
}

ImageInfo imageInfoOf(ByteSource& file) {
    ImageInfo result;
    std::uint8_t head[3];
    const auto got = file.read(0, head, 3);
    if (!got || *got < 3) return result;

    auto take = [&](const ImageInfo& info) {
        if (info.Format != kUnknown) result = info;
    };
    // Three separate tests, in this order; a reader that fails leaves the way to the JPEG
    // search open.
    if (head[0] == 0x89 && head[1] == 'P' && head[2] == 'N') take(Read_PNGInfo(file));
    if (head[0] == 'G' && head[1] == 'I' && head[2] == 'F') take(Read_GIFInfo(file));
    if (head[0] == 'B' && head[1] == 'M') take(Read_BMPInfo(file));
    if (result.Format == kUnknown) {
        if (const auto start = Find_JPGStart(file)) take(Read_JPGInfo(file, *start));
    }
    return result;
}

}  // namespace imginf_detail

ImageInfo Get_ImageInfo(const std::string& osPath) {
    imginf_detail::FileSource file(osPath);
    if (!file.isOpen()) return {};
    return imginf_detail::imageInfoOf(file);
}
