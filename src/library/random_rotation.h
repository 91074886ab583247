#pragma once
// Pieces of the random rotation that are worth reaching from outside the main window.
#include <optional>
#include <string>

namespace vantry {

// A rotation mode line of "RANDOM.CFG" as a whole number: blanks around it are allowed, anything
// else that is not an integer gives nullopt.
std::optional<int> parseModeLine(const std::string& line);

// The tick count at which a timed mode (3 to 7) rotates, as the counter's text shows it; empty
// for the other modes.
std::string rotationThreshold(int mode);

}  // namespace vantry
