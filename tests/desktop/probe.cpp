// vantry-desktop-probe DESKTOP PATH: sets the wallpaper to PATH through the setter the program
// picks for XDG_CURRENT_DESKTOP=DESKTOP, with the real tools, and exits 0 when the setter
// reports success. The RealDesktop tests run it inside a private D-Bus session.
#include <cstdio>
#include <optional>
#include <string>

#include "platform/base/log.h"
#include "platform/system/process.h"
#include "platform/wallpaper/wallpaper.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantry-desktop-probe DESKTOP PATH\n");
        return 2;
    }
    const std::string desktop = argv[1];
    vb::Environment env{[&](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "XDG_CURRENT_DESKTOP") return desktop;
        return std::nullopt;
    }};
    vb::PosixCommandRunner runner;
    vb::StderrLogger log;
    auto setter = vb::makeWallpaperSetter(env, runner, log);
    return setter && setter->set(argv[2]) ? 0 : 1;
}
