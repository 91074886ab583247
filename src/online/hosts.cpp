#include "online/hosts.h"

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/system/fs.h"

namespace vantry {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

void applyLine(Hosts& h, std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string key = vb::toLowerAscii(std::string(trim(line.substr(0, eq))));
    const std::string_view value = trim(line.substr(eq + 1));
    if (value.empty()) return;
    std::string* target = key == "gallery"  ? &h.gallery
                          : key == "site"   ? &h.site
                          : key == "secure" ? &h.secure
                          : key == "phone"  ? &h.phone
                                            : nullptr;
    if (target) *target = std::string(value);
}

}  // namespace

std::string Hosts::address(const std::string& host, std::string_view path) {
    std::string a = "http://www." + host;
    a += path;
    return a;
}

Hosts parseHosts(std::string_view text) {
    // Written by hand as often as not: LF, CR LF and lone CR all end a line.
    Hosts h;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            applyLine(h, text.substr(start, i - start));
            start = i + 1;
        }
    return h;
}

Hosts readHosts(const vb::FileSystem& fs, const std::string& programFolder) {
    const std::string path = vb::joinPath(programFolder, kHostsFile);
    try {
        if (!fs.fileExists(path)) return {};
        return parseHosts(fs.readBytes(path, 64 * 1024));
    } catch (const vb::Error&) {
        return {};
    }
}

}  // namespace vantry
