// The desktop setters against the desktops' real settings stores: gsettings with the dconf back
// end and xfconf-query against xfconfd, each in a private D-Bus session (dbus-run-session) whose
// settings live in a temporary folder. The setter runs in vantry-desktop-probe inside that
// session; the value is read back there with the desktop's own tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/system/process.h"
#include "platform/wallpaper/wallpaper.h"

using vantry::test::readFile;
using vantry::test::TempDir;

namespace {

// A picture path with a blank, a quote and a non-ASCII letter: what a user's folder may hold.
const std::string kPicture = "/home/user/My Pictures/it's caf\xC3\xA9.bmp";

// The text of a GVariant string literal as gsettings prints one line of it: in single quotes,
// or in double quotes when the text holds a single quote; backslash escapes inside.
std::string gvariantText(std::string printed) {
    if (!printed.empty() && printed.back() == '\n') printed.pop_back();
    if (printed.size() < 2 || printed.front() != printed.back() ||
        (printed.front() != '\'' && printed.front() != '"'))
        return "(not a string literal: " + printed + ")";
    std::string out;
    for (std::size_t i = 1; i + 1 < printed.size(); ++i) {
        if (printed[i] == '\\' && i + 2 < printed.size()) ++i;
        out += printed[i];
    }
    return out;
}

class RealDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        // A tool that is missing, or installed without a library it loads, fails here by the
        // Debian package that brings it, not later as a puzzling script error.
        vb::PosixCommandRunner probe(vb::CommandLimits{std::chrono::seconds(30), std::size_t(1) << 16});
        const std::pair<const char*, const char*> tools[] = {{"dbus-run-session", "dbus"},
                                                             {"gsettings", "libglib2.0-bin"},
                                                             {"xfconf-query", "xfconf and libxfconf-0-3"}};
        for (const auto& [tool, package] : tools) {
            const vb::CommandResult r = probe.run({tool, "--version"});
            if (!r.started || r.exitCode != 0)
                GTEST_FAIL() << tool << " cannot run: install the Debian package " << package
                             << " (tools/setup.sh does)\n"
                             << r.output;
        }
        std::filesystem::create_directories(home / "config");
        std::filesystem::create_directories(home / "runtime");
        std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    }

    // Runs the script in a private session bus, with the settings stores kept in the temporary
    // folder, in a UTF-8 locale whatever the caller's (the paths hold non-ASCII letters, which the tools
    // refuse to convert otherwise). "$PROBE" is the setter probe. Returns the script's output; its exit
    // status must be 0.
    std::string inSession(const std::string& script) {
        vb::PosixCommandRunner runner(vb::CommandLimits{std::chrono::seconds(60), std::size_t(1) << 20});
        const vb::CommandResult r = runner.run(
            {"env", "-u", "DBUS_SESSION_BUS_ADDRESS", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
             "XDG_CONFIG_HOME=" + (home / "config"), "XDG_RUNTIME_DIR=" + (home / "runtime"),
             "XDG_DATA_HOME=" + (home / "data"), "LC_ALL=C.UTF-8", "GSETTINGS_BACKEND=dconf",
             "PROBE=" VANTRY_DESKTOP_PROBE, "dbus-run-session", "--", "sh", "-c", "set -e\n" + script});
        EXPECT_TRUE(r.started);
        EXPECT_EQ(r.exitCode, 0) << "script:\n" << script << "\noutput:\n" << r.output;
        return r.output;
    }

    bool schemaInstalled(const std::string& schema) {
        vb::PosixCommandRunner runner;
        return runner.run({"gsettings", "list-keys", schema}).exitCode == 0;
    }

    static std::string quoted(const std::string& s) {
        std::string out = "'";
        for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    }

    TempDir home;
};

TEST_F(RealDesktop, GnomeSetsBothPictureKeysInDconf) {
    if (!schemaInstalled("org.gnome.desktop.background")) GTEST_SKIP() << "GNOME background schema missing";
    const std::string out = inSession(
        "gsettings set org.gnome.desktop.background picture-uri-dark 'file:///old.png'\n"
        "\"$PROBE\" GNOME " +
        quoted(kPicture) +
        "\n"
        "gsettings get org.gnome.desktop.background picture-uri\n"
        "gsettings get org.gnome.desktop.background picture-uri-dark\n");
    const std::string uri = vb::gvariantString(vb::fileUri(kPicture));  // a URI holds no quote
    EXPECT_EQ(out, uri + "\n" + uri + "\n");
    EXPECT_TRUE(std::filesystem::exists(home / "config/dconf/user"));  // stored by dconf, not in memory
}

TEST_F(RealDesktop, MateSetsThePlainPathInDconf) {
    if (!schemaInstalled("org.mate.background")) GTEST_SKIP() << "MATE background schema missing";
    const std::string out = inSession("\"$PROBE\" MATE " + quoted(kPicture) +
                                      "\n"
                                      "gsettings get org.mate.background picture-filename\n");
    EXPECT_EQ(gvariantText(out), kPicture);
    EXPECT_TRUE(std::filesystem::exists(home / "config/dconf/user"));
}

TEST_F(RealDesktop, CinnamonSetsThePictureUriInDconf) {
    if (!schemaInstalled("org.cinnamon.desktop.background"))
        GTEST_SKIP() << "Cinnamon background schema missing";
    const std::string out = inSession("\"$PROBE\" X-Cinnamon " + quoted(kPicture) +
                                      "\n"
                                      "gsettings get org.cinnamon.desktop.background picture-uri\n");
    EXPECT_EQ(out, vb::gvariantString(vb::fileUri(kPicture)) + "\n");
}

TEST_F(RealDesktop, XfceOnAFreshChannelCreatesTheFirstMonitorsPicture) {
    const std::string out =
        inSession("\"$PROBE\" XFCE " + quoted(kPicture) +
                  "\n"
                  "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image\n"
                  // xfconfd writes its channel file a few seconds after a change.
                  "f=\"$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml\"\n"
                  "for i in $(seq 200); do grep -q monitor0 \"$f\" 2>/dev/null && break; sleep 0.1; done\n");
    EXPECT_EQ(out, kPicture + "\n");
    // xfconfd stored it under our temporary settings folder: a new session reads it back.
    EXPECT_TRUE(std::filesystem::exists(home / "config/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"));
    EXPECT_EQ(
        inSession("xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image\n"),
        kPicture + "\n");
}

TEST_F(RealDesktop, XfceSetsEveryMonitorsExistingPicture) {
    const std::string out = inSession(
        "for m in monitorHDMI-1 monitoreDP-1; do\n"
        "  xfconf-query -c xfce4-desktop -p /backdrop/screen0/$m/workspace0/last-image -n -t string -s "
        "/old.png\n"
        "done\n"
        "\"$PROBE\" XFCE " +
        quoted(kPicture) +
        "\n"
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
        "xfconf-query -c xfce4-desktop -l | grep -c last-image\n");
    EXPECT_EQ(out, kPicture + "\n" + kPicture + "\n2\n");  // no monitor0 made up beside them
}

}  // namespace
