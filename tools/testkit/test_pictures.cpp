#include "testkit/test_pictures.h"

#include <gif_lib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <string>

#include "platform/base/error.h"

namespace vb {
namespace {

[[noreturn]] void invalid(const std::string& why) {
    throw Error(err::InvalidPicture, "invalid picture: " + why);
}

void checkPicture(const Picture& p) {
    if (p.empty() || p.width > kMaxPictureSide || p.height > kMaxPictureSide ||
        std::int64_t(p.width) * p.height > kMaxPicturePixels)
        invalid("no picture or too large");
    if (p.rgb.size() != std::size_t(p.width) * std::size_t(p.height) * 3)
        invalid("pixel buffer does not match the size");
}

}  // namespace

Picture makeTestPicture(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t(width) * height > kMaxPicturePixels)
        invalid("test picture size");
    Picture p;
    p.width = width;
    p.height = height;
    p.rgb.assign(std::size_t(width) * std::size_t(height) * 3, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = &p.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            px[0] = static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1));
            px[1] = static_cast<std::uint8_t>(y * 255 / std::max(height - 1, 1));
            px[2] = static_cast<std::uint8_t>((x + y) * 7);
        }
    }
    return p;
}

std::vector<std::uint8_t> encodeJpeg(const Picture& picture, int quality) {
    checkPicture(picture);
    tjhandle handle = tjInitCompress();
    if (!handle) invalid("JPEG codec unavailable");
    struct Closer {
        tjhandle h;
        ~Closer() { tjDestroy(h); }
    } tj{handle};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj.h, picture.rgb.data(), picture.width, 0, picture.height, TJPF_RGB, &out, &size,
                    TJSAMP_420, quality, 0) != 0) {
        tjFree(out);
        invalid(tjGetErrorStr2(tj.h));
    }
    std::vector<std::uint8_t> bytes(out, out + size);
    tjFree(out);
    return bytes;
}

namespace {
int writeToVector(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}
}  // namespace

std::vector<std::uint8_t> encodeGif(const Picture& picture) {
    checkPicture(picture);  // also keeps the sizes within the 16 bits a GIF has
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToVector, &error);
    if (!gif) invalid("GIF encoder unavailable");

    GifColorType colours[256] = {};
    for (int i = 0; i < 216; ++i) {
        colours[i].Red = static_cast<GifByteType>(i / 36 * 51);
        colours[i].Green = static_cast<GifByteType>(i / 6 % 6 * 51);
        colours[i].Blue = static_cast<GifByteType>(i % 6 * 51);
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    std::vector<GifPixelType> line(static_cast<std::size_t>(picture.width));
    bool ok = map && EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < picture.height; ++y) {
        const std::uint8_t* px = &picture.rgb[static_cast<std::size_t>(y) * picture.width * 3];
        for (int x = 0; x < picture.width; ++x, px += 3) {
            auto level = [](std::uint8_t v) { return (v * 5 + 127) / 255; };
            line[x] = static_cast<GifPixelType>(level(px[0]) * 36 + level(px[1]) * 6 + level(px[2]));
        }
        ok = EGifPutLine(gif, line.data(), picture.width) == GIF_OK;
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    if (!ok) invalid("GIF encoding failed");
    return out;
}

}  // namespace vb
