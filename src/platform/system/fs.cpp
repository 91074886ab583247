#include "platform/system/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/system/atomic_file.h"

namespace vb {

namespace {

int errorFromErrno(int e) {
    switch (e) {
        case ENOENT: return err::FileNotFound;
        case ENOTDIR: return err::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS: return err::PermissionDenied;
        case ENOSPC: return err::DiskFull;
        case EISDIR: return err::PathFileAccess;
        default: return err::PathFileAccess;
    }
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int e) {
    throw Error(errorFromErrno(e), what + " " + path + ": " + std::strerror(e));
}

// Every FileSystem operation takes its path through here, so the NUL check is made once for all.
std::string turnSeparators(const std::string& p) {
    refuseNul(p);
    std::string r = p;
    for (char& c : r)
        if (c == '\\') c = '/';
    return r;
}

// Opens a regular file for reading, st its status; anything else fails as a read of it would.
// Without waiting: a named pipe in a file's place would otherwise hold the open until someone
// writes to it.
int openFileToRead(const char* what, const std::string& p, struct stat& st) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) fail(what, p, errno);
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        fail(what, p, e);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(err::PathFileAccess,
                    std::string(what) + " " + p + (S_ISDIR(st.st_mode) ? ": is a folder" : ": not a file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

// Finds the entry of dir whose name equals name without regard to case.
bool findNoCase(const std::string& dir, const std::string& name, std::string& found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    bool ok = false;
    while (dirent* e = ::readdir(d)) {
        if (equalsNoCase(e->d_name, name)) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
}

}  // namespace

bool holdsNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

void refuseNul(const std::string& path) {
    if (holdsNul(path))
        throw Error(err::BadFileName, "bad file name (holds a NUL): " + path.substr(0, path.find('\0')));
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    const bool folderEnds = last == '\\' || last == '/';
    const bool nameStarts = !name.empty() && (name.front() == '\\' || name.front() == '/');
    if (folderEnds && nameStarts) return folder + name.substr(1);
    if (folderEnds || nameStarts) return folder + name;
    return folder + "/" + name;
}

std::string FileSystem::CurDir() const {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) fail("getcwd", "", errno);
    return buf;
}

void FileSystem::ChDir(const std::string& path) {
    if (path.empty()) throw Error(err::PathNotFound, "empty folder name");
    const std::string p = resolve(path);
    if (::chdir(p.c_str()) != 0) {
        const int e = errno;
        throw Error(e == ENOENT || e == ENOTDIR ? err::PathNotFound : errorFromErrno(e),
                    "chdir " + p + ": " + std::strerror(e));
    }
}

void FileSystem::ChDrive(const std::string& drive) {
    if (drive.empty()) throw Error(err::InvalidCall, "empty drive name");
}

std::string FileSystem::resolve(const std::string& path) const {
    return resolveLetterCase(turnSeparators(path));
}

std::string resolveLetterCase(const std::string& p) {
    if (p.empty() || exists(p)) return p;
    // Walk the components, matching each without regard to case where the exact name is absent.
    std::string out;
    std::size_t i = 0;
    if (p[0] == '/') {
        out = "/";
        i = 1;
    }
    bool lost = false;  // once a component is missing, keep the rest as written
    while (i <= p.size()) {
        std::size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        const std::string comp = p.substr(i, j - i);
        if (!comp.empty()) {
            std::string candidate = out.empty() || out.back() == '/' ? out + comp : out + "/" + comp;
            if (!lost && !exists(candidate) && comp != "." && comp != "..") {
                std::string found;
                if (findNoCase(out.empty() ? "." : out, comp, found))
                    candidate = out.empty() || out.back() == '/' ? out + found : out + "/" + found;
                else
                    lost = true;
            }
            out = candidate;
        }
        i = j + 1;
    }
    return out;
}

bool FileSystem::fileExists(const std::string& path) const {
    struct stat st;
    return !holdsNul(path) && ::stat(resolve(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileSystem::dirExists(const std::string& path) const {
    struct stat st;
    return !holdsNul(path) && ::stat(resolve(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void FileSystem::Kill(const std::string& path) {
    const std::string p = resolve(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) fail("delete", p, errno);
    if (S_ISDIR(st.st_mode)) throw Error(err::FileNotFound, "delete " + p + ": is a folder");
    if (::unlink(p.c_str()) != 0) fail("delete", p, errno);
}

namespace {

// Copies every byte of in to out; the kernel's copy where it can, plain reads and writes where
// it cannot (across some file systems).
void copyBytes(int in, int out, const std::string& what) {
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) return;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        fail("copy", what, errno);
    }
    char buf[1 << 17];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("copy", what, errno);
        }
        if (n == 0) return;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf + done, std::size_t(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                fail("copy", what, errno);
            }
            done += w;
        }
    }
}

}  // namespace

void FileSystem::FileCopy(const std::string& from, const std::string& to, bool durable) {
    const std::string source = resolve(from), target = resolve(to);
    struct stat st;
    const int in = openFileToRead("copy", source, st);
    try {
        AtomicFile out(target);  // a folder of the target's name fails here
        copyBytes(in, out.fd(), source);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.fd(), times);
        out.commit(durable);
    } catch (...) {
        ::close(in);
        throw;
    }
    ::close(in);
}

void FileSystem::Name(const std::string& from, const std::string& to) {
    const std::string a = resolve(from), b = resolve(to);
    struct stat sa, sb;
    if (::lstat(a.c_str(), &sa) != 0) fail("rename", a, errno);
    // The new name may find the file itself when only its letter case changes: that is a rename
    // of the file, to the name exactly as written.
    const bool self = ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    const std::string target = self ? turnSeparators(to) : b;
    if (self && target == a) return;
    if (!self && exists(b)) throw Error(58, "rename " + a + ": " + b + " exists");
    // Refuses to replace an entry that appeared meanwhile, where the file system can.
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, target.c_str(), self ? 0 : RENAME_NOREPLACE) == 0) return;
    if (errno == EEXIST) throw Error(58, "rename " + a + ": " + target + " exists");
    if (errno != EINVAL && errno != ENOSYS) fail("rename", a, errno);
    if (::rename(a.c_str(), target.c_str()) != 0) fail("rename", a, errno);
}

std::uint64_t FileSystem::FileLen(const std::string& path) const {
    struct stat st;
    const std::string p = resolve(path);
    if (::stat(p.c_str(), &st) != 0) fail("size of", p, errno);
    if (!S_ISREG(st.st_mode)) throw Error(err::PathFileAccess, "size of " + p + ": not a file");
    return std::uint64_t(st.st_size);
}

void FileSystem::Replace(const std::string& from, const std::string& to) {
    const std::string a = resolve(from), b = resolve(to);
    if (::rename(a.c_str(), b.c_str()) != 0) fail("rename", a, errno);
}

std::time_t FileSystem::FileDateTime(const std::string& path) const {
    struct stat st;
    // The name as written first: a list build asks this of every file, and matching letter case
    // costs a lookup more.
    if (::stat(turnSeparators(path).c_str(), &st) == 0) return st.st_mtime;
    const std::string p = resolve(path);
    if (::stat(p.c_str(), &st) != 0) fail("stat", p, errno);
    return st.st_mtime;
}

std::string FileSystem::readBytes(const std::string& path, std::size_t limit) const {
    const std::string p = resolve(path);
    struct stat st;
    const int fd = openFileToRead("open", p, st);
    std::string out;
    char buf[1 << 16];
    while (out.size() < limit) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            fail("read", p, e);
        }
        if (n == 0) break;
        out.append(buf, std::min<std::size_t>(std::size_t(n), limit - out.size()));
    }
    ::close(fd);
    return out;
}

void FileSystem::readLines(const std::string& path,
                           const std::function<void(std::string&&)>& onLine) const {
    const std::string p = resolve(path);
    struct stat st;
    const int fd = openFileToRead("open", p, st);
    // The size is checked up front, and counted as read too: a file may grow while it is read.
    auto tooLarge = [&](const char* what) {
        ::close(fd);
        throw Error(err::PathFileAccess, "read " + p + ": " + what);
    };
    if (std::uint64_t(st.st_size) > kMaxLinesFile) tooLarge("file too large");
    std::size_t total = 0;
    // Read in blocks; a line may straddle blocks, and a CR at a block's end may be the first half
    // of a CR LF pair, so it is only settled when the next byte is known.
    std::string pending;
    bool pendingCr = false;
    char buf[1 << 16];
    auto emit = [&](std::string&& line) { onLine(decodeText(line)); };
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            fail("read", p, e);
        }
        if (n == 0) break;
        total += std::size_t(n);
        if (total > kMaxLinesFile) tooLarge("file too large");
        std::size_t i = 0;
        if (pendingCr) {
            pendingCr = false;
            if (buf[0] == '\n') i = 1;
        }
        std::size_t start = i;
        for (; i < std::size_t(n); ++i) {
            if (buf[i] != '\r') continue;
            pending.append(buf + start, i - start);
            if (pending.size() > kMaxLine) tooLarge("line too long");
            emit(std::move(pending));
            pending.clear();
            if (i + 1 < std::size_t(n)) {
                if (buf[i + 1] == '\n') ++i;
            } else {
                pendingCr = true;
            }
            start = i + 1;
        }
        if (start < std::size_t(n)) pending.append(buf + start, std::size_t(n) - start);
        if (pending.size() > kMaxLine) tooLarge("line too long");
    }
    ::close(fd);
    if (!pending.empty()) emit(std::move(pending));
}

std::vector<std::string> FileSystem::readAllLines(const std::string& path) const {
    std::vector<std::string> lines;
    readLines(path, [&](std::string&& l) { lines.push_back(std::move(l)); });
    return lines;
}

namespace {
std::string crlfLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return bytes;
}
}  // namespace

void FileSystem::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    writeBytesAtomic(path, crlfLines(lines));
}

void FileSystem::writeOwnLines(const std::string& path, const std::vector<std::string>& lines) {
    writeFileAtomic(resolve(path), crlfLines(lines), AtomicFile::Target::OwnFileOnly);
}

void FileSystem::writeBytesAtomic(const std::string& path, std::string_view bytes) {
    writeFileAtomic(resolve(path), bytes);
}

std::vector<std::string> FileSystem::listFiles(const std::string& folder) const {
    return listEntries(folder, false);
}

std::vector<std::string> FileSystem::listFolders(const std::string& folder) const {
    return listEntries(folder, true);
}

std::vector<std::string> FileSystem::listEntries(const std::string& folder, bool folders) const {
    const std::string p = resolve(folder);
    DIR* d = ::opendir(p.c_str());
    if (!d) fail("list", p, errno);
    std::vector<std::string> out;
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
            continue;
        bool wanted = e->d_type == (folders ? DT_DIR : DT_REG);
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            wanted = ::stat((p + "/" + e->d_name).c_str(), &st) == 0 &&
                     (folders ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
        }
        if (wanted && !std::strchr(e->d_name, '\\')) out.emplace_back(e->d_name);
    }
    ::closedir(d);
    return out;
}

}  // namespace vb
