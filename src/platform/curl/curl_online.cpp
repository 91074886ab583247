// The bounded synchronous fetch and the file transfers over libcurl.
#include "platform/curl/curl_online.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/base/error.h"
#include "platform/base/log.h"
#include "platform/curl/curl_common.h"
#include "platform/model/services.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"

namespace vb {

namespace curl {

Easy makeEasy(const std::string& url, long connectTimeoutMs) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    Easy e(curl_easy_init());
    if (!e) throw Error(err::InetFailed, "libcurl could not start");
    CURL* c = e.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // The web's own protocols only, for the address and for every redirect: an address from a
    // page or a server must not make the program read local files or talk to other services.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Vantry");
    return e;
}

long httpStatus(CURL* c) {
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

}  // namespace curl

int transferErrorCode(int curlCode, long httpStatus) {
    if (httpStatus >= 400) return int(httpStatus);
    switch (curlCode) {
        case CURLE_COULDNT_CONNECT:
            return transfer_error::ConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return transfer_error::TimedOut;
        case CURLE_COULDNT_RESOLVE_HOST:
            return transfer_error::HostNotFound;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
            return transfer_error::ConnectionReset;
        case CURLE_ABORTED_BY_CALLBACK:
            return transfer_error::Interrupted;
        default:
            return transfer_error::Other;
    }
}

// ---- OpenURL ----

CurlInternet::CurlInternet(CurlLimits limits) : limits_(limits) {}

namespace {

struct Sink {
    std::string body;
    std::int64_t cap;
    bool over = false;
};

size_t collect(char* data, size_t size, size_t n, void* user) {
    auto* s = static_cast<Sink*>(user);
    if (std::int64_t(s->body.size() + size * n) > s->cap) {
        s->over = true;
        return 0;  // ends the fetch with a write error
    }
    s->body.append(data, size * n);
    return size * n;
}

}  // namespace

std::string CurlInternet::openURL(const std::string& url) {
    curl::Easy e = curl::makeEasy(url, limits_.fetchTimeoutMs);
    CURL* c = e.get();
    Sink sink{{}, limits_.fetchCapBytes};
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits_.fetchTimeoutMs);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits_.fetchCapBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    const CURLcode rc = curl_easy_perform(c);
    if (sink.over || rc == CURLE_FILESIZE_EXCEEDED)
        throw Error(err::InetFailed, url + ": the document is larger than " +
                                         std::to_string(limits_.fetchCapBytes) + " bytes");
    if (rc != CURLE_OK) throw Error(err::InetFailed, url + ": " + curl_easy_strerror(rc));
    // An answer with an error status is still the server's text (its error page): the caller
    // judges the text, as it judges any other answer.
    return std::move(sink.body);
}

// ---- file transfers ----

struct CurlTransfers::Job {
    // User-interface thread only.
    FileTransfer* control = nullptr;  // null once the control is gone
    bool over = false;                // ended for the caller: no further event
    std::thread thread;
    // Shared with the worker.
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::string path, url;
};

namespace {

constexpr std::string_view kPartTag = ".part-";
constexpr std::size_t kPartRandom = 6;  // the characters mkstemp fills in

// The name under which a transfer to name keeps its data until every byte is in, less the
// random ending; in the target's folder.
std::string partFileStart(const std::string& name) { return "." + name + std::string(kPartTag); }

std::string partFilePrefix(const std::string& folder, const std::string& name) {
    return folder + "/" + partFileStart(name);
}

// Exactly the name of a part file of name, with the random ending: "." + name + ".part-" + six
// letters or digits.
bool isPartFileOf(std::string_view entry, const std::string& name) {
    const std::string start = partFileStart(name);
    if (entry.size() != start.size() + kPartRandom || entry.substr(0, start.size()) != start) return false;
    const std::string_view ending = entry.substr(start.size());
    return std::all_of(ending.begin(), ending.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

// Makes a part file for folder/name into temp and returns it open, locked for as long as it is
// open, or -1 with errno set. A start's clean-up (of this copy of the program or another) may
// take the new file between its making and its lock: then it is gone, and another one is made.
// Not inherited by programs started meanwhile, which would hold the lock on past its end.
int makePartFile(const std::string& dir, const std::string& name, std::string& temp) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = partFilePrefix(dir, name) + std::string(kPartRandom, 'X');
        const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        struct stat opened, named;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            ::lstat(temp.c_str(), &named) == 0 && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

struct Progress {
    std::shared_ptr<CurlTransfers::Job> job;
    EventLoop* loop;
    int everyMs;
    std::chrono::steady_clock::time_point last{};
};

// Posts an event of the job; it runs only while the job is still the caller's.
void postToJob(EventLoop& loop, const std::shared_ptr<CurlTransfers::Job>& job,
               std::function<void(FileTransfer&)> event, bool ends) {
    loop.post([job, event = std::move(event), ends] {
        if (job->over || !job->control) return;
        FileTransfer& control = *job->control;
        if (ends) job->over = true;  // before the handler, which may start the next transfer
        event(control);
    });
}

int onProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* p = static_cast<Progress*>(user);
    if (p->job->cancel) return 1;
    const auto now = std::chrono::steady_clock::now();
    // Only while the total is known and not reached: done == total is the completion report,
    // and that comes once the file is in place.
    if (total > 0 && done < total && now - p->last >= std::chrono::milliseconds(p->everyMs)) {
        p->last = now;
        const std::int64_t t = total, d = done;
        postToJob(
            *p->loop, p->job, [t, d](FileTransfer& c) { c.TransferProgress(0, t, d, 0); }, false);
    }
    return 0;
}

static_assert(CurlLimits{}.transferCapBytes > 2 * kMaxPicturePixels * 4,
              "a transfer must hold the largest picture the program loads, with room to spare");

struct Output {
    FILE* file;
    std::int64_t cap;
    std::int64_t written = 0;
    bool over = false;
};

// A body without an announced length is only known to be too long as it arrives.
size_t toFile(char* data, size_t size, size_t n, void* user) {
    auto* out = static_cast<Output*>(user);
    if (out->written + std::int64_t(size * n) > out->cap) {
        out->over = true;
        return 0;  // ends the transfer with a write error
    }
    const size_t wrote = std::fwrite(data, size, n, out->file) * size;
    out->written += std::int64_t(wrote);
    return wrote;
}

void fail(EventLoop& loop, const std::shared_ptr<CurlTransfers::Job>& job, int code,
          const std::string& text) {
    postToJob(
        loop, job, [code, text](FileTransfer& c) { c.TransferError(code, text); }, true);
}

void runTransfer(std::shared_ptr<CurlTransfers::Job> job, EventLoop* loop, CurlLimits limits, unsigned mode) {
    const std::string& path = job->path;
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (job->cancel) {  // cancelled before it began: nothing to make, nothing to fetch
        job->finished = true;
        return;
    }
    // The data goes under a temporary name in the target folder: the rename onto the real name
    // is then atomic, and a half transfer never shows under that name.
    std::string temp;
    const int fd = makePartFile(dir, name, temp);
    if (fd < 0) {
        fail(*loop, job, transfer_error::Other, "cannot write into " + dir + ": " + std::strerror(errno));
        job->finished = true;
        return;
    }
    ::fchmod(fd, mode);
    FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const std::string why = std::strerror(errno);
        ::unlink(temp.c_str());
        ::close(fd);
        fail(*loop, job, transfer_error::Other, "cannot write into " + dir + ": " + why);
        job->finished = true;
        return;
    }
    CURLcode rc = CURLE_FAILED_INIT;
    long status = 0;
    curl_off_t length = -1;
    std::string failure;
    Output out{f, limits.transferCapBytes};
    try {
        curl::Easy e = curl::makeEasy(job->url, limits.connectTimeoutMs);
        CURL* c = e.get();
        Progress progress{job, loop, limits.progressEveryMs};
        curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, toFile);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &out);
        // An announced length past the cap fails before the first byte.
        curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.transferCapBytes));
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &progress);
        // A trickle is no progress: a server sending a byte now and then would otherwise hold
        // the transfer open for as long as it likes.
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.stallBytesPerSecond);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, limits.stallTimeoutMs / 1000));
        rc = curl_easy_perform(c);
        status = curl::httpStatus(c);
        curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (rc != CURLE_OK) failure = curl_easy_strerror(rc);
    } catch (const Error& e) {
        failure = e.what();
    }
    const long written = std::ftell(f);
    const bool flushed = std::fflush(f) == 0 && ::fsync(fd) == 0;
    auto discard = [&] { ::unlink(temp.c_str()); };
    if (job->cancel) {
        discard();  // the caller heard Interrupted when it cancelled
    } else if (out.over || rc == CURLE_FILESIZE_EXCEEDED) {
        discard();
        fail(*loop, job, transfer_error::Other,
             "the file is larger than " + std::to_string(limits.transferCapBytes) + " bytes");
    } else if (!failure.empty() || rc != CURLE_OK) {
        discard();
        fail(*loop, job, transferErrorCode(rc, status),
             status >= 400 ? "HTTP status " + std::to_string(status) : failure);
    } else if (length >= 0 && written != length) {
        discard();
        fail(*loop, job, transfer_error::ConnectionReset,
             "received " + std::to_string(written) + " of " + std::to_string(length) + " bytes");
    } else if (!flushed || std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        discard();
        fail(*loop, job, transfer_error::Other, "cannot write " + path + ": " + why);
    } else {
        const std::int64_t total = written;
        postToJob(
            *loop, job, [total](FileTransfer& c) { c.TransferProgress(0, total, total, 0); }, true);
    }
    // Closed, and so unlocked, only once renamed or removed: a part file still being written
    // counts as left behind to any clean-up the moment its lock goes.
    std::fclose(f);
    job->finished = true;
}

}  // namespace

namespace {

// The umask as the kernel reports it. Reading it through umask() means setting it, if only for
// a moment, and every file another thread creates in that moment would get the wrong mode.
unsigned currentUmask() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Umask:", 0) == 0) return unsigned(std::stoul(line.substr(6), nullptr, 8)) & 0777;
    // No process information (no /proc, or a kernel without the line): the strictest mask, since
    // a download made readable for others under a mask that forbade it cannot be taken back.
    return 077;
}

}  // namespace

CurlTransfers::CurlTransfers(EventLoop& loop, FileSystem& fs, Logger* log, CurlLimits limits)
    : loop_(loop), fs_(fs), log_(log), limits_(limits), fileMode_(0666 & ~currentUmask()) {}

CurlTransfers::~CurlTransfers() {
    for (auto& job : jobs_) {
        job->control = nullptr;
        job->cancel = true;
    }
    for (auto& job : jobs_)
        if (job->thread.joinable()) job->thread.join();
}

void CurlTransfers::reap() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if ((*it)->finished) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

void CurlTransfers::start(FileTransfer& t, const std::string& localPath, const std::string& url) {
    reap();
    // A running transfer of t is replaced: it stops, and no event of it runs any more.
    for (auto& job : jobs_)
        if (job->control == &t && !job->over) {
            job->cancel = true;
            job->over = true;
        }
    auto job = std::make_shared<Job>();
    job->control = &t;
    job->url = url;
    // Fixed now: the current directory may change while the transfer runs.
    std::string path = fs_.resolve(localPath);
    if (path.empty() || path[0] != '/') path = joinPath(fs_.CurDir(), path);
    job->path = path;
    removeStalePartFiles(path);
    if (log_) log_->log("transfer " + url + " -> " + path);
    job->thread = std::thread(runTransfer, job, &loop_, limits_, fileMode_);
    jobs_.push_back(std::move(job));
}

// A transfer removes its part file however it ends; one killed with the program leaves it
// behind for good, and with nothing to bound it. So before a transfer writes a file, the part
// files of that file's name go: only regular files of our own with exactly that naming, and none
// that a transfer still holds locked (its own lock, in this copy of the program or another). The
// folder's other files, part files of other names included, are not ours to judge.
void CurlTransfers::removeStalePartFiles(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string dir = path.substr(0, slash), target = path.substr(slash + 1);
    DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
    if (!d) return;
    const uid_t me = ::geteuid();
    while (const dirent* e = ::readdir(d)) {
        if (!isPartFileOf(e->d_name, target)) continue;
        // Not through a link, and without waiting on a named pipe.
        const int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        // Still the entry that was opened once locked: a transfer that lost its file between
        // making and locking it makes another.
        struct stat opened, named;
        const bool stale = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == me &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                           ::fstatat(::dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
        if (stale && ::unlinkat(::dirfd(d), e->d_name, 0) == 0 && log_)
            log_->log("removed the stale part file " + dir + "/" + e->d_name);
        ::close(fd);
    }
    ::closedir(d);
}

void CurlTransfers::cancel(FileTransfer& t) {
    for (auto& job : jobs_)
        if (job->control == &t && !job->over) {
            job->cancel = true;
            // Ended for the caller now, and told so on the next turn of the loop.
            job->over = true;
            loop_.post([job] {
                if (job->control) job->control->TransferError(transfer_error::Interrupted, "Interrupted");
            });
        }
}

void CurlTransfers::forget(FileTransfer& t) {
    for (auto& job : jobs_)
        if (job->control == &t) {
            job->control = nullptr;
            job->cancel = true;
        }
}

}  // namespace vb
