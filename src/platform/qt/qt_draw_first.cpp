#include "platform/qt/qt_draw_first.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "platform/qt/qt_loop.h"

namespace vbqt {

namespace {

// A shown, not minimised window that the window system has not put on the screen yet.
bool aWindowIsStillComing() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->isMinimized()) continue;
        if (QWindow* native = w->windowHandle(); native && !native->isExposed()) return true;
    }
    return false;
}

}  // namespace

void drawShownWindows(QtLoop& loop, int waitMs) {
    const QtLoop::Hold hold(loop);
    constexpr auto kNoInput = QEventLoop::ExcludeUserInputEvents;
    QElapsedTimer since;
    since.start();
    // Mapping a window is the window system's answer to showing it; once it is there, Qt paints
    // it while handling that answer, and paints what changed since on the next turn.
    QCoreApplication::processEvents(kNoInput);
    while (aWindowIsStillComing() && since.elapsed() < waitMs) {
        QThread::msleep(5);
        QCoreApplication::processEvents(kNoInput);
    }
    QCoreApplication::processEvents(kNoInput);
    // The painted windows reach the display before the thread blocks.
    QGuiApplication::sync();
}

std::string DrawnFirstInternet::openURL(const std::string& url) {
    drawShownWindows(loop_);
    return inner_.openURL(url);
}

}  // namespace vbqt
