#pragma once
// Where the platform layer reports what went wrong when the design gives the failure no voice:
// the wallpaper call, for one, returns nothing the program looks at, yet a user whose desktop
// did not change deserves a line saying why.
#include <string>

namespace vb {

class Logger {
public:
    virtual ~Logger();
    // One complete line, without the trailing newline.
    virtual void log(const std::string& line) = 0;
};

// Writes "vantry: <line>" to standard error.
class StderrLogger : public Logger {
public:
    void log(const std::string& line) override;
};

}  // namespace vb
