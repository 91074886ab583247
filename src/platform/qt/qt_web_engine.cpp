#include "platform/qt/qt_web_engine.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

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
    if (deliver_)
        deliver_(event);
    else
        event();
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
    // Gone with the control (forget): an event posted before then finds it null and is dropped.
    const QPointer<QObject> live = e.context.get();
    QObject::connect(page, &QWebEnginePage::loadStarted, e.context.get(), [this, control, live] {
        if (handing(control)) return;
        deliver([control, live] {
            if (live) control->DownloadBegin();
        });
    });
    QObject::connect(page, &QWebEnginePage::loadFinished, e.context.get(), [this, control, live](bool) {
        auto it = entries_.find(control);
        if (it != entries_.end() && it->second.handing) {
            it->second.handing = false;
            return;
        }
        deliver([control, live] {
            if (live) control->DownloadComplete();
        });
    });
    QObject::connect(page, &QWebEnginePage::urlChanged, e.context.get(), [this, control](const QUrl& url) {
        auto it = entries_.find(control);
        if (it == entries_.end() || it->second.handing) return;
        Entry& entry = it->second;
        entry.handed = false;
        // The engine's URL may spell the address differently from how it was asked for; while
        // it is the same address, the caller's spelling is the one it loaded.
        if (!entry.requested.isEmpty() && QUrl(entry.requested) == url)
            entry.location = entry.requested.toStdString();
        else
            entry.location = url.toEncoded().toStdString();
    });
    if (e.pane) {
        e.pane->layout()->addWidget(view);
        view->show();
    }
    return view;
}

bool QtWebBrowsers::handing(const vb::WebBrowser* b) const {
    auto it = entries_.find(b);
    return it != entries_.end() && it->second.handing;
}

bool QtWebBrowsers::showFetched(vb::WebBrowser& b, const std::string& location,
                                const std::string& contentType, const std::string& body) {
    // The page gets the document as one percent-encoded message, which may not pass 2 MB.
    const QByteArray data = QByteArray::fromStdString(body);
    if (data.toPercentEncoding().size() > (2 << 20) - 30) return false;
    Entry& e = entries_[&b];
    e.requested = QString::fromStdString(location);
    e.location = location;
    e.handing = e.handed = true;
    QString type = QString::fromStdString(contentType).remove(QLatin1Char(' '));
    if (type.isEmpty()) type = QStringLiteral("text/html");
    ensureView(b, e)->page()->setContent(data, type, QUrl(e.requested, QUrl::TolerantMode));
    return true;
}

void QtWebBrowsers::navigate(vb::WebBrowser& b, const std::string& url) {
    Entry& e = entries_[&b];
    e.handing = e.handed = false;
    e.requested = QString::fromStdString(url);
    // Parsed tolerantly but not re-encoded: "%2F" in the query stays as it is.
    ensureView(b, e)->load(QUrl(e.requested, QUrl::TolerantMode));
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
    auto it = entries_.find(&b);
    if (it == entries_.end() || !it->second.view) return;
    // Reloading a handed document would show it again; the user asks for the page anew.
    if (it->second.handed)
        navigate(b, it->second.requested.toStdString());
    else
        it->second.view->reload();
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

vb::WebBrowsers* vantryMakeWebBrowsers(vbqt::Deliver deliver) {
    // The engine composes its pages through the context shared with the widgets, which the
    // program leaves unmade until now (prepareForTheWebEngine).
    if (QOpenGLContext* shared = qt_gl_global_share_context(); shared && !shared->isValid()) {
        // Made before the application, it knows no screen yet.
        shared->setScreen(QGuiApplication::primaryScreen());
        shared->setFormat(QSurfaceFormat::defaultFormat());
        shared->create();
    }
    auto* browsers = new vbqt::QtWebBrowsers;
    browsers->setDeliver(std::move(deliver));
    return browsers;
}
