#pragma once
// Shared by the front-end tests: one application (the program's own kind) for the whole binary (offscreen unless the
// caller chose a platform), and answering a modal box or popup that a call under test opens.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "platform/qt/qt_guarded_app.h"

namespace vbqt::test {

inline QApplication& qtApp() {
    // Never freed: widgets of the last test may still wait for deferred deletion at exit.
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // The web engine: no GPU here, and no sandbox when the tests run as root.
        setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
        if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        static int argc = 1;
        static char name[] = "vantry_qt_tests";
        static char* argv[] = {name, nullptr};
        return new GuardedApplication(argc, argv);
    }();
    return *app;
}

// Polls for the widget that find returns (a modal box, a popup) and hands it to act, which must
// close it. Gives up after two seconds and closes whatever modal or popup is open, so a test
// whose box never appears fails instead of hanging.
inline void whenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act,
                      bool* seen = nullptr) {
    auto* poll = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, elapsed, find, act, seen] {
        if (QWidget* w = find()) {
            poll->stop();
            poll->deleteLater();
            if (seen) *seen = true;
            act(w);
        } else if ((*elapsed += 10) > 2000) {
            poll->stop();
            poll->deleteLater();
            if (QWidget* m = QApplication::activePopupWidget()) m->close();
            if (QWidget* m = QApplication::activeModalWidget()) m->close();
        }
    });
    poll->start(10);
}

inline void whenModalShown(std::function<void(QWidget*)> act, bool* seen = nullptr) {
    whenShown([] { return QApplication::activeModalWidget(); }, std::move(act), seen);
}

}  // namespace vbqt::test
