#pragma once
// Headless doubles of the three online services (platform/model/online.h), for scenarios and unit
// tests. They make no network request: browsers record what they were asked, transfers and
// fetches answer what the test scripted. Every address any of them was asked for is also kept in
// one request log (`requests`), in order, so a test can check that "the server received" it.
//
// Events are posted through the app's loop (a VirtualLoop headless), so they fire on a later
// `advance`, never inside the call that caused them.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/model/online.h"

namespace vb {

class EventLoop;
class FileSystem;

// "FORM.CONTROL" of a control, the name scenarios use.
std::string qualifiedName(const Control& c);

class RecordingBrowsers : public WebBrowsers {
public:
    struct Navigation {
        std::string control;  // FORM.CONTROL
        std::string url;
    };
    explicit RecordingBrowsers(std::vector<std::string>* requests = nullptr) : requests_(requests) {}

    // Records the navigation and makes url the browser's address at once (as if the page loaded
    // instantly); raises no event: tests raise them with raiseBegin/raiseComplete.
    void navigate(WebBrowser& b, const std::string& url) override;
    void goBack(WebBrowser& b) override;
    void goForward(WebBrowser& b) override;
    void stop(WebBrowser& b) override { ++stops[qualifiedName(b)]; }
    // Re-requests the current address, recorded as a request but not as a navigation.
    void refresh(WebBrowser& b) override;
    std::string locationURL(const WebBrowser& b) const override;
    void forget(WebBrowser& b) override;

    // The address a browser shows from now on, without events or history.
    void setLocation(const std::string& control, const std::string& url);

    std::vector<Navigation> navigations;  // every navigation, oldest first
    std::map<std::string, int> stops;

private:
    struct History {
        std::vector<std::string> pages;
        int at = -1;
    };
    std::map<std::string, History> history_;  // by FORM.CONTROL: survives a form's reload
    std::vector<std::string>* requests_;
};

// File transfers that play a script per address.
class ScriptedTransfers : public FileTransfers {
public:
    struct Script {
        enum Kind { Deliver, Fail, Hold } kind = Fail;
        std::string bytes;  // Deliver: the file's content
        int code = 404;     // Fail: the error code
    };
    struct Started {
        std::string control, localPath, url;
    };
    ScriptedTransfers(EventLoop& loop, FileSystem& fs, std::vector<std::string>* requests = nullptr)
        : loop_(loop), fs_(fs), requests_(requests) {}

    // Deliver: four progress reports, each 1 ms after the one before (the first 1 ms after the
    // start); the file is in place when the last (done == total) is raised.
    // Fail: TransferError(code) on the next advance (after 0 ms).
    // Hold: nothing until finish() or fail().
    // An address without a script fails with 404.
    std::map<std::string, Script> scripts;
    std::vector<Started> started;

    void start(FileTransfer& t, const std::string& localPath, const std::string& url) override;
    void cancel(FileTransfer& t) override;
    void forget(FileTransfer& t) override;

    // Ends every held transfer of url: finish() writes bytes and reports completion, fail()
    // reports the code; both on the next advance. False when none of url is running.
    bool finish(const std::string& url, const std::string& bytes);
    bool fail(const std::string& url, int code);
    bool running(const std::string& url) const;

private:
    struct Running {
        FileTransfer* control;
        std::string localPath, url;
        std::uint64_t id;
        bool over;  // cancelled: only its Interrupted event is still to come
    };
    // Runs fn after delayMs if transfer id is still there (and running, unless evenIfOver).
    void later(std::uint64_t id, int delayMs, std::function<void(Running&)> fn, bool evenIfOver = false);
    void deliver(std::uint64_t id, std::string bytes, int report);
    void failOne(std::uint64_t id, int code);
    void end(std::uint64_t id);
    Running* find(std::uint64_t id, bool evenIfOver = false);

    EventLoop& loop_;
    FileSystem& fs_;
    std::vector<std::string>* requests_;
    std::vector<Running> running_;
    std::uint64_t next_ = 1;
};

// Synchronous fetches answered from a table; an address not in it fails.
class ScriptedInternet : public InternetTransfers {
public:
    explicit ScriptedInternet(std::vector<std::string>* requests = nullptr) : requests_(requests) {}
    std::string openURL(const std::string& url) override;
    std::map<std::string, std::optional<std::string>> answers;  // nullopt: the fetch fails
    std::vector<std::string> fetched;

private:
    std::vector<std::string>* requests_;
};

}  // namespace vb
