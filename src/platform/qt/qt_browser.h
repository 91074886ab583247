#pragma once
// The web browser controls in the desktop program. The web engine is heavy to load and to
// start (a GL context, its own processes; seconds on a busy machine), so the program does not
// link it: LazyWebBrowsers loads it from libvantry_webengine.so (qt_web_engine.h) when a page is
// first wanted and a window of the program is on screen, so it never delays the first window.
// Navigations asked for before then (the main window's load asks for the news page) are held
// and made in order once the engine runs; LocationURL is "" until then.
//
// If the library cannot be loaded the browsers stay blank: each operation does nothing, and the
// failure is logged once.
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/online.h"

class QObject;
class QWidget;

namespace vb {
class App;
class Logger;
}  // namespace vb

namespace vbqt {

// Runs one model event (App::deliver): how the engine's events reach the model.
using Deliver = std::function<void(const std::function<void()>&)>;

// Whoever puts views into the front end's browser panes.
class BrowserPanes {
public:
    virtual ~BrowserPanes() = default;
    virtual void attachPane(vb::WebBrowser& b, QWidget* pane) = 0;
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
    void startWhenShown();
    void start();

    std::string library_;
    vb::Logger* log_;
    vb::App* app_ = nullptr;
    std::unique_ptr<vb::WebBrowsers> engine_;
    bool scheduled_ = false, failed_ = false;
    std::unique_ptr<QObject> owner_;  // context of the start timers
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
