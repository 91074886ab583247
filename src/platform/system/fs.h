#pragma once
// Files as the program sees them. Paths may be built with "\" (the design's separator), which is
// "/" here. A name that does not exist exactly is looked up without regard to letter case,
// component by component, as the design's file system matched names. Relative names are relative
// to the process's current directory. Failures throw vb::Error with the runtime's numbers.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vb {

class FileSystem {
public:
    // The process's current directory.
    std::string CurDir() const;
    void ChDir(const std::string& path);
    // There are no drives: succeeds for any non-empty name, as changing to the one drive would.
    void ChDrive(const std::string& drive);

    // The path as the operating system names it: separators turned and letter case matched
    // against what exists. A component that matches nothing is kept as written.
    std::string resolve(const std::string& path) const;

    // A regular file of that name exists (a folder does not count).
    bool fileExists(const std::string& path) const;
    bool dirExists(const std::string& path) const;

    void Kill(const std::string& path);
    // Copies into a temporary file beside the target and renames it into place only once every
    // byte is written, so a failed copy never damages a file the target already names. The copy
    // keeps the source's modification time. With durable, the copy reaches the disk before the
    // call returns (for a caller about to delete the source).
    void FileCopy(const std::string& from, const std::string& to, bool durable = false);
    // Renames a file; fails (58) when the new name already names another entry. A new name
    // differing only in letter case renames the file itself.
    void Name(const std::string& from, const std::string& to);
    // Renames from onto to in one step, replacing a file already there (same file system).
    void Replace(const std::string& from, const std::string& to);
    // The size of a regular file in bytes.
    std::uint64_t FileLen(const std::string& path) const;
    std::time_t FileDateTime(const std::string& path) const;

    // Reads the file's lines by the language-file rules, each decoded to UTF-8, calling onLine
    // for each; a failure part-way throws after the lines read so far were delivered. A file
    // larger than kMaxLinesFile, or a line longer than kMaxLine, is a failed read: the files
    // read this way are a few hundred short lines at most, and one planted in their place must
    // not stall the program or fill its memory. Only a regular file is read, here and by
    // readBytes and FileCopy: a folder, named pipe or device in its place is a failed read.
    static constexpr std::size_t kMaxLinesFile = 4u << 20;
    static constexpr std::size_t kMaxLine = 256u << 10;
    void readLines(const std::string& path, const std::function<void(std::string&&)>& onLine) const;
    std::vector<std::string> readAllLines(const std::string& path) const;
    std::string readBytes(const std::string& path, std::size_t limit = SIZE_MAX) const;

    // Writes the lines, each ended by CR LF, replacing the file atomically: a temporary file in
    // the same folder, flushed, then renamed over the target. On failure the target is untouched.
    void writeLines(const std::string& path, const std::vector<std::string>& lines);
    // As writeLines, for a file in a folder other users may write to: a link or another user's
    // file at the path fails the write, instead of being written through or replaced.
    void writeOwnLines(const std::string& path, const std::vector<std::string>& lines);
    void writeBytesAtomic(const std::string& path, std::string_view bytes);

    // The regular files in a folder, unsorted. A name holding "\" is left out: "\" separates
    // folders in the program's paths, so no path the program builds could name that file.
    std::vector<std::string> listFiles(const std::string& folder) const;
    // The folders in a folder, unsorted, without "." and ".." and, for the same reason, without
    // names holding "\".
    std::vector<std::string> listFolders(const std::string& folder) const;

private:
    std::vector<std::string> listEntries(const std::string& folder, bool folders) const;
};

// The path with each "/"-separated component that does not exist exactly matched without regard
// to letter case against what exists; "\" is an ordinary character here. FileSystem::resolve is
// this after turning the design's separators.
std::string resolveLetterCase(const std::string& path);

// Joins a folder and a name with the design's separator rules: "a" + "\b" and "a\" + "b".
std::string joinPath(const std::string& folder, const std::string& name);

// Every path the program hands to the system passes here first. The system's calls end a name
// at its first NUL, so a path holding one would silently name another file (a folder read from
// a settings file could start a program of someone else's choosing): such a path fails instead,
// as a bad file name. holdsNul is the test itself, for the arguments of a program run.
void refuseNul(const std::string& path);
bool holdsNul(const std::string& text);

}  // namespace vb
