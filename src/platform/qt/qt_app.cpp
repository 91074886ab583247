#include "platform/qt/qt_app.h"

#include <QApplication>

#include "platform/model/app.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_look.h"

namespace vbqt {

int runQtProgram(vb::App& app, const std::function<void()>& start) {
    auto* qapp = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!qapp) return 1;
    applyLook(*qapp);
    QApplication::setWindowIcon(programIcon());
    // Windows hidden into the tray are not the end of the program: the model says when it ends.
    QApplication::setQuitOnLastWindowClosed(false);

    QtFrontEnd frontEnd(app);
    frontEnd.onLastFormUnloaded = [] { QCoreApplication::exit(0); };
    app.onEnded = [&app] { QCoreApplication::exit(app.exitCode()); };

    app.deliver(start);
    const int code = app.ended() ? app.exitCode() : QApplication::exec();
    app.onEnded = nullptr;
    return app.ended() ? app.exitCode() : code;
}

}  // namespace vbqt
