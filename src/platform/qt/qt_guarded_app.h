#pragma once
// The program's QApplication: every event Qt hands to an object passes through notify(), so a
// failure that escaped the model's own boundary (App::deliver) stops here, is logged, and never
// unwinds through Qt's event loop (which Qt does not allow).
#include <QApplication>

namespace vb {
class Logger;
}

namespace vbqt {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    void setLogger(vb::Logger* log) { log_ = log; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    vb::Logger* log_ = nullptr;
};

}  // namespace vbqt
