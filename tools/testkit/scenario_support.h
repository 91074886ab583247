#pragma once
// What the scenario runner needs beyond reading its files (testkit/scenario_lexer.h): files for
// scenarios to work on, the user's reach, and how values are shown in failure reports. Test
// code may use the picture writers too: they make every colour depth the program meets.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/model/control.h"

namespace vb::scenario {

// ---- files

// A picture file of the test gradient (vb::makeTestPicture). format: "jpg", "gif", "bmp"
// (bits 1, 4, 8: grey palette; 16: 5-5-5; 24; 32; 0 means 24) or "png" (bits 1, 2, 4, 8, 16
// greyscale; 24 and 48 truecolour; 32 and 64 truecolour with alpha; 0 means 24). Throws
// std::invalid_argument for another format or depth.
std::vector<std::uint8_t> pictureFile(const std::string& format, int width, int height, int bits);

// n bytes of a repeating text; it holds no 0xFF byte, so never a JPEG start marker.
std::string fillerBytes(std::size_t n);

// Width and height from a PNG file's header chunk; false unless the bytes start with the PNG
// signature and a complete header chunk whose checksum is right.
bool pngSize(const std::vector<std::uint8_t>& bytes, int& width, int& height);

// The checksums of PNG chunks (CRC-32, as zip and PNG use it) and of zlib streams (Adler-32).
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t adler32(const std::uint8_t* data, std::size_t size);

// ---- the user's reach

// Why the user cannot reach the control with mouse or keyboard: its form hidden or minimised,
// or the control or a container holding it hidden or disabled ("Main.Panel_Options hidden (it
// holds the control)"). Empty when the user can reach it.
std::string outOfReach(const Control& c);

// ---- showing values

// A list view row as scenarios write it: the text and the sub-items joined by "|", leaving out
// empty sub-items at the end.
std::string rowText(const ListView::Row& row);

// The form of a message box's prompt: "standard" "(N) text", "code" a standard prompt ending in
// " (digits)", "noblank" "(N)text" with no blank after the number, "textonly" no "(N)" at the
// start (number -1). The forms do not overlap.
struct PromptForm {
    std::string form;
    long long number = -1;
};
PromptForm classifyPrompt(std::string_view prompt);

// A file's bytes as a scenario would expect them: `lines V...` when they are whole lines each
// ended by CR LF (with no other CR or LF), else `text V`. For failure reports.
std::string describeFileBytes(std::string_view bytes);

}  // namespace vb::scenario
