#include "platform/wallpaper/wallpaper.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/base/log.h"
#include "platform/system/process.h"

namespace vb {

WallpaperSetter::~WallpaperSetter() = default;

Environment Environment::process() {
    return {[](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        if (!v || !*v) return std::nullopt;
        return std::string(v);
    }};
}

std::string fileUri(const std::string& absolutePath) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath) {
        if (std::isalnum(c) && c < 0x80) {
            uri += static_cast<char>(c);
        } else if (c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0xF];
        }
    }
    return uri;
}

std::string gvariantString(const std::string& text) {
    std::string out = "'";
    for (unsigned char c : text) {
        if (c == '\\' || c == '\'') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '\'';
    return out;
}

namespace {

std::string absolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        out.push_back(line);
    }
    return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The routes that work by running the desktop's own tools.
class CommandSetter : public WallpaperSetter {
public:
    CommandSetter(std::string name, CommandRunner& runner, Logger& log)
        : name_(std::move(name)), runner_(runner), log_(log) {}

    std::string name() const override { return name_; }

    bool set(const std::string& bitmapPath) override {
        if (bitmapPath.empty()) {
            fail("no bitmap to set");
            return false;
        }
        return apply(absolutePath(bitmapPath));
    }

protected:
    virtual bool apply(const std::string& path) = 0;

    void fail(const std::string& why) { log_.log("wallpaper (" + name_ + "): " + why); }

    // Runs one step; a step that did not start or ended with a non-zero status is logged.
    bool step(const std::vector<std::string>& argv, std::string* output = nullptr) {
        CommandResult r = runner_.run(argv);
        if (!r.started) {
            fail(argv[0] + " could not be started (not installed?)");
            return false;
        }
        if (r.timedOut || r.exitCode != 0) {
            std::string what = argv[0];
            for (std::size_t i = 1; i < argv.size() && i < 4; ++i) what += " " + argv[i];
            fail(what + (r.timedOut ? " ... did not finish in time and was stopped"
                                    : " ... failed with exit status " + std::to_string(r.exitCode)));
            return false;
        }
        if (output) *output = std::move(r.output);
        return true;
    }

    std::string name_;
    CommandRunner& runner_;
    Logger& log_;
};

// GNOME and the desktops built on its settings keep the wallpaper in one GSettings key
// (two on GNOME 42 and later, which has a separate picture for the dark style; setting only
// the light one leaves dark-style users with the old wallpaper). Older releases lack the dark
// key, so the schema's keys are listed first rather than failing on a key that cannot exist.
class GsettingsSetter : public CommandSetter {
public:
    struct Route {
        std::string schema;
        std::string key;
        std::string optionalKey;  // set too when the schema has it
        bool uri;                 // the key takes a file URI, else a plain path
    };

    GsettingsSetter(std::string name, Route route, CommandRunner& runner, Logger& log)
        : CommandSetter(std::move(name), runner, log), route_(std::move(route)) {}

protected:
    bool apply(const std::string& path) override {
        std::string listing;
        if (!step({"gsettings", "list-keys", route_.schema}, &listing)) return false;
        const auto keys = lines(listing);
        auto has = [&](const std::string& k) { return std::find(keys.begin(), keys.end(), k) != keys.end(); };
        if (!has(route_.key)) {
            fail("schema " + route_.schema + " has no key " + route_.key);
            return false;
        }
        const std::string value = gvariantString(route_.uri ? fileUri(path) : path);
        bool ok = step({"gsettings", "set", route_.schema, route_.key, value});
        if (!route_.optionalKey.empty() && has(route_.optionalKey)) {
            ok = step({"gsettings", "set", route_.schema, route_.optionalKey, value}) && ok;
        }
        return ok;
    }

private:
    Route route_;
};

// XFCE keeps one property per monitor and workspace; every one that exists is set, so the
// picture shows on all monitors. A fresh install has none until the user opens the desktop
// settings, and xfdesktop then reads the property named after each connected output.
class XfceSetter : public CommandSetter {
public:
    using CommandSetter::CommandSetter;

protected:
    bool apply(const std::string& path) override {
        CommandResult listing = runner_.run({"xfconf-query", "-c", "xfce4-desktop", "-l"});
        if (!listing.started) {
            fail("xfconf-query could not be started (not installed?)");
            return false;
        }
        if (listing.timedOut) {  // a settings daemon that does not answer: creating would hang too
            fail("xfconf-query -c xfce4-desktop -l did not finish in time and was stopped");
            return false;
        }
        // An empty channel makes the listing fail; that is the fresh install, not an error.
        std::vector<std::string> existing;
        if (listing.exitCode == 0) {
            for (const auto& p : lines(listing.output)) {
                if (!p.empty() && p.front() == '/' && (endsWith(p, "/last-image") || endsWith(p, "/image-path")))
                    existing.push_back(p);
            }
        }
        bool ok = true;
        if (!existing.empty()) {
            for (const auto& p : existing)
                ok = step({"xfconf-query", "-c", "xfce4-desktop", "-p", p, "-s", path}) && ok;
            return ok;
        }
        for (const auto& output : outputs()) {
            const std::string p = "/backdrop/screen0/monitor" + output + "/workspace0/last-image";
            ok = step({"xfconf-query", "-c", "xfce4-desktop", "-p", p, "-n", "-t", "string", "-s", path}) && ok;
        }
        return ok;
    }

private:
    // The connected outputs' names from "xrandr --listmonitors", whose lines after the count
    // end in the output name (" 0: +*eDP-1 1920/344x1080/194+0+0  eDP-1"). Without xrandr,
    // "0", the name older xfdesktop releases used for the first monitor.
    std::vector<std::string> outputs() {
        std::vector<std::string> names;
        CommandResult r = runner_.run({"xrandr", "--listmonitors"});
        if (r.started && r.exitCode == 0) {
            for (const auto& line : lines(r.output)) {
                if (line.rfind("Monitors:", 0) == 0) continue;
                const auto pos = line.find_last_of(" \t");
                if (pos == std::string::npos || pos + 1 >= line.size()) continue;
                names.push_back(line.substr(pos + 1));
            }
        }
        if (names.empty()) names.push_back("0");
        return names;
    }
};

// Plasma's own tool where it exists (5.24 and later); before that only the shell's scripting
// interface, reached through whichever D-Bus client is installed.
class KdeSetter : public CommandSetter {
public:
    using CommandSetter::CommandSetter;

protected:
    bool apply(const std::string& path) override {
        if (runner_.available("plasma-apply-wallpaperimage")) return step({"plasma-apply-wallpaperimage", path});

        // The picture goes into the script as a percent-encoded URI, which holds no quote or
        // backslash, so no path can break out of the string literal.
        const std::string script =
            "var all = desktops();"
            "for (var i = 0; i < all.length; i++) {"
            " var d = all[i];"
            " d.wallpaperPlugin = \"org.kde.image\";"
            " d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];"
            " d.writeConfig(\"Image\", \"" + fileUri(path) + "\");"
            "}";
        for (const char* qdbus : {"qdbus6", "qdbus", "qdbus-qt6", "qdbus-qt5"}) {
            if (runner_.available(qdbus))
                return step({qdbus, "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", script});
        }
        if (runner_.available("dbus-send")) {
            // --print-reply makes dbus-send wait for the answer, so a script error is an exit status.
            return step({"dbus-send", "--session", "--print-reply", "--type=method_call", "--dest=org.kde.plasmashell",
                         "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + script});
        }
        fail("neither plasma-apply-wallpaperimage, qdbus nor dbus-send is installed");
        return false;
    }
};

class LxqtSetter : public CommandSetter {
public:
    using CommandSetter::CommandSetter;

protected:
    bool apply(const std::string& path) override { return step({"pcmanfm-qt", "--set-wallpaper", path}); }
};

// sway has no stored wallpaper setting; this lasts for the session, like a change made by hand.
class SwaySetter : public CommandSetter {
public:
    using CommandSetter::CommandSetter;

protected:
    bool apply(const std::string& path) override { return step({"swaymsg", "output", "*", "bg", path, "fill"}); }
};

// A Wayland session we do not know and no X display to fall back on.
class UnsupportedSetter : public WallpaperSetter {
public:
    explicit UnsupportedSetter(Logger& log) : log_(log) {}
    std::string name() const override { return "unknown desktop"; }
    bool set(const std::string&) override {
        log_.log("wallpaper: this desktop is not one Vantry knows how to set the wallpaper on");
        return false;
    }

private:
    Logger& log_;
};

std::vector<std::string> desktopNames(const Environment& env) {
    std::vector<std::string> names;
    const auto value = env.getenv("XDG_CURRENT_DESKTOP");
    if (!value) return names;
    std::string item;
    std::istringstream in(*value);
    while (std::getline(in, item, ':')) {
        std::transform(item.begin(), item.end(), item.begin(), [](unsigned char c) { return std::tolower(c); });
        names.push_back(item);
    }
    return names;
}

}  // namespace

std::unique_ptr<WallpaperSetter> makeWallpaperSetter(const Environment& env, CommandRunner& runner, Logger& log) {
    const auto names = desktopNames(env);
    auto is = [&](const char* n) { return std::find(names.begin(), names.end(), n) != names.end(); };
    auto gnomeFamily = [&](const char* name) {
        return std::make_unique<GsettingsSetter>(
            name, GsettingsSetter::Route{"org.gnome.desktop.background", "picture-uri", "picture-uri-dark", true},
            runner, log);
    };

    // Budgie, Cinnamon's, MATE and Unity sessions often list GNOME as well; the first of them wins.
    if (is("budgie")) return gnomeFamily("Budgie");
    if (is("x-cinnamon") || is("cinnamon"))
        return std::make_unique<GsettingsSetter>(
            "Cinnamon", GsettingsSetter::Route{"org.cinnamon.desktop.background", "picture-uri", "", true}, runner,
            log);
    if (is("mate"))
        return std::make_unique<GsettingsSetter>(
            "MATE", GsettingsSetter::Route{"org.mate.background", "picture-filename", "", false}, runner, log);
    if (is("unity")) return gnomeFamily("Unity");
    if (is("gnome")) return gnomeFamily("GNOME");
    if (is("xfce")) return std::make_unique<XfceSetter>("XFCE", runner, log);
    if (is("kde")) return std::make_unique<KdeSetter>("KDE Plasma", runner, log);
    if (is("lxqt")) return std::make_unique<LxqtSetter>("LXQt", runner, log);
    if (is("sway") || env.getenv("SWAYSOCK")) return std::make_unique<SwaySetter>("sway", runner, log);
    if (auto display = env.getenv("DISPLAY")) return makeX11RootSetter(*display, log);
    return std::make_unique<UnsupportedSetter>(log);
}

}  // namespace vb
