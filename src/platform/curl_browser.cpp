// A browser that fetches without rendering, over libcurl: what the integration tests use for
// the browser controls, so the demo gallery really receives each navigation.
#include <atomic>
#include <thread>

#include "platform/curl_common.h"
#include "platform/curl_online.h"
#include "platform/error.h"
#include "platform/services.h"

namespace vb {

struct CurlPageFetcher::Fetch {
    // User-interface thread only.
    WebBrowser* browser = nullptr;  // null once the browser is gone
    bool over = false;              // DownloadComplete already raised
    std::thread thread;
    // Shared with the worker.
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::string url;
};

namespace {

size_t discard(char*, size_t size, size_t n, void*) {
    return size * n;
}

int stopWhenCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

}  // namespace

CurlPageFetcher::CurlPageFetcher(EventLoop& loop, CurlLimits limits) : loop_(loop), limits_(limits) {}

CurlPageFetcher::~CurlPageFetcher() {
    for (auto& f : fetches_) {
        f->browser = nullptr;
        f->cancel = true;
    }
    for (auto& f : fetches_)
        if (f->thread.joinable()) f->thread.join();
}

void CurlPageFetcher::reap() {
    for (auto it = fetches_.begin(); it != fetches_.end();) {
        if ((*it)->finished) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = fetches_.erase(it);
        } else {
            ++it;
        }
    }
}

void CurlPageFetcher::fetch(WebBrowser& b, Page& p, const std::string& url) {
    reap();
    stop(b);
    auto f = std::make_shared<Fetch>();
    f->browser = &b;
    f->url = url;
    p.running = f;
    loop_.post([f] {
        if (f->browser && !f->over) f->browser->DownloadBegin();
    });
    const CurlLimits limits = limits_;
    EventLoop* loop = &loop_;
    f->thread = std::thread([f, limits, loop, this] {
        std::string location = f->url;
        try {
            curl::Easy e = curl::makeEasy(f->url, limits.fetchTimeoutMs);
            CURL* c = e.get();
            curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.fetchTimeoutMs);
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, discard);
            curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, stopWhenCancelled);
            curl_easy_setopt(c, CURLOPT_XFERINFODATA, &f->cancel);
            if (curl_easy_perform(c) == CURLE_OK) {
                char* effective = nullptr;
                curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective);
                if (effective) location = effective;
            }
        } catch (const Error&) {
        }
        loop->post([f, location, this] {
            if (!f->browser || f->over) return;
            f->over = true;
            auto it = pages_.find(f->browser);
            if (it != pages_.end()) it->second.location = location;
            f->browser->DownloadComplete();
        });
        f->finished = true;
    });
    fetches_.push_back(f);
}

void CurlPageFetcher::navigate(WebBrowser& b, const std::string& url) {
    Page& p = pages_[&b];
    p.history.resize(std::size_t(p.at + 1));
    p.history.push_back(url);
    p.at = int(p.history.size()) - 1;
    fetch(b, p, url);
}

void CurlPageFetcher::goBack(WebBrowser& b) {
    Page& p = pages_[&b];
    if (p.at <= 0) return;
    --p.at;
    fetch(b, p, p.history[std::size_t(p.at)]);
}

void CurlPageFetcher::goForward(WebBrowser& b) {
    Page& p = pages_[&b];
    if (p.at + 1 >= int(p.history.size())) return;
    ++p.at;
    fetch(b, p, p.history[std::size_t(p.at)]);
}

void CurlPageFetcher::stop(WebBrowser& b) {
    auto it = pages_.find(&b);
    if (it == pages_.end() || !it->second.running) return;
    std::shared_ptr<Fetch> f = std::move(it->second.running);
    f->cancel = true;
    if (!f->over) {
        // The stopped fetch ends now, before anything a later navigation raises.
        f->over = true;
        loop_.post([f] {
            if (f->browser) f->browser->DownloadComplete();
        });
    }
}

void CurlPageFetcher::refresh(WebBrowser& b) {
    Page& p = pages_[&b];
    if (p.at < 0) return;
    fetch(b, p, p.history[std::size_t(p.at)]);
}

std::string CurlPageFetcher::locationURL(const WebBrowser& b) const {
    auto it = pages_.find(&b);
    return it == pages_.end() ? "" : it->second.location;
}

void CurlPageFetcher::forget(WebBrowser& b) {
    for (auto& f : fetches_)
        if (f->browser == &b) {
            f->browser = nullptr;
            f->cancel = true;
        }
    pages_.erase(&b);
}

}  // namespace vb
