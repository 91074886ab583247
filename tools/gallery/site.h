#pragma once
// The demo gallery's content: every page, picture and text document the online part of the
// program asks for, for the four hosts, generated here (no file is read). The HTTP side is in
// main.cpp; this part knows nothing of sockets, so tests can ask it directly.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gallery {

enum class HostKind { Gallery, Site, Secure, Phone, Unknown };

// The host by the Host header's name ("www." and the port dropped): vantry-gallery.localhost
// and its siblings; loopback names count as the gallery.
HostKind hostKind(const std::string& hostHeader);

struct Picture {
    std::string album;  // "sea/boats"
    std::string name;   // the file name in the album, "dawn.jpg"
    std::string code;   // the name less its last four characters: "dawn"
    std::string ext;    // the name's last three characters: "jpg"
    int fullWidth, fullHeight;
};

// Every album and picture; at least two albums with nested paths, one album beginning "Pello",
// JPEG, GIF and BMP pictures, one four-character name, one full-size picture of about 20 MB and
// one JPEG of 8000 x 8000 pixels.
const std::vector<Picture>& pictures();
std::vector<std::string> albums();

struct Answer {
    int status = 200;
    std::string type = "text/html; charset=utf-8";
    std::shared_ptr<const std::string> body;
    bool isPicture = false;
    bool isText = false;  // a plain-text document (counters, version): what a size fault inflates
};

// The state the gallery keeps: download counters, and the generated pictures (made on first
// request, then kept).
class Site {
public:
    explicit Site(std::string version = "3.5.2006") : version_(std::move(version)) {}
    // path is the decoded path, query the raw query string (without "?"); "" when none.
    Answer answer(HostKind host, const std::string& path, const std::string& query);

    int downloads(const std::string& id);  // "dawn_low.jpg"
    std::size_t counters();                // how many download counters are kept

private:
    Answer galleryPage(const std::string& path, const std::string& query);
    Answer sitePage(const std::string& path, const std::string& query);
    std::shared_ptr<const std::string> picture(const std::string& key, const std::string& ext, int w, int h);

    std::string version_;
    std::mutex mutex_;
    std::map<std::string, int> counts_;
    std::map<std::string, std::shared_ptr<const std::string>> pictures_;
};

// Query parameter key of a raw query, percent-decoded; "" when absent.
std::string queryValue(const std::string& query, const std::string& key);
std::string percentDecode(const std::string& s);
std::string percentEncode(const std::string& s);  // every byte but unreserved ones

}  // namespace gallery
