#include "platform/pictures/picture.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "picture_samples.h"
#include "platform/base/error.h"
#include "testkit/test_pictures.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<int, 3>;
using vb::Picture;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vantry-picture-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    long entries() const { return std::distance(fs::directory_iterator(path), {}); }
};

void writeFile(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::ssize(b));
}
Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

using samples::errorOf;

Rgb pixel(const Picture& p, int x, int y) {
    const std::uint8_t* px = &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
    return {px[0], px[1], px[2]};
}

double meanError(const Picture& a, const Picture& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(a.rgb[i] - b.rgb[i]);
    return sum / static_cast<double>(a.rgb.size());
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A bitmap written by hand, so that the reader is not checked against our writer alone.
// `rows` are the stored rows, unpadded, in file order.
Bytes handBmp(int width, int height, int bits, const Bytes& palette, std::vector<Bytes> rows,
              std::uint32_t compression = 0, const std::vector<std::uint32_t>& masks = {}) {
    Bytes b(54 + 4 * masks.size());
    b[0] = 'B', b[1] = 'M', b[14] = 40, b[26] = 1, b[28] = static_cast<std::uint8_t>(bits);
    put32(b, 18, static_cast<std::uint32_t>(width));
    put32(b, 22, static_cast<std::uint32_t>(height));
    put32(b, 30, compression);
    put32(b, 46, static_cast<std::uint32_t>(palette.size() / 4));
    for (std::size_t i = 0; i < masks.size(); ++i) put32(b, 54 + 4 * i, masks[i]);
    b.insert(b.end(), palette.begin(), palette.end());
    put32(b, 10, static_cast<std::uint32_t>(b.size()));
    for (Bytes& row : rows) {
        row.resize((row.size() + 3) / 4 * 4);
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

}  // namespace

TEST(PictureBmp, WriterRoundTripsWithEveryRowPadding) {
    for (int width : {1, 2, 3, 4, 13}) {
        const Picture p = vb::makeTestPicture(width, 7);
        const Bytes file = vb::encodeBmp24(p);
        ASSERT_EQ(file.size(), 54 + (width * 3 + 3) / 4 * 4 * 7u) << width;
        EXPECT_EQ(vb::decodePicture(file).rgb, p.rgb) << width;
    }
    // Bottom-up, blue first: the first stored pixel is the bottom-left one.
    const Picture p = vb::makeTestPicture(2, 2);
    const Bytes file = vb::encodeBmp24(p);
    EXPECT_EQ((Rgb{file[56], file[55], file[54]}), pixel(p, 0, 1));
    EXPECT_LT(file[25], 0x80) << "height must be positive";
}

TEST(PictureBmp, TopDownGivesSamePicture) {
    const Picture p = vb::makeTestPicture(5, 4);
    const Bytes file = vb::encodeBmp24(p);
    Bytes flipped(file.begin(), file.begin() + 54);
    for (int row = 3; row >= 0; --row)
        flipped.insert(flipped.end(), file.begin() + 54 + row * 16, file.begin() + 70 + row * 16);
    put32(flipped, 22, static_cast<std::uint32_t>(-4));
    EXPECT_EQ(vb::decodePicture(flipped).rgb, p.rgb);
}

TEST(PictureBmp, PaletteAndChannelLayouts) {
    const Bytes palette = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue (stored B, G, R, 0)
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, black{0, 0, 0};
    const struct {
        Bytes file;
        std::vector<Rgb> firstRow;
    } rows[] = {
        {handBmp(10, 1, 1, palette, {{0b10000000, 0b01000000}}), {blue, red}},  // high bit leftmost
        {handBmp(3, 1, 4, palette, {{0x01, 0x10}}), {red, blue, blue}},
        {handBmp(2, 1, 8, palette, {{1, 7}}), {blue, black}},  // index past the palette
        {handBmp(2, 1, 16, {}, {{0x00, 0x7C, 0xFF, 0x7F}}), {red, {255, 255, 255}}},  // 5-5-5
        {handBmp(2, 1, 16, {}, {{0xE0, 0x07, 0x1F, 0x00}}, 3, {0xF800, 0x07E0, 0x001F}), {green, blue}},
        {handBmp(1, 1, 32, {}, {{10, 20, 30, 99}}), {{30, 20, 10}}},
        {handBmp(1, 1, 32, {}, {{10, 20, 30, 99}}, 3, {0xFF, 0xFF00, 0xFF0000}), {{10, 20, 30}}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Picture p = vb::decodePicture(rows[i].file);
        for (std::size_t x = 0; x < rows[i].firstRow.size(); ++x)
            EXPECT_EQ(pixel(p, static_cast<int>(x), 0), rows[i].firstRow[x]) << "case " << i << " x " << x;
    }
}

TEST(PictureBmp, RejectsWhatItCannotLoad) {
    Bytes shortPalette = handBmp(1, 1, 8, Bytes(16, 0), {{0}});
    shortPalette.resize(60);
    Bytes offsetPastEnd = handBmp(1, 1, 24, {}, {{1, 2, 3}});
    put32(offsetPastEnd, 10, 1000);
    const std::pair<const char*, Bytes> rows[] = {
        {"RLE8 on 4 bits", handBmp(2, 1, 4, Bytes(8, 0), {{0, 0}}, 1)},
        {"RLE coded top-down", handBmp(2, -1, 8, Bytes(8, 0), {{0, 0}}, 1)},
        {"bit fields on 24 bits", handBmp(1, 1, 24, {}, {{0, 0, 0}}, 3, {1, 2, 4})},
        {"2 bits per pixel", handBmp(4, 1, 2, Bytes(8, 0), {{0}})},
        {"zero width", handBmp(0, 1, 24, {}, {})},
        {"wider than 32768", handBmp(32769, 1, 24, {}, {})},
        {"over 200 megapixels", handBmp(20000, 20000, 24, {}, {})},
        {"most negative height", handBmp(1, INT32_MIN, 24, {}, {})},
        {"headers cut short", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0}},
        {"palette cut short", shortPalette},
        {"pixel offset past the end", offsetPastEnd},
    };
    for (const auto& row : rows)
        EXPECT_EQ(errorOf([&] { vb::decodePicture(row.second); }), vb::err::InvalidPicture) << row.first;
}

TEST(PictureBmp, CutInPixelDataLeavesMissingRowsBlack) {
    const Picture p = vb::makeTestPicture(6, 5);
    Bytes file = vb::encodeBmp24(p);
    file.resize(54 + 2 * 20 + 7);  // the two bottom rows and part of the third
    const Picture back = vb::decodePicture(file);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(pixel(back, x, y), y >= 3 ? pixel(p, x, y) : Rgb{}) << x << y;
}

TEST(PictureJpeg, DecodesCloseToOriginal) {
    const Picture p = vb::makeTestPicture(67, 45);  // not a multiple of the 16-pixel blocks
    const Picture back = vb::decodePicture(vb::encodeJpeg(p, 95));
    ASSERT_EQ(back.width, 67);
    ASSERT_EQ(back.height, 45);
    EXPECT_LT(meanError(p, back), 4.0);  // a channel mix-up or shifted rows is far above
}

TEST(PictureJpeg, UnusualSamplingLayoutLoads) {
    // Luminance sampled 3 x 1: legal, but the codec's header call has no name for it.
    Bytes file = vb::encodeJpeg(vb::makeTestPicture(48, 16));
    std::size_t sof = 2;
    while (file[sof + 1] != 0xC0) sof += 2 + (file[sof + 2] << 8 | file[sof + 3]);
    ASSERT_EQ(file[sof + 11], 0x22);  // first component's sampling factors
    file[sof + 11] = 0x31;
    EXPECT_EQ(vb::decodePicture(file).width, 48);
}

TEST(PictureJpeg, CutAfterHeadersLoadsCutInHeadersFails) {
    const Bytes file = vb::encodeJpeg(vb::makeTestPicture(64, 64));
    EXPECT_EQ(vb::decodePicture(Bytes(file.begin(), file.begin() + file.size() / 2)).height, 64);
    EXPECT_EQ(errorOf([&] { vb::decodePicture(Bytes(file.begin(), file.begin() + 20)); }),
              vb::err::InvalidPicture);
}

namespace {

// One frame on an 8-colour global table, written through the library so that frame placement,
// transparency and interlacing can be chosen. Rows are given in stored order.
Bytes makeGif(int screenW, int screenH, std::vector<Rgb> colours, int left, int top, int width,
              bool interlace, int transparent, std::vector<Bytes> rows) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* g, const GifByteType* d, int n) {
            static_cast<Bytes*>(g->UserData)->insert(static_cast<Bytes*>(g->UserData)->end(), d, d + n);
            return n;
        },
        &error);
    EGifSetGifVersion(gif, true);
    colours.resize(8);
    GifColorType table[8];
    for (int i = 0; i < 8; ++i)
        table[i] = {GifByteType(colours[i][0]), GifByteType(colours[i][1]), GifByteType(colours[i][2])};
    ColorMapObject* map = GifMakeMapObject(8, table);
    EGifPutScreenDesc(gif, screenW, screenH, 3, 0, map);
    if (transparent >= 0) {
        const GifByteType control[4] = {1, 0, 0, GifByteType(transparent)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    }
    EGifPutImageDesc(gif, left, top, width, static_cast<int>(rows.size()), interlace, nullptr);
    for (Bytes& row : rows) EGifPutLine(gif, row.data(), width);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

}  // namespace

TEST(PictureGif, DecodesOwnEncodingWithinColourCubeSteps) {
    const Picture p = vb::makeTestPicture(40, 30);
    const Picture back = vb::decodePicture(vb::encodeGif(p));
    ASSERT_EQ(back.width, 40);
    ASSERT_EQ(back.height, 30);
    for (std::size_t i = 0; i < p.rgb.size(); ++i) ASSERT_LE(std::abs(p.rgb[i] - back.rgb[i]), 26) << i;
}

TEST(PictureGif, FirstFrameOnScreenWithBackgroundTransparencyAndClipping) {
    // A 3 x 3 frame at (4, 2) on a 6 x 4 screen: its right column and bottom row are cut off.
    const Picture p = vb::decodePicture(
        makeGif(6, 4, {kBlue, kRed, kGreen}, 4, 2, 3, false, 2, {{1, 2, 1}, {2, 1, 1}, {1, 1, 1}}));
    ASSERT_EQ(p.width, 6);
    ASSERT_EQ(p.height, 4);
    EXPECT_EQ(pixel(p, 0, 0), kBlue);  // background colour outside the frame
    EXPECT_EQ(pixel(p, 4, 2), kRed);
    EXPECT_EQ(pixel(p, 5, 2), kBlue);  // transparent
    EXPECT_EQ(pixel(p, 4, 3), kBlue);
    EXPECT_EQ(pixel(p, 5, 3), kRed);
}

TEST(PictureGif, InterlacedRowsLandInPlace) {
    // Stored: pass 1 rows 0 and 8, pass 2 row 4, pass 3 rows 2 and 6, pass 4 the odd rows; the
    // colour names the pass, and none is the background's.
    const Picture p = vb::decodePicture(makeGif(1, 10, {{}, kRed, kGreen, kBlue, kWhite}, 0, 0, 1, true, -1,
                                                {{1}, {1}, {2}, {3}, {3}, {4}, {4}, {4}, {4}, {4}}));
    const Rgb byPass[] = {{}, kRed, kGreen, kBlue, kWhite};
    const int pass[10] = {1, 4, 3, 4, 2, 4, 3, 4, 1, 4};
    for (int y = 0; y < 10; ++y) EXPECT_EQ(pixel(p, 0, y), byPass[pass[y]]) << y;
}

TEST(PictureGif, DamagedFiles) {
    const Bytes file = vb::encodeGif(vb::makeTestPicture(50, 50));
    EXPECT_EQ(vb::decodePicture(Bytes(file.begin(), file.begin() + file.size() / 2)).height, 50);
    const Bytes rows[] = {
        Bytes(file.begin(), file.begin() + 9),                           // screen descriptor cut
        {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'},        // no frame
        {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x9C, 1, 0, 0, 0, 0, ';'},  // 40000 wide
    };
    for (const Bytes& bad : rows)
        EXPECT_EQ(errorOf([&] { vb::decodePicture(bad); }), vb::err::InvalidPicture);
}

TEST(PictureFile, LoadDecidesByContent) {
    TempFolder dir;
    writeFile(dir / "photo.bmp", vb::encodeJpeg(vb::makeTestPicture(30, 20)));
    EXPECT_EQ(vb::loadPicture(dir / "photo.bmp").width, 30);
    writeFile(dir / "notes.jpg", {'h', 'i', '\n'});
    writeFile(dir / "empty.gif", {});
    for (const char* name : {"notes.jpg", "empty.gif"})
        EXPECT_EQ(errorOf([&] { vb::loadPicture(dir / name); }), vb::err::InvalidPicture) << name;
    EXPECT_EQ(errorOf([&] { vb::loadPicture(dir / "missing.jpg"); }), vb::err::FileNotFound);
    EXPECT_EQ(errorOf([&] { vb::loadPicture(dir.path.string()); }), vb::err::PathFileAccess);
}

TEST(PictureFile, SaveReplacesWholeFile) {
    TempFolder dir;
    writeFile(dir / "vantry.bmp", Bytes(5000, 'x'));
    const Picture p = vb::makeTestPicture(33, 17);
    vb::savePictureBmp(p, dir / "vantry.bmp");
    EXPECT_EQ(readFile(dir / "vantry.bmp"), vb::encodeBmp24(p));
    EXPECT_EQ(dir.entries(), 1) << "temporary file left";
}

TEST(PictureFile, FailedSaveLeavesTargetAndFolderAsTheyWere) {
    TempFolder dir;
    const std::string target = dir / "vantry.bmp";
    const Bytes old(300, 'o');
    writeFile(target, old);
    fs::create_directory(dir / "folder");
    const Picture p = vb::makeTestPicture(100, 100);

    EXPECT_EQ(errorOf([&] { vb::savePictureBmp(Picture{}, target); }), vb::err::InvalidPicture);
    // Root may write anywhere, so the failures come from paths no one can write.
    EXPECT_NE(errorOf([&] { vb::savePictureBmp(p, target + "/inside.bmp"); }), 0);
    EXPECT_NE(errorOf([&] { vb::savePictureBmp(p, dir / "folder"); }), 0);

    // A file size limit makes the write fail halfway, as a full disk would.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto* previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int halfway = errorOf([&] { vb::savePictureBmp(p, target); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(halfway, vb::err::DiskFull);

    EXPECT_EQ(readFile(target), old);
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(dir.entries(), 2) << "temporary file left";
}
