#include "site.h"

#include <algorithm>
#include <cctype>

#include "testkit/scenario_support.h"

namespace gallery {

namespace {

const char* kStyle =
    "<style>body{font-family:sans-serif;margin:0;background:#f4f5f7;color:#222}"
    "header{background:#243456;color:#fff;padding:14px 20px}header h1{margin:0;font-size:22px}"
    "main{padding:16px 20px}a{color:#2a5db0}.thumbs a{display:inline-block;margin:6px;text-align:center}"
    ".news article{background:#fff;border-left:4px solid #466eb4;margin:0 0 12px;padding:8px 12px}"
    ".news h2{font-size:16px;margin:0 0 4px}.date{color:#667;font-size:12px}</style>";

// Text from a request, safe inside an element or a quoted attribute.
std::string escapeHtml(const std::string& t) {
    std::string out;
    out.reserve(t.size());
    for (char c : t) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title>" + kStyle +
           "</head><body><header><h1>" + title + "</h1></header><main>" + body + "</main></body></html>\n";
}

Answer html(const std::string& title, const std::string& body) {
    Answer a;
    a.body = std::make_shared<const std::string>(page(title, body));
    return a;
}

Answer text(const std::string& t) {
    Answer a;
    a.type = "text/plain; charset=utf-8";
    a.body = std::make_shared<const std::string>(t);
    a.isText = true;
    return a;
}

Answer notFound(const std::string& path) {
    Answer a = html("Not found", "<p>There is no page " + escapeHtml(path) + " here.</p>");
    a.status = 404;
    return a;
}

Picture pic(std::string album, std::string name, int w, int h) {
    Picture p{std::move(album), name, "", "", w, h};
    p.code = name.size() >= 4 ? name.substr(0, name.size() - 4) : "";
    p.ext = name.size() >= 3 ? name.substr(name.size() - 3) : name;
    return p;
}

const char* mimeOf(const std::string& ext) {
    if (ext == "gif") return "image/gif";
    if (ext == "bmp") return "image/bmp";
    return "image/jpeg";
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

// Web-size and thumbnail sizes keep the full picture's proportions.
void scaled(const Picture& p, int longSide, int& w, int& h) {
    if (p.fullWidth >= p.fullHeight) {
        w = longSide;
        h = std::max(1, p.fullHeight * longSide / p.fullWidth);
    } else {
        h = longSide;
        w = std::max(1, p.fullWidth * longSide / p.fullHeight);
    }
}

std::string webSizePath(const Picture& p) {
    return "/pelloria/gallery/murlo-cache/" + p.album + "/" + p.code + "_800." + p.ext;
}
std::string thumbPath(const Picture& p) {
    return "/pelloria/gallery/murlo-cache/" + p.album + "/" + p.code + "_thumb_135." + p.ext;
}
std::string picturePage(const Picture& p) {
    return "/pelloria/gallery/index.php?album=" + percentEncode(p.album + "/") +
           "&pic=" + percentEncode(p.name);
}

}  // namespace

HostKind hostKind(const std::string& hostHeader) {
    std::string h = hostHeader;
    if (auto colon = h.rfind(':'); colon != std::string::npos && h.find(']') == std::string::npos)
        h.erase(colon);
    std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (startsWith(h, "www.")) h.erase(0, 4);
    if (h == "vantry-gallery.localhost" || h == "localhost" || h == "127.0.0.1" || h.empty())
        return HostKind::Gallery;
    if (h == "vantry-site.localhost") return HostKind::Site;
    if (h == "vantry-secure.localhost") return HostKind::Secure;
    if (h == "vantry-phone.localhost") return HostKind::Phone;
    return HostKind::Unknown;
}

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> all = {
        pic("sea/boats", "dawn.jpg", 1600, 1200),
        pic("sea/boats", "harbour.gif", 1024, 768),
        pic("sea/boats", "Ajpg", 1280, 960),  // four characters: the code is empty
        pic("mountains/alps/north", "summit.jpg", 1920, 1080),
        pic("mountains/alps/north", "glacier.bmp", 1024, 768),
        // About 20 MB at full size (24-bit BMP), for the download benchmark.
        pic("mountains/alps/north", "panorama.bmp", 3200, 2200),
        // 8000 x 8000 (64 megapixels): the picture that takes longest to decode and to save.
        pic("mountains/alps/north", "massif.jpg", 8000, 8000),
        pic("Pellorian/coast", "cliffs.jpg", 1200, 1600),
        pic("Pellorian/coast", "lantern.gif", 640, 480),
    };
    return all;
}

std::vector<std::string> albums() {
    std::vector<std::string> out;
    for (const Picture& p : pictures())
        if (std::find(out.begin(), out.end(), p.album) == out.end()) out.push_back(p.album);
    return out;
}

std::string percentDecode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit((unsigned char)s[i + 1]) &&
            std::isxdigit((unsigned char)s[i + 2])) {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (s[i] == '+') {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string percentEncode(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~')
            out += char(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string queryValue(const std::string& query, const std::string& key) {
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string item = query.substr(start, end - start);
        const auto eq = item.find('=');
        if (eq != std::string::npos && item.substr(0, eq) == key) return percentDecode(item.substr(eq + 1));
        start = end + 1;
    }
    return "";
}

std::shared_ptr<const std::string> Site::picture(const std::string& key, const std::string& ext, int w,
                                                 int h) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& slot = pictures_[key];
    if (!slot) {
        const auto bytes = vb::scenario::pictureFile(ext == "jpg" ? "jpg" : ext, w, h, ext == "bmp" ? 24 : 0);
        slot = std::make_shared<const std::string>(bytes.begin(), bytes.end());
    }
    return slot;
}

int Site::downloads(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = counts_.find(id);
    return it == counts_.end() ? 0 : it->second;
}

std::size_t Site::counters() {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_.size();
}

namespace {
// Downloads are counted for the gallery's own pictures only, in either resolution: so the
// counters stay as few as the pictures, whatever ids the requests make up.
bool countedId(const std::string& id) {
    for (const Picture& p : pictures())
        if (id == p.code + "_low.jpg" || id == p.code + "_high.jpg") return true;
    return false;
}
}  // namespace

Answer Site::answer(HostKind host, const std::string& path, const std::string& query) {
    switch (host) {
        case HostKind::Gallery:
            return galleryPage(path, query);
        case HostKind::Site:
            return sitePage(path, query);
        case HostKind::Secure:
            if (path == "/" || path.empty()) return html("Vantry secure area", "<p>Account pages.</p>");
            return notFound(path);
        case HostKind::Phone:
            if (path == "/download/" || path == "/download") {
                const std::string url = escapeHtml(queryValue(query, "url"));
                return html("Picture to your phone",
                            "<p>Send this picture to your mobile phone:</p><p><img src=\"" + url +
                                "\" width=\"200\"></p><p><code>" + url + "</code></p>");
            }
            return notFound(path);
        case HostKind::Unknown:
            break;
    }
    Answer a = html("Unknown host", "<p>This server answers for the Vantry demo hosts only.</p>");
    a.status = 404;
    return a;
}

Answer Site::galleryPage(const std::string& path, const std::string& query) {
    const std::string root = "/pelloria/gallery";
    if (path == root || path == root + "/" || path == root + "/index.htm" ||
        (path == root + "/index.php" && query.empty())) {
        std::string body = "<p>Welcome to the Vantry gallery. Pick an album:</p><ul>";
        for (const std::string& a : albums())
            body +=
                "<li><a href=\"" + root + "/index.php?album=" + percentEncode(a) + "\">" + a + "</a></li>";
        return html("Vantry gallery", body + "</ul>");
    }
    if (path == root + "/index.php") {
        std::string album = queryValue(query, "album");
        const std::string picName = queryValue(query, "pic");
        if (!album.empty() && album.back() == '/') album.pop_back();
        for (const Picture& p : pictures()) {
            if (p.album != album) continue;
            if (!picName.empty() && p.name == picName)
                return html(p.name, "<p><a href=\"" + root + "/index.php?album=" + percentEncode(album) +
                                        "\">" + album + "</a> / " + p.name + "</p><p><img src=\"" +
                                        webSizePath(p) + "\" alt=\"" + p.name +
                                        "\"></p><p><a href=\"/pelloria/gallery/murlo-albums/" + p.album +
                                        "/" + p.name + "\">Full size</a></p>");
        }
        std::string body = "<p>Album " + album + "</p><div class=\"thumbs\">";
        bool any = false;
        for (const Picture& p : pictures())
            if (p.album == album && picName.empty()) {
                any = true;
                body += "<a href=\"" + picturePage(p) + "\"><img src=\"" + thumbPath(p) + "\" alt=\"" +
                        p.name + "\"><br>" + p.name + "</a>";
            }
        if (!any) return notFound(path + "?" + query);
        return html("Album " + album, body + "</div>");
    }
    for (const Picture& p : pictures()) {
        int w = p.fullWidth, h = p.fullHeight;
        std::string key;
        if (path == webSizePath(p)) {
            scaled(p, 800, w, h);
            key = "web:";
        } else if (path == thumbPath(p)) {
            scaled(p, 135, w, h);
            key = "thumb:";
        } else if (path == "/pelloria/gallery/murlo-albums/" + p.album + "/" + p.code + "." + p.ext) {
            key = "full:";
        } else {
            continue;
        }
        Answer a;
        a.type = mimeOf(p.ext);
        a.body = picture(key + p.album + "/" + p.name, p.ext, w, h);
        a.isPicture = true;
        return a;
    }
    if (path == root + "/counter.php") {
        // Shown in the explorer as a thin band between its bar and its page (the visit
        // browser's rows 16 to 31 pixels down): one small line on the bar's colour, short
        // enough to end before the address strip, which covers the band from 200 pixels on.
        Answer a;
        a.body = std::make_shared<const std::string>(
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Visits</title></head>"
            "<body style=\"margin:0;background:#243456;color:#c8d4eb;font:11px sans-serif\">"
            "<div style=\"padding:17px 0 0 12px\">Thanks for visiting!</div></body></html>\n");
        return a;
    }
    if (path == root + "/portal_news.htm")
        return html("Vantry news",
                    "<div class=\"news\"><article><h2>New album: Pellorian coast</h2><p class=\"date\">"
                    "This week</p><p>Cliffs and lanterns from the northern shore, ready as wallpapers.</p>"
                    "</article><article><h2>Alpine panorama in full size</h2><p class=\"date\">Last week</p>"
                    "<p>A very large picture for big screens: download it in high resolution.</p></article>"
                    "<article><h2>Send a picture as an e-card</h2><p class=\"date\">Last month</p>"
                    "<p>Every gallery picture can travel to a friend as an e-card.</p></article></div>");
    if (path == root + "/forum_news.htm")
        return html("Forum news", "<p>The latest topics from the forum.</p>");
    if (path == "/utils/halden/index.php")
        return html("Upload a picture", "<form><p>Your picture: <input type=\"file\"></p></form>");
    return notFound(path);
}

Answer Site::sitePage(const std::string& path, const std::string& query) {
    const std::string dcount = "/utils/pelloria/counter/dcount/";
    if (startsWith(path, dcount) && path.size() > dcount.size() + 4 &&
        path.substr(path.size() - 4) == ".txt") {
        const std::string id = path.substr(dcount.size(), path.size() - dcount.size() - 4);
        return text(std::to_string(downloads(id)));
    }
    if (path == "/utils/pelloria/counter/download.php") {
        const std::string id = queryValue(query, "id");
        int n = 0;
        if (countedId(id)) {
            std::lock_guard<std::mutex> lock(mutex_);
            n = ++counts_[id];
        }
        return html("Download counted",
                    "<p>" + escapeHtml(id) + ": " + std::to_string(n) + " downloads.</p>");
    }
    if (path == "/utils/pelloria/ecards/index.php") {
        const std::string picture = escapeHtml(queryValue(query, "picture"));
        return html("Send an e-card", "<p>Your e-card with the picture:</p><p><img src=\"" + picture +
                                          "\" width=\"320\"></p><p><code>" + picture + "</code></p>");
    }
    if (path == "/forum" || path == "/forum/")
        return html("Forum", "<p><a href=\"/forum/viewforum.php?f=17\">News</a></p>");
    if (path == "/forum/viewforum.php")
        return html("Forum " + escapeHtml(queryValue(query, "f")), "<p>Topics of this forum.</p>");
    if (path == "/forum/posting.php") return html("New topic", "<form><textarea></textarea></form>");
    if (path == "/vantry_version_number.js") {
        // The version stands at characters 32 to 39, counted from 1.
        std::string doc = "// Vantry: latest version ";
        doc.resize(31, '.');
        Answer a = text(doc + version_ + "\n");
        a.type = "application/javascript";
        return a;
    }
    for (const char* p : {"/download", "/bugreport.htm", "/products/surplex", "/products/kestrin",
                          "/products/vantry/manual.htm"})
        if (path == p) return html(std::string("Vantry ") + (p + 1), "<p>Product information.</p>");
    return notFound(path);
}

}  // namespace gallery
