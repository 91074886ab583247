// GIF through giflib: the first frame on its logical screen.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/pictures/picture_codec.h"

namespace vb::codec {
namespace {


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

}  // namespace

Picture decodeGif(std::span<const std::uint8_t> b) {
    MemoryReader reader{b};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, readFromMemory, &error));
    if (!gif) invalid("GIF screen descriptor unreadable");
    checkDimensions(gif->SWidth, gif->SHeight);
    // A code of the compressed data takes at least 3 bits and stands for at most 4096 pixels
    // (the longest entry of its table): a screen larger than the file can code is a header
    // lying about it. A solid-colour 4K screen takes some 6 KB, over ten times this floor.
    const std::uint64_t most = static_cast<std::uint64_t>(b.size()) * 8 / 3 * 4096;
    if (static_cast<std::uint64_t>(gif->SWidth) * static_cast<std::uint64_t>(gif->SHeight) > most)
        invalid("the data cannot fill the GIF screen");

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

}  // namespace vb::codec
