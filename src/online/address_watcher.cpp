#include "online/address_watcher.h"

namespace vantry::watcher {

namespace {
constexpr std::string_view kAlbum = "album";
constexpr std::string_view kPictureMarker = "%2F&pic=";
constexpr std::string_view kSlash = "%2F";
constexpr std::string_view kClosedAlbums = "Pello";

bool slashAt(std::string_view s, std::size_t i) {
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

// Each rule is one pass over the text: the watcher runs them every two seconds on whatever
// address the page has made for itself, however long.

std::optional<std::string> albumRemainder(std::string_view u) {
    // The word and the character after it must leave at least one character to take; the first
    // occurrence decides, since any later one leaves even less.
    const std::size_t i = u.find(kAlbum);
    if (i == std::string_view::npos || i + kAlbum.size() + 2 > u.size()) return std::nullopt;
    return std::string(u.substr(i + kAlbum.size() + 1));
}

std::optional<AlbumAndPicture> splitPicture(std::string_view s) {
    // A marker counts only with a file name of three characters or more after it; as above, the
    // first occurrence decides. Its tail "&pic=" is looked for, being rare where "%2F" may be
    // everywhere, and then the separator before it.
    constexpr std::string_view tail = kPictureMarker.substr(kSlash.size());
    for (std::size_t k = s.find(tail, kSlash.size()); k != std::string_view::npos; k = s.find(tail, k + 1)) {
        const std::size_t j = k - kSlash.size();
        if (j + kPictureMarker.size() + 3 > s.size()) return std::nullopt;
        if (s.substr(j, kSlash.size()) == kSlash)
            return AlbumAndPicture{std::string(s.substr(0, j)), std::string(s.substr(k + tail.size()))};
    }
    return std::nullopt;
}

std::string decodeAlbumPath(std::string_view path) {
    // A "/" put in never forms a new separator with its neighbours, so one pass from the left
    // finds exactly the separators that searching afresh after each replacement would.
    std::string out(path.size(), '\0');
    std::size_t n = 0;
    for (std::size_t i = 0; i < path.size();) {
        if (i + kSlash.size() <= path.size() && slashAt(path, i)) {
            out[n++] = '/';
            i += kSlash.size();
        } else {
            out[n++] = path[i++];
        }
    }
    out.resize(n);
    return out;
}

bool uploadAllowed(std::string_view albumPath) {
    return albumPath.substr(0, kClosedAlbums.size()) != kClosedAlbums;
}

}  // namespace vantry::watcher
