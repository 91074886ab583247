#include "platform/qt/qt_browser.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "platform/app.h"

namespace vbqt {

QtWebBrowsers::QtWebBrowsers() = default;

QtWebBrowsers::~QtWebBrowsers() {
    // Pages go before the profile they use.
    for (auto& [b, e] : entries_) {
        e.context.reset();
        delete e.view.data();
    }
    entries_.clear();
    delete profile_;
}

void QtWebBrowsers::deliver(const std::function<void()>& event) {
    if (app_) app_->deliver(event);
    else event();
}

QWidget* makeBrowserPane(vb::WebBrowser& b, QWidget* parent) {
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    if (auto* browsers = dynamic_cast<QtWebBrowsers*>(b.app().browsers())) browsers->attachPane(b, pane);
    return pane;
}

void QtWebBrowsers::attachPane(vb::WebBrowser& b, QWidget* pane) {
    Entry& e = entries_[&b];
    e.pane = pane;
    if (e.view) {
        e.view->setParent(pane);
        pane->layout()->addWidget(e.view);
        e.view->show();
    }
}

QWebEngineView* QtWebBrowsers::ensureView(vb::WebBrowser& b, Entry& e) {
    if (e.view) return e.view;
    if (!profile_) profile_ = new QWebEngineProfile(QStringLiteral("vantry"));
    auto* view = new QWebEngineView(e.pane.data());
    view->setObjectName(QString::fromStdString(b.name()));
    auto* page = new QWebEnginePage(profile_, view);
    view->setPage(page);
    e.view = view;
    e.context = std::make_unique<QObject>();
    vb::WebBrowser* control = &b;
    QObject::connect(page, &QWebEnginePage::loadStarted, e.context.get(),
                     [this, control] { deliver([control] { control->DownloadBegin(); }); });
    QObject::connect(page, &QWebEnginePage::loadFinished, e.context.get(),
                     [this, control](bool) { deliver([control] { control->DownloadComplete(); }); });
    QObject::connect(page, &QWebEnginePage::urlChanged, e.context.get(), [this, control](const QUrl& url) {
        auto it = entries_.find(control);
        if (it == entries_.end()) return;
        Entry& entry = it->second;
        // The engine's URL may spell the address differently from how it was asked for; while
        // it is the same address, the caller's spelling is the one it loaded.
        if (!entry.requested.isEmpty() && QUrl(entry.requested) == url) entry.location = entry.requested.toStdString();
        else entry.location = url.toEncoded().toStdString();
    });
    if (e.pane) {
        e.pane->layout()->addWidget(view);
        view->show();
    }
    return view;
}

void QtWebBrowsers::navigate(vb::WebBrowser& b, const std::string& url) {
    Entry& e = entries_[&b];
    QWebEngineView* view = ensureView(b, e);
    e.requested = QString::fromStdString(url);
    // Parsed tolerantly but not re-encoded: "%2F" in the query stays as it is.
    view->load(QUrl(e.requested, QUrl::TolerantMode));
}

void QtWebBrowsers::goBack(vb::WebBrowser& b) {
    if (QWebEngineView* v = view(b)) v->back();
}
void QtWebBrowsers::goForward(vb::WebBrowser& b) {
    if (QWebEngineView* v = view(b)) v->forward();
}
void QtWebBrowsers::stop(vb::WebBrowser& b) {
    if (QWebEngineView* v = view(b)) v->stop();
}
void QtWebBrowsers::refresh(vb::WebBrowser& b) {
    if (QWebEngineView* v = view(b)) v->reload();
}

std::string QtWebBrowsers::locationURL(const vb::WebBrowser& b) const {
    auto it = entries_.find(&b);
    return it == entries_.end() ? std::string() : it->second.location;
}

QWebEngineView* QtWebBrowsers::view(const vb::WebBrowser& b) const {
    auto it = entries_.find(&b);
    return it == entries_.end() ? nullptr : it->second.view.data();
}

void QtWebBrowsers::forget(vb::WebBrowser& b) {
    auto it = entries_.find(&b);
    if (it == entries_.end()) return;
    it->second.context.reset();  // no event of this control from here on
    if (it->second.view) it->second.view->deleteLater();
    entries_.erase(it);
}

}  // namespace vbqt
