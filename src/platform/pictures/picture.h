#pragma once
// Pictures as the picture boxes hold them: plain 24-bit RGB pixels, loaded from BMP, JPEG or GIF
// files and saved only as 24-bit Windows bitmaps (the one format the wallpaper setting takes).
//
// Loading decides the format from the file's first bytes; the name's extension is never looked
// at, so a JPEG named ".bmp" loads and a text file named ".jpg" is an invalid picture.
//
// Damaged files: a file whose headers are incomplete or inconsistent is an invalid picture, and
// so is one whose data cannot fill the picture its header claims (tested before anything is
// allocated, so a tiny file claiming a huge picture fails at once): an uncompressed bitmap
// needs at least a quarter of its rows, a run-length coded one two bytes per 255 pixels, a
// Huffman-coded JPEG one bit per 8 x 8 block, a GIF the bits its compression needs for its
// screen at the best. A file cut short within those bounds loads, with the missing part filled
// (black for BMP, the background colour for GIF, the decoder's grey for JPEG), the way viewers
// show a picture that is still downloading.
// Every failure, a failed allocation included, throws vb::Error(err::InvalidPicture) (or the
// read error of loadPicture); no input makes the reader crash or allocate more than the
// dimension limits below allow.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vb {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes: R, G, B; rows top-down, unpadded

    bool empty() const { return width <= 0 || height <= 0 || rgb.empty(); }
};

// Headers claiming more than this are rejected before anything is allocated. The largest
// accepted picture takes 600 MB as RGB, which is as far as a wallpaper can sensibly go.
inline constexpr int kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = 200'000'000;

enum class PictureFormat { Unknown, Bmp, Jpeg, Gif };

// From the signature bytes only. PNG and other formats are Unknown: they cannot be loaded.
PictureFormat sniffPictureFormat(std::span<const std::uint8_t> bytes);

// Throws vb::Error(err::InvalidPicture) for anything that is not a loadable picture.
Picture decodePicture(std::span<const std::uint8_t> bytes);

// Reads the file, then decodes it. Missing file: err::FileNotFound; no access:
// err::PermissionDenied; any other failure to read (a folder, an I/O error): err::PathFileAccess.
Picture loadPicture(const std::string& osPath);

// Scaling, smoothly: each target pixel is the area average of the source pixels it covers when
// shrinking, bilinear between the nearest four when enlarging. A region the same size as the
// target is copied unchanged.
struct PictureRegion {
    double x = 0, y = 0, width = 0, height = 0;  // in source pixels; may have fractions
};

// The centred part of the picture that fills a width x height frame at the picture's own
// proportions, the rest cut off equally on both sides.
PictureRegion coverRegion(const Picture& picture, int width, int height);

// Hands the rows of `from` scaled to width x height to `row` (y, width * 3 RGB bytes), top
// first, without ever holding the whole target: callers convert each row as it comes.
void scalePictureRows(const Picture& picture, PictureRegion from, int width, int height,
                      const std::function<void(int y, const std::uint8_t* rgb)>& row);

// The whole picture scaled to width x height, its proportions not kept.
Picture scalePicture(const Picture& picture, int width, int height);

// A 24-bit bottom-up Windows bitmap (14 + 40 bytes of headers, rows padded to 4 bytes).
// Throws err::InvalidPicture for an empty or inconsistent picture.
std::vector<std::uint8_t> encodeBmp24(const Picture& picture);

// Replaces the file as a whole or not at all: the bitmap is written to a temporary file beside
// the target, flushed to disk and renamed over it, so a reader (the desktop's wallpaper
// setter) never sees half a file and a failure leaves the old file as it was. Only our own
// regular file or a new one is replaced: a link or another user's file there fails the save (see
// AtomicFile::Target::OwnFileOnly). Throws err::InvalidPicture for an empty picture, else an
// error number from the failing step.
void savePictureBmp(const Picture& picture, const std::string& osPath);
// The same, with the last step, the rename over the target, handed to `commit`, which runs it
// or drops it (the target then stays as it was): for a writer that others may overtake, which
// replaces the file only while its picture is still the one wanted.
void savePictureBmp(const Picture& picture, const std::string& osPath,
                    const std::function<void(const std::function<void()>& replace)>& commit);

}  // namespace vb
