// The wallpaper routes: which desktop gets which route, the exact commands each runs, how
// failures are reported, and the X11 root route against a real (virtual) X server.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/log.h"
#include "platform/pictures/picture.h"
#include "platform/system/process.h"
#include "platform/wallpaper/wallpaper.h"
#include "xvfb.h"

#ifdef VANTRY_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

extern char** environ;

namespace {

using Argv = std::vector<std::string>;
using Calls = std::vector<Argv>;

std::string join(const Argv& argv) {
    std::string s;
    for (const auto& a : argv) s += (s.empty() ? "" : " ") + a;
    return s;
}

// Records every command. Answers from a table keyed by the whole command line; otherwise a
// program in `missing` does not start and any other runs and succeeds without output.
class FakeRunner : public vb::CommandRunner {
public:
    vb::CommandResult run(const Argv& argv) override {
        calls.push_back(argv);
        if (auto it = answers.find(join(argv)); it != answers.end()) return it->second;
        return missing.count(argv[0]) ? vb::CommandResult{false, -1, ""} : vb::CommandResult{true, 0, ""};
    }
    bool available(const std::string& program) override { return installed.count(program) > 0; }

    Calls calls;
    std::map<std::string, vb::CommandResult> answers;
    std::set<std::string> missing, installed;
};

class RecordingLog : public vb::Logger {
public:
    void log(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

vb::Environment env(std::map<std::string, std::string> vars) {
    return {[vars](const char* name) -> std::optional<std::string> {
        auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    }};
}

const std::string kPath = "/home/ann/My Pictures/it's \"été\".bmp";
const std::string kUri = "file:///home/ann/My%20Pictures/it%27s%20%22%C3%A9t%C3%A9%22.bmp";
const std::string kGnomeKeys = "picture-options\npicture-uri\npicture-uri-dark\n";

struct Route {
    FakeRunner runner;
    RecordingLog log;
    std::unique_ptr<vb::WallpaperSetter> setter;
    explicit Route(const std::string& desktop)
        : setter(vb::makeWallpaperSetter(env({{"XDG_CURRENT_DESKTOP", desktop}}), runner, log)) {}
};

TEST(WallpaperValues, UriAndGsettingsLiteralSurviveAwkwardPaths) {
    EXPECT_EQ(vb::fileUri(kPath), kUri);
    // '%' and '#' would otherwise be read as an escape and a fragment.
    EXPECT_EQ(vb::fileUri("/x/a-b_c.d~e/100%#1+?.bmp"), "file:///x/a-b_c.d~e/100%25%231%2B%3F.bmp");
    EXPECT_EQ(vb::gvariantString("/p/it's a\\b\nc é"), "'/p/it\\'s a\\\\b\\u000ac é'");
}

TEST(WallpaperDetection, PicksTheRouteFromTheSession) {
    const std::pair<std::map<std::string, std::string>, std::string> rows[] = {
        {{{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}, "Budgie"},
        {{{"XDG_CURRENT_DESKTOP", "GNOME:Budgie"}}, "Budgie"},
        {{{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}}, "Cinnamon"},
        {{{"XDG_CURRENT_DESKTOP", "MATE"}}, "MATE"},
        {{{"XDG_CURRENT_DESKTOP", "Unity:Unity7:ubuntu"}}, "Unity"},
        {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "gnome-flashback:gnome"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DISPLAY", ":0"}}, "XFCE"},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}}, "KDE Plasma"},
        {{{"XDG_CURRENT_DESKTOP", "LXQt"}}, "LXQt"},
        {{{"XDG_CURRENT_DESKTOP", "sway"}, {"WAYLAND_DISPLAY", "wayland-1"}}, "sway"},
        {{{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}, {"WAYLAND_DISPLAY", "wayland-1"}}, "sway"},
        {{{"DISPLAY", ":0"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}}, "X11 root window"},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, "unknown desktop"},
    };
    for (const auto& [vars, route] : rows) {
        FakeRunner runner;
        RecordingLog log;
        EXPECT_EQ(vb::makeWallpaperSetter(env(vars), runner, log)->name(), route) << vars.begin()->second;
        EXPECT_TRUE(runner.calls.empty()) << "detection runs nothing";
    }
}

TEST(WallpaperRoutes, GsettingsDesktops) {
    auto set = [](const std::string& schema, const std::string& key, const std::string& value) {
        return Argv{"gsettings", "set", schema, key, value};
    };
    const std::string bg = "org.gnome.desktop.background";
    Route gnome("ubuntu:GNOME");
    gnome.runner.answers["gsettings list-keys " + bg] = {true, 0, kGnomeKeys};
    EXPECT_TRUE(gnome.setter->set(kPath));
    EXPECT_EQ(gnome.runner.calls, (Calls{{"gsettings", "list-keys", bg},
                                         set(bg, "picture-uri", "'" + kUri + "'"),
                                         set(bg, "picture-uri-dark", "'" + kUri + "'")}));
    EXPECT_TRUE(gnome.log.lines.empty());

    // Before GNOME 42 there is no dark key; a relative path reaches the desktop made absolute.
    Route unity("Unity");
    unity.runner.answers["gsettings list-keys " + bg] = {true, 0, "picture-uri\n"};
    EXPECT_TRUE(unity.setter->set("pics/w.bmp"));
    const auto abs = std::filesystem::current_path().string() + "/pics/w.bmp";
    EXPECT_EQ(unity.runner.calls, (Calls{{"gsettings", "list-keys", bg}, set(bg, "picture-uri", "'" + vb::fileUri(abs) + "'")}));

    Route cinnamon("X-Cinnamon");
    cinnamon.runner.answers["gsettings list-keys org.cinnamon.desktop.background"] = {true, 0, "picture-uri\n"};
    EXPECT_TRUE(cinnamon.setter->set(kPath));
    EXPECT_EQ(cinnamon.runner.calls.at(1), set("org.cinnamon.desktop.background", "picture-uri", "'" + kUri + "'"));

    // MATE takes a plain path, so the quote in it is escaped inside the literal.
    Route mate("MATE");
    mate.runner.answers["gsettings list-keys org.mate.background"] = {true, 0, "picture-filename\n"};
    EXPECT_TRUE(mate.setter->set(kPath));
    EXPECT_EQ(mate.runner.calls.at(1),
              set("org.mate.background", "picture-filename", "'/home/ann/My Pictures/it\\'s \"été\".bmp'"));
}

TEST(WallpaperRoutes, XfceSetsEveryImagePropertyOrCreatesOnePerOutput) {
    const Argv list = {"xfconf-query", "-c", "xfce4-desktop", "-l"};
    auto change = [](const std::string& p) { return Argv{"xfconf-query", "-c", "xfce4-desktop", "-p", p, "-s", kPath}; };
    auto create = [](const std::string& output) {
        return Argv{"xfconf-query", "-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor" + output + "/workspace0/last-image",
                    "-n", "-t", "string", "-s", kPath};
    };
    Route existing("XFCE");
    existing.runner.answers[join(list)] = {true, 0,
                                           "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
                                           "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                           "/backdrop/screen0/monitoreDP-1/workspace1/last-image\n"
                                           "/backdrop/screen0/monitor0/image-path\n"
                                           "/backdrop/screen0/monitor0/image-show\n"};
    EXPECT_TRUE(existing.setter->set(kPath));
    EXPECT_EQ(existing.runner.calls, (Calls{list, change("/backdrop/screen0/monitorHDMI-1/workspace0/last-image"),
                                            change("/backdrop/screen0/monitoreDP-1/workspace1/last-image"),
                                            change("/backdrop/screen0/monitor0/image-path")}));

    Route fresh("XFCE");  // an empty channel makes the listing fail
    fresh.runner.answers[join(list)] = {true, 1, "Channel \"xfce4-desktop\" contains no properties\n"};
    fresh.runner.answers["xrandr --listmonitors"] = {
        true, 0, "Monitors: 2\n 0: +*eDP-1 1920/344x1080/194+0+0  eDP-1\n 1: +HDMI-1 2560/597x1440/336+1920+0  HDMI-1\n"};
    EXPECT_TRUE(fresh.setter->set(kPath));
    EXPECT_EQ(fresh.runner.calls, (Calls{list, {"xrandr", "--listmonitors"}, create("eDP-1"), create("HDMI-1")}));

    Route noXrandr("XFCE");
    noXrandr.runner.answers[join(list)] = {true, 0, ""};
    noXrandr.runner.missing = {"xrandr"};
    EXPECT_TRUE(noXrandr.setter->set(kPath));
    EXPECT_EQ(noXrandr.runner.calls.back(), create("0"));
    EXPECT_TRUE(noXrandr.log.lines.empty());
}

TEST(WallpaperRoutes, KdeUsesItsToolElseTheShellScript) {
    Route tool("KDE");
    tool.runner.installed = {"plasma-apply-wallpaperimage", "qdbus"};
    EXPECT_TRUE(tool.setter->set(kPath));
    EXPECT_EQ(tool.runner.calls, (Calls{{"plasma-apply-wallpaperimage", kPath}}));

    const std::string script = "var all = desktops();for (var i = 0; i < all.length; i++) { var d = all[i];"
                               " d.wallpaperPlugin = \"org.kde.image\";"
                               " d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];"
                               " d.writeConfig(\"Image\", \"" + kUri + "\");}";
    Route qdbus("KDE");
    qdbus.runner.installed = {"qdbus", "dbus-send"};
    EXPECT_TRUE(qdbus.setter->set(kPath));
    EXPECT_EQ(qdbus.runner.calls,
              (Calls{{"qdbus", "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", script}}));

    Route dbusSend("KDE");
    dbusSend.runner.installed = {"dbus-send"};
    EXPECT_TRUE(dbusSend.setter->set(kPath));
    EXPECT_EQ(dbusSend.runner.calls,
              (Calls{{"dbus-send", "--session", "--print-reply", "--type=method_call", "--dest=org.kde.plasmashell",
                      "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + script}}));
}

TEST(WallpaperRoutes, LxqtAndSwayPassThePathAsOneArgument) {
    Route lxqt("LXQt"), sway("sway");
    EXPECT_TRUE(lxqt.setter->set(kPath));
    EXPECT_TRUE(sway.setter->set(kPath));
    EXPECT_EQ(lxqt.runner.calls, (Calls{{"pcmanfm-qt", "--set-wallpaper", kPath}}));
    EXPECT_EQ(sway.runner.calls, (Calls{{"swaymsg", "output", "*", "bg", kPath, "fill"}}));
}

TEST(WallpaperFailures, AreLoggedOnceAndReturnFalse) {
    Route exit1("GNOME");
    exit1.runner.answers["gsettings list-keys org.gnome.desktop.background"] = {true, 0, kGnomeKeys};
    exit1.runner.answers["gsettings set org.gnome.desktop.background picture-uri '" + kUri + "'"] = {true, 1, ""};
    EXPECT_FALSE(exit1.setter->set(kPath));
    EXPECT_EQ(exit1.runner.calls.size(), 3u) << "the dark picture is still set";
    ASSERT_EQ(exit1.log.lines.size(), 1u);
    EXPECT_NE(exit1.log.lines[0].find("(GNOME)"), std::string::npos) << exit1.log.lines[0];
    EXPECT_NE(exit1.log.lines[0].find("exit status 1"), std::string::npos) << exit1.log.lines[0];

    Route missing("MATE");
    missing.runner.missing = {"gsettings"};
    EXPECT_FALSE(missing.setter->set(kPath));
    ASSERT_EQ(missing.log.lines.size(), 1u);
    EXPECT_NE(missing.log.lines[0].find("gsettings could not be started"), std::string::npos) << missing.log.lines[0];

    Route noKey("GNOME");
    noKey.runner.answers["gsettings list-keys org.gnome.desktop.background"] = {true, 0, "picture-options\n"};
    EXPECT_FALSE(noKey.setter->set(kPath));
    EXPECT_EQ(noKey.runner.calls.size(), 1u);

    Route oneMonitor("XFCE");  // one property fails, the other is still set
    oneMonitor.runner.answers["xfconf-query -c xfce4-desktop -l"] = {true, 0, "/a/last-image\n/b/last-image\n"};
    oneMonitor.runner.answers["xfconf-query -c xfce4-desktop -p /a/last-image -s " + kPath] = {true, 1, ""};
    EXPECT_FALSE(oneMonitor.setter->set(kPath));
    EXPECT_EQ(oneMonitor.runner.calls.size(), 3u);

    Route kde("KDE"), lxqt("LXQt"), sway("sway"), unknown("");  // KDE: none of its tools installed
    lxqt.runner.missing = sway.runner.missing = {"pcmanfm-qt", "swaymsg"};
    for (Route* r : {&kde, &lxqt, &sway, &unknown}) EXPECT_FALSE(r->setter->set(kPath)) << r->setter->name();
    for (Route* r : {&noKey, &oneMonitor, &kde, &lxqt, &sway, &unknown})
        EXPECT_EQ(r->log.lines.size(), 1u) << r->setter->name();

    RecordingLog x11Log;
    EXPECT_FALSE(vb::makeX11RootSetter(":0", x11Log)->set("/nonexistent/vantry.bmp"));
    EXPECT_EQ(x11Log.lines.size(), 1u);

    // A tool stopped at its deadline is a failure that says so, and nothing more is run after
    // a settings daemon that does not answer.
    vb::CommandResult hung{true, 128 + 9, ""};
    hung.timedOut = true;
    Route slowGnome("GNOME"), slowXfce("XFCE");
    slowGnome.runner.answers["gsettings list-keys org.gnome.desktop.background"] = hung;
    slowXfce.runner.answers["xfconf-query -c xfce4-desktop -l"] = hung;
    for (Route* r : {&slowGnome, &slowXfce}) {
        EXPECT_FALSE(r->setter->set(kPath)) << r->setter->name();
        EXPECT_EQ(r->runner.calls.size(), 1u) << r->setter->name();
        ASSERT_EQ(r->log.lines.size(), 1u) << r->setter->name();
        EXPECT_NE(r->log.lines[0].find("did not finish in time and was stopped"), std::string::npos) << r->log.lines[0];
    }
}

TEST(PosixCommandRunner, RunsArgumentListsAndReportsOutcome) {
    vb::PosixCommandRunner runner;
    auto r = runner.run({"sh", "-c", "printf 'out put\\n'; echo err >&2; exit 3"});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "out put\n");

    r = runner.run({"printf", "%s", "a b; echo $HOME 'x'"});  // no shell in between
    EXPECT_EQ(r.output, "a b; echo $HOME 'x'");
    EXPECT_EQ(runner.run({"sh", "-c", "kill -TERM $$"}).exitCode, 128 + SIGTERM);

    // A helper left running in the background holds the pipe open; the program's end counts.
    const auto t0 = std::chrono::steady_clock::now();
    r = runner.run({"sh", "-c", "echo hi; sleep 3 &"});
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(r.output, "hi\n");

    EXPECT_FALSE(runner.run({"vantry-no-such-program"}).started);
    EXPECT_TRUE(runner.available("sh"));
    EXPECT_TRUE(runner.available("/bin/sh"));
    EXPECT_FALSE(runner.available("vantry-no-such-program"));
    EXPECT_FALSE(runner.available("/etc/passwd"));  // exists, not executable
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string makeTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantry-wallpaper-XXXXXX").string();
    return ::mkdtemp(tmpl.data()) ? tmpl : std::string();
}

// The real gsettings, storing into a keyfile in a temporary folder instead of the user's settings.
TEST(WallpaperGsettings, RealGsettingsTakesTheValuesAsWritten) {
    vb::PosixCommandRunner runner;
    if (!runner.available("gsettings")) GTEST_SKIP() << "gsettings not installed";
    const std::string config = makeTempDir();
    ScopedEnv backend("GSETTINGS_BACKEND", "keyfile"), home("XDG_CONFIG_HOME", config);
    if (runner.run({"gsettings", "list-keys", "org.gnome.desktop.background"}).exitCode != 0)
        GTEST_SKIP() << "the GNOME background schema is not installed";

    RecordingLog log;
    ASSERT_TRUE(vb::makeWallpaperSetter(env({{"XDG_CURRENT_DESKTOP", "GNOME"}}), runner, log)->set(kPath));
    for (const char* key : {"picture-uri", "picture-uri-dark"})
        EXPECT_EQ(runner.run({"gsettings", "get", "org.gnome.desktop.background", key}).output, "'" + kUri + "'\n");
    // The plain-path literal MATE gets, with a quote, a backslash and a line break in it.
    EXPECT_EQ(runner.run({"gsettings", "set", "org.gnome.desktop.background", "picture-uri", vb::gvariantString("/p/it's a\\b\nc")})
                  .exitCode,
              0);
    std::filesystem::remove_all(config);
}

#ifdef VANTRY_HAVE_X11

using Rgb = std::array<int, 3>;

vb::Picture paint(int w, int h, const std::function<Rgb(int x, int y)>& colour) {
    vb::Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c : colour(x, y)) p.rgb.push_back(static_cast<std::uint8_t>(c));
    return p;
}

int g_xError = 0;

// What the screen shows and what the root's atoms say, read over the test's own connection.
struct RootState {
    std::vector<Rgb> pixels;
    Pixmap xrootpmap = None, esetroot = None;
    Rgb at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y * 320 + x)); }
};

Pixmap pixmapAtom(Display* d, const char* name) {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    Pixmap pm = None;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), 0, 1, False, XA_PIXMAP, &type,
                           &format, &n, &after, &data) == Success && data && n == 1)
        pm = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return pm;
}

RootState readRoot(const std::string& display) {
    RootState s;
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return s;
    XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, 320, 240, AllPlanes, ZPixmap);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const unsigned long p = XGetPixel(img, x, y);  // Xvfb's depth 24: 0xRRGGBB
            s.pixels.push_back({int(p >> 16 & 0xff), int(p >> 8 & 0xff), int(p & 0xff)});
        }
    XDestroyImage(img);
    s.xrootpmap = pixmapAtom(d, "_XROOTPMAP_ID");
    s.esetroot = pixmapAtom(d, "ESETROOT_PMAP_ID");
    XCloseDisplay(d);
    return s;
}

// Asking a freed pixmap for its geometry is an error.
bool pixmapAlive(const std::string& display, Pixmap pm) {
    Display* d = XOpenDisplay(display.c_str());
    auto previous = XSetErrorHandler([](Display*, XErrorEvent* e) { return g_xError = e->error_code, 0; });
    g_xError = 0;
    Window root;
    int x, y;
    unsigned w, h, border, depth;
    const Status ok = XGetGeometry(d, pm, &root, &x, &y, &w, &h, &border, &depth);
    XSync(d, False);
    XSetErrorHandler(previous);
    XCloseDisplay(d);
    return ok && g_xError == 0;
}

TEST(WallpaperX11Root, CoversTheScreenAndFreesThePreviousPixmap) {
    if (!vb::PosixCommandRunner().available("Xvfb")) GTEST_SKIP() << "Xvfb not installed";
    vantry::test::Xvfb server("320x240x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not come up";
    const std::string dir = makeTempDir();
    RecordingLog log;
    FakeRunner runner;
    auto setter = vb::makeWallpaperSetter(env({{"DISPLAY", server.display()}}), runner, log);

    // The screen's proportions at half its size: each quadrant lands exactly on a screen quadrant.
    const Rgb tl{200, 30, 40}, tr{10, 180, 60}, bl{20, 40, 220}, br{250, 250, 5};
    vb::savePictureBmp(paint(160, 120, [&](int x, int y) { return y < 60 ? (x < 80 ? tl : tr) : (x < 80 ? bl : br); }),
                       dir + "/first.bmp");
    ASSERT_TRUE(setter->set(dir + "/first.bmp")) << testing::PrintToString(log.lines);
    const RootState first = readRoot(server.display());
    ASSERT_EQ(first.pixels.size(), 320u * 240u);
    // Enlarged smoothly, so the two pixels either side of a quadrant border blend.
    const std::pair<std::pair<int, int>, Rgb> probes[] = {{{0, 0}, tl},     {{157, 117}, tl}, {{162, 0}, tr},
                                                         {{319, 117}, tr}, {{0, 122}, bl},   {{157, 239}, bl},
                                                         {{162, 122}, br}, {{319, 239}, br}};
    for (const auto& [xy, colour] : probes) EXPECT_EQ(first.at(xy.first, xy.second), colour) << xy.first << "," << xy.second;
    EXPECT_NE(first.xrootpmap, Pixmap(None));
    EXPECT_EQ(first.xrootpmap, first.esetroot);
    EXPECT_TRUE(pixmapAlive(server.display(), first.xrootpmap)) << "the pixmap must outlive the setter's connection";

    // Far wider than the screen: filled by height, the sides cut off equally, so only the
    // middle quarter (green) of a red | green | blue picture stays visible.
    vb::savePictureBmp(paint(64, 12, [](int x, int) { return x < 24 ? Rgb{255, 0, 0} : x < 40 ? Rgb{0, 255, 0} : Rgb{0, 0, 255}; }),
                       dir + "/second.bmp");
    ASSERT_TRUE(setter->set(dir + "/second.bmp")) << testing::PrintToString(log.lines);
    const RootState second = readRoot(server.display());
    EXPECT_EQ(std::count(second.pixels.begin(), second.pixels.end(), Rgb{0, 255, 0}), 320 * 240);
    EXPECT_EQ(second.xrootpmap, first.xrootpmap) << "our own pixmap is drawn over, not replaced";
    EXPECT_EQ(second.xrootpmap, second.esetroot);

    // Another setter that retained its own pixmap took over the root: taking it back draws a
    // new pixmap and frees theirs by ending their retained client.
    Display* other = XOpenDisplay(server.display().c_str());
    ASSERT_NE(other, nullptr);
    const Pixmap theirs = XCreatePixmap(other, DefaultRootWindow(other), 320, 240, 24);
    for (const char* atom : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        XChangeProperty(other, DefaultRootWindow(other), XInternAtom(other, atom, False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&theirs), 1);
    XSetCloseDownMode(other, RetainPermanent);
    XCloseDisplay(other);
    ASSERT_TRUE(setter->set(dir + "/second.bmp")) << testing::PrintToString(log.lines);
    const RootState third = readRoot(server.display());
    EXPECT_NE(third.xrootpmap, theirs);
    EXPECT_EQ(third.at(160, 120), (Rgb{0, 255, 0}));
    EXPECT_FALSE(pixmapAlive(server.display(), theirs)) << "the previous setter's pixmap leaked";

    // A setter that did not retain its pixmap leaves atoms naming a freed pixmap, whose client
    // slot the next connection (ours) takes over; killing "its owner" would kill ourselves.
    Display* careless = XOpenDisplay(server.display().c_str());
    ASSERT_NE(careless, nullptr);
    const Pixmap gone = XCreatePixmap(careless, DefaultRootWindow(careless), 8, 8, 24);
    for (const char* atom : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        XChangeProperty(careless, DefaultRootWindow(careless), XInternAtom(careless, atom, False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&gone), 1);
    XCloseDisplay(careless);
    ASSERT_TRUE(setter->set(dir + "/first.bmp")) << testing::PrintToString(log.lines);
    EXPECT_EQ(readRoot(server.display()).at(319, 239), br);
    EXPECT_TRUE(log.lines.empty());
    std::filesystem::remove_all(dir);
}

TEST(WallpaperX11Root, ScalesSmoothlyBothWays) {
    if (!vb::PosixCommandRunner().available("Xvfb")) GTEST_SKIP() << "Xvfb not installed";
    vantry::test::Xvfb server("320x240x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not come up";
    RecordingLog log;
    auto setter = vb::makeX11RootSetter(server.display(), log);

    // Black | white, enlarged 160 times: a ramp across the middle, not two flat halves.
    ASSERT_TRUE(setter->setFromPicture("ramp.bmp", paint(2, 2, [](int x, int) { return x ? Rgb{255, 255, 255} : Rgb{}; })));
    const RootState ramp = readRoot(server.display());
    std::set<int> levels;
    for (int x = 1; x < 320; ++x) {
        ASSERT_GE(ramp.at(x, 100)[0], ramp.at(x - 1, 100)[0]) << x;
        levels.insert(ramp.at(x, 100)[0]);
    }
    EXPECT_GT(levels.size(), 100u);
    EXPECT_EQ(ramp.at(0, 0), Rgb{}) << "edges are the edge pixels";
    EXPECT_EQ(ramp.at(319, 239), (Rgb{255, 255, 255}));

    // A one-pixel checkerboard at twice the screen's size averages to an even grey.
    ASSERT_TRUE(setter->setFromPicture("fine.bmp", paint(640, 480, [](int x, int y) {
                                           return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{};
                                       })));
    const RootState fine = readRoot(server.display());
    EXPECT_EQ(std::count(fine.pixels.begin(), fine.pixels.end(), Rgb{128, 128, 128}), 320 * 240);
    EXPECT_TRUE(log.lines.empty()) << testing::PrintToString(log.lines);
}

#endif

}  // namespace
