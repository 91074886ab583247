#include "platform/headless/headless_online.h"

#include <algorithm>

#include "platform/base/error.h"
#include "platform/model/app.h"
#include "platform/model/form.h"
#include "platform/model/services.h"
#include "platform/system/fs.h"

namespace vb {

std::string qualifiedName(const Control& c) {
    std::string n = c.form().name() + "." + c.name();
    if (c.index() >= 0) n += "(" + std::to_string(c.index()) + ")";
    return n;
}

// ---- browsers ----

void RecordingBrowsers::navigate(WebBrowser& b, const std::string& url) {
    const std::string name = qualifiedName(b);
    navigations.push_back({name, url});
    if (requests_) requests_->push_back(url);
    History& h = history_[name];
    h.pages.resize(std::size_t(h.at + 1));
    h.pages.push_back(url);
    h.at = int(h.pages.size()) - 1;
}

void RecordingBrowsers::goBack(WebBrowser& b) {
    History& h = history_[qualifiedName(b)];
    if (h.at > 0) --h.at;
}

void RecordingBrowsers::goForward(WebBrowser& b) {
    History& h = history_[qualifiedName(b)];
    if (h.at + 1 < int(h.pages.size())) ++h.at;
}

void RecordingBrowsers::refresh(WebBrowser& b) {
    const std::string url = locationURL(b);
    if (!url.empty() && requests_) requests_->push_back(url);
}

std::string RecordingBrowsers::locationURL(const WebBrowser& b) const {
    auto it = history_.find(qualifiedName(b));
    if (it == history_.end() || it->second.at < 0) return "";
    return it->second.pages[std::size_t(it->second.at)];
}

void RecordingBrowsers::forget(WebBrowser& b) {
    history_.erase(qualifiedName(b));
}

void RecordingBrowsers::setLocation(const std::string& control, const std::string& url) {
    History& h = history_[control];
    if (h.at < 0) {
        h.pages = {url};
        h.at = 0;
    } else {
        h.pages[std::size_t(h.at)] = url;
    }
}

// ---- file transfers ----

ScriptedTransfers::Running* ScriptedTransfers::find(std::uint64_t id, bool evenIfOver) {
    for (Running& r : running_)
        if (r.id == id && (evenIfOver || !r.over)) return &r;
    return nullptr;
}

void ScriptedTransfers::end(std::uint64_t id) {
    running_.erase(
        std::remove_if(running_.begin(), running_.end(), [&](const Running& r) { return r.id == id; }),
        running_.end());
}

void ScriptedTransfers::later(std::uint64_t id, int delayMs, std::function<void(Running&)> fn,
                              bool evenIfOver) {
    loop_.post(
        [this, id, fn = std::move(fn), evenIfOver] {
            if (Running* r = find(id, evenIfOver)) fn(*r);
        },
        delayMs);
}

void ScriptedTransfers::start(FileTransfer& t, const std::string& localPath, const std::string& url) {
    // A running transfer of t is replaced: gone without an event (a cancelled one still reports).
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [&](const Running& r) { return r.control == &t && !r.over; }),
                   running_.end());
    const std::uint64_t id = next_++;
    running_.push_back({&t, localPath, url, id, false});
    started.push_back({qualifiedName(t), localPath, url});
    if (requests_) requests_->push_back(url);
    auto it = scripts.find(url);
    const Script script = it == scripts.end() ? Script{} : it->second;
    switch (script.kind) {
        case Script::Deliver:
            later(id, 1, [this, id, bytes = script.bytes](Running&) { deliver(id, bytes, 1); });
            break;
        case Script::Fail:
            failOne(id, script.code);
            break;
        case Script::Hold:
            break;
    }
}

void ScriptedTransfers::deliver(std::uint64_t id, std::string bytes, int report) {
    Running* r = find(id);
    if (!r) return;
    const auto total = std::int64_t(bytes.size());
    const std::int64_t done = total * report / 4;
    FileTransfer* control = r->control;
    if (report == 4) {
        try {
            fs_.writeBytesAtomic(r->localPath, bytes);
        } catch (const Error& e) {
            end(id);
            control->TransferError(transfer_error::Other, e.what());
            return;
        }
        end(id);
        control->TransferProgress(0, total, done, 0);
        return;
    }
    control->TransferProgress(0, total, done, 0);
    later(id, 1, [this, id, bytes = std::move(bytes), report](Running&) { deliver(id, bytes, report + 1); });
}

void ScriptedTransfers::cancel(FileTransfer& t) {
    for (Running& r : running_)
        if (r.control == &t && !r.over) {
            // Over for the caller at once (a new start must not find it running); the event
            // follows on the next advance.
            r.over = true;
            later(
                r.id, 0,
                [this](Running& run) {
                    FileTransfer* control = run.control;
                    end(run.id);
                    control->TransferError(transfer_error::Interrupted, "Interrupted");
                },
                true);
        }
}

void ScriptedTransfers::forget(FileTransfer& t) {
    running_.erase(
        std::remove_if(running_.begin(), running_.end(), [&](const Running& r) { return r.control == &t; }),
        running_.end());
}

bool ScriptedTransfers::finish(const std::string& url, const std::string& bytes) {
    bool any = false;
    for (Running& r : running_)
        if (r.url == url && !r.over) {
            any = true;
            const std::uint64_t id = r.id;
            later(id, 0, [this, id, bytes](Running&) { deliver(id, bytes, 4); });
        }
    return any;
}

void ScriptedTransfers::failOne(std::uint64_t id, int code) {
    later(id, 0, [this, code](Running& run) {
        FileTransfer* control = run.control;
        end(run.id);
        control->TransferError(code, "Transfer failed");
    });
}

bool ScriptedTransfers::fail(const std::string& url, int code) {
    bool any = false;
    for (Running& r : running_)
        if (r.url == url && !r.over) {
            any = true;
            failOne(r.id, code);
        }
    return any;
}

bool ScriptedTransfers::running(const std::string& url) const {
    return std::any_of(running_.begin(), running_.end(),
                       [&](const Running& r) { return r.url == url && !r.over; });
}

// ---- internet transfer ----

std::string ScriptedInternet::openURL(const std::string& url) {
    fetched.push_back(url);
    if (requests_) requests_->push_back(url);
    auto it = answers.find(url);
    if (it == answers.end() || !it->second) throw Error(err::InetFailed, "fetch failed: " + url);
    return *it->second;
}

}  // namespace vb
