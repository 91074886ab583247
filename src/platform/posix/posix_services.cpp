#include "platform/posix/posix_services.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/base/error.h"
#include "platform/base/text.h"

extern char** environ;

namespace vb {

std::string defaultSystemFolder() {
    if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d) return std::string(d) + "/vantry";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) home = h;
    // Without HOME (a service, a cleared environment) the password database knows the home.
    if (home.empty())
        if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir) home = pw->pw_dir;
    return home.empty() ? std::string() : home + "/.local/share/vantry";
}

namespace {

// A name under which nothing can be made by anyone, root included (it is not a folder).
constexpr const char* kNoFolder = "/dev/null";

// Whether the folder has an access list with entries beyond its three mode classes (a list that
// only restates the mode is four bytes of header and three entries of eight).
bool hasAccessList(const char* path) {
    const ssize_t size = ::getxattr(path, "system.posix_acl_access", nullptr, 0);
    return size > 4 + 3 * 8;
}

// Nobody else can move or replace anything on the way to the folder: each folder above it (links
// resolved) is ours or root's, and one that others may write to is sticky and root's, as /tmp
// is, where they cannot move what is ours. A group, even our own, may hold others, and an access
// list may name them: either counts as others writing.
bool onlyUsAbove(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::canonical(std::filesystem::path(folder).parent_path(), ec);
    if (ec) return false;
    for (;;) {
        struct stat st;
        if (::stat(p.c_str(), &st) != 0 || (st.st_uid != 0 && st.st_uid != ::geteuid())) return false;
        const bool othersWrite = (st.st_mode & 022) || hasAccessList(p.c_str());
        if (othersWrite && !((st.st_mode & S_ISVTX) && st.st_uid == 0)) return false;
        if (p == p.root_path()) return true;
        p = p.parent_path();
    }
}

bool folderIsOurOwn(const std::string& folder) {
    struct stat st;
    if (folder.empty() || ::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid() || !onlyUsAbove(folder))
        return false;
    // Ours, so others' write permission is ours to take back (a umask of 002 leaves it). With an
    // access list the group bits are its mask: taking back their write takes it from every user
    // and group the list names.
    return (st.st_mode & 022) == 0 || ::chmod(folder.c_str(), st.st_mode & 07755) == 0;
}

}  // namespace

bool routeTableHasDefault(const std::string& v4, const std::string& v6) {
    // IPv4: "Iface Destination Gateway Flags ..." with destination and mask 00000000, flag UP.
    std::istringstream in4(v4);
    std::string line;
    std::getline(in4, line);  // header
    while (std::getline(in4, line)) {
        std::istringstream f(line);
        std::string iface, dest, gw, flags, refcnt, use, metric, mask;
        if (!(f >> iface >> dest >> gw >> flags >> refcnt >> use >> metric >> mask)) continue;
        const unsigned long fl = std::strtoul(flags.c_str(), nullptr, 16);
        if (dest == "00000000" && mask == "00000000" && (fl & 1) && iface != "lo") return true;
    }
    // IPv6: destination ::/0 on an interface other than lo, not a reject route.
    std::istringstream in6(v6);
    while (std::getline(in6, line)) {
        std::istringstream f(line);
        std::string dest, dlen, src, slen, next, metric, ref, use, flags, iface;
        if (!(f >> dest >> dlen >> src >> slen >> next >> metric >> ref >> use >> flags >> iface)) continue;
        const unsigned long fl = std::strtoul(flags.c_str(), nullptr, 16);
        if (dest == std::string(32, '0') && dlen == "00" && iface != "lo" && !(fl & 0x0200)) return true;
    }
    return false;
}

std::string mountPointOf(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = path;
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return "/";
    const dev_t dev = st.st_dev;
    while (p.has_parent_path() && p.parent_path() != p) {
        struct stat up;
        if (::stat(p.parent_path().c_str(), &up) != 0 || up.st_dev != dev) break;
        p = p.parent_path();
    }
    return p.string();
}

std::string defaultLockPath(const std::string& sharedTemp) {
    // A folder of our own in the shared temporary folder, readable and writable by us alone. Its
    // name comes from the user id alone: a start from the desktop session and one from cron, ssh
    // or a cleared environment find the same lock, where a session's runtime folder would be set
    // for some and not others.
    const std::string folder = sharedTemp + "/vantry-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return folder + "/vantry.lock";
}

PosixSystem::PosixSystem(std::string folder, ScreenSize screen, std::string lockPath)
    : folder_(std::move(folder)), screen_(std::move(screen)), lockPath_(std::move(lockPath)) {
    if (lockPath_.empty()) lockPath_ = defaultLockPath("/tmp");
}

PosixSystem::~PosixSystem() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string PosixSystem::windowsDirectory() {
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::create_directories(folder_, ec);
    // The wallpaper is written into this folder: one another user owns or may write to could
    // swap it for a link to any file of ours. Then no folder is given, and every write fails.
    return folderIsOurOwn(folder_) ? folder_ : kNoFolder;
}

VersionInfo PosixSystem::version() {
    VersionInfo v;
    struct utsname u;
    if (::uname(&u) == 0) {
        v.major = int(valOf(u.release));
        const char* dot = std::strchr(u.release, '.');
        v.minor = dot ? int(valOf(dot + 1)) : 0;
    }
    v.platformId = 2;
    return v;
}

bool PosixSystem::anotherInstanceRunning() {
    if (lockFd_ >= 0) return false;
    // The kernel drops the lock when the process dies, so a crash leaves no stale lock; the
    // descriptor is close-on-exec so the updater and plug-ins do not inherit it.
    // Not through a link, and only a regular file of our own: a lock file someone else made
    // (in a shared folder) must neither stop us nor make us write where it points.
    if (lockPath_.empty()) return false;  // no safe place for a lock: better to run than to refuse
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;  // no lock file possible: better to run than to refuse
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return errno == EWOULDBLOCK;
    }
    lockFd_ = fd;
    return false;
}

bool PosixSystem::online() {
    FileSystem fs;
    std::string v4, v6;
    try {
        v4 = fs.readBytes("/proc/net/route", 1 << 20);
    } catch (const Error&) {
    }
    try {
        v6 = fs.readBytes("/proc/net/ipv6_route", 1 << 20);
    } catch (const Error&) {
    }
    return routeTableHasDefault(v4, v6);
}

// The exit statuses of the children, collected by one watcher thread per child; shared with
// the watchers, which may outlive the PosixPrograms.
struct PosixPrograms::Children {
    std::mutex mutex;
    std::condition_variable ended;
    std::map<int, std::optional<int>> status;  // by pid; empty while it runs
    Logger* log = nullptr;                     // cleared when the PosixPrograms goes

    void say(const std::string& line) {
        std::lock_guard lock(mutex);
        if (log) log->log(line);
    }
};

namespace {

// Waits for the child (killing it past the deadline, when there is one) and hands its status on.
void watch(int pid, std::optional<std::chrono::steady_clock::time_point> deadline,
           std::function<void(int status, bool killed)> ended) {
    std::thread([pid, deadline, ended = std::move(ended)] {
        int status = 0;
        bool killed = false;
        for (;;) {
            const pid_t w = ::waitpid(pid, &status, deadline ? WNOHANG : 0);
            if (w == pid) break;
            if (w < 0 && errno != EINTR) {
                status = 0xff00;  // not ours to wait for: reported as exit status 255
                break;
            }
            if (deadline && std::chrono::steady_clock::now() >= *deadline && !killed) {
                ::kill(pid, SIGKILL);
                killed = true;
            } else if (deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        ended(status, killed);
    }).detach();
}

}  // namespace

PosixPrograms::PosixPrograms(FileSystem& fs, Logger& log, std::chrono::milliseconds openDeadline)
    : fs_(fs), log_(log), openDeadline_(openDeadline), children_(std::make_shared<Children>()) {
    children_->log = &log_;
}

PosixPrograms::~PosixPrograms() {
    std::lock_guard lock(children_->mutex);
    children_->log = nullptr;
}

int PosixPrograms::spawn(const std::string& name, const std::string& programFolder) {
    std::string path;
    if (name.find_first_of("/\\") != std::string::npos) {
        // A path names its file and nothing else; an empty folder part makes it the root's.
        path = fs_.resolve(name);
    } else {
        // A bare name is the program folder's file of that name (letter case ignored), then PATH.
        path = fs_.resolve(joinPath(programFolder, name));
        if (!fs_.fileExists(path) || ::access(path.c_str(), X_OK) != 0) path = name;
    }
    pid_t pid = 0;
    std::vector<char*> argv{const_cast<char*>(path.c_str()), nullptr};
    const int rc = path.find('/') != std::string::npos
                       ? ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ)
                       : ::posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) throw Error(err::FileNotFound, "cannot start " + name + ": " + std::strerror(rc));
    return int(pid);
}

int PosixPrograms::start(const std::string& name, const std::string& programFolder) {
    const int pid = spawn(name, programFolder);
    {
        std::lock_guard lock(children_->mutex);
        children_->status[pid].reset();
    }
    watch(pid, std::nullopt, [children = children_, pid](int status, bool) {
        std::lock_guard lock(children->mutex);
        children->status[pid] = status;
        children->ended.notify_all();
    });
    return pid;
}

void PosixPrograms::launch(const std::string& name, const std::string& programFolder) {
    // Watched like every child, so it is reaped when it ends; nobody will ask for its status,
    // so none is kept.
    watch(spawn(name, programFolder), std::nullopt, [](int, bool) {});
}

int PosixPrograms::wait(int pid) {
    std::unique_lock lock(children_->mutex);
    auto it = children_->status.find(pid);
    if (it == children_->status.end()) return -1;  // not started here, or already waited for
    children_->ended.wait(lock, [&] { return children_->status[pid].has_value(); });
    const int code = exitCodeOf(*children_->status[pid]);
    children_->status.erase(pid);
    if (code != 0 && children_->log)
        children_->log->log("program " + std::to_string(pid) + " ended with " + std::to_string(code));
    return code;
}

void PosixPrograms::open(const std::string& address) {
    if (holdsNul(address)) {  // the opener would be handed the address cut short at the NUL
        log_.log("cannot open " + address.substr(0, address.find('\0')) + "...: the address holds a NUL");
        return;
    }
    pid_t pid = 0;
    std::vector<char*> argv{const_cast<char*>("xdg-open"), const_cast<char*>(address.c_str()), nullptr};
    const int rc = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        log_.log("cannot open " + address + ": xdg-open: " + std::strerror(rc));
        return;
    }
    const auto seconds = std::to_string(openDeadline_.count() / 1000.0).substr(0, 4);
    watch(pid, std::chrono::steady_clock::now() + openDeadline_,
          [children = children_, address, seconds](int status, bool killed) {
              if (killed)
                  children->say("xdg-open " + address + " did not finish within " + seconds + " s and was stopped");
              else if (exitCodeOf(status) != 0)
                  children->say("xdg-open " + address + " failed");
          });
}

DesktopWallpaper::DesktopWallpaper(Logger& log)
    : log_(log), setter_(makeWallpaperSetter(Environment::process(), runner_, log)) {}

void DesktopWallpaper::setWallpaper(const std::string& bitmapPath) {
    // A setter logs its own failures; only its absence needs a word here.
    if (!setter_) log_.log("no way to set the wallpaper on this desktop: " + bitmapPath);
    else setter_->set(bitmapPath);
}

void DesktopWallpaper::setWallpaperWritten(const std::string& bitmapPath, const Picture& written) {
    if (!setter_) log_.log("no way to set the wallpaper on this desktop: " + bitmapPath);
    else setter_->setFromPicture(bitmapPath, written);
}

}  // namespace vb
