// A browser that fetches without rendering, over libcurl: what the integration tests use for
// the browser controls, so the demo gallery really receives each navigation.
#include <atomic>
#include <thread>

#include "platform/base/error.h"
#include "platform/curl/curl_common.h"
#include "platform/curl/curl_online.h"
#include "platform/model/services.h"

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
    // The worker's until it posts its end.
    std::size_t keep = 0;  // how much of the body to keep
    std::string body, contentType;
    bool ok = false, whole = false;
};

namespace {

// Keeps the body while it fits; past that it is still read (the fetch goes on) but dropped.
size_t keepBody(char* data, size_t size, size_t n, void* user) {
    auto* f = static_cast<CurlPageFetcher::Fetch*>(user);
    if (f->whole) {
        if (f->body.size() + size * n <= f->keep)
            f->body.append(data, size * n);
        else
            f->whole = false;
    }
    return size * n;
}

int stopWhenCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

}  // namespace

CurlPageFetcher::CurlPageFetcher(EventLoop& loop, CurlLimits limits, std::size_t keepBytes)
    : loop_(loop), limits_(limits), keepBytes_(keepBytes) {}

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
    f->keep = keepBytes_;
    f->whole = keepBytes_ > 0;
    p.running = f;
    p.document.reset();
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
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, keepBody);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, f.get());
            curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, stopWhenCancelled);
            curl_easy_setopt(c, CURLOPT_XFERINFODATA, &f->cancel);
            if (curl_easy_perform(c) == CURLE_OK) {
                char* effective = nullptr;
                curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective);
                if (effective) location = effective;
                char* type = nullptr;
                curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type);
                if (type) f->contentType = type;
                f->ok = true;
            }
        } catch (const Error&) {
        }
        loop->post([f, location, this] {
            if (!f->browser || f->over) return;
            f->over = true;
            WebBrowser* b = f->browser;
            auto it = pages_.find(b);
            if (it != pages_.end()) {
                Page& page = it->second;
                page.location = location;
                page.document = std::make_unique<Document>(Document{f->url, f->ok ? location : std::string(),
                                                                    f->contentType, std::move(f->body),
                                                                    f->ok && f->whole});
            }
            b->DownloadComplete();
            if (onFinished && f->browser && !fetching(*b)) onFinished(*b);
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

bool CurlPageFetcher::fetching(const WebBrowser& b) const {
    auto it = pages_.find(&b);
    return it != pages_.end() && it->second.running && !it->second.running->over;
}

const CurlPageFetcher::Document* CurlPageFetcher::document(const WebBrowser& b) const {
    auto it = pages_.find(&b);
    return it == pages_.end() || fetching(b) ? nullptr : it->second.document.get();
}

void CurlPageFetcher::release(WebBrowser& b) {
    stop(b);
    pages_.erase(&b);
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
