#include "platform/qt/qt_browser.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/app.h"
#include "platform/log.h"

namespace vbqt {

QWidget* makeBrowserPane(vb::WebBrowser& b, QWidget* parent) {
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    if (auto* panes = dynamic_cast<BrowserPanes*>(b.app().browsers())) panes->attachPane(b, pane);
    return pane;
}

std::string webEngineLibraryPath() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, std::size_t(n)) : std::string();
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    return dir + "libvantry_webengine.so";
}

LazyWebBrowsers::LazyWebBrowsers(std::string library, vb::Logger* log)
    : library_(std::move(library)), log_(log), owner_(std::make_unique<QObject>()) {}

// The library stays loaded: the engine's threads and atexit handlers live in it.
LazyWebBrowsers::~LazyWebBrowsers() {
    owner_.reset();
    engine_.reset();
}

void LazyWebBrowsers::attachPane(vb::WebBrowser& b, QWidget* pane) {
    panes_[&b] = pane;
    if (auto* panes = dynamic_cast<BrowserPanes*>(engine_.get())) panes->attachPane(b, pane);
}

namespace {
bool aWindowIsShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed()) return true;
    return false;
}
}  // namespace

void LazyWebBrowsers::startWhenShown() {
    if (scheduled_ || failed_) return;
    scheduled_ = true;
    // Polled, since which window shows first is not known here; a program with no window on
    // screen (started into the tray) starts the engine after a few seconds all the same.
    auto* poll = new QTimer(owner_.get());
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, since] {
        if (!aWindowIsShown() && since->elapsed() < 5000) return;
        poll->stop();
        poll->deleteLater();
        // One more turn once the window is exposed, so it is painted before the engine loads.
        QTimer::singleShot(50, owner_.get(), [this] { start(); });
    });
    poll->start(20);
}

void LazyWebBrowsers::start() {
    void* lib = ::dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Make = vb::WebBrowsers* (*)(Deliver);
    auto make = lib ? reinterpret_cast<Make>(::dlsym(lib, "vantryMakeWebBrowsers")) : nullptr;
    if (!make) {
        failed_ = true;
        held_.clear();
        if (log_)
            log_->log("web pages cannot be shown: " +
                      std::string(lib ? "no entry point in " + library_ : ::dlerror()));
        return;
    }
    vb::App* app = app_;
    engine_.reset(make([app](const std::function<void()>& event) {
        if (app)
            app->deliver(event);
        else
            event();
    }));
    if (auto* panes = dynamic_cast<BrowserPanes*>(engine_.get()))
        for (auto& [b, pane] : panes_)
            if (pane) panes->attachPane(*const_cast<vb::WebBrowser*>(b), pane);
    std::vector<Held> held;
    held.swap(held_);
    for (const Held& h : held) engine_->navigate(*h.browser, h.url);
}

void LazyWebBrowsers::navigate(vb::WebBrowser& b, const std::string& url) {
    if (engine_) return engine_->navigate(b, url);
    if (failed_) return;
    held_.push_back({&b, url});
    startWhenShown();
}

void LazyWebBrowsers::goBack(vb::WebBrowser& b) {
    if (engine_) engine_->goBack(b);
}
void LazyWebBrowsers::goForward(vb::WebBrowser& b) {
    if (engine_) engine_->goForward(b);
}
void LazyWebBrowsers::stop(vb::WebBrowser& b) {
    if (engine_) engine_->stop(b);
}
void LazyWebBrowsers::refresh(vb::WebBrowser& b) {
    if (engine_) engine_->refresh(b);
}

std::string LazyWebBrowsers::locationURL(const vb::WebBrowser& b) const {
    return engine_ ? engine_->locationURL(b) : std::string();
}

void LazyWebBrowsers::forget(vb::WebBrowser& b) {
    panes_.erase(&b);
    held_.erase(std::remove_if(held_.begin(), held_.end(), [&](const Held& h) { return h.browser == &b; }),
                held_.end());
    if (engine_) engine_->forget(b);
}

}  // namespace vbqt
