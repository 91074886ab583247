#pragma once
// A private X server for the tests that need a real one (the root window's wallpaper, window
// hints, the program's own windows).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace vantry::test {

// Xvfb on a display number it picks itself (-displayfd), so parallel runs never collide. It
// goes when the test process goes, even when a broken X connection makes Xlib exit() it.
class Xvfb {
public:
    explicit Xvfb(const std::string& geometry) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        const int childFd = fds[1] == 9 ? 10 : 9;
        const std::string fd = std::to_string(childFd);
        // -noreset: otherwise the server wipes the root when its last client leaves.
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry.c_str(), "-noreset", "-nolisten", "tcp", nullptr};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 1), ::dup2(devnull, 2), ::dup2(fds[1], childFd);
            ::execvp("Xvfb", const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        for (char c = 0; pid_ > 0 && c != '\n' && std::chrono::steady_clock::now() < deadline;) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            if (::read(fds[0], &c, 1) != 1) break;
            if (c != '\n') number += c;
        }
        ::close(fds[0]);
        while (!number.empty() && std::chrono::steady_clock::now() < deadline) {
            if (std::filesystem::exists("/tmp/.X11-unix/X" + number)) {
                display_ = ":" + number;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Xvfb() {
        if (pid_ > 0) ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace vantry::test
