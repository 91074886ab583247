// Draws the pictures that ship in the program folder: a few library pictures and the
// placeholders. Run once by a developer (`vantry-assets data`); the outputs are committed.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/pictures/picture.h"
#include "testkit/test_pictures.h"

namespace {

using vb::Picture;

Picture canvas(int w, int h) {
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.assign(std::size_t(w) * std::size_t(h) * 3, 0);
    return p;
}

void put(Picture& p, int x, int y, int r, int g, int b) {
    auto* px = &p.rgb[(std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * 3];
    px[0] = std::uint8_t(std::clamp(r, 0, 255));
    px[1] = std::uint8_t(std::clamp(g, 0, 255));
    px[2] = std::uint8_t(std::clamp(b, 0, 255));
}

// A sky fading to the horizon over hills, with a sun: one scene in several moods.
Picture landscape(int w, int h, int skyTop[3], int skyLow[3], int hill[3], double sunX, double sunY) {
    Picture p = canvas(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = double(y) / h;
            int r = int(skyTop[0] + (skyLow[0] - skyTop[0]) * t);
            int g = int(skyTop[1] + (skyLow[1] - skyTop[1]) * t);
            int b = int(skyTop[2] + (skyLow[2] - skyTop[2]) * t);
            const double dx = x - sunX * w, dy = y - sunY * h;
            const double d = std::sqrt(dx * dx + dy * dy) / (0.08 * h);
            if (d < 1) r = 255, g = 240, b = 190;
            else if (d < 3) r += int(60 / d), g += int(50 / d), b += int(20 / d);
            const double ridge = 0.62 + 0.07 * std::sin(x * 6.0 / w) + 0.04 * std::sin(x * 17.0 / w + 1);
            const double ridge2 = 0.75 + 0.05 * std::sin(x * 4.0 / w + 2);
            if (t > ridge2) r = hill[0] * 7 / 10, g = hill[1] * 7 / 10, b = hill[2] * 7 / 10;
            else if (t > ridge) r = hill[0], g = hill[1], b = hill[2];
            put(p, x, y, r, g, b);
        }
    return p;
}

// A grey card with a crossed frame: "no picture here".
Picture placeholder(int w, int h) {
    Picture p = canvas(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = 225;
            if (x < 3 || y < 3 || x >= w - 3 || y >= h - 3) v = 150;
            const double fx = double(x) / w, fy = double(y) / h;
            if (std::abs(fx - fy) < 0.006 || std::abs(fx + fy - 1) < 0.006) v = 180;
            put(p, x, y, v, v, v + 5);
        }
    return p;
}

// The language flags, 120 x 80 with a thin grey edge so a white field stands out. The cross:
// red on white; the tricolour: green, white and red in three upright bands.
Picture crossFlag(int w, int h) {
    Picture p = canvas(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool cross = std::abs(2 * x - w) < h / 5 || std::abs(2 * y - h) < h / 5;
            if (cross) put(p, x, y, 200, 16, 46);
            else put(p, x, y, 255, 255, 255);
        }
    return p;
}

Picture tricolourFlag(int w, int h) {
    Picture p = canvas(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < w / 3) put(p, x, y, 0, 146, 70);
            else if (x < 2 * w / 3) put(p, x, y, 244, 245, 240);
            else put(p, x, y, 206, 43, 55);
        }
    return p;
}

Picture edged(Picture p) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (x == 0 || y == 0 || x == p.width - 1 || y == p.height - 1) put(p, x, y, 150, 150, 150);
    return p;
}

void write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "data";
    int dawnTop[3] = {60, 80, 150}, dawnLow[3] = {250, 170, 120}, dawnHill[3] = {60, 70, 60};
    int noonTop[3] = {40, 110, 210}, noonLow[3] = {170, 210, 240}, noonHill[3] = {70, 140, 60};
    int duskTop[3] = {30, 20, 70}, duskLow[3] = {220, 90, 80}, duskHill[3] = {40, 30, 50};
    int seaTop[3] = {90, 150, 200}, seaLow[3] = {220, 235, 240}, seaHill[3] = {20, 90, 130};
    write(out + "/img/Dawn hills.jpg", vb::encodeJpeg(landscape(1024, 768, dawnTop, dawnLow, dawnHill, 0.7, 0.5), 88));
    write(out + "/img/noon.jpg", vb::encodeJpeg(landscape(1280, 800, noonTop, noonLow, noonHill, 0.3, 0.2), 88));
    write(out + "/img/Dusk.JPG", vb::encodeJpeg(landscape(800, 600, duskTop, duskLow, duskHill, 0.5, 0.55), 88));
    write(out + "/img/sea.bmp", vb::encodeBmp24(landscape(320, 240, seaTop, seaLow, seaHill, 0.8, 0.3)));
    write(out + "/notavailable.jpg", vb::encodeJpeg(placeholder(137, 105), 85));
    write(out + "/notavailable_1.jpg", vb::encodeJpeg(placeholder(137, 105), 85));
    write(out + "/lang/English/English_2.jpg", vb::encodeJpeg(edged(crossFlag(120, 80)), 92));
    write(out + "/lang/Italiano/Italiano_2.jpg", vb::encodeJpeg(edged(tricolourFlag(120, 80)), 92));
    return 0;
}
