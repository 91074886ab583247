#pragma once
// The web browser controls in the desktop program. The web engine is heavy to load and to
// start (a GL context, its own processes; seconds on a busy machine) and holds a lot of memory
// from then on, so the program does not link it: LazyWebBrowsers loads it from
// libvantry_webengine.so (qt_web_engine.h) only when a browser with a page to show is on
// screen, once its window is exposed, so it never delays a window being drawn. A program that
// sits in the tray all day with its news panel closed never loads it.
//
// Until then a browser that is out of sight fetches its pages with libcurl (CurlPageFetcher),
// which raises the events and keeps LocationURL as the contract says and keeps the document;
// when the browser first comes on screen the engine shows that document, with its address as
// base, without asking the server for it again. A fetch that failed, or a document too large
// for the engine to take whole, is navigated to afresh then. A browser already on screen when
// it navigates waits for the engine, its navigations made in order once it runs (LocationURL ""
// until then). Once the engine runs, every later navigation is the engine's.
//
// If the library cannot be loaded the browsers stay blank: each operation does nothing, and the
// failure is logged once.
#include <QPointer>
#include <QtGui/qtguiglobal.h>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/curl/curl_online.h"
#include "platform/model/online.h"

class QObject;
class QWidget;

namespace vb {
class App;
class Logger;
}  // namespace vb

class QOpenGLContext;
// Qt's own functions for the context that GL users share, exported by QtGui.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace vbqt {

// Sets, before the application is made, what the engine needs of it, as for a program linked
// with it: one GL context its pages share with the windows. The application would make that
// context at its start, loading the GL driver (tens of megabytes) into every run; it is given
// one not made yet instead, which the engine makes as it starts (qt_web_engine.cpp). Also keeps
// the engine's report of its GL set-up, Qt's and not the program's, off standard error unless
// the user asks for it (QT_LOGGING_RULES).
void prepareForTheWebEngine();

// Hands one model event to the program: how the engine's events reach the model. The program's
// posts it through its event loop (QtLoop::post), so it never runs inside the event that was
// running when the engine signalled, and a hold (qt_draw_first.h) keeps it waiting.
using Deliver = std::function<void(const std::function<void()>&)>;

// Whoever puts views into the front end's browser panes.
class BrowserPanes {
public:
    virtual ~BrowserPanes() = default;
    virtual void attachPane(vb::WebBrowser& b, QWidget* pane) = 0;
};

// Whoever can show a document fetched before the engine ran.
class FetchedPages {
public:
    virtual ~FetchedPages() = default;
    // Shows body as the page at location, without asking the server again and raising no
    // events (its fetch raised them); false when the document is too large to be handed over.
    virtual bool showFetched(vb::WebBrowser& b, const std::string& location, const std::string& contentType,
                             const std::string& body) = 0;
};

// The front end's widget for a browser control: an empty pane the view goes into.
QWidget* makeBrowserPane(vb::WebBrowser& b, QWidget* parent);

class LazyWebBrowsers : public vb::WebBrowsers, public BrowserPanes {
public:
    // library: the path of libvantry_webengine.so.
    LazyWebBrowsers(std::string library, vb::Logger* log);
    ~LazyWebBrowsers() override;
    LazyWebBrowsers(const LazyWebBrowsers&) = delete;
    LazyWebBrowsers& operator=(const LazyWebBrowsers&) = delete;

    void setApp(vb::App* app) { app_ = app; }
    void attachPane(vb::WebBrowser& b, QWidget* pane) override;

    void navigate(vb::WebBrowser& b, const std::string& url) override;
    void goBack(vb::WebBrowser& b) override;
    void goForward(vb::WebBrowser& b) override;
    void stop(vb::WebBrowser& b) override;
    void refresh(vb::WebBrowser& b) override;
    std::string locationURL(const vb::WebBrowser& b) const override;
    void forget(vb::WebBrowser& b) override;

    // The engine's browsers once loaded, else null (tests).
    vb::WebBrowsers* engine() const { return engine_.get(); }

private:
    class ShowWatch;
    vb::CurlPageFetcher& fetcher();
    bool onScreen(const vb::WebBrowser& b) const;
    bool fetched(const vb::WebBrowser& b) const { return fetcher_ && fetcher_->knows(b); }
    void startWhenShown();
    void start();
    void handOver(vb::WebBrowser& b);

    std::string library_;
    vb::Logger* log_;
    vb::App* app_ = nullptr;
    std::unique_ptr<vb::WebBrowsers> engine_;
    bool scheduled_ = false, failed_ = false;
    std::unique_ptr<QObject> owner_;  // context of the start timers
    std::unique_ptr<ShowWatch> watch_;
    std::unique_ptr<vb::CurlPageFetcher> fetcher_;  // made at the first fetch
    std::unordered_map<const vb::WebBrowser*, QPointer<QWidget>> panes_;
    struct Held {
        vb::WebBrowser* browser;
        std::string url;
    };
    std::vector<Held> held_;
};

// Where the program finds libvantry_webengine.so: beside its own executable.
std::string webEngineLibraryPath();

}  // namespace vbqt
