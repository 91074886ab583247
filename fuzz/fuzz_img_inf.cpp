// Header reader on arbitrary bytes: no crash, the record's invariants hold, and the JPEG start
// search agrees with a plain byte-by-byte search wherever its block boundaries fall.
#include <algorithm>
#include <cstdlib>

#include "library/img_inf.h"

using namespace imginf_detail;

namespace {

// Hands out the data in short, uneven pieces. The start search copes with that, so its block
// boundaries, a mebibyte apart on real files, land at every position of a small input.
class ChoppySource final : public ByteSource {
public:
    explicit ChoppySource(std::span<const std::uint8_t> bytes) : inner_(bytes) {}
    std::optional<std::size_t> read(std::int64_t offset, std::uint8_t* out, std::size_t count) override {
        const std::size_t piece = 1 + static_cast<std::size_t>(offset * 7 % 5);
        return inner_.read(offset, out, std::min(count, piece));
    }
    std::int64_t size() const override { return inner_.size(); }

private:
    MemorySource inner_;
};

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    MemorySource memory(bytes);
    const ImageInfo info = imageInfoOf(memory);

    check(info.Format == 1 || info.Format == 2 || info.Format == 3 || info.Format == 4 || info.Format == 255);
    check(info.Width >= 0 && info.Width <= 32767 && info.Height >= 0 && info.Height <= 32767);
    if (info.Format == 255) check(info.Width == 0 && info.Height == 0 && info.Bits == 0);

    ChoppySource choppy(bytes);
    std::optional<std::int64_t> naive;
    for (std::size_t i = 0; i + 2 < size && !naive; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xD8 && data[i + 2] == 0xFF) naive = i;
    check(Find_JPGStart(choppy) == naive);
    check(Find_JPGStart(memory) == naive);
    return 0;
}
