// The apply on the X11 root route, end to end as the program runs it (load the JPEG into the
// preview, save the wallpaper bitmap with its flush to disk, set the root window), next to the
// root-setting tools a user would otherwise run on the same file, in the same run.
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
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench.h"
#include "platform/base/log.h"
#include "platform/pictures/picture.h"
#include "testkit/test_pictures.h"
#include "platform/system/process.h"
#include "platform/wallpaper/wallpaper.h"

extern char** environ;

namespace {

constexpr int kRuns = 7;

// Runs a program with DISPLAY pointing at our server; its exit status, or -1.
// HOME points into the scratch folder, so no tool touches the user's own settings.
int runOnDisplay(const std::vector<std::string>& args, const std::string& display, const std::string& home) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string v(*e);
        if (v.rfind("DISPLAY=", 0) != 0 && v.rfind("HOME=", 0) != 0) envStrings.push_back(v);
    }
    envStrings.push_back("DISPLAY=" + display);
    envStrings.push_back("HOME=" + home);
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

// Median of kRuns timings in milliseconds; negative when a run failed.
double median(const std::function<bool()>& once) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!once()) return -1;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

std::string figure(double ms) {
    return ms < 0 ? std::string("failed") : std::to_string(static_cast<long>(ms + 0.5)) + " ms";
}

// A root-setting tool's figure: "failed" only for a tool that ran and failed.
std::string toolFigure(bool installed, double ms) {
    return installed ? figure(ms) : std::string("not installed, skipped");
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

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

void benchWallpaper(const std::string& scratch) {
    std::printf("wallpaper: X11 root window of a 3840x2160x24 Xvfb, medians of %d runs\n", kRuns);
    vb::PosixCommandRunner runner;
    if (!runner.available("Xvfb")) {
        std::printf("  Xvfb not installed, skipped\n");
        return;
    }
    const std::string jpeg = scratch + "/picture-3840x2160.jpg";
    const std::string small = scratch + "/picture-1920x1080.jpg";
    const std::string bitmap = scratch + "/vantry.bmp";
    const std::string home = scratch + "/home";
    std::filesystem::create_directories(home);
    writeFile(jpeg, vb::encodeJpeg(vb::makeTestPicture(3840, 2160), 90));
    writeFile(small, vb::encodeJpeg(vb::makeTestPicture(1920, 1080), 90));

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
    // What a click on the apply button runs: the preview's load, the save, the setter.
    auto apply = [&](const std::string& file, bool handOver) {
        const auto picture = std::make_shared<const vb::Picture>(vb::loadPicture(file));
        vb::savePictureBmp(*picture, bitmap);
        return handOver ? setter->setFromPicture(bitmap, *picture) : setter->set(bitmap);
    };
    auto tool = [&](std::vector<std::string> args) {
        return [&, args] { return runOnDisplay(args, display, home) == 0; };
    };
    const bool feh = runner.available("feh"), nitrogen = runner.available("nitrogen");
    auto fehOn = [&](const std::string& f) { return feh ? median(tool({"feh", "--no-fehbg", "--bg-fill", f})) : -1; };
    auto nitrogenOn = [&](const std::string& f) { return nitrogen ? median(tool({"nitrogen", "--set-zoom-fill", f})) : -1; };

    const double ours = median([&] { return apply(jpeg, true); });
    const double theirs = fehOn(jpeg), others = nitrogenOn(jpeg);
    std::printf("apply 3840x2160 JPEG end to end: Vantry %s, feh --bg-fill %s, nitrogen --set-zoom-fill %s\n",
                figure(ours).c_str(), toolFigure(feh, theirs).c_str(), toolFigure(nitrogen, others).c_str());
    std::printf("  (Vantry's figure includes the flush of the 24 MB wallpaper bitmap to disk; the tools write none)\n");
    std::printf("  Vantry with the bitmap read back by the setter: %s\n", figure(median([&] { return apply(jpeg, false); })).c_str());
    std::printf("  apply 1920x1080 JPEG scaled smoothly to the 3840x2160 screen: Vantry %s, feh --bg-fill %s, nitrogen --set-zoom-fill %s\n",
                figure(median([&] { return apply(small, true); })).c_str(), toolFigure(feh, fehOn(small)).c_str(),
                toolFigure(nitrogen, nitrogenOn(small)).c_str());
    {
        vb::Picture picture;
        const double load = median([&] { return !(picture = vb::loadPicture(jpeg)).empty(); });
        const double save = median([&] { return vb::savePictureBmp(picture, bitmap), true; });
        const double set = median([&] { return setter->setFromPicture(bitmap, picture); });
        std::printf("  its steps: load %s, save %s, set %s\n", figure(load).c_str(), figure(save).c_str(), figure(set).c_str());
    }

    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    for (const auto& f : {jpeg, small, bitmap}) std::filesystem::remove(f);
    std::filesystem::remove_all(home);
}
