// The online steps: scripted fetches and transfers, browsers' addresses and events, and the
// expectations on navigations and requests.
#include <algorithm>

#include "platform/base/text.h"
#include "platform/headless/headless_online.h"
#include "session.h"
#include "testkit/scenario_support.h"

namespace scenario {

namespace {

// What a held transfer delivers when a scenario finishes it without saying what.
std::string heldPicture() {
    const auto bytes = vb::scenario::pictureFile("jpg", 320, 240, 24);
    return std::string(bytes.begin(), bytes.end());
}

// "http://www.host:port/path?q" into its host (without "www.") and its path with query.
void splitAddress(const std::string& url, std::string& host, std::string& path) {
    std::size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    const std::size_t slash = url.find('/', start);
    host = url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    path = slash == std::string::npos ? "/" : url.substr(slash);
    if (host.rfind("www.", 0) == 0) host.erase(0, 4);
}

}  // namespace

vb::WebBrowser* Session::browserOf(const Step& s) {
    vb::Control* c = controlOf(s, s.name);
    if (!c) return nullptr;
    if (c->kind() != vb::Kind::WebBrowser) {
        fail(s, "a web browser " + s.name.text(), std::string("a ") + vb::kindName(c->kind()));
        return nullptr;
    }
    return static_cast<vb::WebBrowser*>(c);
}

void Session::onlineAnswer(const Step& s) {
    vb::ScriptedTransfers& transfers = platform_->transfers;
    using Script = vb::ScriptedTransfers::Script;
    switch (s.op) {
        case Op::Http:
            if (s.word == "body")
                platform_->internet.answers[s.path] = s.values[0];
            else
                platform_->internet.answers[s.path] = std::nullopt;
            break;
        case Op::Transfer:
            if (s.word == "picture") {
                const auto bytes =
                    vb::scenario::pictureFile(s.values[0], int(s.numbers[0]), int(s.numbers[1]), 24);
                transfers.scripts[s.path] = {Script::Deliver, std::string(bytes.begin(), bytes.end()), 0};
            } else if (s.word == "error") {
                transfers.scripts[s.path] = {Script::Fail, "", int(s.numbers[0])};
            } else {
                transfers.scripts[s.path] = {Script::Hold, "", 0};
            }
            break;
        case Op::TransferFinish:
            if (!transfers.finish(s.path, heldPicture())) fail(s, "a running transfer of " + s.path, "none");
            break;
        case Op::TransferError:
            if (!transfers.fail(s.path, int(s.numbers[0])))
                fail(s, "a running transfer of " + s.path, "none");
            break;
        case Op::Browser: {
            vb::WebBrowser* b = browserOf(s);
            if (!b) return;
            if (s.word == "at")
                platform_->browsers.setLocation(vb::qualifiedName(*b), s.values[0]);
            else if (s.word == "begin")
                deliver([b] { b->DownloadBegin(); });
            else
                deliver([b] { b->DownloadComplete(); });
            noteEvents();
            break;
        }
        default:
            break;
    }
}

void Session::expectOnline(const Step& s) {
    if (s.op == Op::ExpectRequest) {
        const auto& requests = platform_->requests;
        requestsChecked_.resize(requests.size());
        std::vector<std::string> unchecked;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (requestsChecked_[i]) continue;
            std::string host, path;
            splitAddress(requests[i], host, path);
            if (vb::toLowerAscii(host) == vb::toLowerAscii(s.values[0]) && path == s.values[1]) {
                requestsChecked_[i] = true;
                return;
            }
            unchecked.push_back(requests[i]);
        }
        std::string seen;
        for (const auto& r : unchecked) seen += (seen.empty() ? "" : ", ") + r;
        return fail(s, "a request to " + s.values[0] + " " + s.values[1], seen.empty() ? "no request" : seen);
    }
    // Navigations are named by FORM.CONTROL; the browser's form need not be loaded any more.
    Name shown = s.name;
    shown.property.clear();
    const std::string name = shown.text();
    const auto& navs = platform_->browsers.navigations;
    navigationsChecked_.resize(navs.size());
    std::string last;
    bool any = false;
    for (std::size_t i = 0; i < navs.size(); ++i)
        if (!navigationsChecked_[i] && navs[i].control == name) {
            navigationsChecked_[i] = true;
            last = navs[i].url;
            any = true;
        }
    if (s.op == Op::ExpectNotNavigated) {
        if (any) fail(s, "no navigation of " + name, vb::scenario::quoteWord(last));
    } else if (!any) {
        fail(s, name + " navigated to " + vb::scenario::quoteWord(s.values[0]), "no navigation");
    } else if (last != s.values[0]) {
        fail(s, name + " navigated to " + vb::scenario::quoteWord(s.values[0]),
             vb::scenario::quoteWord(last));
    }
}

}  // namespace scenario
