#pragma once
// Making a bitmap file the desktop wallpaper. Linux has no one call for it: every desktop keeps
// its own setting, so there is one setter per desktop, chosen from the session's environment,
// and the bare X11 root window for window managers that keep none.
//
// Every setter hands the desktop the file's absolute path (the desktop's own process does not
// share our current directory) and reads it no further itself, except the X11 root setter,
// which draws the picture. A setter that fails says why in the log and returns false; nothing
// throws.
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vb {

class CommandRunner;
class Logger;
struct Picture;

// The session variables detection looks at, passed in so that tests need not touch the
// process's own environment. An unset or empty variable yields nullopt.
struct Environment {
    std::function<std::optional<std::string>(const char*)> getenv;

    static Environment process();
};

class WallpaperSetter {
public:
    virtual ~WallpaperSetter();
    virtual bool set(const std::string& bitmapPath) = 0;
    // The same, for a caller that holds the picture it has just written to the file: a setter
    // that draws the picture itself takes it from here rather than reading the file back.
    virtual bool setFromPicture(const std::string& bitmapPath, const Picture&) { return set(bitmapPath); }
    // The desktop the setter is for, as log lines name it.
    virtual std::string name() const = 0;
};

// Picks the route from XDG_CURRENT_DESKTOP (a ":"-separated list, any letter case), then
// SWAYSOCK, then DISPLAY. The runner and the log must outlive the setter.
std::unique_ptr<WallpaperSetter> makeWallpaperSetter(const Environment& env, CommandRunner& runner,
                                                     Logger& log);

// The root window of the X display named as XOpenDisplay takes it (empty: $DISPLAY). In a
// build without Xlib every set fails with a log line.
std::unique_ptr<WallpaperSetter> makeX11RootSetter(const std::string& display, Logger& log);

// "file://" and the absolute path with every byte outside A-Z a-z 0-9 - . _ ~ / written as %XX,
// which is what the desktops' URI parsers read back unchanged.
std::string fileUri(const std::string& absolutePath);

// A GVariant text literal of the string, the form gsettings takes for a value; quotes and
// backslashes in a path would otherwise end or bend the literal.
std::string gvariantString(const std::string& text);

}  // namespace vb
