#pragma once
// The online services over libcurl: the bounded synchronous fetch, file transfers on worker
// threads, and a page fetcher that stands in for a browser where nothing is rendered (the
// headless integration tests). Contracts are those of platform/model/online.h; what is added here is
// how the real ones bound their work.
//
// Every worker posts its events through the EventLoop given at construction (post() is safe
// from any thread). Destroying a service cancels its running work and waits for its threads; no
// event of it runs afterwards.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/model/online.h"

namespace vb {

class EventLoop;
class FileSystem;
class Logger;

// Limits of the libcurl services; tests shorten them.
struct CurlLimits {
    long fetchTimeoutMs = 15000;           // OpenURL and page fetches: the whole fetch
    std::int64_t fetchCapBytes = 1 << 20;  // OpenURL: a longer body is a failure
    long connectTimeoutMs = 15000;         // transfers: getting connected
    long stallTimeoutMs = 30000;           // transfers: too few bytes over this long ends them...
    long stallBytesPerSecond = 1024;       // ...fewer than this many a second on average
    // Transfers: a longer file is a failure. Well above the largest picture the program loads
    // (200 megapixels, 800 MB as a 32-bit bitmap), and a bound on what a server can write.
    std::int64_t transferCapBytes = std::int64_t(2) << 30;
    int progressEveryMs = 100;  // transfers: at most one progress report per period
};

// The libcurl error (and HTTP status, 0 for none) as the transfer-error code a caller sees.
int transferErrorCode(int curlCode, long httpStatus);

class CurlInternet : public InternetTransfers {
public:
    explicit CurlInternet(CurlLimits limits = {});
    // Fails (vb::Error InetFailed) on any libcurl failure, a body past the cap or a fetch past
    // the time limit. The body of an error status (404, 500, ...) is returned like any other.
    std::string openURL(const std::string& url) override;

private:
    CurlLimits limits_;
};

class CurlTransfers : public FileTransfers {
public:
    CurlTransfers(EventLoop& loop, FileSystem& fs, Logger* log = nullptr, CurlLimits limits = {});
    ~CurlTransfers() override;
    CurlTransfers(const CurlTransfers&) = delete;
    CurlTransfers& operator=(const CurlTransfers&) = delete;

    // A relative localPath is taken relative to the current directory at the time of the call.
    // Interim progress is reported only while the total is known and not yet reached, so a
    // report with done == total always means the file is in place.
    void start(FileTransfer& t, const std::string& localPath, const std::string& url) override;
    void cancel(FileTransfer& t) override;
    void forget(FileTransfer& t) override;

    struct Job;

private:
    void reap();
    void removeStalePartFiles(const std::string& path);

    EventLoop& loop_;
    FileSystem& fs_;
    Logger* log_;
    CurlLimits limits_;
    unsigned fileMode_;                       // what a newly created file gets under the process's umask
    std::vector<std::shared_ptr<Job>> jobs_;  // touched on the user-interface thread only
};

// A browser without rendering: each navigation really fetches the address (bounded like
// OpenURL, any size accepted) on a worker thread. DownloadBegin is raised when the fetch starts
// and DownloadComplete when it ends; LocationURL becomes the address as fetched (after
// redirects) when it completes successfully.
//
// With keepBytes, the document a fetch brought is kept (up to that size), so that whoever
// renders it later need not ask the server for it again.
class CurlPageFetcher : public WebBrowsers {
public:
    CurlPageFetcher(EventLoop& loop, CurlLimits limits = {}, std::size_t keepBytes = 0);
    ~CurlPageFetcher() override;
    CurlPageFetcher(const CurlPageFetcher&) = delete;
    CurlPageFetcher& operator=(const CurlPageFetcher&) = delete;

    void navigate(WebBrowser& b, const std::string& url) override;
    void goBack(WebBrowser& b) override;
    void goForward(WebBrowser& b) override;
    void stop(WebBrowser& b) override;
    void refresh(WebBrowser& b) override;
    std::string locationURL(const WebBrowser& b) const override;
    void forget(WebBrowser& b) override;

    // What the last fetch of a browser brought.
    struct Document {
        std::string url;          // the address asked for
        std::string location;     // as fetched, after redirects; "" when the fetch failed
        std::string contentType;  // as the server named it
        std::string body;
        bool whole = false;  // fetched without error, and the body is all here
    };
    // Whether b has navigated here (and was not released since).
    bool knows(const WebBrowser& b) const { return pages_.count(&b) != 0; }
    // Whether a fetch of b is under way.
    bool fetching(const WebBrowser& b) const;
    // The last finished fetch of b; null while one runs or before any.
    const Document* document(const WebBrowser& b) const;
    // Lets go of b: a running fetch is stopped (and says so), the rest is dropped.
    void release(WebBrowser& b);
    // Called after each fetch that ended by itself has raised its DownloadComplete.
    std::function<void(WebBrowser&)> onFinished;

    struct Fetch;

private:
    struct Page {
        std::vector<std::string> history;
        int at = -1;
        std::string location;
        std::shared_ptr<Fetch> running;
        std::unique_ptr<Document> document;
    };
    void fetch(WebBrowser& b, Page& p, const std::string& url);
    void reap();

    EventLoop& loop_;
    CurlLimits limits_;
    std::size_t keepBytes_;
    std::map<const WebBrowser*, Page> pages_;
    std::vector<std::shared_ptr<Fetch>> fetches_;
};

}  // namespace vb
