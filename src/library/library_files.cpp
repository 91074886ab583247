#include "library/library_files.h"

#include <filesystem>

#include "platform/base/error.h"

namespace vantry {

std::string pictureFolder(const std::string& programFolder) {
    return vb::joinPath(programFolder, "\\img");
}

bool isPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool sameFile(const vb::FileSystem& fs, const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(fs.resolve(a), fs.resolve(b), ec) && !ec;
}

void renameInFolder(vb::FileSystem& fs, const std::string& folder, const std::string& from,
                    const std::string& to) {
    // A name that would reach outside the folder is refused before anything moves.
    if (!isPlainFileName(from)) throw vb::Error(vb::err::FileNotFound, "not a file name: " + from);
    if (!isPlainFileName(to)) throw vb::Error(vb::err::PathFileAccess, "not a file name: " + to);
    const std::string source = vb::joinPath(folder, from);
    if (!fs.fileExists(source)) throw vb::Error(vb::err::FileNotFound, "no file " + source);
    fs.Name(source, vb::joinPath(folder, to));
}

}  // namespace vantry
