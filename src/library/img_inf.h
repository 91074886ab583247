#pragma once
// Picture information from a file's first bytes: which of PNG, GIF, JPEG and BMP it is, its
// width, height and colour depth, read from a few fixed header fields without decoding.
//
// The record and Get_ImageInfo live in the global namespace, like the library's other
// procedures that the main window calls by name; the single readers are in imginf_detail for
// the tests and the fuzzer.
//
// Deliberate limits: every 16-bit value goes through Make_Word, which refuses 32768 and more, so
// a picture that large (or a top-down bitmap, whose height reads as negative) gets no record of
// its own format. Only the low 16 bits of PNG and BMP sizes are read. Nothing is reported: a
// file that cannot be opened or read and a file of no known format look the same.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct ImageInfo {
    std::uint8_t Format = 255;  // 1 PNG, 2 GIF, 3 JPEG, 4 BMP, 255 not recognised (never 0)
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t Bits = 0;  // bits per pixel
};

// Opens the file (a bare name is relative to the current directory) for reading only and
// closes it before returning. When Format is 255, the other fields are 0.
// A file that no header reader accepts is searched whole for a JPEG start, at about the speed
// the disk delivers it.
ImageInfo Get_ImageInfo(const std::string& osPath);

namespace imginf_detail {

inline constexpr std::uint8_t kUnknown = 255;

// The open file the readers work on, read at absolute offsets.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Copies up to `count` bytes from `offset`; fewer only at the end of the data.
    // nullopt when the read fails.
    virtual std::optional<std::size_t> read(std::int64_t offset, std::uint8_t* out, std::size_t count) = 0;
    // The length in bytes as it was when the source was opened.
    virtual std::int64_t size() const = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::optional<std::size_t> read(std::int64_t offset, std::uint8_t* out, std::size_t count) override;
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::span<const std::uint8_t> bytes_;
};

// Get_ImageInfo after the open: the signature tests and the JPEG search.
ImageInfo imageInfoOf(ByteSource& file);

ImageInfo Read_PNGInfo(ByteSource& file);
ImageInfo Read_GIFInfo(ByteSource& file);
ImageInfo Read_BMPInfo(ByteSource& file);
// Offset of the first FF D8 FF anywhere in the file.
std::optional<std::int64_t> Find_JPGStart(ByteSource& file);
ImageInfo Read_JPGInfo(ByteSource& file, std::int64_t start);
// high * 256 + low; nullopt when high is 0x80 or more.
std::optional<std::int16_t> Make_Word(std::uint8_t low, std::uint8_t high);

// Find_JPGStart reads this much at a time.
inline constexpr std::size_t kScanBlock = std::size_t{1} << 20;

}  // namespace imginf_detail
