#pragma once
// The four hosts the online gallery talks to, read from "HOSTS.CFG" in the program folder.
//
// The file holds one "key=value" line per host: gallery=, site=, secure=, phone=. Keys are
// matched without regard to letter case; blanks around key and value are dropped. Unknown keys,
// blank lines, lines without "=" and empty values are ignored, and a key that is missing keeps
// its default, so a damaged file never leaves the program without a host. A later line wins
// over an earlier one. No file at all means every default.
//
// The defaults point at the demo gallery on loopback (tools/gallery), one port for all four.
#include <string>
#include <string_view>

namespace vb {
class FileSystem;
}

namespace vantry {

struct Hosts {
    std::string gallery = "vantry-gallery.localhost:8642";
    std::string site = "vantry-site.localhost:8642";
    std::string secure = "vantry-secure.localhost:8642";
    std::string phone = "vantry-phone.localhost:8642";

    // "http://www." + host + path, the form every online address takes.
    static std::string address(const std::string& host, std::string_view path);
    std::string galleryAddress(std::string_view path) const { return address(gallery, path); }
    std::string siteAddress(std::string_view path) const { return address(site, path); }
};

inline constexpr const char* kHostsFile = "HOSTS.CFG";
// The gallery's news page, loaded by the connection monitor and the news panel.
inline constexpr const char* kNewsPage = "/pelloria/gallery/portal_news.htm";

// Applies the lines of a hosts file to the defaults.
Hosts parseHosts(std::string_view text);

// Reads "HOSTS.CFG" from the program folder; a missing or unreadable file gives the defaults.
Hosts readHosts(const vb::FileSystem& fs, const std::string& programFolder);

}  // namespace vantry
