// The picture files common tools write besides our own kinds, each read pixel for pixel as
// ImageMagick reads it, and the bounds that keep a small file from claiming a huge picture.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "picture_samples.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/process.h"
#include "testkit/test_pictures.h"

namespace {

using samples::Bytes;
using samples::errorOf;

// ImageMagick's own decode of the file, as 8-bit RGB; empty when it cannot be run.
Bytes referenceDecode(const Bytes& file, const std::string& suffix) {
    char name[] = "/tmp/vantry-format-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return {};
    ::close(fd);
    const std::string path = std::string(name) + suffix;
    std::rename(name, path.c_str());
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    Bytes rgb;
    if (FILE* pipe = ::popen(("convert '" + path + "' -depth 8 rgb:- 2>/dev/null").c_str(), "r")) {
        std::uint8_t buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            rgb.insert(rgb.end(), buffer, buffer + n);
        ::pclose(pipe);
    }
    std::remove(path.c_str());
    return rgb;
}

void expectAsReference(const Bytes& file, const char* suffix, int width, int height) {
    if (!vb::PosixCommandRunner().available("convert")) GTEST_SKIP() << "ImageMagick not installed";
    const vb::Picture p = vb::decodePicture(file);
    ASSERT_EQ(p.width, width);
    ASSERT_EQ(p.height, height);
    const Bytes reference = referenceDecode(file, suffix);
    ASSERT_EQ(reference.size(), p.rgb.size());
    std::size_t differ = 0, first = 0;
    for (std::size_t i = 0; i < reference.size(); ++i)
        if (reference[i] != p.rgb[i] && differ++ == 0) first = i;
    EXPECT_EQ(differ, 0u) << "first at pixel " << first / 3 << ": " << int(p.rgb[first]) << " against "
                          << int(reference[first]);
}

}  // namespace

TEST(PictureFormats, Rle8BitmapAsReference) {
    expectAsReference(samples::rleBmp(samples::indexedPattern(93, 41, 200), 8), ".bmp", 93, 41);
}

TEST(PictureFormats, Rle4BitmapAsReference) {
    expectAsReference(samples::rleBmp(samples::indexedPattern(77, 33, 16), 4), ".bmp", 77, 33);
}

TEST(PictureFormats, Os2BitmapAsReference) {
    expectAsReference(samples::os2Bmp(samples::indexedPattern(51, 19, 256)), ".bmp", 51, 19);
    vb::Picture p{13, 7, {}};
    for (int i = 0; i < 13 * 7 * 3; ++i) p.rgb.push_back(static_cast<std::uint8_t>(i * 37));
    expectAsReference(samples::os2Bmp24(p), ".bmp", 13, 7);
}

TEST(PictureFormats, CmykJpegAsReference) {
    expectAsReference(samples::printJpeg(70, 45, false), ".jpg", 70, 45);
}

TEST(PictureFormats, YcckJpegAsReference) {
    expectAsReference(samples::printJpeg(70, 45, true), ".jpg", 70, 45);
}

TEST(PictureFormats, RunLengthCodesOutsideTheCommonPath) {
    // 4 x 3, 8 bits: a delta past the first pixels, an end of row, a run past the right edge,
    // and the end of the picture before the top row; what no code reaches stays black.
    const std::uint32_t red = 0xFF0000, green = 0x00FF00;
    samples::Indexed shape{4, 3, std::vector<std::uint8_t>(12, 0), {red, green}};
    Bytes file = samples::rleBmp(shape, 8);
    const std::size_t data = file[10];
    file.resize(data);
    file.insert(file.end(), {0, 2, 2, 0, 2, 1, 0, 0, 9, 0, 0, 1});
    const vb::Picture p = vb::decodePicture(file);
    auto at = [&](int x, int y) {
        return p.rgb[(y * 4 + x) * 3] << 16 | p.rgb[(y * 4 + x) * 3 + 1] << 8 | p.rgb[(y * 4 + x) * 3 + 2];
    };
    EXPECT_EQ(at(0, 2), 0);  // skipped by the delta
    EXPECT_EQ(at(2, 2), green);
    EXPECT_EQ(at(3, 2), green);
    EXPECT_EQ(at(0, 1), red);  // the run of 9 cut at the edge
    EXPECT_EQ(at(3, 1), red);
    EXPECT_EQ(at(0, 0), 0);  // after the end of the picture
}

TEST(PictureFormats, RunsFarPastTheRightEdgeNeverWriteOutsideTheirRow) {
    // 1 x 2: the bottom row codes 2^32 - 1 pixels of black in runs of 255, then a run of two
    // white ones; all of it is past the edge, so nothing but black is ever drawn.
    samples::Indexed shape{1, 2, std::vector<std::uint8_t>(2, 0), {0x000000, 0xFFFFFF}};
    Bytes file = samples::rleBmp(shape, 8);
    const std::size_t data = file[10];
    file.resize(data);
    constexpr std::size_t runs = 0xFFFFFFFFull / 255;
    file.reserve(data + runs * 2 + 4);
    for (std::size_t i = 0; i < runs; ++i) file.insert(file.end(), {255, 0});
    file.insert(file.end(), {2, 1, 0, 1});
    const vb::Picture p = vb::decodePicture(file);
    ASSERT_EQ(p.rgb.size(), 6u);
    for (std::uint8_t v : p.rgb) EXPECT_EQ(v, 0);
}

// A small file claiming 14142 x 14142 pixels (570 MB as RGB) is refused before the picture is
// allocated; a real picture of one colour, which codes to very little, still loads.
TEST(PictureLimits, TinyFilesClaimingHugePicturesFail) {
    Bytes bmp(70, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[26] = 1, bmp[28] = 24;
    for (int at : {18, 22}) bmp[at] = 0x3E, bmp[at + 1] = 0x37;  // 14142
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x3E, 0x37, 0x3E, 0x37, 0x80, 0, 0, 0,    0, 0, 255, 255,
                       255, ',', 0,   0,   0,   0,   1,    0,    1,    0,    0,    2, 2, 0x44, 1, 0, ';'};
    // A 16 x 16 JPEG whose frame header is patched to the huge size.
    Bytes jpeg = samples::solidJpeg(16, 16, false);
    std::size_t sof = 2;
    while (jpeg[sof + 1] != 0xC0) sof += 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]);
    for (std::size_t at : {sof + 5, sof + 7}) jpeg[at] = 0x37, jpeg[at + 1] = 0x3E;
    Bytes rle = samples::rleBmp(samples::Indexed{2, 2, {0, 0, 0, 0}, {0x102030}}, 8);
    for (int at : {18, 22}) rle[at] = 0x3E, rle[at + 1] = 0x37;

    const std::pair<const char*, const Bytes*> rows[] = {
        {"BMP", &bmp}, {"GIF", &gif}, {"JPEG", &jpeg}, {"RLE8", &rle}};
    for (const auto& [kind, file] : rows)
        EXPECT_EQ(errorOf([file = file] { vb::decodePicture(*file); }), vb::err::InvalidPicture)
            << kind << ", " << file->size() << " bytes";
}

TEST(PictureLimits, SolidColourPicturesStillLoad) {
    for (bool progressive : {false, true}) {
        const vb::Picture p = vb::decodePicture(samples::solidJpeg(3840, 2160, progressive));
        ASSERT_EQ(p.width, 3840);
        EXPECT_EQ(p.rgb[p.rgb.size() / 2 + 1], 123) << progressive;
    }
    vb::Picture solid{3840, 2160, Bytes(3840u * 2160 * 3, 51)};
    const Bytes gif = vb::encodeGif(solid);
    EXPECT_EQ(vb::decodePicture(gif).height, 2160) << gif.size() << " bytes";
    EXPECT_EQ(vb::decodePicture(samples::flatRle8(3840, 2160, 0x336699)).width, 3840);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(PictureLimits, FailedAllocationIsAnInvalidPicture) {
    // A true 10000 x 10000 JPEG of one colour (300 MB as RGB) with the address space held to
    // 200 MB above what the process has mapped.
    const Bytes file = samples::solidJpeg(10000, 10000, false);
    std::size_t mappedKb = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmSize: %zu kB", &mappedKb) == 1) break;
        std::fclose(status);
    }
    ASSERT_GT(mappedKb, 0u);
    rlimit saved{};
    ::getrlimit(RLIMIT_AS, &saved);
    rlimit small = saved;
    small.rlim_cur = (mappedKb << 10) + (200u << 20);
    ::setrlimit(RLIMIT_AS, &small);
    const int error = errorOf([&] { vb::decodePicture(file); });
    ::setrlimit(RLIMIT_AS, &saved);
    EXPECT_EQ(error, vb::err::InvalidPicture);
}
#endif
