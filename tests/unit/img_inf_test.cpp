#include "library/img_inf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "platform/pictures/picture.h"
#include "testkit/test_pictures.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace imginf_detail;

namespace {

// Format, width, height, bits.
using Expect = std::tuple<int, int, int, int>;
const Expect kNone{255, 0, 0, 0};

void expectInfo(const ImageInfo& got, Expect want, const std::string& what = {}) {
    EXPECT_EQ(Expect(got.Format, got.Width, got.Height, got.Bits), want) << what;
}

ImageInfo infoOf(const Bytes& bytes) {
    MemorySource source(bytes);
    return imageInfoOf(source);
}

void putBig(Bytes& b, std::size_t at, std::uint32_t v, int count) {
    for (int i = 0; i < count; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * (count - 1 - i)));
}
void putLittle(Bytes& b, std::size_t at, std::uint32_t v, int count) {
    for (int i = 0; i < count; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Signature and header chunk: sizes 32-bit big-endian, then depth and colour type.
Bytes png(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t type) {
    const std::uint8_t start[] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Bytes b(33, 0);
    std::copy(std::begin(start), std::end(start), b.begin());
    putBig(b, 16, width, 4);
    putBig(b, 20, height, 4);
    b[24] = depth, b[25] = type;
    return b;
}

Bytes gif(std::uint16_t width, std::uint16_t height, std::uint8_t flags) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, flags, 0, 0, ';'};
    putLittle(b, 6, width, 2);
    putLittle(b, 8, height, 2);
    return b;
}

Bytes bmp(std::int32_t width, std::int32_t height, std::uint16_t bits) {
    Bytes b(54, 0);
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1;
    putLittle(b, 18, static_cast<std::uint32_t>(width), 4);
    putLittle(b, 22, static_cast<std::uint32_t>(height), 4);
    putLittle(b, 28, bits, 2);
    return b;
}

// JPEG pieces. A segment: marker, big-endian length counting itself, payload.
Bytes segment(std::uint8_t marker, std::uint16_t length) {
    Bytes b(2 + std::max<std::size_t>(length, 2), 0);
    b[0] = 0xFF, b[1] = marker;
    putBig(b, 2, length, 2);
    return b;
}

// Three bytes per component follow the ten fixed ones.
Bytes frame(std::uint8_t marker, std::uint16_t width, std::uint16_t height, std::uint8_t components) {
    Bytes b(10 + 3 * components, 0x11);
    b[0] = 0xFF, b[1] = marker, b[4] = 8, b[9] = components;
    putBig(b, 2, 8 + 3 * components, 2);
    putBig(b, 5, height, 2);
    putBig(b, 7, width, 2);
    return b;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kSoi = {0xFF, 0xD8};

}  // namespace

TEST(ImgInf, MakeWordRefusesHighByteFrom0x80) {
    EXPECT_EQ(Make_Word(0x34, 0x12), 0x1234);
    EXPECT_EQ(Make_Word(0xFF, 0x7F), 32767);
    EXPECT_EQ(Make_Word(0x00, 0x80), std::nullopt);
}

TEST(ImgInf, FilesOfEachFormatAndFilesWithout) {
    std::string pattern = (fs::temp_directory_path() / "vantry-imginf-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    auto file = [&](const char* name, const Bytes& b) {
        std::ofstream((dir / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), std::ssize(b));
        return Get_ImageInfo((dir / name).string());
    };
    const vb::Picture p = vb::makeTestPicture(320, 200);
    expectInfo(file("a.png", png(640, 480, 8, 6)), {1, 640, 480, 32}, "png");
    expectInfo(file("b.gif", vb::encodeGif(p)), {2, 320, 200, 8}, "gif");
    expectInfo(file("c.jpg", vb::encodeJpeg(p)), {3, 320, 200, 24}, "jpeg");
    expectInfo(file("d.bmp", vb::encodeBmp24(vb::makeTestPicture(800, 600))), {4, 800, 600, 24}, "bmp");
    expectInfo(file("e.jpg", {}), kNone, "empty");
    expectInfo(file("f.bmp", {'B', 'M'}), kNone, "shorter than a signature");
    expectInfo(Get_ImageInfo((dir / "missing.png").string()), kNone, "missing");
    expectInfo(Get_ImageInfo(dir.string()), kNone, "folder");
    fs::remove_all(dir);
}

TEST(ImgInf, PngBitsByColourType) {
    // Depth, colour type, bits; 0 bits: no record (no such type, or a product above 255).
    const int rows[][3] = {{8, 6, 32},    {8, 3, 8},    {4, 3, 8}, {1, 0, 1},  {8, 2, 24}, {8, 4, 16},
                           {255, 0, 255}, {63, 6, 252}, {8, 5, 0}, {64, 6, 0}, {128, 2, 0}};
    for (const auto& [depth, type, bits] : rows)
        expectInfo(infoOf(png(640, 480, std::uint8_t(depth), std::uint8_t(type))),
                   bits ? Expect{1, 640, 480, bits} : kNone,
                   std::to_string(depth) + "/" + std::to_string(type));

    expectInfo(infoOf(png(32767, 1, 8, 0)), {1, 32767, 1, 8});
    expectInfo(infoOf(png(32768, 1, 8, 0)), kNone);
    expectInfo(infoOf(png(0x10000 + 640, 480, 8, 0)), {1, 640, 480, 8}, "only the low 16 bits count");
}

TEST(ImgInf, GifAndBmpHeaders) {
    expectInfo(infoOf(gif(100, 50, 0xF7)), {2, 100, 50, 8});
    expectInfo(infoOf(gif(100, 50, 0x80)), {2, 100, 50, 1});
    expectInfo(infoOf(gif(0x8000, 50, 0xF7)), kNone);
    expectInfo(infoOf(Bytes{'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0}), kNone, "cut before byte 10");

    expectInfo(infoOf(bmp(800, 600, 24)), {4, 800, 600, 24});
    expectInfo(infoOf(bmp(800, 600, 0x0118)), {4, 800, 600, 0x18}, "low byte of the bit count");
    expectInfo(infoOf(bmp(800, -600, 24)), kNone, "top-down");
    Bytes cut = bmp(800, 600, 24);
    cut.resize(28);
    expectInfo(infoOf(cut), kNone, "cut before byte 28");
}

TEST(ImgInf, FailedHeaderReaderFallsThroughToJpegSearch) {
    const Bytes jpeg = join({kSoi, frame(0xC0, 1024, 768, 3)});
    expectInfo(infoOf(join({png(640, 480, 8, 5), jpeg})), {3, 1024, 768, 24}, "png type 5");
    expectInfo(infoOf(join({bmp(800, -600, 24), jpeg})), {3, 1024, 768, 24}, "top-down bmp");
    expectInfo(infoOf(join({bmp(800, 600, 24), jpeg})), {4, 800, 600, 24}, "accepted bmp");

    // The reader's own record keeps what it read; the caller's is all zero.
    const Bytes typeFive = png(640, 480, 8, 5);
    MemorySource source(typeFive);
    EXPECT_EQ(Read_PNGInfo(source).Width, 640);
    expectInfo(infoOf(typeFive), kNone);
}

TEST(ImgInf, JpegMarkerWalk) {
    // Lone FF bytes and an FF D8 without FF after it are no start.
    const Bytes junk = {'M', 'Z', 0xFF, 0x00, 0xFF, 0xD8, 0x00, 0xFF, 0xFF, 0xD8, 0x01};
    const Bytes app = segment(0xE0, 16), fill(5, 0xFF);
    const Bytes scanData = {0x00, 0x00, 0x03, 0xAA};  // 00 read as a marker of length 3
    const Bytes lucky = {0x00, 0x00, 0x03, 0xAA, 0xC1, 0, 0, 0, 0, 5, 0, 7, 2};
    const std::pair<Bytes, Expect> rows[] = {
        {join({junk, kSoi, app, frame(0xC0, 300, 200, 3)}), {3, 300, 200, 24}},
        {join({kSoi, app, frame(0xC0, 640, 480, 1)}), {3, 640, 480, 8}},
        {join({kSoi, app, frame(0xC0, 640, 480, 4)}), {3, 640, 480, 32}},
        {join({kSoi, app, frame(0xC0, 640, 480, 31)}), {3, 640, 480, 248}},
        {join({kSoi, app, frame(0xC0, 640, 480, 32)}), kNone},
        {join({kSoi, fill, app, fill, frame(0xC3, 10, 20, 3)}), {3, 10, 20, 24}},
        {join({kSoi, segment(0xE1, 0x7FFF), frame(0xC1, 64, 48, 3)}), {3, 64, 48, 24}},
        {join({kSoi, segment(0xE1, 0x8000), frame(0xC1, 64, 48, 3)}), kNone},
        {join({kSoi, frame(0xC2, 0x8000, 48, 3)}), kNone},
        // Frame type 9 is skipped like any segment, the scan header too; the data is then
        // walked as markers, and only a C0 to C3 met there gives a record.
        {join({kSoi, frame(0xC9, 50, 40, 3), segment(0xDA, 12), scanData}), kNone},
        {join({kSoi, frame(0xC9, 50, 40, 3), segment(0xDA, 12), lucky}), {3, 7, 5, 16}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        expectInfo(infoOf(rows[i].first), rows[i].second, "row " + std::to_string(i));

    MemorySource withJunk(rows[0].first);
    EXPECT_EQ(Find_JPGStart(withJunk), junk.size());
}

TEST(ImgInf, TruncatedJpegEndsTheWalk) {
    const Bytes whole = join({kSoi, segment(0xE0, 16), frame(0xC0, 640, 480, 3)});
    const std::size_t frameAt = 20;
    // Cut: in the length bytes, at the next marker, in the frame fields, before the count.
    for (std::size_t cut : {3ul, 4ul, 5ul, frameAt, frameAt + 2, frameAt + 9})
        expectInfo(infoOf(Bytes(whole.begin(), whole.begin() + cut)), kNone, std::to_string(cut));
    expectInfo(infoOf(Bytes(whole.begin(), whole.begin() + frameAt + 10)), {3, 640, 480, 24});

    const Bytes real = vb::encodeJpeg(vb::makeTestPicture(96, 64));
    expectInfo(infoOf(Bytes(real.begin(), real.begin() + real.size() / 2)), {3, 96, 64, 24}, "cut in data");
}

TEST(ImgInf, StartStraddlingScanBlocks) {
    const Bytes jpeg = join({kSoi, frame(0xC0, 123, 45, 3)});
    auto check = [&](Bytes file, std::size_t start) {
        std::copy(jpeg.begin(), jpeg.end(), file.begin() + static_cast<std::ptrdiff_t>(start));
        MemorySource source(file);
        EXPECT_EQ(Find_JPGStart(source), start);
        expectInfo(imageInfoOf(source), {3, 123, 45, 24}, std::to_string(start));
    };
    const Bytes zeros(2 * kScanBlock + 100, 0);
    for (std::size_t start : {kScanBlock - 3, kScanBlock - 2, kScanBlock - 1, kScanBlock})
        check(zeros, start);
    Bytes decoy = zeros;  // FF D8 ending the first block, no FF beginning the second
    decoy[kScanBlock - 2] = 0xFF, decoy[kScanBlock - 1] = 0xD8;
    check(decoy, 2 * kScanBlock - 1);

    const Bytes tail = {0, 0xFF, 0xD8};  // a start needs all three bytes
    MemorySource shortTail(tail);
    EXPECT_EQ(Find_JPGStart(shortTail), std::nullopt);
}

TEST(ImgInf, ScanReadsInLargeBlocks) {
    struct Counting final : ByteSource {
        MemorySource inner;
        int reads = 0;
        explicit Counting(const Bytes& b) : inner(b) {}
        std::optional<std::size_t> read(std::int64_t at, std::uint8_t* out, std::size_t n) override {
            ++reads;
            return inner.read(at, out, n);
        }
        std::int64_t size() const override { return inner.size(); }
    };
    const Bytes file(5 * kScanBlock + 17, 0xFF);  // every byte a candidate, none a start
    Counting source(file);
    EXPECT_EQ(Find_JPGStart(source), std::nullopt);
    EXPECT_LE(source.reads, 7);
}
