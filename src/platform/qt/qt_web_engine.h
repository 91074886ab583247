#pragma once
// The web browser controls on Qt's web engine: each control's QWebEngineView is made at its
// first navigation and put into the pane the front end made for it; every view shares one
// profile. The begin and complete events are handed on through the Deliver given, which posts
// them (qt_browser.h); one that comes after its control went is dropped.
//
// LocationURL is the address as loaded: the very text given to Navigate while the page shown is
// that address (Qt would otherwise re-encode it), else the engine's fully encoded URL.
//
// This lives in its own shared library (libvantry_webengine.so), which the program loads only
// when a page is first wanted (qt_browser.h): linking the engine into the program would make
// every start pay for it before the first window.
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/model/online.h"
#include "platform/qt/qt_browser.h"

class QWidget;
class QWebEngineView;
class QWebEngineProfile;
class QObject;

namespace vb {
class App;
}

namespace vbqt {

class QtWebBrowsers : public vb::WebBrowsers, public BrowserPanes, public FetchedPages {
public:
    QtWebBrowsers();
    ~QtWebBrowsers() override;
    QtWebBrowsers(const QtWebBrowsers&) = delete;
    QtWebBrowsers& operator=(const QtWebBrowsers&) = delete;

    // How events reach the model (posted through the loop); events run bare without it.
    void setDeliver(Deliver deliver) { deliver_ = std::move(deliver); }
    // The front end's pane for a browser control; a view made earlier moves into it.
    void attachPane(vb::WebBrowser& b, QWidget* pane) override;

    void navigate(vb::WebBrowser& b, const std::string& url) override;
    void goBack(vb::WebBrowser& b) override;
    void goForward(vb::WebBrowser& b) override;
    void stop(vb::WebBrowser& b) override;
    void refresh(vb::WebBrowser& b) override;
    std::string locationURL(const vb::WebBrowser& b) const override;
    void forget(vb::WebBrowser& b) override;
    // Handed to the page whole, as a document of contentType at location; refused past what the
    // engine takes in one piece.
    bool showFetched(vb::WebBrowser& b, const std::string& location, const std::string& contentType,
                     const std::string& body) override;

    // The view of a control, null before its first navigation (tests).
    QWebEngineView* view(const vb::WebBrowser& b) const;

private:
    struct Entry {
        QPointer<QWidget> pane;
        QPointer<QWebEngineView> view;
        std::unique_ptr<QObject> context;  // owns the view's connections
        QString requested;
        std::string location;
        // A fetched document is being handed to the page: its load is no fetch of the model's
        // and its address is the document's, whatever the engine reports meanwhile.
        bool handing = false;
        // The page shown is such a document (reloading it means fetching its address).
        bool handed = false;
    };
    QWebEngineView* ensureView(vb::WebBrowser& b, Entry& e);
    void deliver(const std::function<void()>& event);
    bool handing(const vb::WebBrowser* b) const;

    Deliver deliver_;
    QWebEngineProfile* profile_ = nullptr;
    std::unordered_map<const vb::WebBrowser*, Entry> entries_;
};

}  // namespace vbqt

// The library's one entry point, looked up by name after loading it.
extern "C" vb::WebBrowsers* vantryMakeWebBrowsers(vbqt::Deliver deliver);
