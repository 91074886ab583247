#include "platform/base/log.h"

#include <cstdio>

namespace vb {

Logger::~Logger() = default;

void StderrLogger::log(const std::string& line) {
    // One fprintf per line so that lines from two threads do not interleave mid-line.
    std::fprintf(stderr, "vantry: %s\n", line.c_str());
}

}  // namespace vb
