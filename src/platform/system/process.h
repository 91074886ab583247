#pragma once
// Running a helper program to completion and collecting what it printed, for the desktop
// tools the wallpaper routes call (gsettings, xfconf-query, ...). Programs are always started
// from an argument list, never through a shell, so a path with blanks or quotes stays one
// argument. Starting a program without waiting for it is Programs' job, not this one's.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace vb {

struct CommandResult {
    bool started = false;    // false: the program could not be started (not found, not executable)
    int exitCode = -1;       // the exit status; 128 + signal number when it was killed
    std::string output;      // what it wrote to standard output, up to the output cap
    bool timedOut = false;   // it outlived the deadline and was killed (exitCode 128 + 9)
    bool truncated = false;  // it wrote more than the cap; the rest was read and dropped
};

// A wait status as an exit code: the program's own, or 128 + the signal that ended it.
int exitCodeOf(int waitStatus);

// How long a program we wait for may run, and how much of its output we keep. A desktop tool
// that hangs (a settings daemon that never answers) must not freeze the program.
struct CommandLimits {
    std::chrono::milliseconds deadline{10000};
    std::size_t outputCap = std::size_t(1) << 20;
};

class CommandRunner {
public:
    virtual ~CommandRunner();
    // argv[0] is the program, looked up in PATH unless it contains a "/". Blocks until the
    // program has ended.
    virtual CommandResult run(const std::vector<std::string>& argv) = 0;
    // Whether the program can be found in PATH (or, with a "/", exists and is executable).
    virtual bool available(const std::string& program) = 0;
};

// Standard input is /dev/null, standard error is inherited (so a tool's own complaint lands
// next to our log line), the environment is ours. The program runs in a process group of its
// own; past the deadline the whole group is killed.
class PosixCommandRunner : public CommandRunner {
public:
    explicit PosixCommandRunner(CommandLimits limits = {}) : limits_(limits) {}
    CommandResult run(const std::vector<std::string>& argv) override;
    bool available(const std::string& program) override;

private:
    CommandLimits limits_;
};

}  // namespace vb
