#include "platform/qt/qt_browser.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/base/log.h"
#include "platform/model/app.h"

namespace vbqt {

void prepareForTheWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (!qt_gl_global_share_context()) qt_gl_set_global_share_context(new QOpenGLContext);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

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

// Tells its browsers when a pane comes on screen.
class LazyWebBrowsers::ShowWatch : public QObject {
public:
    explicit ShowWatch(LazyWebBrowsers& browsers) : browsers_(browsers) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) browsers_.startWhenShown();
        return QObject::eventFilter(watched, event);
    }

private:
    LazyWebBrowsers& browsers_;
};

LazyWebBrowsers::LazyWebBrowsers(std::string library, vb::Logger* log)
    : library_(std::move(library)),
      log_(log),
      owner_(std::make_unique<QObject>()),
      watch_(std::make_unique<ShowWatch>(*this)) {}

// The library stays loaded: the engine's threads and atexit handlers live in it.
LazyWebBrowsers::~LazyWebBrowsers() {
    fetcher_.reset();
    owner_.reset();
    engine_.reset();
}

// Big enough for any page the program shows; a larger one is navigated to once on screen.
constexpr std::size_t kKeptDocumentBytes = 2 << 20;

vb::CurlPageFetcher& LazyWebBrowsers::fetcher() {
    if (!fetcher_) {
        fetcher_ = std::make_unique<vb::CurlPageFetcher>(app_->loop(), vb::CurlLimits{}, kKeptDocumentBytes);
        fetcher_->onFinished = [this](vb::WebBrowser& b) {
            if (engine_ && onScreen(b)) handOver(b);
        };
    }
    return *fetcher_;
}

void LazyWebBrowsers::attachPane(vb::WebBrowser& b, QWidget* pane) {
    panes_[&b] = pane;
    pane->installEventFilter(watch_.get());
    if (auto* panes = dynamic_cast<BrowserPanes*>(engine_.get())) panes->attachPane(b, pane);
}

bool LazyWebBrowsers::onScreen(const vb::WebBrowser& b) const {
    auto it = panes_.find(&b);
    return it != panes_.end() && it->second && it->second->isVisible();
}

namespace {
bool exposed(const QWidget* w) {
    return w->window()->windowHandle() && w->window()->windowHandle()->isExposed();
}

// A window kept above the program's others (the splash, the language chooser) has the user's
// eyes while it is up; the start-up may still change what lies beneath it.
bool aWindowIsKeptAbove(const QWidget* w) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != w->window() && top->isVisible() && (top->windowFlags() & Qt::WindowStaysOnTopHint))
            return true;
    return false;
}
}  // namespace

void LazyWebBrowsers::startWhenShown() {
    if (scheduled_ || failed_) return;
    scheduled_ = true;
    // Polled: a pane's show event comes as soon as its window is asked to show, before it is on
    // screen, and a start-up step may hide the pane again in the same turn. A pane beneath a
    // window kept above the others waits for it to go: the main window is up with its news panel
    // behind the splash, and only the last start-up step decides whether that panel stays.
    auto* poll = new QTimer(owner_.get());
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, since] {
        bool wanted = false, ready = false;
        for (auto& [b, pane] : panes_) {
            const bool hasPage =
                fetched(*b) ||
                std::any_of(held_.begin(), held_.end(), [b = b](const Held& h) { return h.browser == b; });
            if (!hasPage || !pane || !pane->isVisible()) continue;
            wanted = true;
            // A window that never gets exposed (minimised) does not hold the engine back for ever.
            ready = ready || (!aWindowIsKeptAbove(pane) && (exposed(pane) || since->elapsed() >= 5000));
        }
        if (wanted && !ready) return;
        poll->stop();
        poll->deleteLater();
        scheduled_ = false;
        // Navigations held for a pane that went out of sight before the engine came are fetched.
        std::vector<Held> held;
        for (const Held& h : held_)
            if (onScreen(*h.browser))
                held.push_back(h);
            else
                fetcher().navigate(*h.browser, h.url);
        held_.swap(held);
        if (!wanted) return;
        // One more turn once the window is exposed, so it is painted before the engine loads.
        QTimer::singleShot(50, owner_.get(), [this] {
            if (!engine_) start();
            if (!engine_) return;
            std::vector<vb::WebBrowser*> shown;
            for (auto& [b, pane] : panes_)
                if (fetched(*b) && onScreen(*b)) shown.push_back(const_cast<vb::WebBrowser*>(b));
            for (vb::WebBrowser* b : shown) handOver(*b);
        });
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
            app->loop().post(event);
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

// The engine takes over a browser that fetched without it, showing what the fetch brought; one
// still fetching is taken over when its fetch ends.
void LazyWebBrowsers::handOver(vb::WebBrowser& b) {
    if (!fetched(b) || fetcher_->fetching(b)) return;
    const vb::CurlPageFetcher::Document* d = fetcher_->document(b);
    auto* pages = dynamic_cast<FetchedPages*>(engine_.get());
    if (d && d->whole && pages) {
        // A page fetched earlier is no older than one the engine had loaded unseen at the same
        // time, so it is shown as it came.
        if (!pages->showFetched(b, d->location, d->contentType, d->body)) engine_->navigate(b, d->url);
    } else if (d) {
        // The fetch failed: the user would see a blank pane, so the engine asks again.
        engine_->navigate(b, d->url);
    }
    fetcher_->release(b);
}

void LazyWebBrowsers::navigate(vb::WebBrowser& b, const std::string& url) {
    if (failed_) return;
    if (engine_ || onScreen(b)) {
        if (fetched(b)) fetcher_->release(b);
        if (engine_) return engine_->navigate(b, url);
        held_.push_back({&b, url});
        startWhenShown();
        return;
    }
    fetcher().navigate(b, url);
}

void LazyWebBrowsers::goBack(vb::WebBrowser& b) {
    if (fetched(b))
        fetcher_->goBack(b);
    else if (engine_)
        engine_->goBack(b);
}
void LazyWebBrowsers::goForward(vb::WebBrowser& b) {
    if (fetched(b))
        fetcher_->goForward(b);
    else if (engine_)
        engine_->goForward(b);
}
void LazyWebBrowsers::stop(vb::WebBrowser& b) {
    if (fetched(b))
        fetcher_->stop(b);
    else if (engine_)
        engine_->stop(b);
}
void LazyWebBrowsers::refresh(vb::WebBrowser& b) {
    if (fetched(b))
        fetcher_->refresh(b);
    else if (engine_)
        engine_->refresh(b);
}

std::string LazyWebBrowsers::locationURL(const vb::WebBrowser& b) const {
    if (fetched(b)) return fetcher_->locationURL(b);
    return engine_ ? engine_->locationURL(b) : std::string();
}

void LazyWebBrowsers::forget(vb::WebBrowser& b) {
    panes_.erase(&b);
    held_.erase(std::remove_if(held_.begin(), held_.end(), [&](const Held& h) { return h.browser == &b; }),
                held_.end());
    if (fetcher_) fetcher_->forget(b);
    if (engine_) engine_->forget(b);
}

}  // namespace vbqt
