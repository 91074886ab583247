#pragma once
// File operations on the picture library that several windows share.
#include <string>

#include "platform/system/fs.h"

namespace vantry {

// The picture folder: "\img" under the program folder.
std::string pictureFolder(const std::string& programFolder);

// Whether a name names an entry of a folder and nothing else: not empty, no separator ("/" or
// "\"), not "." or "..", no NUL.
bool isPlainFileName(const std::string& name);

// Whether two paths name one file (links followed); false when either is missing.
bool sameFile(const vb::FileSystem& fs, const std::string& a, const std::string& b);

// Renames the file `from` of folder to `to`, in the same folder. Fails (vb::Error) when either
// name is not a plain file name, the file is gone, or `to` already names another entry.
void renameInFolder(vb::FileSystem& fs, const std::string& folder, const std::string& from,
                    const std::string& to);

}  // namespace vantry
