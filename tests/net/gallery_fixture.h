#pragma once
// The demo gallery as a child process on a free loopback port, for integration tests; and a
// wait that turns the virtual loop until a condition holds or a real-time deadline passes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless.h"

extern char** environ;

namespace vantry::test {

class Gallery {
public:
    // Starts vantry-gallery --port 0 with the extra arguments; port() is 0 when it failed.
    Gallery(const std::string& logPath, std::vector<std::string> extra = {}) : log_(logPath) {
        std::vector<std::string> args = {VANTRY_GALLERY_BIN, "--port", "0", "--quiet", "--log", logPath};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The server prints its address once it accepts connections.
        std::string line;
        char c;
        while (pid_ && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        const auto colon = line.rfind(':');
        if (colon != std::string::npos) port_ = std::atoi(line.c_str() + colon + 1);
    }
    ~Gallery() { stop(); }
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = 0;
        }
    }
    int port() const { return port_; }
    std::string host(const std::string& name = "gallery") const {
        return "vantry-" + name + ".localhost:" + std::to_string(port_);
    }
    std::string url(const std::string& path, const std::string& name = "gallery") const {
        return "http://www." + host(name) + path;
    }
    // The log's lines "METHOD HOST TARGET STATUS BYTES".
    std::vector<std::string> log() const {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    int requestsFor(const std::string& target) const {
        int n = 0;
        for (const std::string& l : log()) {
            std::istringstream s(l);
            std::string method, host, t;
            s >> method >> host >> t;
            if (t == target) ++n;
        }
        return n;
    }

private:
    std::string log_;
    pid_t pid_ = 0;
    int port_ = 0;
};

// A port where nothing listens (bound once, then released).
int closedPort();

// Runs due events of the loop until done() or the deadline (real time).
inline bool runUntil(vb::VirtualLoop& loop, const std::function<bool()>& done, int deadlineMs = 20000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        loop.advance(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vantry::test
