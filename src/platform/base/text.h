#pragma once
// Text from files: the program's files are 8-bit text. We keep UTF-8 inside; bytes that are not
// valid UTF-8 are taken as Windows-1252, the code page the language files were written in.
#include <string>
#include <string_view>

namespace vb {

bool isValidUtf8(std::string_view bytes);
std::string cp1252ToUtf8(std::string_view bytes);
// UTF-8 as it is, anything else decoded from Windows-1252.
std::string decodeText(std::string_view bytes);

// Splits text into lines by the language-file rules: CR LF and a lone CR end a line, a lone LF
// does not; a last line without an end is still a line; an end at the very end adds none.
// Calls onLine for each line; returns the number of lines.
template <class F>
std::size_t forEachLine(std::string_view text, F&& onLine);

std::string toLowerAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

// A whole number as the runtime's Val() reads it: leading blanks, optional sign, digits; anything
// else ends the number. Returns 0 for no digits.
long long valOf(std::string_view s);

}  // namespace vb

#include "platform/base/text_impl.h"
