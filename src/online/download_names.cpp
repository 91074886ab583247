#include "online/download_names.h"

#include <cmath>
#include <cstdio>

#include "online/gallery_picture.h"

namespace vantry {

std::string pictureAddress(const Hosts& hosts, std::string_view album, std::string_view code,
                           std::string_view extension, bool low) {
    if (low) return webSizeAddress(hosts, album, code, extension);
    std::string path = "/pelloria/gallery/murlo-albums/";
    path += album;
    path += '/';
    path += code;
    path += '.';
    path += extension;
    return hosts.galleryAddress(path);
}

std::string downloadCounterAddress(const Hosts& hosts, std::string_view code, bool low) {
    std::string path = "/utils/pelloria/counter/download.php?id=";
    path += code;
    path += low ? "_low.jpg" : "_high.jpg";
    return hosts.siteAddress(path);
}

std::string downloadedPictureName(std::string_view code, bool low) {
    return std::string(code) + (low ? "_lowres" : "_higres") + ".jpg";
}

std::string thumbnailAddress(const Hosts& hosts, std::string_view album, std::string_view code,
                             std::string_view extension) {
    return cacheAddress(hosts, album, code, "_thumb_135", extension);
}

std::string downloadCountAddress(const Hosts& hosts, std::string_view code, bool low) {
    std::string path = "/utils/pelloria/counter/dcount/";
    path += code;
    path += low ? "_low.jpg.txt" : "_high.jpg.txt";
    return hosts.siteAddress(path);
}

std::string counterText(std::string_view answer) {
    std::size_t characters = 0;
    for (const char c : answer)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;  // not a continuation byte
    return characters > 10 ? "-" : std::string(answer);
}

double downloadPercent(std::int64_t total, std::int64_t done) {
    if (total <= 0 || done <= 0) return 0.0;
    return 100.0 / (double(total) / double(done));
}

std::string percentText(double percent) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", percent);
    return buf;
}

int progressStripWidth(double percent) {
    return int(std::lround(percent * 2415.0 / 100.0));
}

std::string byteCountText(std::int64_t total, std::int64_t done) {
    return std::to_string(done) + " bytes   |   " + std::to_string(total) + " bytes";
}

}  // namespace vantry
