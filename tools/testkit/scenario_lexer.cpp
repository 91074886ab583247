// Steps: a lexed line (scenario_tokens.cpp) turned into a Step, checking everything that can be
// checked without running.
#include "testkit/scenario_lexer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace vb::scenario {

namespace {

struct Fail {
    int column;
    std::string message;
};

bool isIdentifier(std::string_view s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// Which names a step accepts.
enum class Shape { Form, Control, FormOrControl, Property, Procedure };

class Reader {
public:
    explicit Reader(const Line& line) : line_(line) {}

    bool atEnd() const { return pos_ >= line_.tokens.size(); }
    int column() const { return atEnd() ? 0 : line_.tokens[pos_].column; }
    // A bare word equal to kw comes next.
    bool isWord(std::string_view kw) const {
        return !atEnd() && !line_.tokens[pos_].quoted && line_.tokens[pos_].text == kw;
    }
    bool accept(std::string_view kw) {
        if (!isWord(kw)) return false;
        ++pos_;
        return true;
    }
    const Token& next(const std::string& what) {
        if (atEnd()) throw Fail{0, "missing " + what};
        return line_.tokens[pos_++];
    }
    std::string value(const std::string& what) { return next(what).text; }
    // One of the bare words in choices.
    std::string choice(const std::string& what, std::initializer_list<std::string_view> choices) {
        std::string list;
        for (std::string_view c : choices) {
            if (accept(c)) return std::string(c);
            list += (list.empty() ? "" : ", ") + std::string(c);
        }
        if (atEnd()) throw Fail{0, "missing " + what + " (" + list + ")"};
        throw Fail{column(),
                   what + " must be one of " + list + ", not " + quoteWord(line_.tokens[pos_].text)};
    }
    long long number(const std::string& what, long long min = -2147483648LL, long long max = 2147483647LL) {
        const int col = column();
        const std::string t = value(what);
        std::size_t i = (t.size() > 1 && t[0] == '-') ? 1 : 0;
        long long v = 0;
        bool ok = i < t.size() && t.size() - i <= 10;
        for (; ok && i < t.size(); ++i) {
            if (t[i] < '0' || t[i] > '9')
                ok = false;
            else
                v = v * 10 + (t[i] - '0');
        }
        if (!ok) throw Fail{col, what + " must be a whole number, not " + quoteWord(t)};
        if (t[0] == '-') v = -v;
        if (v < min || v > max)
            throw Fail{col, what + " must be from " + std::to_string(min) + " to " + std::to_string(max)};
        return v;
    }
    void size(Step& s, const std::string& what) {
        const int col = column();
        const std::string t = value(what);
        long long w = 0, h = 0;
        if (!parseSize(t, w, h)) throw Fail{col, what + " must be WxH (as 640x480), not " + quoteWord(t)};
        s.numbers.push_back(w);
        s.numbers.push_back(h);
    }
    Name name(Shape shape, const std::string& what) {
        const int col = column();
        const Token& t = next(what);
        Name n;
        if (t.quoted || !parse(t.text, shape, n))
            throw Fail{col,
                       what + " " + quoteWord(t.text) + " is not a name of the form " + shapeText(shape)};
        return n;
    }
    void rest(std::vector<std::string>& into) {
        while (!atEnd()) into.push_back(line_.tokens[pos_++].text);
    }
    void end() {
        if (!atEnd()) throw Fail{column(), "unexpected " + quoteWord(line_.tokens[pos_].text)};
    }

private:
    static const char* shapeText(Shape s) {
        switch (s) {
            case Shape::Form:
                return "FORM";
            case Shape::Control:
                return "FORM.CONTROL";
            case Shape::FormOrControl:
                return "FORM or FORM.CONTROL";
            case Shape::Property:
                return "FORM.PROPERTY or FORM.CONTROL.PROPERTY";
            case Shape::Procedure:
                return "FORM.PROCEDURE";
        }
        return "";
    }
    static bool part(std::string_view p, std::string& name, int& index, bool indexAllowed) {
        index = -1;
        const std::size_t open = p.find('(');
        if (open != std::string_view::npos) {
            if (!indexAllowed || p.back() != ')' || open + 2 >= p.size()) return false;
            const std::string_view digits = p.substr(open + 1, p.size() - open - 2);
            if (digits.size() > 6) return false;
            index = 0;
            for (char c : digits) {
                if (c < '0' || c > '9') return false;
                index = index * 10 + (c - '0');
            }
            p = p.substr(0, open);
        }
        if (!isIdentifier(p)) return false;
        name = std::string(p);
        return true;
    }
    static bool parse(std::string_view text, Shape shape, Name& n) {
        std::vector<std::string_view> parts;
        std::size_t start = 0;
        for (;;) {
            const std::size_t dot = text.find('.', start);
            parts.push_back(
                text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
            if (dot == std::string_view::npos) break;
            start = dot + 1;
        }
        int unused = -1;
        if (!part(parts[0], n.form, unused, false)) return false;
        const std::size_t k = parts.size();
        switch (shape) {
            case Shape::Form:
                return k == 1;
            case Shape::Control:
                return k == 2 && part(parts[1], n.control, n.index, true);
            case Shape::FormOrControl:
                return k == 1 || (k == 2 && part(parts[1], n.control, n.index, true));
            case Shape::Procedure:
                return k == 2 && part(parts[1], n.control, unused, false);
            case Shape::Property:
                if (k == 2) return part(parts[1], n.property, unused, false);
                return k == 3 && part(parts[1], n.control, n.index, true) &&
                       part(parts[2], n.property, unused, false);
        }
        return false;
    }

    const Line& line_;
    std::size_t pos_ = 0;
};

void hexBytes(Reader& r, Step& s) {
    std::string bytes;
    while (!r.atEnd()) {
        const int col = r.column();
        const std::string t = r.value("hex bytes");
        auto hex = [](char c) {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (t.size() % 2 != 0) throw Fail{col, "hex bytes come in pairs of digits: " + quoteWord(t)};
        for (std::size_t i = 0; i < t.size(); i += 2) {
            const int hi = hex(t[i]), lo = hex(t[i + 1]);
            if (hi < 0 || lo < 0) throw Fail{col, "not hex digits: " + quoteWord(t)};
            bytes += char(hi * 16 + lo);
        }
    }
    s.values.push_back(std::move(bytes));
}

void pictureFormat(Reader& r, Step& s) {
    s.word = r.choice("picture format", {"jpg", "bmp", "gif", "png"});
}

void parsePrepare(const std::string& verb, Reader& r, Step& s) {
    if (verb == "data") {
        s.op = Op::Data;
    } else if (verb == "folder") {
        s.op = Op::Folder;
        s.path = r.value("path");
    } else if (verb == "file") {
        s.op = Op::File;
        s.path = r.value("path");
        if (r.atEnd()) return;
        s.word = r.choice("file content", {"lines", "text", "bytes", "size"});
        if (s.word == "lines")
            r.rest(s.values);
        else if (s.word == "text")
            s.values.push_back(r.value("text"));
        else if (s.word == "bytes")
            hexBytes(r, s);
        else
            s.numbers.push_back(r.number("size", 0, 1LL << 31));
    } else if (verb == "picture") {
        s.op = Op::Picture;
        s.path = r.value("path");
        pictureFormat(r, s);
        r.size(s, "picture size");
        const int col = r.column();
        if (r.atEnd()) return;
        const long long bits = r.number("bits", 1, 64);
        static const std::map<std::string, std::vector<long long>> allowed = {
            {"bmp", {1, 4, 8, 16, 24, 32}}, {"png", {1, 2, 4, 8, 16, 24, 32, 48, 64}}};
        auto it = allowed.find(s.word);
        if (it == allowed.end()) throw Fail{col, "bits are given for bmp and png only"};
        bool ok = false;
        for (long long b : it->second) ok = ok || b == bits;
        if (!ok) throw Fail{col, s.word + " pictures cannot have " + std::to_string(bits) + " bits"};
        s.numbers.push_back(bits);
    } else if (verb == "remove" || verb == "readonly" || verb == "cd") {
        s.op = verb == "remove" ? Op::Remove : verb == "readonly" ? Op::Readonly : Op::Cd;
        s.path = r.value("path");
    } else if (verb == "mtime") {
        s.op = Op::Mtime;
        s.path = r.value("path");
        const int col = r.column();
        const std::string t = r.value("time");
        long long parts[6];
        if (!parseTimestamp(t, parts))
            throw Fail{col, "time must be \"yyyy/mm/dd hh:mm:ss\" (from 1970), not " + quoteWord(t)};
        s.numbers.assign(parts, parts + 6);
    }
}

void parseAnswer(const std::string& verb, Reader& r, Step& s) {
    if (verb == "online") {
        s.op = Op::Online;
        s.flag = r.choice("answer", {"yes", "no"}) == "yes";
    } else if (verb == "windows") {
        s.op = Op::Windows;
        const int col = r.column();
        const std::string v = r.value("version");
        const std::size_t dot = v.find('.');
        long long parts[2] = {0, 0};
        bool ok = dot != std::string::npos && dot > 0 && dot + 1 < v.size() && v.size() < 12;
        for (std::size_t i = 0; ok && i < v.size(); ++i) {
            if (i == dot) continue;
            if (v[i] < '0' || v[i] > '9')
                ok = false;
            else
                parts[i > dot] = parts[i > dot] * 10 + (v[i] - '0');
        }
        const long long major = parts[0], minor = parts[1];
        if (!ok) throw Fail{col, "version must be MAJOR.MINOR, not " + quoteWord(v)};
        s.numbers = {major, minor, r.atEnd() ? 2 : r.number("platform id", 0, 255)};
    } else if (verb == "screen") {
        s.op = Op::Screen;
        s.numbers.push_back(r.number("width", 1, 100000));
        s.numbers.push_back(r.number("height", 1, 100000));
    } else if (verb == "instance") {
        s.op = Op::Instance;
        s.flag = r.choice("instance", {"another", "alone"}) == "another";
    } else if (verb == "answer") {
        s.op = Op::Answer;
        s.word = r.choice("answer", {"YES", "NO", "OK"});
        s.numbers.push_back(s.word == "YES" ? 6 : s.word == "NO" ? 7 : 1);
    } else if (verb == "input" || verb == "folder-dialog") {
        s.op = verb == "input" ? Op::Input : Op::FolderDialog;
        s.values.push_back(r.value("answer"));
    } else if (verb == "random") {
        s.op = Op::Random;
        while (!r.atEnd()) {
            const int col = r.column();
            const std::string v = r.value("draw");
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            if (v.empty() || end != v.c_str() + v.size() || !(d >= 0.0 && d < 1.0))
                throw Fail{col, "a draw must be a number from 0 up to (not including) 1, not " + quoteWord(v)};
            s.values.push_back(v);
        }
        if (s.values.empty()) throw Fail{0, "random needs at least one draw"};
    } else if (verb == "program") {
        s.op = Op::Program;
        s.path = r.value("program name");
        s.word = r.choice("program fate", {"exits", "missing"});
        if (s.word == "exits") {
            s.numbers.push_back(r.number("exit code"));
            s.numbers.push_back(r.accept("after") ? r.number("run time", 0, 1LL << 31) : 0);
        }
    } else if (verb == "http") {
        s.op = Op::Http;
        s.path = r.value("address");
        s.word = r.choice("answer", {"body", "fail"});
        if (s.word == "body") s.values.push_back(r.value("body"));
    } else if (verb == "transfer") {
        s.op = Op::Transfer;
        s.path = r.value("address");
        s.word = r.choice("transfer outcome", {"picture", "error", "hold"});
        if (s.word == "picture") {
            Step format;
            pictureFormat(r, format);
            s.values.push_back(format.word);
            r.size(s, "picture size");
        } else if (s.word == "error") {
            s.numbers.push_back(r.number("error code"));
        }
    } else if (verb == "transfer-finish") {
        s.op = Op::TransferFinish;
        s.path = r.value("address");
    } else if (verb == "transfer-error") {
        s.op = Op::TransferError;
        s.path = r.value("address");
        s.numbers.push_back(r.number("error code"));
    } else if (verb == "browser") {
        s.op = Op::Browser;
        s.name = r.name(Shape::Control, "browser");
        s.word = r.choice("browser event", {"at", "begin", "complete"});
        if (s.word == "at") s.values.push_back(r.value("address"));
    }
}

void parseAct(const std::string& verb, Reader& r, Step& s) {
    if (verb == "start") {
        s.op = Op::Start;
    } else if (verb == "click" || verb == "dblclick") {
        s.op = verb == "click" ? Op::Click : Op::DblClick;
        s.name = r.name(Shape::Control, "control");
        if (r.accept("row")) {
            s.flag = true;
            s.numbers.push_back(r.number("row", 1));
        }
    } else if (verb == "menu") {
        s.op = Op::Menu;
        s.name = r.name(Shape::Control, "menu item");
    } else if (verb == "mousemove") {
        s.op = Op::MouseMove;
        s.name = r.name(Shape::FormOrControl, "mouse target");
        s.numbers.push_back(r.number("X"));
        s.numbers.push_back(r.number("Y"));
    } else if (verb == "tray") {
        s.op = Op::Tray;
        s.numbers.push_back(r.number("message"));
    } else if (verb == "key") {
        s.op = Op::Key;
        s.name = r.name(Shape::Control, "control");
        s.numbers.push_back(r.number("key code", 0, 65535));
        s.numbers.push_back(r.atEnd() ? 0 : r.number("shift", 0, 7));
    } else if (verb == "type") {
        s.op = Op::Type;
        s.name = r.name(Shape::Control, "control");
        s.values.push_back(r.value("text"));
    } else if (verb == "check") {
        s.op = Op::Check;
        s.name = r.name(Shape::Control, "check box");
        s.numbers.push_back(r.number("value", 0, 1));
    } else if (verb == "choose") {
        s.op = Op::Choose;
        s.name = r.name(Shape::Control, "list");
        s.numbers.push_back(r.number("item index", 0));
    } else if (verb == "select") {
        s.op = Op::Select;
        s.name = r.name(Shape::Control, "list");
        while (!r.atEnd()) s.numbers.push_back(r.number("row", 1));
    } else if (verb == "edit") {
        s.op = Op::Edit;
        s.name = r.name(Shape::Control, "list view");
        s.numbers.push_back(r.number("row", 1));
        // A bare "cancel" cancels; a quoted "cancel" is the text itself.
        if (r.accept("cancel"))
            s.flag = true;
        else
            s.values.push_back(r.value("new label or cancel"));
    } else if (verb == "column") {
        s.op = Op::Column;
        s.name = r.name(Shape::Control, "list view");
        s.numbers.push_back(r.number("column", 1));
    } else if (verb == "close") {
        s.op = Op::Close;
        s.name = r.name(Shape::Form, "form");
    } else if (verb == "call") {
        s.op = Op::Call;
        s.name = r.name(Shape::Procedure, "procedure");
    } else if (verb == "set") {
        s.op = Op::Set;
        s.name = r.name(Shape::Property, "property");
        s.values.push_back(r.value("value"));
    } else if (verb == "advance") {
        s.op = Op::Advance;
        s.numbers.push_back(r.number("time", 0, 1LL << 40));
    }
}

void parseExpect(Reader& r, Step& s) {
    if (r.atEnd()) throw Fail{0, "missing what to expect"};
    const int col = r.column();
    const Token& first = r.next("what to expect");
    if (!first.quoted && first.text.find('.') != std::string::npos) {
        // A property, or a list's rows, columns or selection.
        Line one{0, {first}};
        Reader nameReader(one);
        if (r.isWord("rows") || r.isWord("columns") || r.isWord("selected")) {
            s.name = nameReader.name(Shape::Control, "list");
            const std::string what = r.choice("list", {"rows", "columns", "selected"});
            if (what == "selected") {
                s.op = Op::ExpectSelected;
                while (!r.atEnd()) s.numbers.push_back(r.number("row", 1));
            } else {
                s.op = what == "rows" ? Op::ExpectRows : Op::ExpectColumns;
                r.rest(s.values);
            }
            return;
        }
        s.op = Op::ExpectProperty;
        s.name = nameReader.name(Shape::Property, "property");
        s.values.push_back(r.value("value"));
        return;
    }
    const std::string kw = first.quoted ? std::string() : first.text;
    if (kw == "file") {
        s.op = Op::ExpectFile;
        s.path = r.value("path");
        s.word = r.choice("file expectation", {"lines", "text", "exists", "absent"});
        if (s.word == "lines")
            r.rest(s.values);
        else if (s.word == "text")
            s.values.push_back(r.value("text"));
    } else if (kw == "picture") {
        s.op = Op::ExpectPicture;
        s.path = r.value("path");
        r.size(s, "picture size");
        if (!r.atEnd()) pictureFormat(r, s);
    } else if (kw == "message") {
        s.op = Op::ExpectMessage;
        s.numbers.push_back(r.number("message number", 0));
        s.numbers.push_back(r.number("style", 0, 0xFFFFFF));
        s.word =
            r.atEnd() ? "standard" : r.choice("prompt form", {"standard", "noblank", "code", "textonly"});
    } else if (kw == "message-text") {
        s.op = Op::ExpectMessageText;
        s.values.push_back(r.value("prompt"));
    } else if (kw == "cwd" || kw == "wallpaper") {
        s.op = kw == "cwd" ? Op::ExpectCwd : Op::ExpectWallpaper;
        s.path = r.value("path");
    } else if (kw == "started" || kw == "not-started") {
        s.op = kw == "started" ? Op::ExpectStarted : Op::ExpectNotStarted;
        s.path = r.value("program name");
        if (s.op == Op::ExpectStarted) s.flag = r.accept("waited");
    } else if (kw == "navigated" || kw == "not-navigated") {
        s.op = kw == "navigated" ? Op::ExpectNavigated : Op::ExpectNotNavigated;
        s.name = r.name(Shape::Control, "browser");
        if (s.op == Op::ExpectNavigated) s.values.push_back(r.value("address"));
    } else if (kw == "opened") {
        s.op = Op::ExpectOpened;
        s.values.push_back(r.value("address"));
    } else if (kw == "tray") {
        s.op = Op::ExpectTray;
        s.word = r.choice("tray event", {"added", "removed", "none"});
    } else if (kw == "popup") {
        s.op = Op::ExpectPopup;
        s.name = r.name(Shape::Control, "menu");
        if (r.accept("default")) {
            // The item is a control of the menu's form, named with or without the form.
            const int col = r.column();
            const Token& item = r.next("default item");
            Line one{0, {item}};
            const Name n = Reader(one).name(Shape::FormOrControl, "default item");
            if (!n.control.empty() && (n.form != s.name.form || n.index >= 0))
                throw Fail{col,
                           "the default item " + quoteWord(item.text) + " must be an item of " + s.name.form};
            s.word = n.control.empty() ? n.form : n.control;
        }
    } else if (kw == "loaded" || kw == "not-loaded") {
        s.op = kw == "loaded" ? Op::ExpectLoaded : Op::ExpectNotLoaded;
        s.name = r.name(Shape::Form, "form");
    } else if (kw == "request") {
        s.op = Op::ExpectRequest;
        s.values.push_back(r.value("host"));
        s.values.push_back(r.value("path"));
    } else if (kw == "error") {
        s.op = Op::ExpectError;
        s.numbers.push_back(r.number("error number"));
    } else if (kw == "common-controls") {
        s.op = Op::ExpectCommonControls;
        s.numbers.push_back(r.number("count"));
    } else {
        static const std::map<std::string, Op> bare = {
            {"no-message", Op::ExpectNoMessage}, {"no-wallpaper", Op::ExpectNoWallpaper},
            {"no-popup", Op::ExpectNoPopup},     {"ended", Op::ExpectEnded},
            {"running", Op::ExpectRunning},      {"no-error", Op::ExpectNoError}};
        auto it = bare.find(kw);
        if (it == bare.end()) throw Fail{col, "unknown expectation " + quoteWord(first.text)};
        s.op = it->second;
    }
}

}  // namespace

std::optional<Step> parseStep(const Line& line, SyntaxError& error) {
    error = {line.number, 0, {}};
    if (line.tokens.empty()) {
        error.message = "empty step";
        return std::nullopt;
    }
    Reader r(line);
    Step s;
    s.line = line.number;
    const Token& verbToken = r.next("step");
    const std::string verb = verbToken.quoted ? std::string() : verbToken.text;
    static const char* const prepare[] = {"data",   "folder", "file",     "picture",
                                          "remove", "mtime",  "readonly", "cd"};
    static const char* const answers[] = {
        "online",  "windows", "screen",   "instance",        "answer",         "input",  "folder-dialog",
        "random",  "program", "http",     "transfer",        "transfer-finish", "transfer-error", "browser"};
    static const char* const acts[] = {"start",  "click", "dblclick", "menu",   "mousemove", "tray",
                                       "key",    "type",  "check",    "choose", "select",    "edit",
                                       "column", "close", "call",     "set",    "advance"};
    auto in = [&](const auto& list) {
        for (const char* v : list)
            if (verb == v) return true;
        return false;
    };
    try {
        if (in(prepare))
            parsePrepare(verb, r, s);
        else if (in(answers))
            parseAnswer(verb, r, s);
        else if (in(acts))
            parseAct(verb, r, s);
        else if (verb == "expect")
            parseExpect(r, s);
        else
            throw Fail{verbToken.column, "unknown step " + quoteWord(verbToken.text)};
        r.end();
    } catch (const Fail& f) {
        error.column = f.column;
        error.message = f.message;
        return std::nullopt;
    }
    return s;
}

Parsed parseScenario(std::string_view text, const Placeholders& ph) {
    Lexed lexed = lexScenario(text, ph);
    Parsed out;
    out.errors = std::move(lexed.errors);
    for (const Line& line : lexed.lines) {
        SyntaxError e;
        if (auto s = parseStep(line, e))
            out.steps.push_back(std::move(*s));
        else
            out.errors.push_back(std::move(e));
    }
    std::stable_sort(out.errors.begin(), out.errors.end(),
                     [](const SyntaxError& a, const SyntaxError& b) { return a.line < b.line; });
    return out;
}

}  // namespace vb::scenario
