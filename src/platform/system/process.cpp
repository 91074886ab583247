#include "platform/system/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>

#include "platform/system/fs.h"

extern char** environ;

namespace vb {

CommandRunner::~CommandRunner() = default;

namespace {

// Closes what it holds on every way out of run().
struct Fd {
    int fd = -1;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

CommandResult PosixCommandRunner::run(const std::vector<std::string>& argv) {
    CommandResult result;
    if (argv.empty()) return result;
    // An argument holding a NUL would reach the program cut short at it: such a command is not run.
    if (std::any_of(argv.begin(), argv.end(), holdsNul)) return result;

    int pipeFds[2];
    // Close-on-exec, so that a second command started meanwhile from another thread does not
    // keep our pipe open and make us wait for its end instead of this one's.
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return result;
    Fd readEnd{pipeFds[0]}, writeEnd{pipeFds[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, so a kill reaches its helpers

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    writeEnd.reset();  // otherwise the read below never sees the end of the output
    if (rc != 0) return result;
    result.started = true;

    // Read until the end of the output, but stop at the program's own end too: a helper it
    // left running (gsettings may start a D-Bus daemon) can hold the pipe open for ever. Past
    // the deadline the program and its group are killed.
    const auto deadline = std::chrono::steady_clock::now() + limits_.deadline;
    char buf[4096];
    int status = 0;
    bool exited = false;
    auto keep = [&](const char* data, std::size_t n) {
        const std::size_t room = limits_.outputCap - std::min(limits_.outputCap, result.output.size());
        if (n > room) result.truncated = true;
        result.output.append(data, std::min(n, room));
    };
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!exited && left.count() <= 0) {
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
        pollfd p{readEnd.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, exited ? 0 : int(std::min<long long>(50, left.count())));
        if (ready > 0) {
            const ssize_t n = ::read(readEnd.fd, buf, sizeof buf);
            if (n > 0) {
                keep(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (!exited) {
                // End of output: the program is ending, or closed its output and runs on.
                // Keep checking on it until it ends or the deadline passes.
                readEnd.reset();
                while (!exited && std::chrono::steady_clock::now() < deadline) {
                    const pid_t w = ::waitpid(pid, &status, WNOHANG);
                    if (w == pid)
                        exited = true;
                    else if (w < 0 && errno != EINTR)
                        return result;
                    else
                        ::usleep(2000);
                }
                if (!exited) continue;  // the deadline check above kills it
            }
            break;
        }
        if (ready < 0 && errno == EINTR) continue;
        if (exited || ready < 0) break;  // what was left has been read
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) exited = true;
        if (w < 0 && errno != EINTR) return result;  // exitCode stays -1: not ours to wait for
    }
    while (!exited) {
        if (::waitpid(pid, &status, 0) == pid) {
            exited = true;
        } else if (errno != EINTR) {
            return result;
        }
    }
    result.exitCode = exitCodeOf(status);
    return result;
}

int exitCodeOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

bool PosixCommandRunner::available(const std::string& program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return isExecutableFile(program);
    const char* path = std::getenv("PATH");
    // The same default the C library's execvp falls back to.
    const std::string dirs = path ? path : "/bin:/usr/bin";
    std::istringstream entries(dirs);
    for (std::string dir; std::getline(entries, dir, ':');) {
        // An empty entry means the current directory.
        if (isExecutableFile((dir.empty() ? std::string(".") : dir) + "/" + program)) return true;
    }
    return false;
}

}  // namespace vb
