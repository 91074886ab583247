// Lexing: scenario text into lines of tokens, with placeholders and escapes resolved; and the
// small value readers the steps share. Turning lines into steps is in scenario_lexer.cpp.
#include "testkit/scenario_lexer.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace vb::scenario {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The placeholder written at text[i], if any: its length in the source and its replacement.
bool placeholderAt(std::string_view text, std::size_t i, const Placeholders& ph, std::size_t& length,
                   const std::string*& replacement) {
    struct Known {
        std::string_view name;
        const std::string* value;
    };
    const Known known[] = {{"<pf>", &ph.pf},           {"<windir>", &ph.windir}, {"<root>", &ph.root},
                           {"<gallery>", &ph.gallery}, {"<site>", &ph.site},     {"<secure>", &ph.secure},
                           {"<phone>", &ph.phone}};
    for (const Known& k : known)
        if (text.substr(i, k.name.size()) == k.name) {
            length = k.name.size();
            replacement = k.value;
            return true;
        }
    return false;
}

}  // namespace

std::optional<std::vector<Token>> lexLine(std::string_view text, const Placeholders& ph, SyntaxError& error) {
    std::vector<Token> out;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto failAt = [&](std::size_t at, std::string message) {
        error.column = int(at) + 1;
        error.message = std::move(message);
        return std::nullopt;
    };
    while (i < n) {
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        Token t;
        t.column = int(i) + 1;
        if (text[i] == '"') {
            t.quoted = true;
            const std::size_t open = i++;
            bool closed = false;
            while (i < n) {
                const char c = text[i];
                if (c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (c == '\\') {
                    if (i + 1 >= n) return failAt(i, "a backslash ends the line inside quotes");
                    const char e = text[i + 1];
                    switch (e) {
                        case '"':
                            t.text += '"';
                            break;
                        case '\\':
                            t.text += '\\';
                            break;
                        case 'r':
                            t.text += '\r';
                            break;
                        case 'n':
                            t.text += '\n';
                            break;
                        case 't':
                            t.text += '\t';
                            break;
                        case 'x': {
                            const int hi = i + 2 < n ? hexValue(text[i + 2]) : -1;
                            const int lo = i + 3 < n ? hexValue(text[i + 3]) : -1;
                            if (hi < 0 || lo < 0) return failAt(i, "\\x needs two hex digits");
                            t.text += char(hi * 16 + lo);
                            i += 2;
                            break;
                        }
                        default:
                            return failAt(i, std::string("unknown escape \\") + e);
                    }
                    i += 2;
                    continue;
                }
                std::size_t len = 0;
                const std::string* rep = nullptr;
                if (c == '<' && placeholderAt(text, i, ph, len, rep)) {
                    t.text += *rep;
                    i += len;
                    continue;
                }
                t.text += c;
                ++i;
            }
            if (!closed) return failAt(open, "a quoted value is not closed");
            if (i < n && !isBlank(text[i])) return failAt(i, "a quoted value must be followed by a blank");
        } else {
            while (i < n && !isBlank(text[i])) {
                if (text[i] == '"') return failAt(i, "a quote inside a bare word (quote the whole value)");
                std::size_t len = 0;
                const std::string* rep = nullptr;
                if (text[i] == '<' && placeholderAt(text, i, ph, len, rep)) {
                    t.text += *rep;
                    i += len;
                    continue;
                }
                t.text += text[i++];
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

Lexed lexScenario(std::string_view text, const Placeholders& ph) {
    Lexed result;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        std::string_view line = text.substr(start, end - start);
        ++number;
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            start = end + 2;
        else
            start = end + 1;

        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        if (first == line.size() || line[first] == '#') continue;

        SyntaxError error;
        if (auto tokens = lexLine(line, ph, error)) {
            result.lines.push_back({number, std::move(*tokens)});
        } else {
            error.line = number;
            result.errors.push_back(std::move(error));
        }
    }
    return result;
}

std::string quoteWord(std::string_view text) {
    auto placeholderNameAt = [&](std::size_t i) {
        std::size_t len = 0;
        const std::string* rep = nullptr;
        return placeholderAt(text, i, Placeholders{}, len, rep);
    };
    bool bare = !text.empty() && text[0] != '#';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (isBlank(c) || c == '"' || u < 0x20 || u == 0x7f || (c == '<' && placeholderNameAt(i)))
            bare = false;
    }
    if (bare) return std::string(text);
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '<' && placeholderNameAt(i)) {
            // Written as an escape so the shown value never reads back as a placeholder.
            out += "\\x3c";
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    out += "\\x";
                    out += hex[u >> 4];
                    out += hex[u & 15];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string Name::text() const {
    std::string out = form;
    if (!control.empty()) {
        out += "." + control;
        if (index >= 0) out += "(" + std::to_string(index) + ")";
    }
    if (!property.empty()) out += "." + property;
    return out;
}

Phase phaseOf(Op op) {
    if (op <= Op::Cd) return Phase::Prepare;
    if (op <= Op::Browser) return Phase::Answer;
    if (op <= Op::Advance) return Phase::Act;
    return Phase::Expect;
}

bool parseSize(std::string_view text, long long& width, long long& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos || x == 0 || x + 1 >= text.size()) return false;
    auto digits = [](std::string_view s, long long& out) {
        if (s.empty() || s.size() > 9) return false;
        out = 0;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
            out = out * 10 + (c - '0');
        }
        return out > 0;
    };
    return digits(text.substr(0, x), width) && digits(text.substr(x + 1), height);
}

bool parseTimestamp(std::string_view text, long long out[6]) {
    // yyyy/mm/dd hh:mm:ss, exactly.
    static const char shape[] = "dddd/dd/dd dd:dd:dd";
    if (text.size() != sizeof(shape) - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i])
            return false;
    }
    auto num = [&](std::size_t at, std::size_t len) {
        long long v = 0;
        for (std::size_t i = at; i < at + len; ++i) v = v * 10 + (text[i] - '0');
        return v;
    };
    out[0] = num(0, 4), out[1] = num(5, 2), out[2] = num(8, 2);
    out[3] = num(11, 2), out[4] = num(14, 2), out[5] = num(17, 2);
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (out[0] < 1970 || out[1] < 1 || out[1] > 12 || out[2] < 1) return false;
    const bool leap = (out[0] % 4 == 0 && out[0] % 100 != 0) || out[0] % 400 == 0;
    const long long maxDay = out[1] == 2 && !leap ? 28 : days[out[1] - 1];
    return out[2] <= maxDay && out[3] <= 23 && out[4] <= 59 && out[5] <= 59;
}

}  // namespace vb::scenario
