// Smooth scaling in two passes per target row: the source rows it needs, weighted into one
// row of sums, then the columns of that row weighted into the target row. Weights are 14-bit
// fixed point; the sums keep 8 bits of fraction between the passes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/pictures/picture_codec.h"

namespace vb {
namespace {

constexpr int kOne = 1 << 14;

// For each target index, the source indices [first, first + weights.size()) it draws on.
struct Taps {
    int first = 0;
    std::vector<int> weights;
};

// Target pixel i covers source [start + i * step, start + (i + 1) * step). Shrinking, each
// source pixel weighs by how much of it lies inside; enlarging, the two pixels whose centres
// are nearest the target's centre weigh by their nearness.
std::vector<Taps> taps(double start, double span, int source, int target) {
    std::vector<Taps> out(static_cast<std::size_t>(target));
    const double step = span / target;
    // Pixels outside the region are not drawn on, so nothing cut off bleeds in at the edges.
    const int lo = std::clamp(static_cast<int>(std::floor(start)), 0, source - 1);
    const int hi = std::clamp(static_cast<int>(std::ceil(start + span)) - 1, lo, source - 1);
    for (int i = 0; i < target; ++i) {
        Taps& t = out[static_cast<std::size_t>(i)];
        std::vector<double> w;
        if (step >= 1.0) {
            const double a = start + i * step, b = a + step;
            t.first = std::clamp(static_cast<int>(std::floor(a)), lo, hi);
            const int last = std::clamp(static_cast<int>(std::ceil(b)) - 1, t.first, hi);
            for (int j = t.first; j <= last; ++j) w.push_back(std::max(0.0, std::min<double>(b, j + 1) - std::max<double>(a, j)));
        } else {
            const double centre = start + (i + 0.5) * step - 0.5;
            const int j = static_cast<int>(std::floor(centre));
            const double f = centre - j;
            t.first = std::clamp(j, lo, hi);
            const int second = std::clamp(j + 1, lo, hi);
            if (second == t.first) w = {1.0};
            else w = {1.0 - f, f};
        }
        double total = 0;
        for (double v : w) total += v;
        if (total <= 0) w = {1.0}, total = 1.0;
        int sum = 0;
        std::size_t biggest = 0;
        for (std::size_t k = 0; k < w.size(); ++k) {
            t.weights.push_back(static_cast<int>(std::lround(w[k] / total * kOne)));
            sum += t.weights.back();
            if (t.weights[k] > t.weights[biggest]) biggest = k;
        }
        t.weights[biggest] += kOne - sum;  // exactly one in all
    }
    return out;
}

}  // namespace

PictureRegion coverRegion(const Picture& picture, int width, int height) {
    const double scale = std::max(static_cast<double>(width) / picture.width, static_cast<double>(height) / picture.height);
    const double w = width / scale, h = height / scale;
    return {(picture.width - w) / 2, (picture.height - h) / 2, w, h};
}

void scalePictureRows(const Picture& picture, PictureRegion from, int width, int height,
                      const std::function<void(int, const std::uint8_t*)>& row) {
    if (picture.empty() || width <= 0 || height <= 0) return;
    const std::size_t sourceStride = static_cast<std::size_t>(picture.width) * 3;

    // The same size at whole-pixel offsets: the pixels themselves.
    const bool wholeX = from.x == std::floor(from.x) && from.width == width;
    const bool wholeY = from.y == std::floor(from.y) && from.height == height;
    if (wholeX && wholeY && from.x >= 0 && from.y >= 0 && from.x + width <= picture.width &&
        from.y + height <= picture.height) {
        for (int y = 0; y < height; ++y)
            row(y, &picture.rgb[(static_cast<std::size_t>(from.y) + y) * sourceStride + static_cast<std::size_t>(from.x) * 3]);
        return;
    }

    const std::vector<Taps> rows = taps(from.y, from.height, picture.height, height);
    const std::vector<Taps> columns = taps(from.x, from.width, picture.width, width);
    // Only the source columns some target pixel draws on are summed.
    const int left = columns.front().first;
    const int right = columns.back().first + static_cast<int>(columns.back().weights.size());
    const std::size_t span = static_cast<std::size_t>(right - left) * 3;
    std::vector<std::int32_t> sums(span);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * 3);

    for (int y = 0; y < height; ++y) {
        const Taps& t = rows[static_cast<std::size_t>(y)];
        std::fill(sums.begin(), sums.end(), 0);
        for (std::size_t k = 0; k < t.weights.size(); ++k) {
            const std::int32_t w = t.weights[k];
            const std::uint8_t* src = &picture.rgb[(static_cast<std::size_t>(t.first) + k) * sourceStride + static_cast<std::size_t>(left) * 3];
            std::int32_t* s = sums.data();
            for (std::size_t i = 0; i < span; ++i) s[i] += w * src[i];
        }
        for (std::int32_t& s : sums) s = (s + 32) >> 6;  // 8 bits of fraction left
        std::uint8_t* dst = out.data();
        for (int x = 0; x < width; ++x, dst += 3) {
            const Taps& c = columns[static_cast<std::size_t>(x)];
            const std::int32_t* s = &sums[static_cast<std::size_t>(c.first - left) * 3];
            std::int32_t r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < c.weights.size(); ++k, s += 3) {
                r += c.weights[k] * s[0];
                g += c.weights[k] * s[1];
                b += c.weights[k] * s[2];
            }
            constexpr std::int32_t half = 1 << 21;
            dst[0] = static_cast<std::uint8_t>(std::min((r + half) >> 22, 255));
            dst[1] = static_cast<std::uint8_t>(std::min((g + half) >> 22, 255));
            dst[2] = static_cast<std::uint8_t>(std::min((b + half) >> 22, 255));
        }
        row(y, out.data());
    }
}

Picture scalePicture(const Picture& picture, int width, int height) {
    Picture p = codec::blankPicture(width, height);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    scalePictureRows(picture, {0, 0, static_cast<double>(picture.width), static_cast<double>(picture.height)}, width,
                     height, [&](int y, const std::uint8_t* rgb) { std::copy_n(rgb, stride, &p.rgb[y * stride]); });
    return p;
}

}  // namespace vb
