#include "platform/model/online.h"

#include "platform/base/error.h"
#include "platform/model/app.h"

namespace vb {

namespace {

template <class S>
S& need(S* service, const char* what) {
    if (!service) throw Error(err::InvalidCall, std::string("no ") + what + " in this program");
    return *service;
}

}  // namespace

WebBrowser::~WebBrowser() {
    if (auto* s = app().browsers()) s->forget(*this);
}

void WebBrowser::Navigate(const std::string& url) {
    need(app().browsers(), "web browser").navigate(*this, url);
}
void WebBrowser::GoBack() {
    need(app().browsers(), "web browser").goBack(*this);
}
void WebBrowser::GoForward() {
    need(app().browsers(), "web browser").goForward(*this);
}
void WebBrowser::Stop() {
    need(app().browsers(), "web browser").stop(*this);
}
void WebBrowser::Refresh() {
    need(app().browsers(), "web browser").refresh(*this);
}

std::string WebBrowser::LocationURL() const {
    return need(app().browsers(), "web browser").locationURL(*this);
}

bool WebBrowser::getProperty(const std::string& prop, std::string& out) const {
    if (prop == "LocationURL") {
        out = app().browsers() ? LocationURL() : "";
        return true;
    }
    return Control::getProperty(prop, out);
}

FileTransfer::~FileTransfer() {
    if (auto* s = app().transfers()) s->forget(*this);
}

void FileTransfer::StartDownload(const std::string& localPath, const std::string& url) {
    need(app().transfers(), "file transfer").start(*this, localPath, url);
}

void FileTransfer::CancelTransfer() {
    need(app().transfers(), "file transfer").cancel(*this);
}

std::string InternetTransfer::OpenURL(const std::string& url) {
    return need(app().internet(), "internet transfer").openURL(url);
}

}  // namespace vb
