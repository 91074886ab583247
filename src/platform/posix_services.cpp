#include "platform/posix_services.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/error.h"
#include "platform/text.h"

extern char** environ;

namespace vb {

std::string defaultSystemFolder() {
    if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d) return std::string(d) + "/vantry";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/vantry";
}

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

PosixSystem::PosixSystem(std::string folder, ScreenSize screen, std::string lockPath)
    : folder_(std::move(folder)), screen_(std::move(screen)), lockPath_(std::move(lockPath)) {
    if (lockPath_.empty()) {
        const char* run = std::getenv("XDG_RUNTIME_DIR");
        lockPath_ = run && *run ? std::string(run) + "/vantry.lock"
                                : "/tmp/vantry-" + std::to_string(::getuid()) + ".lock";
    }
}

PosixSystem::~PosixSystem() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string PosixSystem::windowsDirectory() {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    return folder_;
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
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;  // no lock file possible: better to run than to refuse
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

int PosixPrograms::start(const std::string& name, const std::string& programFolder) {
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

void PosixPrograms::launch(const std::string& name, const std::string& programFolder) {
    const pid_t pid = start(name, programFolder);
    // Nobody waits for it; a thread of its own collects its exit status when it ends, so it
    // never lingers as a zombie. It logs nothing: it may outlive the program's logger.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

int PosixPrograms::wait(int pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (code != 0) log_.log("program " + std::to_string(pid) + " ended with " + std::to_string(code));
    return code;
}

void PosixPrograms::open(const std::string& address) {
    pid_t pid = 0;
    std::vector<char*> argv{const_cast<char*>("xdg-open"), const_cast<char*>(address.c_str()), nullptr};
    const int rc = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        log_.log("cannot open " + address + ": xdg-open: " + std::strerror(rc));
        return;
    }
    // Not waited for by the caller; a thread collects its exit status so it leaves no zombie.
    Logger* log = &log_;
    std::thread([pid, address, log] {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
            log->log("xdg-open " + address + " failed");
    }).detach();
}

DesktopWallpaper::DesktopWallpaper(Logger& log)
    : log_(log), setter_(makeWallpaperSetter(Environment::process(), runner_, log)) {}

void DesktopWallpaper::setWallpaper(const std::string& bitmapPath) {
    // A setter logs its own failures; only its absence needs a word here.
    if (!setter_) log_.log("no way to set the wallpaper on this desktop: " + bitmapPath);
    else setter_->set(bitmapPath);
}

}  // namespace vb
