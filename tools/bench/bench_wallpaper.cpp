// How long the X11 root route takes to put a 4K picture on a 4K screen, from reading the bitmap
// to the cleared root window, next to an established root-setting tool doing the same job.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench.h"
#include "platform/log.h"
#include "platform/picture.h"
#include "testkit/test_pictures.h"
#include "platform/process.h"
#include "platform/wallpaper.h"

extern char** environ;

namespace {

constexpr int kRuns = 7;

// Starts Xvfb on a display number it picks itself; returns ":N", or "" when it did not come up.
std::string startXvfb(const std::string& geometry, pid_t& pid) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    const int childFd = fds[1] == 9 ? 10 : 9;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], childFd);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const std::string fdArg = std::to_string(childFd);
    // -noreset: otherwise the server wipes the root whenever its last client leaves.
    std::vector<const char*> argv = {"Xvfb", "-displayfd", fdArg.c_str(), "-screen", "0", geometry.c_str(),
                                     "-noreset", "-nolisten", "tcp", nullptr};
    const int rc = ::posix_spawnp(&pid, "Xvfb", &fa, nullptr, const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        pid = -1;
        return {};
    }
    std::string number, display;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (display.empty() && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char c;
        if (::read(fds[0], &c, 1) != 1) break;
        if (c == '\n')
            display = ":" + number;
        else
            number += c;
    }
    ::close(fds[0]);
    return display;
}

// Runs a program with DISPLAY pointing at our server; its exit status, or -1.
int runOnDisplay(const std::vector<std::string>& args, const std::string& display) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("DISPLAY=", 0) != 0) envStrings.emplace_back(*e);
    envStrings.push_back("DISPLAY=" + display);
    std::vector<char*> envp, argv;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Best and median of kRuns timings, in milliseconds; negative when a run failed.
void report(const char* what, const std::function<bool()>& once) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!once()) {
            std::printf("  %-48s failed\n", what);
            return;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-48s best %7.1f ms   median %7.1f ms\n", what, ms.front(), ms[ms.size() / 2]);
}

}  // namespace

void benchWallpaper(const std::string& scratch) {
    std::printf("wallpaper: X11 root window, 3840x2160x24 Xvfb, %d runs each\n", kRuns);
    vb::PosixCommandRunner runner;
    if (!runner.available("Xvfb")) {
        std::printf("  Xvfb not installed, skipped\n");
        return;
    }
    const std::string same = scratch + "/wallpaper-3840x2160.bmp";
    const std::string smaller = scratch + "/wallpaper-1920x1200.bmp";
    vb::savePictureBmp(vb::makeTestPicture(3840, 2160), same);
    vb::savePictureBmp(vb::makeTestPicture(1920, 1200), smaller);

    pid_t server = -1;
    const std::string display = startXvfb("3840x2160x24", server);
    if (display.empty()) {
        std::printf("  Xvfb did not start\n");
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
        return;
    }

    vb::StderrLogger log;
    auto setter = vb::makeX11RootSetter(display, log);
    report("reading the 3840x2160 bitmap alone", [&] { return !vb::loadPicture(same).empty(); });
    report("Vantry, 3840x2160 bitmap (read + draw + set)", [&] { return setter->set(same); });
    report("Vantry, 1920x1200 bitmap scaled to cover", [&] { return setter->set(smaller); });
    if (runner.available("feh")) {
        report("feh --bg-fill, 3840x2160 bitmap",
               [&] { return runOnDisplay({"feh", "--no-fehbg", "--bg-fill", same}, display) == 0; });
        report("feh --bg-fill, 1920x1200 bitmap",
               [&] { return runOnDisplay({"feh", "--no-fehbg", "--bg-fill", smaller}, display) == 0; });
    } else {
        std::printf("  feh not installed\n");
    }

    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    std::filesystem::remove(same);
    std::filesystem::remove(smaller);
}
