#pragma once
// The three online components of the runtime model: the web browser control, the file transfer
// control and the internet transfer control. Each control is a plain model object; its work is
// done by one service interface (below), wired in by the program: Qt's web engine and libcurl in
// the desktop program, recording or scripted doubles headless (platform/headless/headless_online.h), and
// a libcurl page fetcher for integration tests (platform/curl/curl_online.h).
//
// Threading: every operation below is called on the user-interface thread, and every event is
// raised on it, one at a time, through App::deliver (so a failure escaping a handler is logged
// like any other event's). A service that works on other threads posts its events through the
// app's EventLoop, whose post() is safe from any thread.
//
// Lifetime: a control tells its service when it goes (its form unloaded); no event of that
// control is raised afterwards, and a running transfer of it is cancelled.
#include <cstdint>
#include <string>

#include "platform/model/control.h"

namespace vb {

class WebBrowser;
class FileTransfer;

// ---- the services ----

// Shows pages in web browser controls. One instance serves every browser control of the app.
class WebBrowsers {
public:
    virtual ~WebBrowsers() = default;
    // Starts loading one full address and returns at once. The fetch happens even when the
    // control is hidden (callers rely on the server receiving the request). A fetch raises
    // DownloadBegin when it starts and DownloadComplete when it ends, success or not; a page
    // may make several fetches, each with its own pair.
    virtual void navigate(WebBrowser& b, const std::string& url) = 0;
    // History and loading; nothing is reported back, and each does nothing when there is
    // nothing to do (no page yet, no history).
    virtual void goBack(WebBrowser& b) = 0;
    virtual void goForward(WebBrowser& b) = 0;
    virtual void stop(WebBrowser& b) = 0;
    virtual void refresh(WebBrowser& b) = 0;
    // The address of the page shown, exactly as loaded (percent-encoding kept), "" before the
    // first navigation has shown anything.
    virtual std::string locationURL(const WebBrowser& b) const = 0;
    // The control is going away.
    virtual void forget(WebBrowser& b) = 0;
};

// Transfer-error codes, as the sockets layer numbered them; a transfer reports one of these or,
// for an answer the server refused, its HTTP status (404, 500, ...).
namespace transfer_error {
inline constexpr int Interrupted = 10004;        // cancelled by CancelTransfer
inline constexpr int ConnectionReset = 10054;    // the server cut the transfer short
inline constexpr int TimedOut = 10060;           // no answer, or no data for too long
inline constexpr int ConnectionRefused = 10061;  // nothing listens there
inline constexpr int HostNotFound = 11001;       // the name does not resolve
inline constexpr int Other = 10000;              // anything else (bad address, local file)
}  // namespace transfer_error

// Downloads a remote address into a local file for a file transfer control.
class FileTransfers {
public:
    virtual ~FileTransfers() = default;
    // Starts downloading url into localPath and returns at once. The data goes to a temporary
    // file in localPath's folder, renamed onto localPath (creating or replacing it) only once
    // every byte has arrived: localPath never holds a partial file, and a failed transfer
    // leaves whatever localPath held before.
    //
    // Events, in order, unless the transfer is replaced (below): TransferProgress zero or more
    // times with bytes done growing; then either exactly one TransferProgress with done == total
    // (the file is complete under localPath when it is raised) or exactly one
    // TransferError(code, description). Never both, and nothing after either.
    //
    // A transfer of the same control still running is replaced: it stops and ends without any
    // event, so what follows is the new transfer's alone (its caller has moved on, and an end
    // of the old one would read as the new one failing).
    virtual void start(FileTransfer& t, const std::string& localPath, const std::string& url) = 0;
    // Stops the running transfer of t: it ends with TransferError(Interrupted), also when a new
    // start follows before that event is raised. No transfer running: nothing happens.
    virtual void cancel(FileTransfer& t) = 0;
    // The control is going away: its transfer is cancelled without any event.
    virtual void forget(FileTransfer& t) = 0;
};

// Fetches a whole document and waits for it (the internet transfer control's OpenURL).
class InternetTransfers {
public:
    virtual ~InternetTransfers() = default;
    // The body of url. Blocks the calling (user-interface) thread, but is bounded: the real one
    // gives up after 15 s and past 1 MB of body. Throws vb::Error(err::InetFailed) when the
    // fetch fails (no connection, no answer), times out or passes the cap. An answer with an
    // error status is text like any other: its body (the server's error page) is returned.
    virtual std::string openURL(const std::string& url) = 0;
};

// ---- the controls ----

// A browser pane on a form. Placed, sized and shown like any control; what it shows is the
// service's business.
class WebBrowser : public Control {
public:
    WebBrowser(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::WebBrowser, std::move(n), parent) {}
    ~WebBrowser() override;

    // Each throws vb::Error when the app has no browser service; callers protect their steps.
    void Navigate(const std::string& url);
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    std::string LocationURL() const;

    Event<> DownloadBegin;
    Event<> DownloadComplete;

    bool getProperty(const std::string& prop, std::string& out) const override;
};

// Downloads one remote file at a time into a local file.
class FileTransfer : public Control {
public:
    FileTransfer(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::FileTransfer, std::move(n), parent) {}
    ~FileTransfer() override;

    // The control's numeric option; callers set it to 2 before each start. Kept, not used.
    int Mode = 0;

    // See FileTransfers::start and cancel for what happens and which events follow.
    void StartDownload(const std::string& localPath, const std::string& url);
    void CancelTransfer();

    // reserved, total bytes, bytes done, reserved.
    Event<int, std::int64_t, std::int64_t, int> TransferProgress;
    // code (transfer_error or an HTTP status), description.
    Event<int, const std::string&> TransferError;
};

// Fetches documents synchronously.
class InternetTransfer : public Control {
public:
    InternetTransfer(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::InternetTransfer, std::move(n), parent) {
        visible_ = false;
    }
    // The preset address, fetched by OpenURL() without an argument.
    std::string URL;
    // The control's numeric option; callers set it to 0. Kept, not used.
    int AccessType = 0;

    // The whole document as text, an error page included; throws vb::Error(err::InetFailed)
    // when the fetch fails (see InternetTransfers::openURL).
    std::string OpenURL(const std::string& url);
    std::string OpenURL() { return OpenURL(URL); }

    // State changes (11: an error). Raised by nothing here: the synchronous fetch reports its
    // failure by throwing, and no caller waits for states.
    Event<int> StateChanged;
};

}  // namespace vb
