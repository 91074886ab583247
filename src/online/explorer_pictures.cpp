#include "online/explorer_pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace vantry {

namespace {

using Shape = std::function<bool(double x, double y)>;  // in the unit square, y down

struct Point {
    double x, y;
};

bool inRect(double x, double y, double l, double t, double r, double b) {
    return x >= l && x <= r && y >= t && y <= b;
}

bool inTriangle(double x, double y, Point a, Point b, Point c) {
    auto side = [&](Point p, Point q) { return (x - q.x) * (p.y - q.y) - (p.x - q.x) * (y - q.y); };
    const double d1 = side(a, b), d2 = side(b, c), d3 = side(c, a);
    const bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
    return !(neg && pos);
}

bool nearSegment(double x, double y, Point a, Point b, double halfWidth) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double px = a.x + t * dx - x, py = a.y + t * dy - y;
    return px * px + py * py <= halfWidth * halfWidth;
}

double distance(double x, double y, Point c) {
    return std::hypot(x - c.x, y - c.y);
}

void channels(vb::Color c, int out[3]) {
    out[0] = int(c >> 16) & 255;
    out[1] = int(c >> 8) & 255;
    out[2] = int(c) & 255;
}

// Draws the shape in fore on back, each pixel covered by 4 × 4 samples for smooth edges.
std::shared_ptr<const vb::Picture> render(int side, vb::Color back, vb::Color fore, const Shape& shape) {
    auto p = std::make_shared<vb::Picture>();
    p->width = p->height = side;
    p->rgb.resize(std::size_t(side) * std::size_t(side) * 3);
    int b[3], f[3];
    channels(back, b);
    channels(fore, f);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += shape((x + (sx + 0.5) / 4) / side, (y + (sy + 0.5) / 4) / side) ? 1 : 0;
            std::uint8_t* px = &p->rgb[(std::size_t(y) * std::size_t(side) + std::size_t(x)) * 3];
            for (int i = 0; i < 3; ++i) px[i] = std::uint8_t(b[i] + (f[i] - b[i]) * hits / 16);
        }
    return p;
}

Shape glyphShape(Glyph g) {
    switch (g) {
        case Glyph::Back:
            return [](double x, double y) {
                return inTriangle(x, y, {0.12, 0.5}, {0.5, 0.16}, {0.5, 0.84}) ||
                       inRect(x, y, 0.45, 0.4, 0.86, 0.6);
            };
        case Glyph::Forward:
            return [](double x, double y) {
                return inTriangle(x, y, {0.88, 0.5}, {0.5, 0.16}, {0.5, 0.84}) ||
                       inRect(x, y, 0.14, 0.4, 0.55, 0.6);
            };
        case Glyph::Stop:
            return [](double x, double y) {
                return nearSegment(x, y, {0.22, 0.22}, {0.78, 0.78}, 0.08) ||
                       nearSegment(x, y, {0.78, 0.22}, {0.22, 0.78}, 0.08);
            };
        case Glyph::Refresh:
            return [](double x, double y) {
                const double r = distance(x, y, {0.5, 0.52});
                const bool ring = r >= 0.2 && r <= 0.32 && !(x > 0.5 && y < 0.5);
                return ring || inTriangle(x, y, {0.5, 0.06}, {0.5, 0.44}, {0.76, 0.25});
            };
        case Glyph::Home:
            return [](double x, double y) {
                const bool roof = inTriangle(x, y, {0.5, 0.12}, {0.1, 0.5}, {0.9, 0.5});
                const bool walls =
                    inRect(x, y, 0.22, 0.48, 0.78, 0.86) && !inRect(x, y, 0.42, 0.6, 0.58, 0.87);
                return roof || walls;
            };
        case Glyph::NewTopic:
            return [](double x, double y) {
                const bool bubble = inRect(x, y, 0.12, 0.18, 0.88, 0.68) ||
                                    inTriangle(x, y, {0.25, 0.66}, {0.45, 0.66}, {0.22, 0.88});
                const bool plus = inRect(x, y, 0.45, 0.26, 0.55, 0.6) || inRect(x, y, 0.33, 0.38, 0.67, 0.48);
                return bubble && !plus;
            };
        case Glyph::Forum:
            return [](double x, double y) {
                const bool first = inRect(x, y, 0.08, 0.14, 0.62, 0.52) ||
                                   inTriangle(x, y, {0.16, 0.5}, {0.32, 0.5}, {0.14, 0.66});
                const bool second = inRect(x, y, 0.4, 0.4, 0.92, 0.76) ||
                                    inTriangle(x, y, {0.7, 0.74}, {0.86, 0.74}, {0.86, 0.9});
                const bool gap = inRect(x, y, 0.35, 0.35, 0.97, 0.81) && !second;
                return (first && !gap) || second;
            };
        case Glyph::ECard:
            return [](double x, double y) {
                const bool frame = inRect(x, y, 0.1, 0.24, 0.9, 0.76) && !inRect(x, y, 0.16, 0.3, 0.84, 0.7);
                return frame || nearSegment(x, y, {0.14, 0.28}, {0.5, 0.54}, 0.04) ||
                       nearSegment(x, y, {0.86, 0.28}, {0.5, 0.54}, 0.04);
            };
        case Glyph::Phone:
            return [](double x, double y) {
                return inRect(x, y, 0.3, 0.1, 0.7, 0.9) && !inRect(x, y, 0.36, 0.2, 0.64, 0.7) &&
                       !(distance(x, y, {0.5, 0.8}) < 0.045);
            };
        case Glyph::Upload:
            return [](double x, double y) {
                return inTriangle(x, y, {0.5, 0.1}, {0.24, 0.4}, {0.76, 0.4}) ||
                       inRect(x, y, 0.42, 0.38, 0.58, 0.68) || inRect(x, y, 0.16, 0.78, 0.84, 0.88);
            };
        case Glyph::Download:
            return [](double x, double y) {
                return inTriangle(x, y, {0.5, 0.7}, {0.24, 0.4}, {0.76, 0.4}) ||
                       inRect(x, y, 0.42, 0.1, 0.58, 0.42) || inRect(x, y, 0.16, 0.78, 0.84, 0.88);
            };
    }
    return [](double, double) { return false; };
}

}  // namespace

std::shared_ptr<const vb::Picture> buttonFace(Glyph g) {
    return render(26, kBarColor, vb::rgb(236, 242, 252), glyphShape(g));
}

std::shared_ptr<const vb::Picture> barBackground() {
    auto p = std::make_shared<vb::Picture>();
    p->width = 64;
    p->height = 41;
    p->rgb.resize(std::size_t(p->width * p->height) * 3);
    int c[3];
    channels(kBarColor, c);
    for (int y = 0; y < p->height; ++y)
        for (int x = 0; x < p->width; ++x) {
            std::uint8_t* px = &p->rgb[std::size_t(y * p->width + x) * 3];
            // Lighter at the top edge, the bar's own colour where the faces sit.
            const int lift = y < 4 ? (4 - y) * 8 : 0;
            for (int i = 0; i < 3; ++i) px[i] = std::uint8_t(std::min(255, c[i] + lift));
        }
    return p;
}

std::shared_ptr<const vb::Picture> addressIcon() {
    return render(16, vb::rgb(255, 255, 255), vb::rgb(47, 111, 209), [](double x, double y) {
        const double r = distance(x, y, {0.5, 0.5});
        const double ex = (x - 0.5) / 0.17, ey = (y - 0.5) / 0.42;
        const double e = std::sqrt(ex * ex + ey * ey);
        return (r >= 0.36 && r <= 0.46) || (r < 0.4 && (std::abs(e - 1) < 0.22 || std::abs(y - 0.5) < 0.05));
    });
}

std::shared_ptr<const vb::Picture> statusLight(bool onSites) {
    const vb::Color light = onSites ? vb::rgb(40, 170, 60) : vb::rgb(210, 50, 40);
    return render(16, kStatusColor, light, [](double x, double y) {
        return distance(x, y, {0.5, 0.5}) <= 0.4;
    });
}

}  // namespace vantry
