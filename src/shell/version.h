#pragma once
// The program's own version numbers; a major number of 0 marks a beta build.
#include <string>

namespace vantry {

inline constexpr int kVersionMajor = VANTRY_VERSION_MAJOR;
inline constexpr int kVersionMinor = VANTRY_VERSION_MINOR;
inline constexpr int kVersionRevision = VANTRY_VERSION_REVISION;

// "Vantry 3.5": the main window's title and the tray tip.
inline std::string productTitle(int major = kVersionMajor, int minor = kVersionMinor) {
    return "Vantry " + std::to_string(major) + "." + std::to_string(minor);
}

inline constexpr const char* kProgramTitle = "Vantry";
inline constexpr int kTwipsPerPixel = 15;

}  // namespace vantry
