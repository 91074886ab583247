#pragma once
// The operating-system services the program uses, one interface each. Real implementations
// live beside this file (posix_*), test doubles in headless.h; the program wires one set in.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vb {

struct Picture;
class Timer;
class Form;
class Menu;
class MenuItem;

// Message box styles and answers of the forms runtime.
namespace mb {
inline constexpr int OKOnly = 0, YesNo = 4;
inline constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
inline constexpr int OK = 1, Yes = 6, No = 7;
}  // namespace mb

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal: returns the button pressed (mb::OK, mb::Yes, mb::No).
    virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
    // The entered text, or nullopt when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;
    // The folder browser: the chosen folder's full path, "" when cancelled.
    virtual std::string BrowseForFolder(const std::string& prompt) = 0;
};

// Random numbers for picks the user asks to be random. Each draw is reseeded first (from the
// time of day in the real one), so nothing of one pick carries over to the next.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Uniform in [0, 1).
    virtual double draw() = 0;
};

// The user-interface thread's clock: timers and posted events, one at a time.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    virtual void arm(Timer& t, int intervalMs) = 0;
    virtual void disarm(Timer& t) = 0;
    // Runs fn on the user-interface thread after delayMs.
    virtual void post(std::function<void()> fn, int delayMs = 0) = 0;
    virtual std::int64_t nowMs() const = 0;
};

// Work that would keep the user-interface thread from its events for long (decoding or writing
// a large picture) runs away from it: run() starts `work` elsewhere and, once it has ended, runs
// `done` on the user-interface thread, through the event loop like any other event. Jobs run
// one after the other in the order they were started, so their `done`s come in that order too.
// `work` touches no form or control and reports through what it captures; it must not throw.
// A job still waiting when the service goes never runs, and no `done` runs afterwards.
class BackgroundJobs {
public:
    virtual ~BackgroundJobs() = default;
    virtual void run(std::function<void()> work, std::function<void()> done) = 0;
};

struct VersionInfo {
    int major = 5, minor = 1, platformId = 2;
};

// Facts about the machine and the session.
class System {
public:
    virtual ~System() = default;
    virtual std::string windowsDirectory() = 0;  // created on demand
    virtual VersionInfo version() = 0;
    virtual bool initCommonControls() = 0;
    // The screen in the pixels that windows are laid out in (15 twips each).
    virtual int screenWidthPx() = 0;
    virtual int screenHeightPx() = 0;
    // The display's own pixels to one of those: above 1 when the user scaled the program up.
    virtual double devicePixelRatio() { return 1.0; }
    // The root folder of the file system that holds path (where the location file goes).
    virtual std::string driveRoot(const std::string& path) = 0;
    // True when another instance of the program holds the instance lock; takes it otherwise.
    virtual bool anotherInstanceRunning() = 0;
    virtual bool online() = 0;
};

// Starting other programs.
class Programs {
public:
    virtual ~Programs() = default;
    // Starts a program by its bare file name, found in the program folder (letter case ignored)
    // and then on the search path, with no arguments; returns its process id, or throws
    // vb::Error(53) when it cannot be started. A name holding a separator ("\" or "/") is a
    // path: that file is started (letter case matched as the file system does), never searched.
    virtual int start(const std::string& name, const std::string& programFolder) = 0;
    // Starts a program as start() does and leaves it to run on its own: nobody waits for it or
    // keeps its process id, and it is reaped when it ends, so it leaves no zombie behind.
    virtual void launch(const std::string& name, const std::string& programFolder) = 0;
    // Waits for a started program to end; returns its exit code (-1 when it cannot be waited for).
    virtual int wait(int pid) = 0;
    // Opens an address in the user's browser, without waiting.
    virtual void open(const std::string& address) = 0;
};

class WallpaperService {
public:
    virtual ~WallpaperService() = default;
    virtual void setWallpaper(const std::string& bitmapPath) = 0;
    // The same, right after the caller wrote `written` to that file: a route that draws the
    // picture itself (the X11 root window) need not read the whole bitmap back.
    virtual void setWallpaperWritten(const std::string& bitmapPath, const Picture& written) {
        (void)written;
        setWallpaper(bitmapPath);
    }
};

// The notification area.
class Tray {
public:
    virtual ~Tray() = default;
    virtual void addIcon(const std::string& tip) = 0;
    virtual void removeIcon() = 0;
    // Pops up a menu at the mouse position; the chosen item's Click runs through the app.
    virtual void popup(Menu& menu, MenuItem* defaultItem) = 0;
    // Whether a notification area exists, so hiding into it leaves the program reachable.
    virtual bool available() = 0;
};

}  // namespace vb
