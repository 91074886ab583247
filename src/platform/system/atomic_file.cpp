#include "platform/system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include "platform/base/error.h"
#include "platform/system/fs.h"

namespace vb {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows a chain of symbolic links to the file it ends in, which need not exist. Relative link
// texts count from the link's own folder.
std::string endOfLinks(const std::string& path) {
    std::string p = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0) return p;
        const std::string text(buf, std::size_t(n));
        p = text.front() == '/' ? text : folderOf(p) + "/" + text;
    }
    throw Error(err::PathFileAccess, "write " + path + ": " + std::strerror(ELOOP));
}

std::string randomName() {
    std::random_device rd;  // one per writer: no generator shared across the process
    return ".vantry-" + std::to_string(rd()) + std::to_string(rd()) + ".tmp";
}

}  // namespace

int fileWriteError(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
            return err::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return err::PermissionDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return err::DiskFull;
        default:
            return err::PathFileAccess;
    }
}

AtomicFile::AtomicFile(const std::string& osPath, NameSource names, Target kind, Seam afterCheck) {
    refuseNul(osPath);
    target_ = kind == Target::ThroughLinks ? endOfLinks(osPath) : osPath;
    // Same folder as the target, so the rename cannot cross file systems. What is looked at, made
    // and replaced below is in the folder opened here, whatever its path names meanwhile.
    folder_ = ::open(folderOf(target_).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) fail("write", errno);
    const std::size_t slash = target_.rfind('/');
    name_ = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    try {
        struct stat st;
        if (::fstatat(folder_, name_.c_str(), &st, kind == Target::OwnFileOnly ? AT_SYMLINK_NOFOLLOW : 0) == 0) {
            // Never followed, never someone else's: the rename below replaces the name itself, so
            // what an entry found here points at is never written, and another user's file stays.
            if (kind == Target::OwnFileOnly && (S_ISLNK(st.st_mode) || st.st_uid != ::geteuid()))
                throw Error(err::PermissionDenied, "write " + osPath + ": a link or another user's file");
            if (S_ISDIR(st.st_mode)) throw Error(err::PathFileAccess, "write " + osPath + ": is a folder");
            // The mode of the entry looked at, never what stands there later; and no file we write
            // is ever set-user-ID, set-group-ID or sticky.
            keepMode_ = true;
            mode_ = st.st_mode & 0777;
        }
        if (afterCheck) afterCheck();
        for (int attempt = 0; fd_ < 0; ++attempt) {
            temp_ = names ? names() : randomName();
            fd_ = ::openat(folder_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
                const int e = errno;
                temp_.clear();  // not ours: nothing to remove
                fail("write", e);
            }
        }
    } catch (...) {
        ::close(folder_);
        throw;
    }
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlinkat(folder_, temp_.c_str(), 0);
    if (folder_ >= 0) ::close(folder_);
}

void AtomicFile::fail(const char* what, int e) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlinkat(folder_, temp_.c_str(), 0);
    temp_.clear();
    throw Error(fileWriteError(e), std::string(what) + " " + target_ + ": " + std::strerror(e));
}

void AtomicFile::write(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("write", n < 0 ? errno : ENOSPC);
        p += n;
        size -= std::size_t(n);
    }
}

void AtomicFile::commit(bool flush) {
    if (keepMode_ && ::fchmod(fd_, mode_) != 0) fail("write", errno);
    if (flush && ::fsync(fd_) != 0) fail("flush", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("write", errno);
    if (::renameat(folder_, temp_.c_str(), folder_, name_.c_str()) != 0) fail("replace", errno);
    temp_.clear();
    if (!flush) return;
    // Makes the rename itself survive a crash; the file is complete either way.
    const int dir = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void writeFileAtomic(const std::string& osPath, std::string_view bytes, AtomicFile::Target kind) {
    AtomicFile file(osPath, {}, kind);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

}  // namespace vb
