// The picture files the scenario runner writes: every depth and format the program meets, as an
// independent reader sees them, and the checksums they carry.
#include <gtest/gtest.h>

#include <algorithm>

#include "library/img_inf.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "testkit/scenario_support.h"
#include "testkit/test_pictures.h"

using namespace vb::scenario;

namespace {

// ---- picture files

std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
};

// Splits a PNG file into its chunks, checking each chunk's checksum on the way.
std::vector<Chunk> chunks(const std::vector<std::uint8_t>& png) {
    std::vector<Chunk> out;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t len = be32(png, at);
        EXPECT_LE(at + 12 + len, png.size());
        if (at + 12 + len > png.size()) break;
        Chunk c{std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                std::vector<std::uint8_t>(png.begin() + long(at) + 8, png.begin() + long(at + 8 + len))};
        EXPECT_EQ(crc32(&png[at + 4], 4 + len), be32(png, at + 8 + len)) << c.type;
        out.push_back(std::move(c));
        at += 12 + len;
    }
    EXPECT_EQ(at, png.size());
    return out;
}

// Undoes a zlib stream of "stored" blocks, checking the block lengths and the Adler-32.
std::vector<std::uint8_t> unstore(const std::vector<std::uint8_t>& z) {
    std::vector<std::uint8_t> out;
    EXPECT_EQ(z.at(0), 0x78);
    EXPECT_EQ((z.at(0) * 256 + z.at(1)) % 31, 0);  // the header's own check
    std::size_t at = 2;
    for (bool last = false; !last;) {
        last = z.at(at) & 1;
        EXPECT_EQ(z.at(at) & 6, 0);  // stored
        const unsigned len = z.at(at + 1) | (z.at(at + 2) << 8);
        const unsigned nlen = z.at(at + 3) | (z.at(at + 4) << 8);
        EXPECT_EQ(len ^ 0xFFFFu, nlen);
        out.insert(out.end(), z.begin() + long(at) + 5, z.begin() + long(at + 5 + len));
        at += 5 + len;
    }
    EXPECT_EQ(at + 4, z.size());
    EXPECT_EQ(adler32(out.data(), out.size()), be32(z, at));
    return out;
}

TEST(ScenarioPictures, ChecksumsMatchTheirPublishedCheckValues) {
    const std::string nine = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const std::uint8_t*>(nine.data()), nine.size()), 0xCBF43926u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
    EXPECT_EQ(adler32(nullptr, 0), 1u);
}

TEST(ScenarioPictures, PngTruecolourHoldsTheTestPictureExactly) {
    const auto png = pictureFile("png", 5, 3, 0);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_TRUE(std::equal(signature, signature + 8, png.begin()));
    // The end chunk is the same in every PNG file.
    const std::vector<std::uint8_t> iend = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    ASSERT_TRUE(std::equal(iend.begin(), iend.end(), png.end() - 12));

    const auto all = chunks(png);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].type, "IHDR");
    EXPECT_EQ(all[0].data, (std::vector<std::uint8_t>{0, 0, 0, 5, 0, 0, 0, 3, 8, 2, 0, 0, 0}));
    EXPECT_EQ(all[1].type, "IDAT");
    const auto raw = unstore(all[1].data);
    const vb::Picture p = vb::makeTestPicture(5, 3);
    ASSERT_EQ(raw.size(), 3u * (1 + 5 * 3));
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(raw[std::size_t(y) * 16], 0);  // no filter
        EXPECT_TRUE(
            std::equal(p.rgb.begin() + y * 15, p.rgb.begin() + (y + 1) * 15, raw.begin() + y * 16 + 1));
    }
    int w = 0, h = 0;
    EXPECT_TRUE(pngSize(png, w, h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
}

TEST(ScenarioPictures, PngDepthsAsAnIndependentReaderSeesThem) {
    struct Row {
        int bits, depth, colourType;
        std::size_t rowBytes;  // for a width of 9
    } rows[] = {{1, 1, 0, 2},   {2, 2, 0, 3},    {4, 4, 0, 5},   {8, 8, 0, 9},   {16, 16, 0, 18},
                {24, 8, 2, 27}, {48, 16, 2, 54}, {32, 8, 6, 36}, {64, 16, 6, 72}};
    for (const Row& r : rows) {
        const auto png = pictureFile("png", 9, 4, r.bits);
        const auto all = chunks(png);
        ASSERT_EQ(all.size(), 3u) << r.bits;
        EXPECT_EQ(all[0].data[8], r.depth) << r.bits;
        EXPECT_EQ(all[0].data[9], r.colourType) << r.bits;
        EXPECT_EQ(unstore(all[1].data).size(), 4 * (1 + r.rowBytes)) << r.bits;
        imginf_detail::MemorySource src(png);
        const ImageInfo info = imginf_detail::imageInfoOf(src);
        EXPECT_EQ(info.Format, 1) << r.bits;
        EXPECT_EQ(info.Width, 9) << r.bits;
        EXPECT_EQ(info.Height, 4) << r.bits;
        EXPECT_EQ(info.Bits, r.bits) << r.bits;
    }
}

TEST(ScenarioPictures, LargePngSpreadsOverSeveralStoredBlocks) {
    const auto png = pictureFile("png", 300, 250, 24);
    const auto all = chunks(png);
    ASSERT_EQ(all.size(), 3u);
    const auto raw = unstore(all[1].data);  // 225,250 bytes: four blocks
    EXPECT_EQ(raw.size(), 250u * (1 + 900));
}

TEST(ScenarioPictures, BitmapsOfEveryDepthLoad) {
    const vb::Picture want = vb::makeTestPicture(13, 3);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const auto bmp = pictureFile("bmp", 13, 3, bits);
        imginf_detail::MemorySource src(bmp);
        const ImageInfo info = imginf_detail::imageInfoOf(src);
        EXPECT_EQ(info.Format, 4) << bits;
        EXPECT_EQ(info.Bits, bits);
        const vb::Picture got = vb::decodePicture(bmp);
        ASSERT_EQ(got.width, 13) << bits;
        ASSERT_EQ(got.height, 3) << bits;
        for (std::size_t i = 0; i < want.rgb.size(); i += 3) {
            if (bits >= 24) {
                EXPECT_EQ(got.rgb[i], want.rgb[i]) << bits << " at " << i;
                EXPECT_EQ(got.rgb[i + 2], want.rgb[i + 2]) << bits << " at " << i;
            } else if (bits == 16) {
                for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(got.rgb[i + ch], want.rgb[i + ch], 8) << i;
            } else {  // a grey palette
                EXPECT_EQ(got.rgb[i], got.rgb[i + 1]) << bits;
                EXPECT_EQ(got.rgb[i], got.rgb[i + 2]) << bits;
            }
        }
    }
    EXPECT_EQ(pictureFile("bmp", 13, 3, 0), pictureFile("bmp", 13, 3, 24));
}

TEST(ScenarioPictures, JpegAndGifLoadWithTheirSize) {
    for (const char* format : {"jpg", "gif"}) {
        const vb::Picture got = vb::decodePicture(pictureFile(format, 31, 17, 0));
        EXPECT_EQ(got.width, 31) << format;
        EXPECT_EQ(got.height, 17) << format;
    }
}

TEST(ScenarioPictures, ImpossiblePicturesAreRefused) {
    EXPECT_THROW(pictureFile("tif", 2, 2, 0), std::invalid_argument);
    EXPECT_THROW(pictureFile("bmp", 2, 2, 2), std::invalid_argument);
    EXPECT_THROW(pictureFile("png", 2, 2, 12), std::invalid_argument);
    EXPECT_THROW(pictureFile("png", 0, 2, 24), std::invalid_argument);
    EXPECT_THROW(pictureFile("jpg", 40000, 2, 0), std::invalid_argument);
    EXPECT_THROW(pictureFile("jpg", 20000, 20000, 0), std::invalid_argument);  // too many pixels
}

TEST(ScenarioPictures, PngSizeWantsAnIntactHeader) {
    auto png = pictureFile("png", 4, 4, 8);
    int w = 0, h = 0;
    ASSERT_TRUE(pngSize(png, w, h));
    auto damaged = png;
    damaged[17] ^= 1;  // the width, under the header's checksum
    EXPECT_FALSE(pngSize(damaged, w, h));
    EXPECT_FALSE(pngSize(std::vector<std::uint8_t>(png.begin(), png.begin() + 30), w, h));
    EXPECT_FALSE(pngSize(pictureFile("bmp", 4, 4, 0), w, h));
}

TEST(ScenarioPictures, FillerIsNoJpegStart) {
    const std::string f = fillerBytes(1000);
    EXPECT_EQ(f.size(), 1000u);
    EXPECT_EQ(f.substr(0, 17), "Vantry test data\n");
    EXPECT_EQ(f.find('\xFF'), std::string::npos);
    EXPECT_EQ(fillerBytes(0), "");
    EXPECT_EQ(fillerBytes(5), "Vantr");
}

}  // namespace
