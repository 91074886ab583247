#pragma once
// The one way the program replaces a file: the new content goes to a temporary file beside the
// target, is flushed to disk and renamed over it, and the folder is flushed too, so a reader
// never sees half a file and a crash or failure leaves the old file as it was.
//
// - The replaced file keeps its permission bits, never set-user-ID, set-group-ID or sticky; a
//   new file gets 0666 less the umask.
// - A symbolic link is written through: its target is replaced, the link stays a link (a
//   dangling link creates its target); unless the writer is told to take our own files only.
// - A temporary name that is taken (another writer, a leftover) is retried with a fresh one.
//
// Failures throw vb::Error numbered as a write failure (fileWriteError) and remove the
// temporary file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vb {

// The runtime's error number for a failed write with this errno: a missing folder is "path not
// found", no access "permission denied", a full disk "disk full", the rest "path/file access".
int fileWriteError(int e);

class AtomicFile {
public:
    // Where temporary names come from; the default draws random ones. Tests pass their own.
    using NameSource = std::function<std::string()>;
    // What may stand at the path. The program's own files are written through links; a file in
    // a folder other users may write to (the location file at a drive's root) is only ever our
    // own regular file or a new one: a link or another user's file there fails the write.
    enum class Target { ThroughLinks, OwnFileOnly };

    // Tests pass what a racing user would do once the writer has looked at the target.
    using Seam = std::function<void()>;
    explicit AtomicFile(const std::string& osPath, NameSource names = {}, Target kind = Target::ThroughLinks,
                        Seam afterCheck = {});
    ~AtomicFile();  // without commit(): the temporary file goes, the target stays as it was
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const void* data, std::size_t size);
    // The temporary file, for content the kernel copies in (a file copy).
    int fd() const { return fd_; }
    // Flushes, gives the temporary file the replaced file's mode, renames it over the target and
    // flushes the folder. Without flush, nothing is flushed: for a copy whose source stays, where
    // a crash can cost the copy but never the original (the rename still replaces atomically).
    void commit(bool flush = true);

    // The file that is replaced: the path given, or the end of its chain of symbolic links.
    const std::string& target() const { return target_; }

private:
    [[noreturn]] void fail(const char* what, int e);

    std::string target_;
    int folder_ = -1;   // the target's folder, which every step below works in
    std::string name_;  // the target's name in it
    std::string temp_;  // the temporary file's name in it
    int fd_ = -1;
    bool keepMode_ = false;
    unsigned mode_ = 0;
};

void writeFileAtomic(const std::string& osPath, std::string_view bytes,
                     AtomicFile::Target kind = AtomicFile::Target::ThroughLinks);

}  // namespace vb
