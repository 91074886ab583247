#include "online/gallery_picture.h"

namespace vantry {

std::string pictureCode(std::string_view fileName) {
    return fileName.size() < 4 ? std::string() : std::string(fileName.substr(0, fileName.size() - 4));
}

std::string pictureExtension(std::string_view fileName) {
    return std::string(fileName.substr(fileName.size() < 3 ? 0 : fileName.size() - 3));
}

bool codeUsableInLocalPath(std::string_view code) {
    if (code.find("..") != std::string_view::npos) return false;
    for (const char c : code) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::string cacheAddress(const Hosts& hosts, std::string_view albumPath, std::string_view code,
                         std::string_view suffix, std::string_view extension) {
    std::string path = "/pelloria/gallery/murlo-cache/";
    path += albumPath;
    path += '/';
    path += code;
    path += suffix;
    path += '.';
    path += extension;
    return hosts.galleryAddress(path);
}

std::string webSizeAddress(const Hosts& hosts, std::string_view albumPath, std::string_view code,
                           std::string_view extension) {
    return cacheAddress(hosts, albumPath, code, "_800", extension);
}

std::string eCardAddress(const Hosts& hosts, std::string_view pictureAddress) {
    std::string path = "/utils/pelloria/ecards/index.php?picture=";
    path += pictureAddress;
    return hosts.siteAddress(path);
}

std::string phoneAddress(const Hosts& hosts, std::string_view pictureAddress) {
    std::string a = "http://" + hosts.phone + "/download/?url=";
    a += pictureAddress;
    return a;
}

}  // namespace vantry
