#include "platform/qt/qt_guarded_app.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "platform/base/error.h"
#include "platform/base/log.h"

namespace vbqt {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    std::string what;
    try {
        return QApplication::notify(receiver, event);
    } catch (const vb::ProgramEnded& e) {
        // Only App::deliver should see this; ending here still ends the program.
        QCoreApplication::exit(e.code);
        return true;
    } catch (const std::bad_alloc&) {
        what = "out of memory";
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an exception of an unknown kind";
    }
    const std::string line = "unhandled exception in an event outside the program's handlers: " + what;
    if (log_)
        log_->log(line);
    else
        std::fprintf(stderr, "vantry: %s\n", line.c_str());
    return true;
}

}  // namespace vbqt
