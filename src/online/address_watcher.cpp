#include "online/address_watcher.h"

namespace vantry::watcher {

namespace {
constexpr std::string_view kAlbum = "album";
constexpr std::string_view kPictureMarker = "%2F&pic=";
constexpr std::string_view kSlash = "%2F";
constexpr std::string_view kClosedAlbums = "Pello";

bool slashAt(const std::string& s, std::size_t i) {
    return s[i] == '%' && s[i + 1] == '2' && (s[i + 2] == 'F' || s[i + 2] == 'f');
}
}  // namespace

std::array<std::string, 3> sitePrefixes(const Hosts& hosts) {
    return {"http://www." + hosts.gallery, "http://www." + hosts.site, "https://www." + hosts.secure};
}

bool onSites(std::string_view address, const Hosts& hosts) {
    for (const std::string& prefix : sitePrefixes(hosts))
        if (address.substr(0, prefix.size()) == prefix) return true;
    return false;
}

std::optional<std::string> albumRemainder(std::string_view u) {
    // The word and the character after it must leave at least one character to take.
    const std::size_t n = u.size();
    for (std::size_t i = 0; i + kAlbum.size() + 2 <= n; ++i)
        if (u.substr(i, kAlbum.size()) == kAlbum) return std::string(u.substr(i + kAlbum.size() + 1));
    return std::nullopt;
}

std::optional<AlbumAndPicture> splitPicture(std::string_view s) {
    // A marker counts only with a file name of three characters or more after it.
    const std::size_t m = s.size();
    for (std::size_t j = 0; j + kPictureMarker.size() + 3 <= m; ++j)
        if (s.substr(j, kPictureMarker.size()) == kPictureMarker)
            return AlbumAndPicture{std::string(s.substr(0, j)),
                                   std::string(s.substr(j + kPictureMarker.size()))};
    return std::nullopt;
}

std::string decodeAlbumPath(std::string path) {
    // Each replacement starts the search afresh from the beginning.
    for (;;) {
        std::size_t at = std::string::npos;
        for (std::size_t i = 0; i + kSlash.size() <= path.size(); ++i)
            if (slashAt(path, i)) {
                at = i;
                break;
            }
        if (at == std::string::npos) return path;
        path.replace(at, kSlash.size(), "/");
    }
}

bool uploadAllowed(std::string_view albumPath) {
    return albumPath.substr(0, kClosedAlbums.size()) != kClosedAlbums;
}

}  // namespace vantry::watcher
