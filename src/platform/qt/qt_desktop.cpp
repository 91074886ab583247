#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

#include <cstdlib>

#include "platform/app.h"
#include "platform/curl_online.h"
#include "platform/fs.h"
#include "platform/log.h"
#include "platform/posix_services.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_guarded_app.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/qt_tray.h"
#include "platform/worker_thread.h"

namespace vbqt {

std::pair<int, int> screenSize(const QScreen* screen) {
    if (!screen) return {1024, 768};
    return {screen->geometry().width(), screen->geometry().height()};
}

double screenPixelRatio(const QScreen* screen) {
    return screen ? screen->devicePixelRatio() : 1.0;
}

int runDesktopProgram(int argc, char** argv, const ProgramHooks& hooks) {
    // The web engine's sandbox refuses to run as root; only then it goes (never for a user).
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    GuardedApplication qapp(argc, argv);
    QApplication::setApplicationName("Vantry");
    // The program hides into the tray: closing its last visible window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Declared before the App, so they outlive it.
    vb::StderrLogger log;
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
    vb::CurlTransfers transfers(loop, fs, &log);
    vb::CurlInternet internet;
    vb::WorkerThread jobs(loop);

    vb::App app(vb::Services{&fs, &dialogs, &loop, &system, &programs, &wallpaper, &tray, &log, &browsers,
                             &transfers, &internet, nullptr, &jobs});
    loop.setApp(&app);
    browsers.setApp(&app);
    tray.setApp(&app);
    tray.setMessageHandler([&](int message) { hooks.trayMessage(app, message); });
    hooks.registerForms(app);
    const int code = runQtProgram(app, [&] { hooks.start(app); });
    qapp.setLogger(nullptr);  // the logger goes before the application does
    return code;
}

}  // namespace vbqt
