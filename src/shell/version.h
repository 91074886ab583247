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

// "3.5.2006": the running version as the windows that show it write it.
inline std::string versionNumbers(int major = kVersionMajor, int minor = kVersionMinor,
                                  int revision = kVersionRevision) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}

// The legal notice of the program's version information.
inline constexpr const char* kLegalNotice = "Copyright (C) 2026 the Vantry developers";

inline constexpr const char* kProgramTitle = "Vantry";
inline constexpr int kTwipsPerPixel = 15;

}  // namespace vantry
