#pragma once
// The web browser controls on Qt's web engine. Each control gets a pane widget from the front
// end at once, and its QWebEngineView on its first navigation (the engine's processes start
// only when a page is wanted). Every view shares one profile. The begin and complete events are
// delivered on the GUI thread through App::deliver.
//
// LocationURL is the address as loaded: the very text given to Navigate while the page shown is
// that address (Qt would otherwise re-encode it), else the engine's fully encoded URL.
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/online.h"

class QWidget;
class QWebEngineView;
class QWebEngineProfile;
class QObject;

namespace vb {
class App;
}

namespace vbqt {

class QtWebBrowsers : public vb::WebBrowsers {
public:
    QtWebBrowsers();
    ~QtWebBrowsers() override;
    QtWebBrowsers(const QtWebBrowsers&) = delete;
    QtWebBrowsers& operator=(const QtWebBrowsers&) = delete;

    void setApp(vb::App* app) { app_ = app; }
    // The front end's pane for a browser control; a view made earlier moves into it.
    void attachPane(vb::WebBrowser& b, QWidget* pane);

    void navigate(vb::WebBrowser& b, const std::string& url) override;
    void goBack(vb::WebBrowser& b) override;
    void goForward(vb::WebBrowser& b) override;
    void stop(vb::WebBrowser& b) override;
    void refresh(vb::WebBrowser& b) override;
    std::string locationURL(const vb::WebBrowser& b) const override;
    void forget(vb::WebBrowser& b) override;

    // The view of a control, null before its first navigation (tests).
    QWebEngineView* view(const vb::WebBrowser& b) const;

private:
    struct Entry {
        QPointer<QWidget> pane;
        QPointer<QWebEngineView> view;
        std::unique_ptr<QObject> context;  // owns the view's connections
        QString requested;
        std::string location;
    };
    QWebEngineView* ensureView(vb::WebBrowser& b, Entry& e);
    void deliver(const std::function<void()>& event);

    vb::App* app_ = nullptr;
    QWebEngineProfile* profile_ = nullptr;
    std::unordered_map<const vb::WebBrowser*, Entry> entries_;
};

// The front end's widget for a browser control: an empty pane the view goes into.
QWidget* makeBrowserPane(vb::WebBrowser& b, QWidget* parent);

}  // namespace vbqt
