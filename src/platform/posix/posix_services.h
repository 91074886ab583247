#pragma once
// The real operating-system services for the desktop program.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/base/log.h"
#include "platform/model/services.h"
#include "platform/system/fs.h"
#include "platform/system/process.h"
#include "platform/wallpaper/wallpaper.h"

namespace vb {

// "Windows folder": where the wallpaper bitmap lives, $XDG_DATA_HOME/vantry by default, else
// .local/share/vantry in the home folder ($HOME, else the password database's); "" when there
// is no home. PosixSystem only gives it out while it is a folder of our own that no one else may
// write to; otherwise it gives a name that holds nothing, so the wallpaper is not written.
std::string defaultSystemFolder();

// Whether a routing table (the text of /proc/net/route or /proc/net/ipv6_route) has a default
// route: what the connected-state query answers.
bool routeTableHasDefault(const std::string& ipv4Table, const std::string& ipv6Table);

// Where the instance lock lives, whatever the environment: in a folder of our own named after the
// user id (mode 0700) inside the shared temporary folder. Empty when that folder exists but is
// not ours alone (another user made it, or it is a link): then no lock is taken.
std::string defaultLockPath(const std::string& sharedTemp);

// The mount point of the file system holding path.
std::string mountPointOf(const std::string& path);

class PosixSystem : public System {
public:
    using ScreenSize = std::function<std::pair<int, int>()>;
    PosixSystem(std::string systemFolder, ScreenSize screen, std::string lockPath = {});
    ~PosixSystem() override;
    std::string windowsDirectory() override;
    VersionInfo version() override;
    bool initCommonControls() override { return true; }
    int screenWidthPx() override { return screen_().first; }
    int screenHeightPx() override { return screen_().second; }
    double devicePixelRatio() override { return pixelRatio ? pixelRatio() : 1.0; }
    std::function<double()> pixelRatio;  // none: 1
    std::string driveRoot(const std::string& path) override { return mountPointOf(path); }
    bool anotherInstanceRunning() override;
    bool online() override;

private:
    std::string folder_;
    ScreenSize screen_;
    std::string lockPath_;
    int lockFd_ = -1;
};

// Every program started is watched until it ends, so none is left a zombie whether or not
// anyone waits for it; wait() takes the status the watcher collected. The opener (xdg-open) is
// not waited for by the caller, but gets a deadline: past it, it is killed and that is logged.
class PosixPrograms : public Programs {
public:
    PosixPrograms(FileSystem& fs, Logger& log, std::chrono::milliseconds openDeadline = std::chrono::seconds(30));
    ~PosixPrograms() override;
    int start(const std::string& name, const std::string& programFolder) override;
    void launch(const std::string& name, const std::string& programFolder) override;
    int wait(int pid) override;
    void open(const std::string& address) override;

private:
    struct Children;
    // Starts the program and returns its process id; watching it is the caller's business.
    int spawn(const std::string& name, const std::string& programFolder);
    FileSystem& fs_;
    Logger& log_;
    std::chrono::milliseconds openDeadline_;
    std::shared_ptr<Children> children_;
};

// Hands the bitmap to the desktop that is running; failures reach the log, not the caller.
class DesktopWallpaper : public WallpaperService {
public:
    explicit DesktopWallpaper(Logger& log);
    void setWallpaper(const std::string& bitmapPath) override;
    void setWallpaperWritten(const std::string& bitmapPath, const Picture& written) override;

private:
    Logger& log_;
    PosixCommandRunner runner_;
    std::unique_ptr<WallpaperSetter> setter_;
};

}  // namespace vb
