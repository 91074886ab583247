#pragma once
// The string rules of the gallery explorer's address watcher, apart from the window so they can
// be checked character for character. The watcher's tick (MyExplorer::Timer1_Timer and
// Passo_01..03) applies them to the window's text boxes and buttons.
//
// A gallery page's address names its album and picture in the query, unencoded apart from the
// "/" between album levels, which the gallery writes as "%2F":
//     .../index.php?album=sea%2Fboats                   an album page
//     .../index.php?album=sea%2Fboats%2F&pic=dawn.jpg   a picture page
// Every comparison here is on bytes, exact and letter case significant, except where said.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "online/hosts.h"

namespace vantry::watcher {

// The three prefixes of the maker's sites, in the order they are compared: "http://www." and the
// gallery host, "http://www." and the site host, "https://www." and the secure host.
std::array<std::string, 3> sitePrefixes(const Hosts& hosts);

// Whether the address begins with one of the site prefixes.
bool onSites(std::string_view address, const Hosts& hosts);

// Step 1: the text after the first "album" and the one character that follows it (normally
// "="), looked for only where at least one more character follows that one; nullopt when there
// is no such "album".
std::optional<std::string> albumRemainder(std::string_view address);

struct AlbumAndPicture {
    std::string album;    // before the marker, still encoded
    std::string picture;  // the file name after the marker, at least three characters
};

// Step 2: splits at the first "%2F&pic=" that has at least three characters after it; nullopt
// when there is none (the remainder then names an album only).
std::optional<AlbumAndPicture> splitPicture(std::string_view remainder);

// Step 3: every "%2F" becomes "/", the F in either case.
std::string decodeAlbumPath(std::string_view path);

// Step 3: whether the album takes uploads: every album but those whose path begins "Pello".
bool uploadAllowed(std::string_view albumPath);

}  // namespace vantry::watcher
