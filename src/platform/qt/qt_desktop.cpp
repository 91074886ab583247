#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/base/log.h"
#include "platform/curl/curl_online.h"
#include "platform/model/app.h"
#include "platform/posix/posix_services.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_draw_first.h"
#include "platform/qt/qt_guarded_app.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/qt_tray.h"
#include "platform/system/fs.h"
#include "platform/posix/worker_thread.h"

namespace vbqt {

std::pair<int, int> screenSize(const QScreen* screen) {
    if (!screen) return {1024, 768};
    return {screen->geometry().width(), screen->geometry().height()};
}

double screenPixelRatio(const QScreen* screen) {
    return screen ? screen->devicePixelRatio() : 1.0;
}

namespace {

// The browsers when no web engine may run: the panes stay blank and every operation does nothing.
class NoWebPages : public vb::WebBrowsers {
public:
    void navigate(vb::WebBrowser&, const std::string&) override {}
    void goBack(vb::WebBrowser&) override {}
    void goForward(vb::WebBrowser&) override {}
    void stop(vb::WebBrowser&) override {}
    void refresh(vb::WebBrowser&) override {}
    std::string locationURL(const vb::WebBrowser&) const override { return {}; }
    void forget(vb::WebBrowser&) override {}
};

// The web engine's sandbox cannot run as root. Rendering pages from the Internet without it, as
// root, is for the person running the program to choose (QTWEBENGINE_DISABLE_SANDBOX=1), never
// for the program: unchosen, no page is shown.
bool webPagesMayBeShown() {
    const char* disabled = std::getenv("QTWEBENGINE_DISABLE_SANDBOX");
    return ::geteuid() != 0 || (disabled && std::string_view(disabled) == "1");
}

}  // namespace

int runDesktopProgram(int argc, char** argv, const ProgramHooks& hooks) {
    // Before the application and all else, so it outlives them and can speak first.
    vb::StderrLogger log;
    const bool webPages = webPagesMayBeShown();
    if (!webPages)
        log.log(
            "web pages are not shown: running as root, where the web engine's sandbox cannot run; "
            "QTWEBENGINE_DISABLE_SANDBOX=1 shows them without it");
    prepareForTheWebEngine();
    GuardedApplication qapp(argc, argv);
    QApplication::setApplicationName("Vantry");
    // The program hides into the tray: closing its last visible window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Declared before the App, so they outlive it.
    qapp.setLogger(&log);
    vb::FileSystem fs;
    QtLoop loop;
    QtDialogs dialogs;
    QtTray tray;
    vb::PosixSystem system(vb::defaultSystemFolder(), [] { return screenSize(QGuiApplication::primaryScreen()); });
    system.pixelRatio = [] { return screenPixelRatio(QGuiApplication::primaryScreen()); };
    vb::PosixPrograms programs(fs, log);
    vb::DesktopWallpaper wallpaper(log);
    LazyWebBrowsers browsers(webEngineLibraryPath(), &log);
    NoWebPages noWebPages;
    vb::CurlTransfers transfers(loop, fs, &log);
    vb::CurlInternet fetcher;
    DrawnFirstInternet internet(fetcher, loop);
    vb::WorkerThread jobs(loop);

    vb::App app(vb::Services{&fs, &dialogs, &loop, &system, &programs, &wallpaper, &tray, &log,
                             webPages ? static_cast<vb::WebBrowsers*>(&browsers) : &noWebPages, &transfers,
                             &internet, nullptr, &jobs});
    loop.setApp(&app);
    browsers.setApp(&app);
    tray.setApp(&app);
    tray.setMessageHandler([&](int message) { hooks.trayMessage(app, message); });
    hooks.registerForms(app);
    return runQtProgram(app, [&] { hooks.start(app); });
}

}  // namespace vbqt
